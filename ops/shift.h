// Shift and compress/expand: one property (the edit target) of the events starting in a tick
// range, changed by adding a constant or by scaling the part of each value beyond a threshold.
#pragma once

#include <cstdint>

#include "ops/target.h"

namespace tarvio {

class Song;
class Track;

// What the dialogs and the batch commands accept for each target.
FieldRange shiftAmountRange(EditTarget t);
FieldRange compressThresholdRange(EditTarget t);
inline constexpr int kCompressRatioMax = 1000;  // percent; 100 leaves values as they are

// The range a shifted or compressed value is clamped to: the field's, except that gate and
// velocity keep at least 1, since 0 would turn the note into a rest that no later edit of
// these targets reaches again.
FieldRange editedRange(EditTarget t);

// |v| beyond the threshold is scaled by ratio percent (truncated toward zero); the signed result
// is clamped to r, so ratio 100 gives back every value in r, -8192 included.
int64_t compressValue(int64_t v, int64_t threshold, int ratio, FieldRange r);

// Adds amount to the target's value of the matching events that start in [start, end), clamped
// as above; shifting Step moves the later events. A value byte holding a register reference is
// left alone. Amount, threshold and ratio are taken within their ranges. One undo group, cost
// linear in the list; returns the number of events changed (0: nothing done).
int shiftRange(Song& song, Track& track, TargetSpec target, int64_t amount, int64_t start, int64_t end);
int compressRange(Song& song, Track& track, TargetSpec target, int64_t threshold, int ratio, int64_t start,
                  int64_t end);

}  // namespace tarvio
