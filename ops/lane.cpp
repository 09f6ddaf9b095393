#include "ops/lane.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <unordered_set>

#include "model/song.h"
#include "model/track.h"
#include "ops/edit_scope.h"
#include "ops/rebuild_list.h"

namespace tarvio {

namespace {

const CommandDef* commandOf(const Song& song, Lane lane) {
    if (lane.kind != LaneKind::Procedure || lane.param < 0 || size_t(lane.param) >= song.commands.size()) return nullptr;
    return &song.commands[size_t(lane.param)];
}

// A 14-bit entry holds its parameter over b2 (high 7 bits) and b3; the others in b3 alone.
bool wide(const CommandDef* def) { return def && def->type == 1; }

// The byte that holds a register reference instead of a value, when the lane's field can.
bool inRegister(const Event& e, Lane lane, const CommandDef* def) {
    switch (lane.kind) {
        case LaneKind::Velocity:
        case LaneKind::ControlChange:
        case LaneKind::PitchBend: return e.b[1] >= 128;
        case LaneKind::Procedure: return e.b[3] >= 128 || (wide(def) && e.b[2] >= 128);
        default: return false;
    }
}

int64_t valueOf(const Event& e, Lane lane, const CommandDef* def) {
    if (wide(def)) return int64_t(e.b[2]) * 128 + e.b[3];
    return targetValue(e, laneTarget(lane));
}

// An event of the lane holding v (not used for the velocity lane).
Event eventOf(Lane lane, const CommandDef* def, int64_t v) {
    Event e(0);
    switch (lane.kind) {
        case LaneKind::ChPressure: e.setChannelPressure(0); break;
        case LaneKind::KeyPressure: e.setPolyPressure(uint8_t(lane.param), 0); break;
        case LaneKind::PitchBend: e.setBend(0); break;
        case LaneKind::ControlChange: e.setControl(uint8_t(lane.param), 0); break;
        case LaneKind::Procedure:
            e.setCommand(uint16_t(lane.param), uint8_t(wide(def) ? v >> 7 : 0), uint8_t(wide(def) ? v & 127 : v));
            return e;
        case LaneKind::Tempo: e.setTempo(120); break;
        case LaneKind::Velocity: break;
    }
    setTargetValue(e, laneTarget(lane), v);
    return e;
}

// The value at the top of the graph and the span down to its bottom, as drawn.
struct Scale {
    int64_t top, span, offset;  // offset: drawn value minus lane value (pitch is drawn 0..16383)
};
Scale scaleOf(const Song& song, Lane lane) {
    switch (lane.kind) {
        case LaneKind::PitchBend: return {16383, 16383, 8192};
        case LaneKind::Tempo: return {240, 210, 0};
        case LaneKind::Procedure: {
            const LaneRange r = laneRange(song, lane);
            return {r.hi, r.hi - r.lo, 0};
        }
        default: return {127, 127, 0};
    }
}

double shapeAt(LaneShape shape, bool leftward, double f) {
    if (shape == LaneShape::Line) return f;
    return leftward ? std::pow(f, 4) : 1 - std::pow(1 - f, 4);
}

}  // namespace

bool laneFromCommand(int id, Lane& out) {
    if (id >= 2000 && id <= 2127) out = {LaneKind::ControlChange, id - 2000};
    else if (id >= 2128 && id <= 2383) out = {LaneKind::Procedure, id - 2128};
    else if (id >= 3000 && id <= 3999) out = {LaneKind::Procedure, id - 3000};
    else if (id >= 2400 && id <= 2527) out = {LaneKind::KeyPressure, id - 2400};
    else if (id == 2384) out = {LaneKind::Velocity, 0};
    else if (id == 2385) out = {LaneKind::PitchBend, 0};
    else if (id == 2386) out = {LaneKind::ChPressure, 0};
    else if (id == 2387) out = {LaneKind::Tempo, 0};
    else return false;
    return true;
}

TargetSpec laneTarget(Lane lane) {
    switch (lane.kind) {
        case LaneKind::Velocity: return {EditTarget::Vel, 0};
        case LaneKind::ChPressure: return {EditTarget::ChPressure, 0};
        case LaneKind::KeyPressure: return {EditTarget::KeyPressure, lane.param};
        case LaneKind::PitchBend: return {EditTarget::Pitch, 0};
        case LaneKind::ControlChange: return {EditTarget::ControlChange, lane.param};
        case LaneKind::Procedure: return {EditTarget::Procedure, lane.param};
        case LaneKind::Tempo: return {EditTarget::Tempo, 0};
    }
    return {};
}

LaneRange laneRange(const Song& song, Lane lane) {
    if (lane.kind == LaneKind::Velocity) return {1, 127};
    if (lane.kind != LaneKind::Procedure) {
        const FieldRange r = targetRange(laneTarget(lane).target);
        return {r.lo, r.hi};
    }
    const CommandDef* def = commandOf(song, lane);
    const int64_t cap = wide(def) ? 16383 : 127;
    if (!def) return {0, cap};
    const int64_t lo = std::clamp<int64_t>(std::min(def->min, def->max), 0, cap);
    return {lo, std::clamp<int64_t>(std::max(def->min, def->max), lo, cap)};
}

int64_t laneValueAt(const Song& song, Lane lane, int y, int h) {
    h = std::max(h, 1);
    const Scale s = scaleOf(song, lane);
    const int64_t d = int64_t(y) - kGraphTop;
    // Truncation would put the middle row of an odd height off the centre.
    const int64_t drawn = lane.kind == LaneKind::PitchBend && d == h / 2 ? 8192 : s.top - d * s.span / h;
    const LaneRange r = laneRange(song, lane);
    return std::clamp(drawn - s.offset, r.lo, r.hi);
}

int laneY(const Song& song, Lane lane, int64_t value, int h) {
    const Scale s = scaleOf(song, lane);
    const LaneRange r = laneRange(song, lane);
    if (s.span <= 0) return kGraphTop;
    return kGraphTop + int((s.top - (std::clamp(value, r.lo, r.hi) + s.offset)) * std::max(h, 1) / s.span);
}

std::vector<LanePoint> laneValues(const Song& song, const Track& track, Lane lane, int64_t begin, int64_t end) {
    std::vector<LanePoint> out;
    const TargetSpec target = laneTarget(lane);
    const CommandDef* def = commandOf(song, lane);
    const Event* carried = nullptr;  // the last event before begin; a register leaves no value in force
    int64_t carriedTick = 0, tick = 0;
    for (const Event& e : track.events) {
        if (tick >= end) break;
        if (targetMatches(e, target)) {
            if (tick < begin) {
                carried = &e;
                carriedTick = tick;
            } else if (!inRegister(e, lane, def)) {
                out.push_back({tick, valueOf(e, lane, def), e.serial()});
            }
        }
        tick += e.step;
    }
    if (carried && !inRegister(*carried, lane, def) && lane.kind != LaneKind::Velocity)
        out.insert(out.begin(), {carriedTick, valueOf(*carried, lane, def), carried->serial()});
    return out;
}

TickRange laneRangeSelect(const Song& song, const GridPattern& grid, int32_t tickA, int32_t tickB) {
    const int32_t a = gridNearest(song, grid, tickA), b = gridNearest(song, grid, tickB);
    return {std::min(a, b), std::max(a, b)};
}

int writeLaneStroke(Song& song, Track& track, Lane lane, const GridPattern& grid, LaneShape shape, int64_t pressTick,
                    int64_t pressValue, int64_t releaseTick, int64_t releaseValue,
                    const std::vector<uint32_t>& selectedNotes) {
    if (lane.kind == LaneKind::Procedure && !commandOf(song, lane)) return 0;
    pressTick = std::clamp<int64_t>(pressTick, 0, INT32_MAX);
    releaseTick = std::clamp<int64_t>(releaseTick, 0, INT32_MAX);
    const bool leftward = releaseTick < pressTick;
    const int64_t t0 = std::min(pressTick, releaseTick);
    const int64_t tEnd = std::max(pressTick, releaseTick);  // a click replaces its own tick only
    const int64_t t1 = std::max(tEnd, t0 + 1);
    const int64_t a = leftward ? releaseValue : pressValue, b = leftward ? pressValue : releaseValue;
    const LaneRange range = laneRange(song, lane);
    auto valueAt = [&](int64_t t) {
        const double g = shapeAt(shape, leftward, double(t - t0) / double(t1 - t0));
        return std::clamp(a + int64_t(std::trunc(double(b - a) * g)), range.lo, range.hi);
    };
    const TargetSpec target = laneTarget(lane);
    const CommandDef* def = commandOf(song, lane);
    ListPlan plan;

    if (lane.kind == LaneKind::Velocity) {
        const std::unordered_set<uint32_t> chosen(selectedNotes.begin(), selectedNotes.end());
        int64_t tick = 0;
        for (const Event& e : track.events) {
            if (tick > tEnd) break;
            if (tick >= t0 && targetMatches(e, target) && e.b[1] < 128 && (chosen.empty() || chosen.count(e.serial()))) {
                Event c(0);
                c.setContent(e);
                setTargetValue(c, target, valueAt(tick));
                if (c.b != e.b) plan.values.push_back({e.serial(), c.b});
            }
            tick += e.step;
        }
        const int changed = int(plan.values.size());
        applyPlan(song, track, std::move(plan));
        return changed;
    }

    int64_t last = 0;
    for (int64_t t = t0; t <= t1;) {
        const int64_t v = valueAt(t);
        if (plan.creates.empty() || v != last) plan.creates.push_back({eventOf(lane, def, v), t, true});
        last = v;
        const int64_t n = gridNext(song, grid, int32_t(t));
        if (n <= t) break;  // the last tick there is
        t = n;
    }
    int64_t tick = 0;
    for (const Event& e : track.events) {
        if (tick > tEnd) break;
        if (tick >= t0 && targetMatches(e, target)) plan.remove.push_back(e.serial());
        tick += e.step;
    }
    const int written = int(plan.creates.size());
    applyPlan(song, track, std::move(plan));
    return written;
}

LanePen::LanePen(Song& song, Track& track, Lane lane, GridPattern grid, std::vector<uint32_t> selectedNotes,
                 int64_t tick, int64_t value)
    : song_(song), track_(track), lane_(lane), grid_(std::move(grid)), selected_(std::move(selectedNotes)),
      tick_(tick), value_(value) {
    track_.openGroup();
    writeLaneStroke(song_, track_, lane_, grid_, LaneShape::Line, tick, value, tick, value, selected_);
}

LanePen::~LanePen() { track_.closeGroup(); }

void LanePen::moveTo(int64_t tick, int64_t value) {
    writeLaneStroke(song_, track_, lane_, grid_, LaneShape::Line, tick_, value_, tick, value, selected_);
    tick_ = tick;
    value_ = value;
}

int deleteLaneEvents(Song& song, Track& track, Lane lane, int64_t begin, int64_t end) {
    const TargetSpec target = laneTarget(lane);
    ListPlan plan;
    int64_t tick = 0;
    for (const Event& e : track.events) {
        if (tick >= end) break;
        if (tick >= begin && targetMatches(e, target)) plan.remove.push_back(e.serial());
        tick += e.step;
    }
    const int removed = int(plan.remove.size());
    applyPlan(song, track, std::move(plan));
    return removed;
}

}  // namespace tarvio
