// The search and sort batch commands: a search script or a note order applied to a range of
// one list.
#include <random>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/list_edit.h"
#include "io/phrase_file.h"
#include "ops/search.h"

namespace tarvio::cli {

namespace {

bool readScript(const Options& opts, SearchScript& script, std::string& err) {
    const std::string* text = editArg(opts, "--script");
    if (!parseSearchScript(*text, script, err)) {
        err = "bad --script '" + *text + "': " + err;
        return false;
    }
    return true;
}

int checkSearch(const Options& opts, std::string& err) {
    if (!editArg(opts, "--script")) {
        err = "search needs --script \"SCRIPT\"";
        return kUsage;
    }
    SearchScript script;
    if (!readScript(opts, script, err)) return kFailed;
    const bool copies = script.action == SearchAction::Copy || script.action == SearchAction::Cut;
    if (editArg(opts, "--clipboard") && !copies) {
        err = "--clipboard applies to copy (/c) and cut (/t) scripts only";
        return kUsage;
    }
    // A copy that goes nowhere would do nothing at all.
    if (script.action == SearchAction::Copy && !editArg(opts, "--clipboard")) {
        err = "a copy script (/c) needs --clipboard FILE.tvp";
        return kUsage;
    }
    return kOk;
}

int runSearchCommand(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err) {
    SearchScript script;
    if (!readScript(opts, script, err)) return kFailed;
    SearchResult result = runSearch(song, list, script, begin, end);
    if (const std::string* clip = editArg(opts, "--clipboard")) {
        std::vector<const Event*> events;
        for (const Event& e : result.copied) events.push_back(&e);
        if (!writePhraseFile(*clip, events, &err)) return kFailed;
    }
    return kOk;
}

constexpr const char* kSearchOptions[] = {"--script", "--clipboard", nullptr};

int checkSort(const Options& opts, std::string& err) {
    const int orders = editFlag(opts, "--ascending") + editFlag(opts, "--descending") + editFlag(opts, "--shuffle");
    if (orders != 1) {
        err = "sort needs one of --ascending, --descending and --shuffle";
        return kUsage;
    }
    if (editArg(opts, "--seed") && !editFlag(opts, "--shuffle")) {
        err = "--seed applies to --shuffle only";
        return kUsage;
    }
    int64_t seed = 0;
    return editNumber(opts, "--seed", 0, UINT32_MAX, seed, err) ? kOk : kFailed;
}

int runSort(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err) {
    int64_t seed = std::random_device{}();
    if (!editNumber(opts, "--seed", 0, UINT32_MAX, seed, err)) return kFailed;
    SearchRandom random{uint32_t(seed)};
    const SortOrder order = editFlag(opts, "--ascending")    ? SortOrder::Ascending
                            : editFlag(opts, "--descending") ? SortOrder::Descending
                                                             : SortOrder::Shuffle;
    sortNotes(song, list, begin, end, order, random);
    return kOk;
}

constexpr const char* kSortOptions[] = {"--ascending!", "--descending!", "--shuffle!", "--seed", nullptr};

}  // namespace

extern const ListEditCommand kSearchCommand{"search", kSearchOptions, checkSearch, runSearchCommand};
extern const ListEditCommand kSortCommand{"sort", kSortOptions, checkSort, runSort};

}  // namespace tarvio::cli
