// Quantize: note starts move towards the points of a grid by a percentage. The grid is a
// cyclic pattern of step lengths restarting at every measure start (at tick 0 in a phrase), so
// straight, swing and tuplet grids are all patterns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

class Song;
class Track;

using QuantizePattern = std::vector<int32_t>;

// Steps a pattern holds; the tuplet list needs 20, typed text may give more.
inline constexpr size_t kMaxQuantizeSteps = 64;
// Positions further than this from the measure start are left where they are.
inline constexpr int64_t kQuantizeReach = 0x0FFFFFFF;

// Groove: two steps adding up to 2 * length, the first (100 + groove)% of length
// (groove -99..99; 33 and 66 are exact thirds). Empty when length is not positive.
QuantizePattern groovePattern(int32_t length, int groove);
// Tuplet: n (2..20) steps adding up to exactly length.
QuantizePattern tupletPattern(int32_t length, int n);
// Text as shown in the dialog, each step followed by "|". Reading splits at "|" and takes each
// piece as a decimal integer; blank or unreadable pieces are dropped, steps beyond the limit too.
std::string formatPattern(const QuantizePattern& p);
QuantizePattern parsePattern(std::string_view text);
// At least one step and a total other than 0: anything else is no grid.
bool patternUsable(const QuantizePattern& p);

// Offset from position d (ticks from the measure start) to the nearest grid point; ties go to
// the later point. 0 beyond kQuantizeReach or for an unusable pattern.
int64_t nearestGridOffset(const QuantizePattern& p, int64_t d);
// The move of a note at tick: rate (0..100) percent of the offset, truncated toward zero.
int64_t quantizeShift(const Song& song, const Track& track, const QuantizePattern& p, int rate, int64_t tick);

// Quantizes the notes starting in [start, end) of the track's list. A note overlapping the
// next note of its key keeps the same overlap; otherwise it is cut to end where that note now
// begins. Other events keep their ticks; notes meeting on a tick keep their order.
// One undo group; returns the number of notes changed (0: nothing done).
int quantizeRange(Song& song, Track& track, const QuantizePattern& p, int rate, int64_t start, int64_t end);
// Quantizes the notes with the given serials, gates unchanged. One undo group.
int quantizeSelection(Song& song, Track& track, const QuantizePattern& p, int rate,
                      const std::vector<uint32_t>& serials);

}  // namespace tarvio
