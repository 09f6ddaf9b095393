// Batch commands that change one list of a song: they share the argument rules (SONG OUT LIST
// [--range BEGIN-END]), the reading of SONG and the atomic writing of OUT, and each names the
// options of its own that it accepts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/options.h"

namespace tarvio {
class Song;
class Track;
}  // namespace tarvio

namespace tarvio::cli {

struct ListEditCommand {
    const char* name;
    // The command's own options besides the list, --range, --force and --procedure, as
    // "--name" (taking a value) or "--name!" (a flag); null-terminated.
    const char* const* options;
    // Checks the command's options before the song is read, so that a bad argument costs no
    // read. Returns kOk or kFailed with one line in err. May be null.
    int (*check)(const Options& opts, std::string& err);
    // Changes the list for ticks [begin, end) and returns kOk, or kFailed with one line in err
    // (OUT is then not written).
    int (*run)(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err);
};

// The command of that name, or null.
const ListEditCommand* findListEdit(std::string_view name);
// Whether any list-edit command accepts the option, and whether it takes a value.
bool isListEditOption(std::string_view name, bool& takesValue);
// kUsage with err when an option of another list-edit command is given.
int checkListEditOptions(const ListEditCommand& cmd, const Options& opts, std::string& err);

int runListEdit(const ListEditCommand& cmd, const Options& opts, std::string& err);

// The value of one of the command's own options (from opts.editArgs), if given.
const std::string* editArg(const Options& opts, std::string_view name);
bool editFlag(const Options& opts, std::string_view name);
// Reads an integer option within [lo, hi]; false with err when it is given but bad. v keeps its
// value when the option is absent.
bool editNumber(const Options& opts, std::string_view name, int64_t lo, int64_t hi, int64_t& v, std::string& err);

}  // namespace tarvio::cli
