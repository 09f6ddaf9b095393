#include "cli/list_edit.h"

#include <charconv>
#include <cstring>

#include "cli/commands.h"
#include "model/song.h"
#include "ops/quantize.h"

namespace tarvio::cli {

// The list-edit commands defined in files of their own.
extern const ListEditCommand kShiftCommand;
extern const ListEditCommand kCompressCommand;
extern const ListEditCommand kCurveCommand;
extern const ListEditCommand kSearchCommand;
extern const ListEditCommand kSortCommand;

namespace {

// The grid from --pattern, or from --length with --groove or --tuplet, with the dialog's
// defaults (480 ticks, groove 0) for what is not given.
bool quantizeGrid(const Options& opts, QuantizePattern& grid, std::string& err) {
    if (opts.pattern) {
        grid = parsePattern(*opts.pattern);
        if (!patternUsable(grid)) {
            err = "bad --pattern '" + *opts.pattern + "' (needs at least one step and a total other than 0)";
            return false;
        }
        return true;
    }
    const int32_t length = opts.length.value_or(480);
    grid = opts.tuplet ? tupletPattern(length, *opts.tuplet) : groovePattern(length, opts.groove.value_or(0));
    return true;
}

// A grid that cannot be used is a failure of the operation, as an unknown list is.
int checkQuantize(const Options& opts, std::string& err) {
    QuantizePattern grid;
    return quantizeGrid(opts, grid, err) ? kOk : kFailed;
}

int runQuantize(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err) {
    QuantizePattern grid;
    if (!quantizeGrid(opts, grid, err)) return kFailed;
    quantizeRange(song, list, grid, opts.rate.value_or(100), begin, end);
    return kOk;
}

// Quantize's options are the common ones of the command line (they came first).
constexpr const char* kNoOptions[] = {nullptr};
constexpr ListEditCommand kQuantizeCommand{"quantize", kNoOptions, checkQuantize, runQuantize};

// Every list-edit command; each defines its entry in its own file.
const ListEditCommand* const kCommands[] = {
    &kQuantizeCommand,
    &kShiftCommand,
    &kCompressCommand,
    &kCurveCommand,
    &kSearchCommand,
    &kSortCommand,
};

// "--name" takes a value, "--name!" is a flag.
bool optionMatches(const char* def, std::string_view name, bool& takesValue) {
    const size_t n = std::strlen(def);
    const bool flag = n > 0 && def[n - 1] == '!';
    if (std::string_view(def, flag ? n - 1 : n) != name) return false;
    takesValue = !flag;
    return true;
}

bool accepts(const ListEditCommand& cmd, std::string_view name) {
    bool takesValue = false;
    for (const char* const* o = cmd.options; *o; ++o)
        if (optionMatches(*o, name, takesValue)) return true;
    return false;
}

}  // namespace

const ListEditCommand* findListEdit(std::string_view name) {
    for (const ListEditCommand* c : kCommands)
        if (name == c->name) return c;
    return nullptr;
}

bool isListEditOption(std::string_view name, bool& takesValue) {
    for (const ListEditCommand* c : kCommands)
        for (const char* const* o = c->options; *o; ++o)
            if (optionMatches(*o, name, takesValue)) return true;
    return false;
}

int checkListEditOptions(const ListEditCommand& cmd, const Options& opts, std::string& err) {
    for (const auto& [name, value] : opts.editArgs) {
        if (!accepts(cmd, name)) {
            err = "option " + name + " does not apply to " + cmd.name;
            return kUsage;
        }
    }
    return kOk;
}

const std::string* editArg(const Options& opts, std::string_view name) {
    const std::string* found = nullptr;
    for (const auto& [n, v] : opts.editArgs)
        if (n == name) found = &v;  // the last one given counts, as for the other options
    return found;
}

bool editFlag(const Options& opts, std::string_view name) { return editArg(opts, name) != nullptr; }

bool editNumber(const Options& opts, std::string_view name, int64_t lo, int64_t hi, int64_t& v, std::string& err) {
    const std::string* text = editArg(opts, name);
    if (!text) return true;
    int64_t parsed = 0;
    auto r = std::from_chars(text->data(), text->data() + text->size(), parsed);
    if (text->empty() || r.ec != std::errc() || r.ptr != text->data() + text->size() || parsed < lo || parsed > hi) {
        err = "bad number '" + *text + "' for " + std::string(name) + " (expected " + std::to_string(lo) + " to " +
              std::to_string(hi) + ")";
        return false;
    }
    v = parsed;
    return true;
}

int runListEdit(const ListEditCommand& cmd, const Options& opts, std::string& err) {
    if (int s = checkArgs(opts, 2, "SONG and OUT files", err)) return s;
    if (opts.select == ListSelect::None) {
        err = std::string(cmd.name) + " needs one of --tempo, --track INDEX or --phrase NUMBER";
        return kUsage;
    }
    int64_t begin = 0, end = INT64_MAX;
    if (opts.range && !parseRange(*opts.range, begin, end, err)) return kUsage;
    if (cmd.check) {
        if (int s = cmd.check(opts, err)) return s;
    }
    Song song;
    if (!openSong(opts.args[0], opts, song, err)) return kFailed;
    // selectList serves the read-only commands too; the song itself is ours to change.
    Track* list = const_cast<Track*>(selectList(song, opts, err));
    if (!list) return kFailed;
    if (int s = cmd.run(song, *list, begin, end, opts, err)) return s;
    return saveSong(opts.args[1], song, err) ? kOk : kFailed;
}

}  // namespace tarvio::cli
