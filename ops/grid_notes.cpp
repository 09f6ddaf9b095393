#include "ops/grid_notes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <unordered_set>

#include "model/song.h"
#include "model/track.h"
#include "ops/edit_scope.h"
#include "ops/rebuild_list.h"
#include "ops/target.h"

namespace tarvio {

namespace {

constexpr TargetSpec kNote{EditTarget::Note, 0};
constexpr int kMaxGate = 65535;

bool isNote(const Event& e) { return targetMatches(e, kNote); }

struct Found {
    const Event* e;
    int64_t tick;
};

// The selected notes in list order (so ascending ticks).
std::vector<Found> selectedNotes(const EventList& list, const NoteSelection& sel) {
    std::vector<Found> out;
    if (sel.empty()) return out;
    const std::unordered_set<uint32_t> chosen(sel.begin(), sel.end());
    int64_t tick = 0;
    for (const Event& e : list) {
        if (isNote(e) && chosen.count(e.serial())) out.push_back({&e, tick});
        tick += e.step;
    }
    return out;
}

// The value bytes of e with one field written through the shared edit target (clamped there).
std::array<uint8_t, 4> with(const Event& e, EditTarget field, int64_t v) {
    Event c(0);
    c.setContent(e);
    setTargetValue(c, {field, 0}, v);
    return c.b;
}

Event noteOf(int key, int velocity, int64_t gate) {
    Event n(0);
    n.setNote(uint8_t(key), uint8_t(std::clamp(velocity, 1, 127)), uint16_t(std::clamp<int64_t>(gate, 1, kMaxGate)));
    return n;
}

// Moves the notes by dt ticks and dk keys, dk limited so that every literal key stays in range.
int shiftNotes(Song& song, Track& track, const std::vector<Found>& notes, int64_t dt, int dk) {
    int lo = 127, hi = 0;
    for (const Found& f : notes)
        if (f.e->b[0] < 128) {
            lo = std::min<int>(lo, f.e->b[0]);
            hi = std::max<int>(hi, f.e->b[0]);
        }
    if (lo <= hi) dk = std::clamp(dk, -lo, 127 - hi);
    else dk = 0;  // register keys only: they move in time alone
    ListPlan plan;
    int changed = 0;
    for (const Found& f : notes) {
        const bool keyMoves = dk != 0 && f.e->b[0] < 128;
        if (dt != 0) plan.moves.push_back({f.e->serial(), f.tick + dt});
        if (keyMoves) plan.values.push_back({f.e->serial(), with(*f.e, EditTarget::Note, f.e->b[0] + dk)});
        if (dt != 0 || keyMoves) ++changed;
    }
    applyPlan(song, track, std::move(plan));
    return changed;
}

}  // namespace

int32_t paneTickAt(const NotePaneGeometry& g, int tpqn, int x) {
    const int64_t t = int64_t(tpqn) * x * 2 / std::max(g.zoom, 1) + g.startTick;
    return int32_t(std::clamp<int64_t>(t, 0, INT32_MAX));
}

int32_t paneTickDelta(const NotePaneGeometry& g, int tpqn, int dx) {
    return int32_t(std::clamp<int64_t>(int64_t(dx) * tpqn * 2 / std::max(g.zoom, 1), INT32_MIN, INT32_MAX));
}

int paneKeyAt(const NotePaneGeometry& g, int y) { return g.topKey - y / std::max(g.keyHeight, 1); }

int paneKeyDelta(const NotePaneGeometry& g, int dy) {
    return int(std::floor(0.5 - double(dy) / std::max(g.keyHeight, 1)));
}

uint32_t noteAt(const EventList& list, int64_t tick, int key) {
    uint32_t found = 0;
    int64_t t = 0;
    for (const Event& e : list) {
        if (t > tick) break;
        if (isNote(e) && e.b[0] == key && tick < t + e.gate()) found = e.serial();
        t += e.step;
    }
    return found;
}

uint32_t createNote(Song& song, Track& track, const GridPattern& grid, int32_t pressTick, int key,
                    int32_t releaseTick, bool snap, int velocity) {
    if (key < 0 || key > 127) return 0;
    const int64_t start = gridCell(song, grid, std::max(pressTick, 0));
    int64_t end = std::max(releaseTick, 0);
    if (snap) {
        end = gridNext(song, grid, int32_t(end));
        if (end <= start) end = gridNext(song, grid, int32_t(start));
    }
    const int64_t length = std::max<int64_t>(end - start, std::max(song.tpqn >> 7, 1));
    ListPlan plan;
    plan.creates.push_back({noteOf(key, velocity, length), start, false});
    return applyPlan(song, track, std::move(plan))->created()[0];
}

int moveNotes(Song& song, Track& track, const GridPattern& grid, const NoteSelection& sel, int32_t tickDelta,
              int keyDelta, bool snap) {
    const std::vector<Found> notes = selectedNotes(track.events, sel);
    if (notes.empty()) return 0;
    const int64_t from = notes.front().tick;
    int64_t to = std::clamp<int64_t>(from + tickDelta, 0, INT32_MAX);
    if (snap) to = gridNearest(song, grid, int32_t(to));
    return shiftNotes(song, track, notes, to - from, keyDelta);
}

int transposeNotes(Song& song, Track& track, const NoteSelection& sel, int semitones) {
    return shiftNotes(song, track, selectedNotes(track.events, sel), 0, semitones);
}

int resizeNotes(Song& song, Track& track, const NoteSelection& sel, int32_t delta) {
    ListPlan plan;
    for (const Found& f : selectedNotes(track.events, sel)) {
        const int64_t gate = std::clamp<int64_t>(int64_t(f.e->gate()) + delta, 1, kMaxGate);
        if (gate != f.e->gate()) plan.values.push_back({f.e->serial(), with(*f.e, EditTarget::Gate, gate)});
    }
    const int changed = int(plan.values.size());
    applyPlan(song, track, std::move(plan));
    return changed;
}

int deleteNotes(Song& song, Track& track, const NoteSelection& sel) {
    ListPlan plan;
    for (const Found& f : selectedNotes(track.events, sel)) plan.remove.push_back(f.e->serial());
    const int changed = int(plan.remove.size());
    applyPlan(song, track, std::move(plan));
    return changed;
}

NoteSelection rubberBand(const EventList& list, int64_t tickA, int64_t tickB, int keyA, int keyB, NoteSelection sel) {
    const int64_t t0 = std::max<int64_t>(std::min(tickA, tickB), 0), t1 = std::max<int64_t>(std::max(tickA, tickB), 0);
    const int k0 = std::clamp(std::min(keyA, keyB), 0, 127), k1 = std::clamp(std::max(keyA, keyB), 0, 127);
    std::unordered_set<uint32_t> have(sel.begin(), sel.end());
    int64_t tick = 0;
    for (const Event& e : list) {
        if (tick > t1) break;
        if (isNote(e) && tick + e.gate() > t0 && e.b[0] >= k0 && e.b[0] <= k1 && have.insert(e.serial()).second)
            sel.push_back(e.serial());
        tick += e.step;
    }
    return sel;
}

int cutNotes(Song& song, Track& track, const GridPattern& grid, uint32_t underMouse, const NoteSelection& sel,
             int32_t tick) {
    const int64_t at = gridNearest(song, grid, std::max(tick, 0));
    const bool wholeSelection = std::find(sel.begin(), sel.end(), underMouse) != sel.end();
    const std::unordered_set<uint32_t> chosen = wholeSelection ? std::unordered_set<uint32_t>(sel.begin(), sel.end())
                                                               : std::unordered_set<uint32_t>{underMouse};
    ListPlan plan;
    int64_t t = 0;
    for (const Event& e : track.events) {
        if (t >= at) break;  // a note starting at or after the point does not span it
        if (isNote(e) && chosen.count(e.serial()) && at < t + e.gate()) {
            Event tail(0);
            tail.setContent(e);
            tail.b = with(e, EditTarget::Gate, t + e.gate() - at);
            plan.values.push_back({e.serial(), with(e, EditTarget::Gate, at - t)});
            plan.creates.push_back({std::move(tail), at, false});
        }
        t += e.step;
    }
    const int changed = int(plan.creates.size());
    applyPlan(song, track, std::move(plan));
    return changed;
}

bool glueNote(Song& song, Track& track, uint32_t serial) {
    const Event* first = nullptr;
    int64_t start = 0, tick = 0;
    for (const Event& e : track.events) {
        if (!first) {
            if (e.serial() == serial) {
                if (!isNote(e)) return false;
                first = &e;
                start = tick;
            }
        } else if (isNote(e) && e.b[0] == first->b[0]) {
            const int64_t gate = std::max(start + first->gate(), tick + e.gate()) - start;
            if (gate > kMaxGate) return false;
            ListPlan plan;
            plan.values.push_back({serial, with(*first, EditTarget::Gate, gate)});
            plan.remove.push_back(e.serial());
            return applyPlan(song, track, std::move(plan)) != nullptr;
        }
        tick += e.step;
    }
    return false;
}

int functionKeyGate(Song& song, Track& track, int32_t length, const std::array<uint8_t, 128>& held,
                    int32_t cursorTick, const NoteSelection& sel) {
    if (length <= 0) return 0;
    ListPlan plan;
    for (int key = 0; key < 128; ++key)
        if (held[size_t(key)] > 0) plan.creates.push_back({noteOf(key, held[size_t(key)], length), std::max(cursorTick, 0), false});
    if (plan.creates.empty())
        for (const Found& f : selectedNotes(track.events, sel))
            if (f.e->gate() != std::min(length, kMaxGate))
                plan.values.push_back({f.e->serial(), with(*f.e, EditTarget::Gate, length)});
    const int changed = int(plan.creates.size() + plan.values.size());
    applyPlan(song, track, std::move(plan));
    return changed;
}

}  // namespace tarvio
