#include "ops/quantize.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <memory>
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

namespace {

// The grid's origin for a tick: its measure's start (0 in a phrase). Remembers the last measure
// found, since the notes of a range come in order and most share a measure with the one before.
class GridOrigin {
public:
    GridOrigin(const Song& song, const Track& track) : song_(song), phrase_(track.isPhrase()) {}
    int64_t of(int64_t tick) {
        if (phrase_ || tick <= 0) return 0;
        if (tick >= from_ && tick < to_) return from_;
        const int32_t t = int32_t(std::min<int64_t>(tick, INT32_MAX));
        const int32_t measure = tickToPosition(song_, t).measure;
        from_ = measureToTick(song_, measure);
        to_ = measure < INT32_MAX ? measureToTick(song_, measure + 1) : from_;
        return from_;
    }

private:
    const Song& song_;
    bool phrase_;
    int64_t from_ = 0, to_ = 0;  // the measure remembered: [from_, to_)
};

int64_t shiftFrom(const QuantizePattern& p, int rate, int64_t tick, int64_t origin) {
    rate = std::clamp(rate, 0, 100);
    return nearestGridOffset(p, tick - origin) * rate / 100;  // C++ division truncates toward zero
}

}  // namespace

int64_t quantizeShift(const Song& song, const Track& track, const QuantizePattern& p, int rate, int64_t tick) {
    return shiftFrom(p, rate, tick, GridOrigin(song, track).of(tick));
}

// ---- the edit ----

namespace {

bool isSoundingNote(const Event& e) { return e.kind() == EventKind::Note && !e.isRest(); }

void setGate(Event& e, uint16_t gate) {
    e.b[2] = uint8_t(gate & 0xFF);
    e.b[3] = uint8_t(gate >> 8);
}

int32_t placedAt(int64_t tick) { return int32_t(std::clamp<int64_t>(tick, 0, INT32_MAX)); }

struct Placement {
    uint32_t index;   // position in the list when the edit was planned
    uint32_t serial;  // the event expected there
    int32_t tick;     // new absolute tick (the list's steps reach no further)
    uint16_t gate;    // new gate
    bool changed = true;  // false: the plan leaves the event as it is
};

// Moves events to new ticks and sets their gates. Every other event keeps its tick; an event
// moved onto a tick that others start on stays in list order with them. The list keeps its
// length unless an event moves beyond it.
// Moved events are spliced into their new places, so nothing is copied and every serial and
// index entry stays valid. Do and undo each walk the list once and find events by position,
// which the undo stack makes safe: each runs on the list exactly as the other left it.
class PlaceEventsCommand final : public EditCommand {
public:
    // placements in list order, one per event at most
    PlaceEventsCommand(Track& t, std::vector<Placement> placements)
        : EditCommand(t), placements_(std::move(placements)) {}

    void doIt() override {
        moves_.clear();
        steps_.clear();
        gates_.clear();
        EventList& list = container_.events;
        struct Item {
            EventList::iterator it;
            int64_t tick;
            uint32_t index;  // position in the list before the edit
        };
        std::vector<Item> kept, movers;
        kept.reserve(list.size() - std::min(list.size(), placements_.size()));
        movers.reserve(placements_.size());
        int64_t tick = 0;
        uint32_t index = 0;
        auto p = placements_.begin();
        for (auto it = list.begin(); it != list.end(); ++it, ++index) {
            bool moves = false;
            if (p != placements_.end() && p->index == index) {
                if (p->serial == it->serial()) {
                    if (p->gate != it->gate()) {
                        gates_.push_back({index, it->gate()});
                        setGate(*it, p->gate);
                    }
                    const int64_t to = p->tick;
                    if (to != tick) {
                        moves = true;
                        movers.push_back({it, to, index});
                    }
                }
                ++p;
            }
            if (!moves) kept.push_back({it, tick, index});
            tick += it->step;
        }
        const int64_t length = tick;
        if (movers.empty()) return;

        auto earlier = [](const Item& a, const Item& b) { return a.tick < b.tick; };
        // Moves seldom reorder the movers among themselves: skip the sort and its buffer then.
        if (!std::is_sorted(movers.begin(), movers.end(), earlier))
            std::stable_sort(movers.begin(), movers.end(), earlier);
        // Walk the new order from the back, merging the kept events (already in order) with the
        // movers: each mover goes right before its successor, and every step becomes the
        // distance to the next event.
        auto after = [](const Item& a, const Item& b) {
            return a.tick != b.tick ? a.tick > b.tick : a.index > b.index;
        };
        auto k = kept.rbegin();
        auto m = movers.rbegin();
        auto pos = list.end();
        int64_t next = length;
        uint32_t at = uint32_t(kept.size() + movers.size());  // new position of the item
        moves_.reserve(movers.size());
        steps_.reserve(kept.size() + movers.size());
        while (k != kept.rend() || m != movers.rend()) {
            const bool takeMover = k == kept.rend() || (m != movers.rend() && after(*m, *k));
            const Item& o = takeMover ? *m++ : *k++;
            --at;
            if (takeMover) {
                list.splice(pos, o.it);
                moves_.push_back({at, o.index});
            }
            pos = o.it;
            next = std::max(next, o.tick);
            const int32_t step = int32_t(std::clamp<int64_t>(next - o.tick, 0, INT32_MAX));
            next = o.tick;
            if (o.it->step == step) continue;
            steps_.push_back({o.index, o.it->step});
            o.it->step = step;
        }
        std::reverse(moves_.begin(), moves_.end());
    }

