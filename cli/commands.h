// The tarvio-cli commands and their line formats.
#pragma once

#include <cstdint>
#include <string>

#include "cli/options.h"
#include "cli/output.h"

namespace tarvio {
class Event;
class Song;
class Track;
struct OutputList;
struct OutputRecord;
}  // namespace tarvio

namespace tarvio::cli {

enum ExitStatus { kOk = 0, kFailed = 1, kUsage = 2 };
// Returned by runCommand for a command that needs what this program lacks. tarvio-cli links
// neither the plug-in loader nor the device stack (and is linked statically), so that the
// commands that read and print songs start as fast as a process can; it hands the others to
// tarvio-cli-plugins (with the plug-in loader) or tarvio-cli-devices (with both).
constexpr int kNeedsPlugins = -1;
constexpr int kNeedsDevices = -2;

// Runs a parsed command line. On failure returns kFailed or kUsage with one line in err.
int runCommand(const Options& opts, Output& out, std::string& err);

// What the helper programs add. Every command that plays or writes a song file needs the
// plug-ins (its slots bind them by name); play, render and devices need the device stack.
struct Extensions {
    void (*loadPlugins)() = nullptr;
    void (*listPlugins)(Output& out) = nullptr;  // the plugins command
    // play, render and devices, handed over after the options have been checked.
    int (*runDevices)(const Options& opts, Output& out, std::string& err) = nullptr;
};
void setExtensions(const Extensions& ext);

// The whole program: parses argv, runs the command and reports a failure as one line on stderr.
// A command that needs what this program lacks replaces the process with the helper program
// beside it that has it.
int cliMain(int argc, char** argv);

// Checks the count of positional arguments after the command.
int checkArgs(const Options& opts, size_t count, const char* what, std::string& err);

// Opens a song as the document does: reads a song file, or imports a Standard MIDI File at
// --tpqn (which one the file's first bytes say, else a .mid name imports), then fills the
// command table. A file that is not of its kind fails. A damaged file (read
// only in part) fails for the commands that write what they read unless --force is given;
// the others print one warning line on stderr and go on with what was read.
bool openSong(const std::string& path, const Options& opts, Song& song, std::string& err);

// Writes by extension: "mid" exports a Standard MIDI File, anything else a song file, each
// through a temporary file and a rename.
bool saveSong(const std::string& path, Song& song, std::string& err);
// The list named by --tempo, --track or --phrase; null with err when the song has none such.
const Track* selectList(const Song& song, const Options& opts, std::string& err);
// BEGIN-END, two tick counts with BEGIN before END.
bool parseRange(const std::string& text, int64_t& begin, int64_t& end, std::string& err);

// "STEP KIND B0 B1 B2 B3" and the payload, with a newline.
void writeEventLine(Output& out, const Event& e);
// One output record at a tick, with a newline.
void writeRecordLine(Output& out, int32_t tick, const OutputList& list, const OutputRecord& r);

}  // namespace tarvio::cli
