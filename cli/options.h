// The command line of tarvio-cli: a command, its arguments and options in any order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvio::cli {

enum class ListSelect { None, Tempo, Track, Phrase };

struct Options {
    bool help = false;
    std::string command;
    std::vector<std::string> args;  // positional arguments after the command
    std::optional<std::string> procedure;
    ListSelect select = ListSelect::None;
    uint32_t selectValue = 0;  // track index or phrase number
    std::optional<int32_t> to;
    std::optional<int32_t> locate;
    std::optional<int32_t> tpqn;  // checked against the import resolutions by the command
    std::optional<std::string> soundfont;
    bool force = false;  // write what was read from a damaged file
    // rows
    bool ghost = false;
    std::optional<int32_t> digit;  // input digit 0..4
    // quantize: the grid and the rate are checked by the command
    std::optional<std::string> range;  // BEGIN-END in ticks
    std::optional<int32_t> length;
    std::optional<int32_t> groove;
    std::optional<int32_t> tuplet;
    std::optional<std::string> pattern;
    std::optional<int32_t> rate;
    // The own options of the list-edit commands (shift, compress, curve, search, sort), in the
    // order given, as (name, value); flags have an empty value. Checked by the command.
    std::vector<std::pair<std::string, std::string>> editArgs;
    // play
    std::vector<std::string> maps;  // PORT=DEVICE or FIRST-LAST=DEVICE, checked by the command
    std::optional<std::string> from;  // MEAS[:TICK]
    std::optional<std::string> loop;  // BEGIN-END
    bool metronome = false;
    std::optional<int32_t> mtcOut;    // output device
    std::optional<double> seconds;
    std::optional<std::string> sends;
    bool idle = false;                // run the engine without playing
    bool cpu = false;                 // report the clock thread's CPU time
};

extern const char kUsageText[];

// Parses argv[1..]. On a usage error returns false with a one-line message in err.
bool parseArgs(int argc, const char* const* argv, Options& opts, std::string& err);

}  // namespace tarvio::cli
