// MIDI time code output: quarter frames of the play time while playing.
#pragma once

#include <cstdint>

namespace tarvio {

// Frame-rate codes.
enum MtcRate : int { kMtc24 = 0, kMtc25 = 1, kMtc30Drop = 2, kMtc30 = 3 };

// A millisecond as time code: hours, minutes, seconds, frame, and the quarter-frame piece
// (0..3 on even frames, 4..7 on odd ones).
struct TimeRecord {
    int32_t hours = 0, minutes = 0, seconds = 0, frame = 0, piece = 0;
    bool operator==(const TimeRecord&) const = default;
};
TimeRecord timeRecordOf(uint32_t ms, int rate);

void setMtcOutput(bool on);
bool mtcOutputOn();
void setMtcOutPort(int port);  // -1: none
int mtcOutPort();
void setMtcOutRate(int rate);  // 0..3
int mtcOutRate();

// Once per pass while playing, with the current play time.
void mtcOutputPass(uint32_t playMs);
// Settings to their defaults (off, no port, 30 drop) and the writer to waiting for piece 0.
void resetMtcOutputForTests();

}  // namespace tarvio
