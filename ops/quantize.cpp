#include "ops/quantize.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "model/musical_time.h"
#include "model/song.h"
#include "model/track.h"
#include "model/undo.h"
#include "ops/edit_scope.h"

namespace tarvio {

// ---- patterns ----

QuantizePattern groovePattern(int32_t length, int groove) {
    if (length <= 0) return {};
    const int64_t L = length;
    const int g = std::clamp(groove, -99, 99);
    int64_t p0;
    switch (g) {
        case 33: p0 = L + L / 3; break;
        case 66: p0 = L + (2 * L) / 3; break;
        case -33: p0 = L - L / 3; break;
        case -66: p0 = L - (2 * L) / 3; break;
        default: p0 = ((g + 100) * L) / 100; break;
    }
    return {int32_t(p0), int32_t(2 * L - p0)};
}

QuantizePattern tupletPattern(int32_t length, int n) {
    if (length <= 0) return {};
    n = std::clamp(n, 2, 20);
    const int64_t L = length;
    QuantizePattern p;
    for (int i = 0; i < n; ++i) p.push_back(int32_t(((i + 1) * L) / n - (i * L) / n));
    return p;
}

std::string formatPattern(const QuantizePattern& p) {
    std::string s;
    for (int32_t v : p) s += std::to_string(v) + "|";
    return s;
}

QuantizePattern parsePattern(std::string_view text) {
    QuantizePattern p;
    while (!text.empty() && p.size() < kMaxQuantizeSteps) {
        const size_t bar = text.find('|');
        std::string_view piece = text.substr(0, bar);
        text = bar == std::string_view::npos ? std::string_view{} : text.substr(bar + 1);
        while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t')) piece.remove_prefix(1);
        while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.remove_suffix(1);
        if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
        int32_t v = 0;
        auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), v);
        if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size()) continue;
        p.push_back(v);
    }
    return p;
}

bool patternUsable(const QuantizePattern& p) {
    int64_t total = 0;
    for (int32_t v : p) total += v;
    return !p.empty() && total != 0;
}

int64_t nearestGridOffset(const QuantizePattern& p, int64_t d) {
    if (d > kQuantizeReach || d < -kQuantizeReach || !patternUsable(p)) return 0;
    int64_t total = 0;
    bool rising = true;
    for (int32_t v : p) {
        total += v;
        rising = rising && v >= 0;
    }
    // Without a backward step the points never fall, so the walk passes every whole cycle below
    // d without stopping: start at the last cycle start at or below d instead of at 0. A
    // backward step taken below d stops the walk at once, so mixed patterns end early too.
    int64_t g = 0;
    if (rising && d > 0) g = (d / total) * total;
    int64_t prev = g, prevDist = std::llabs(g - d);
    // The bound only guards the loop; the walk always stops well before it.
    const int64_t maxSteps = int64_t(p.size()) * (std::llabs(d) / std::llabs(total) + 4);
    for (int64_t i = 0; i < maxSteps; ++i) {
        g += p[size_t(i % int64_t(p.size()))];
        const int64_t dist = std::llabs(g - d);
        if (dist > prevDist) break;
        prev = g;
        prevDist = dist;
    }
    return prev - d;
}

int64_t quantizeShift(const Song& song, const Track& track, const QuantizePattern& p, int rate, int64_t tick) {
    rate = std::clamp(rate, 0, 100);
    int64_t origin = 0;
    if (!track.isPhrase() && tick > 0) {
        const int32_t t = int32_t(std::min<int64_t>(tick, INT32_MAX));
        origin = measureToTick(song, tickToPosition(song, t).measure);
    }
    return nearestGridOffset(p, tick - origin) * rate / 100;  // C++ division truncates toward zero
}

// ---- the edit ----

namespace {

bool isSoundingNote(const Event& e) { return e.kind() == EventKind::Note && !e.isRest(); }

void setGate(Event& e, uint16_t gate) {
    e.b[2] = uint8_t(gate & 0xFF);
    e.b[3] = uint8_t(gate >> 8);
}

struct Placement {
    uint32_t serial;
    int64_t tick;   // new absolute tick
    uint16_t gate;  // new gate
};

// Moves events to new ticks and sets their gates. Every other event keeps its tick; an event
// moved onto a tick that others start on stays in list order with them. The list keeps its
// length unless an event moves beyond it. Undo puts every moved event back with its serial,
// step and content and restores the other steps, so it gives back the list exactly.
class PlaceEventsCommand final : public EditCommand {
public:
    PlaceEventsCommand(Track& t, std::vector<Placement> placements) : EditCommand(t), placements_(std::move(placements)) {}

