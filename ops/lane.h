// The controller graph's lanes, free of any window: which events a lane shows, the value
// under a point of the graph and the point of a value, and the line, curve and pen writes.
// Lane values are as shown: pitch bend signed (-8192..8191), tempo in beats per minute, a
// procedure's parameter without its display base.
#pragma once

#include <cstdint>
#include <vector>

#include "ops/grid.h"
#include "ops/target.h"

namespace tarvio {

class Song;
class Track;

enum class LaneKind : int {
    Velocity = 0,
    ChPressure = 1,
    KeyPressure = 2,  // param: key
    PitchBend = 3,
    ControlChange = 4,  // param: controller number
    Procedure = 5,      // param: command-table index; the lane edits Command events of it
    Tempo = 6,
};

struct Lane {
    LaneKind kind = LaneKind::Velocity;
    int param = 0;
};

// The lane chosen by a menu command id; false for an id that chooses none.
bool laneFromCommand(int id, Lane& out);
// The shared edit target of a lane (which events take part).
TargetSpec laneTarget(Lane lane);

struct LaneRange {
    int64_t lo, hi;
};
// Velocity 1..127 (a velocity of 0 would silence the note), pressures and controllers 0..127,
// pitch -8192..8191, tempo 30..240; a procedure min..max of its table entry, within what its
// parameter holds (0..16383 for a 14-bit entry, else 0..127).
LaneRange laneRange(const Song& song, Lane lane);

// The graph area starts this many pixels below the pane's top; y is measured from the top.
inline constexpr int kGraphTop = 24;
// The value under y for a graph of height h pixels, clamped to the lane's range. Pitch is
// exactly 0 on the middle row (y - kGraphTop = h / 2).
int64_t laneValueAt(const Song& song, Lane lane, int y, int h);
// The row drawing a value (the inverse, truncated).
int laneY(const Song& song, Lane lane, int64_t value, int h);

struct LanePoint {
    int64_t tick;
    int64_t value;
    uint32_t serial;
};
// The lane's events starting in [begin, end) with their values, in list order, one pass.
// Except on the velocity lane, the last event before begin leads the list (tick < begin): the
// value in force at the left edge. Values held in registers have no value to draw and are left out.
std::vector<LanePoint> laneValues(const Song& song, const Track& track, Lane lane, int64_t begin, int64_t end);

// Range select: both ticks go to their nearest grid point and are ordered: [first, second).
struct TickRange {
    int32_t begin, end;
};
TickRange laneRangeSelect(const Song& song, const GridPattern& grid, int32_t tickA, int32_t tickB);

enum class LaneShape { Line, Curve };

// A line or curve dragged from (pressTick, pressValue) to (releaseTick, releaseValue). With
// t0 < t1 the ordered ticks (t1 = t0 + 1 for a drag of no width) and a, b the values at them,
// points are t0 and then the grid's next points up to t1; each takes a + trunc((b - a) * g),
// g = f for a line and, with f = (t - t0) / (t1 - t0), 1 - (1 - f)^4 for a curve drawn left to
// right and f^4 drawn right to left; a point is written when its value differs from the one
// written before it. The lane's events from t0 up to and including the later drag tick are
// replaced by the written ones, which go ahead of the other events of their tick. On the
// velocity lane nothing is written: every note starting in that span (of the selection, when
// one is given) takes the value at its start.
// One undo group; returns the number of events written or notes changed.
int writeLaneStroke(Song& song, Track& track, Lane lane, const GridPattern& grid, LaneShape shape, int64_t pressTick,
                    int64_t pressValue, int64_t releaseTick, int64_t releaseValue,
                    const std::vector<uint32_t>& selectedNotes = {});

// Pen: the press writes its value at its tick, every move writes a line from the previous
// point. The whole stroke is one undo group, the player being held off only while each piece
// is written. The group ends with the object.
class LanePen {
public:
    LanePen(Song& song, Track& track, Lane lane, GridPattern grid, std::vector<uint32_t> selectedNotes, int64_t tick,
            int64_t value);
    ~LanePen();
    LanePen(const LanePen&) = delete;
    LanePen& operator=(const LanePen&) = delete;
    void moveTo(int64_t tick, int64_t value);

private:
    Song& song_;
    Track& track_;
    Lane lane_;
    GridPattern grid_;
    std::vector<uint32_t> selected_;
    int64_t tick_, value_;
};

// Removes the lane's events starting in [begin, end) (on the velocity lane: those notes);
// every other event keeps its tick. One undo group; returns the number removed.
int deleteLaneEvents(Song& song, Track& track, Lane lane, int64_t begin, int64_t end);

}  // namespace tarvio
