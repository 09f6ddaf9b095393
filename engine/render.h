// Offline rendering: plays a song from its start through a FluidSynth synthesizer, faster than
// real time, into a WAV file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/event_list.h"

namespace tarvio {

class Song;
class CursorSink;
struct OutputList;

constexpr int kRenderRate = 44100;   // frames per second
constexpr int kRenderChannels = 2;   // stereo, 16-bit PCM
constexpr int64_t kRenderTailMs = 2000;
constexpr int64_t kRenderProgressMs = 30000;  // song time between two progress reports

// The first frame of a millisecond (truncated).
constexpr int64_t msToFrame(int64_t ms) { return ms * kRenderRate / 1000; }

// Milliseconds of successive song ticks by the tempo map, giving the same results as tickToMs
// but walking the tempo track once instead of from the start for every tick.
class TempoMapClock {
public:
    explicit TempoMapClock(const Song& song);
    // tick must not be smaller than in the previous call.
    int64_t msAt(int64_t tick);

private:
    const Song& song_;
    EventList::const_iterator next_;  // first tempo-track event not yet passed
    int64_t eventTick_ = 0;           // its tick
    int64_t base_ = 0;
    int64_t segStart_ = 0;
    int tempo_;
};

// Plays the song from tick 0 exactly as `tarvio-cli expand` does (reset with chase, its output
// discarded, then tick by tick until the song is finished, passing over the ticks at which
// nothing can happen) and hands each tick's output to f, which may stop the play by returning
// false. Returns the last tick played.
int32_t playFromStart(Song& song, CursorSink& sink, const std::function<bool(int32_t, const OutputList&)>& f);

// The soundfont to use: option when given, else $TARVIO_SOUNDFONT when set, else the first of
// the Debian General MIDI soundfonts that exists. False with err when that file is missing.
bool findSoundfont(const std::string& option, std::string& path, std::string& err);

struct RenderOptions {
    std::string soundfont;                      // a file, as findSoundfont returns it
    std::function<void(int64_t songMs)> progress;  // every kRenderProgressMs of rendered song time
};

// The WAV ends two seconds after the last message: rests after it are not rendered.
struct RenderSummary {
    int32_t lastTick = 0;  // of the last message (0 when there was none)
    int64_t songMs = 0;    // its time by the tempo map
    int64_t frames = 0;    // written: msToFrame(songMs) plus the two-second tail
};

// Renders the song into a WAV file (44.1 kHz, 16-bit, stereo). The file is written beside path
// under a temporary name and renamed at the end, so a failure never leaves a partial path.
bool renderSong(Song& song, const std::string& path, const RenderOptions& options, RenderSummary* summary,
                std::string& err);

}  // namespace tarvio
