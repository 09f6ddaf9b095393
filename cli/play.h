// tarvio-cli play: real-time playback of a song on the mapped devices.
#pragma once

#include <cstdint>
#include <string>

#include "cli/options.h"

namespace tarvio {
class Song;
}

namespace tarvio::cli {

// Plays opts.args[0]. On failure returns kFailed or kUsage with one line in err.
int playCommand(const Options& opts, std::string& err);

// "MEAS[:TICK]" with the measure counted from 1, or a plain tick when plainTick is allowed.
bool parseSongPosition(const Song& song, const std::string& text, bool plainTick, int32_t& tick, std::string& err);

}  // namespace tarvio::cli