    void undo() override {
        EventList& list = container_.events;
        const size_t n = list.size();
        std::vector<EventList::iterator> now;
        now.reserve(n);
        for (auto it = list.begin(); it != list.end(); ++it) now.push_back(it);
        // The moved events go back to their old positions, the others fill the rest in order.
        std::vector<EventList::iterator> old(n, list.end());
        for (auto [k, i] : moves_)
            if (k < n && i < n) old[i] = now[k];
        auto m = moves_.begin();
        size_t j = 0;
        for (size_t k = 0; k < n; ++k) {
            if (m != moves_.end() && m->first == k) {
                ++m;
                continue;
            }
            while (j < n && old[j] != list.end()) ++j;
            if (j < n) old[j] = now[k];
        }
        // From the back, each event right before its old successor (in place: no change).
        auto pos = list.end();
        for (size_t i = n; i-- > 0;) {
            if (old[i] == list.end()) continue;  // only if the list was changed behind the stack's back
            list.splice(pos, old[i]);
            pos = old[i];
        }
        for (auto [i, step] : steps_)
            if (i < n && old[i] != list.end()) old[i]->step = step;
        for (auto [i, gate] : gates_)
            if (i < n && old[i] != list.end()) setGate(*old[i], gate);
        moves_.clear();
        steps_.clear();
        gates_.clear();
    }

private:
    std::vector<Placement> placements_;
    std::vector<std::pair<uint32_t, uint32_t>> moves_;  // moved events: new position, old position
    std::vector<std::pair<uint32_t, int32_t>> steps_;   // old position, old step
    std::vector<std::pair<uint32_t, uint16_t>> gates_;  // old position, old gate
};

}  // namespace

int quantizeRange(Song& song, Track& track, const QuantizePattern& p, int rate, int64_t start, int64_t end) {
    if (!patternUsable(p) || start >= end) return 0;
    // Every sounding note of the range gets a placement; a note's gate is settled when the next
    // note of its key comes (a note without one keeps its gate: nothing to collide with).
    std::vector<Placement> plan;
    plan.reserve(track.events.size());
    struct Last {
        size_t slot = SIZE_MAX;  // the key's last note so far: its placement
        int64_t tick = 0, shift = 0;
    };
    std::array<Last, 256> lastOfKey{};
    GridOrigin origin(song, track);
    int64_t tick = 0;
    uint32_t index = 0;
    for (const Event& e : track.events) {
        if (tick >= start && tick < end && isSoundingNote(e)) {
            const int64_t shift = shiftFrom(p, rate, tick, origin.of(tick));
            Last& last = lastOfKey[e.b[0]];
            if (last.slot != SIZE_MAX) {
                Placement& w = plan[last.slot];
                int64_t gate = w.gate;
                const int64_t d = tick - last.tick;
                const int64_t after = d + shift - last.shift;
                if (gate > d) {
                    // Kept overlapping; only notes that swap places could fall to 0 here, and
                    // such a note keeps sounding for a tick rather than vanish.
                    gate = std::clamp<int64_t>(gate + shift - last.shift, 1, UINT16_MAX);
                } else if (after >= 0 && gate > after) {
                    // Moved onto the same tick the note becomes a rest: its note-off would
                    // otherwise come after the later note's start and end that note.
                    gate = after;
                }
                w.changed = w.changed || gate != w.gate;
                w.gate = uint16_t(gate);
            }
            last = {plan.size(), tick, shift};
            plan.push_back({index, e.serial(), placedAt(tick + shift), e.gate(), shift != 0});
        }
        tick += e.step;
        ++index;
    }
    plan.erase(std::remove_if(plan.begin(), plan.end(), [](const Placement& pl) { return !pl.changed; }), plan.end());
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
    GridOrigin origin(song, track);
    int64_t tick = 0;
    uint32_t index = 0;
    for (const Event& e : track.events) {
        if (isSoundingNote(e) && chosen.count(e.serial()))
            if (const int64_t s = shiftFrom(p, rate, tick, origin.of(tick)); s != 0)
                plan.push_back({index, e.serial(), placedAt(tick + s), e.gate(), true});
        tick += e.step;
        ++index;
    }
    if (plan.empty()) return 0;
    const int changed = int(plan.size());
    EditScope scope(song, track);
    track.push(std::make_unique<PlaceEventsCommand>(track, std::move(plan)));
    return changed;
}

}  // namespace tarvio