    void doIt() override {
        removed_.clear();
        steps_.clear();
        gates_.clear();
        EventList& list = container_.events;
        std::unordered_map<uint32_t, size_t> wanted;
        wanted.reserve(placements_.size() * 2);
        for (size_t i = 0; i < placements_.size(); ++i) wanted.emplace(placements_[i].serial, i);

        struct Item {
            EventList::iterator it;  // kept events only: movers are taken out and put back
            int64_t tick;
            size_t index;  // position in the list before the edit
            size_t slot;   // movers: their entry in removed_
        };
        std::vector<Item> kept, movers;
        std::vector<bool> isMover;
        int64_t tick = 0;
        size_t index = 0;
        for (auto it = list.begin(); it != list.end(); ++it, ++index) {
            bool moves = false;
            if (auto w = wanted.find(it->serial()); w != wanted.end()) {
                const Placement& pl = placements_[w->second];
                if (pl.gate != it->gate()) {
                    gates_.push_back({it->serial(), it->gate()});
                    setGate(*it, pl.gate);
                }
                const int64_t to = std::clamp<int64_t>(pl.tick, 0, INT32_MAX);
                if (to != tick) {
                    moves = true;
                    movers.push_back({list.end(), to, index, movers.size()});
                }
            }
            if (!moves) kept.push_back({it, tick, index, 0});
            isMover.push_back(moves);
            tick += it->step;
        }
        const int64_t length = tick;
        if (movers.empty() && gates_.empty()) return;

        std::stable_sort(movers.begin(), movers.end(), [](const Item& a, const Item& b) { return a.tick < b.tick; });
        auto before = [](const Item& a, const Item& b) { return a.tick != b.tick ? a.tick < b.tick : a.index < b.index; };
        std::vector<Item> order;
        order.reserve(kept.size() + movers.size());
        std::merge(kept.begin(), kept.end(), movers.begin(), movers.end(), std::back_inserter(order), before);

        // Take the movers out in list order, noting what followed each (for undo), ...
        size_t i = 0;
        for (auto it = list.begin(); it != list.end(); ++i) {
            if (!isMover[i]) {
                ++it;
                continue;
            }
            auto next = std::next(it);
            removed_.push_back({*it, next == list.end() ? 0u : next->serial()});
            it = list.erase(it);
        }
        // ... put them back in their new places, from the end ...
        auto pos = list.end();
        for (auto o = order.rbegin(); o != order.rend(); ++o) {
            if (isMover[o->index]) o->it = list.insert(pos, removed_[o->slot].event);
            pos = o->it;
        }
        // ... and make every step the distance to the next event.
        for (size_t k = 0; k < order.size(); ++k) {
            const int64_t to = k + 1 < order.size() ? order[k + 1].tick : std::max(length, order[k].tick);
            const int32_t step = int32_t(std::clamp<int64_t>(to - order[k].tick, 0, INT32_MAX));
            Event& e = *order[k].it;
            if (e.step == step) continue;
            if (!isMover[order[k].index]) steps_.push_back({e.serial(), e.step});
            e.step = step;
        }
    }

    void undo() override {
        EventList& list = container_.events;
        for (const Removed& r : removed_)
            if (auto it = list.find(r.event.serial()); it != list.end()) list.erase(it);
        for (auto r = removed_.rbegin(); r != removed_.rend(); ++r)
            list.insert(r->next ? list.find(r->next) : list.end(), r->event);
        for (auto [serial, step] : steps_)
            if (auto it = list.find(serial); it != list.end()) it->step = step;
        for (auto [serial, gate] : gates_)
            if (auto it = list.find(serial); it != list.end()) setGate(*it, gate);
        removed_.clear();
        steps_.clear();
        gates_.clear();
    }

private:
    struct Removed {
        Event event;
        uint32_t next;
    };
    std::vector<Placement> placements_;
    std::vector<Removed> removed_;
    std::vector<std::pair<uint32_t, int32_t>> steps_;
    std::vector<std::pair<uint32_t, uint16_t>> gates_;
};

}  // namespace

int quantizeRange(Song& song, Track& track, const QuantizePattern& p, int rate, int64_t start, int64_t end) {
    if (!patternUsable(p) || start >= end) return 0;
    struct Work {
        uint32_t serial;
        int64_t tick, shift;
        uint8_t key;
        uint16_t gate;
    };
    std::vector<Work> work;
    int64_t tick = 0;
    for (const Event& e : track.events) {
        if (tick >= start && tick < end && isSoundingNote(e))
            work.push_back({e.serial(), tick, quantizeShift(song, track, p, rate, tick), e.b[0], e.gate()});
        tick += e.step;
    }
    // From the back, so that each note finds the next note of its key in one pass.
    std::array<int64_t, 256> nextOfKey;
    nextOfKey.fill(-1);
    std::vector<Placement> plan;
    for (size_t i = work.size(); i-- > 0;) {
        const Work& w = work[i];
        int64_t gate = w.gate;
        // A note with no later note of its key keeps its gate: nothing to collide with.
        if (const int64_t j = nextOfKey[w.key]; j >= 0) {
            const Work& n = work[size_t(j)];
            const int64_t d = n.tick - w.tick;
            const int64_t after = d + n.shift - w.shift;
            if (gate > d)
                gate += n.shift - w.shift;
            else if (after >= 0 && gate > after)
                gate = after;
            // Gate 0 would turn the note into a rest, losing it: keep the shortest note instead.
            gate = std::clamp<int64_t>(gate, 1, UINT16_MAX);
        }
        nextOfKey[w.key] = int64_t(i);
        if (w.shift != 0 || gate != w.gate) plan.push_back({w.serial, w.tick + w.shift, uint16_t(gate)});
    }
    if (plan.empty()) return 0;
    const int changed = int(plan.size());
    EditScope scope(song, track);
    track.push(std::make_unique<PlaceEventsCommand>(track, std::move(plan)));
    return changed;
}

int quantizeSelection(Song& song, Track& track, const QuantizePattern& p, int rate,
                      const std::vector<uint32_t>& serials) {
    if (!patternUsable(p) || serials.empty()) return 0;
    const std::unordered_set<uint32_t> chosen(serials.begin(), serials.end());
    std::vector<Placement> plan;
    int64_t tick = 0;
    for (const Event& e : track.events) {
        if (isSoundingNote(e) && chosen.count(e.serial()))
            if (const int64_t s = quantizeShift(song, track, p, rate, tick); s != 0)
                plan.push_back({e.serial(), tick + s, e.gate()});
        tick += e.step;
    }
    if (plan.empty()) return 0;
    const int changed = int(plan.size());
    EditScope scope(song, track);
    track.push(std::make_unique<PlaceEventsCommand>(track, std::move(plan)));
    return changed;
}

}  // namespace tarvio
