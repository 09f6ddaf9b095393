// The metronome: a click on every beat while playing, strong on a measure's first beat, and
// during a count-in also when it is switched off (nothing else cues the take then).
#pragma once

#include <cstdint>

namespace tarvio {

struct MetronomeSettings {
    uint8_t on = 0;
    uint8_t port = 0;
    uint8_t channel = 9;
    uint8_t strongNote = 34;
    uint8_t weakNote = 33;
    uint8_t strongVelocity = 127;
    uint8_t weakVelocity = 100;
    bool operator==(const MetronomeSettings&) const = default;
};

void setMetronome(const MetronomeSettings& settings);
MetronomeSettings metronome();

// The clock thread's call on every pass.
void metronomeTick();
// A click is sounding (its note-off is still to be sent).
bool metronomeSounding();
// No measure clicked yet: the next click is a downbeat. (A count-in runs through negative
// measures, so -1 is a measure like any other.)
constexpr int32_t kNoClickedMeasure = INT32_MIN;
// Locating sets the last clicked measure (kNoClickedMeasure: none) and beat.
void metronomeLocated(int32_t measure, int32_t beat);
// Settings and state to their defaults, nothing sounding.
void resetMetronomeForTests();

}  // namespace tarvio
