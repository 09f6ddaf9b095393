// The tarvio-cli commands and their line formats.
#pragma once

#include <cstdint>
#include <string>

#include "cli/options.h"
#include "cli/output.h"

namespace tarvio {
class Event;
class Song;
struct OutputList;
struct OutputRecord;
}  // namespace tarvio

namespace tarvio::cli {

enum ExitStatus { kOk = 0, kFailed = 1, kUsage = 2 };

// Runs a parsed command line. On failure returns kFailed or kUsage with one line in err.
int runCommand(const Options& opts, Output& out, std::string& err);

// Opens a song as the document does: reads a song file, or imports a .mid file at --tpqn,
// then fills the command table.
bool openSong(const std::string& path, const Options& opts, Song& song, std::string& err);

// "STEP KIND B0 B1 B2 B3" and the payload, with a newline.
void writeEventLine(Output& out, const Event& e);
// One output record at a tick, with a newline.
void writeRecordLine(Output& out, int32_t tick, const OutputList& list, const OutputRecord& r);

}  // namespace tarvio::cli
