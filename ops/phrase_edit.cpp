#include "ops/phrase_edit.h"

#include <algorithm>
#include <vector>

#include "model/cursor.h"
#include "model/song.h"
#include "model/track.h"
#include "model/undo.h"
#include "ops/edit_scope.h"
#include "ops/range_edit.h"
#include "ops/take_recording.h"

namespace tarvio {

namespace {

// Playback counts a step below 0 (a damaged file) as 0; so do the ticks here.
int64_t stepOf(const Event& e) { return std::max<int32_t>(e.step, 0); }

bool isCondition(EventKind k) { return isIf(k) || k == EventKind::Else || k == EventKind::EndIf; }

// Clones refer to their own list and conditions to their frame: moved into another list or
// frame they mean something else.
bool tiedToItsList(EventKind k) { return k == EventKind::Clone || isCondition(k); }

Event copyOf(const Event& e, int64_t step) {
    Event c(0);
    c.setContent(e);
    c.step = int32_t(step);
    return c;
}

// Inserts new events before the first of the removed ones, then removes those without keeping
// time: the new events' steps carry the time the removed ones took.
class ReplaceCommand final : public ListEditCommand {
public:
    ReplaceCommand(Track& t, std::vector<uint32_t> removed, std::vector<Event> inserted)
        : ListEditCommand(t), removed_(std::move(removed)), inserted_(std::move(inserted)) {}

private:
    void apply(EventList& list) override {
        auto pos = list.find(removed_.front());
        if (pos == list.end()) return;
        for (const Event& e : inserted_) insertNew(list, pos, e);
        for (uint32_t s : removed_)
            if (auto it = list.find(s); it != list.end()) remove(list, it);
    }
    std::vector<uint32_t> removed_;  // not empty
    std::vector<Event> inserted_;
};

struct Placed {
    const Event* e;
    int64_t tick;
};

std::vector<Placed> placeAll(const EventList& list) {
    std::vector<Placed> r;
    r.reserve(list.size());
    int64_t tick = 0;
    for (const Event& e : list) {
        r.push_back({&e, tick});
        tick += stepOf(e);
    }
    return r;
}

// The copy of a stretch event as it sounds from the clone: notes transposed, relative clones
// pointed at their own source. False when no copy can sound the same.
bool cloneCopy(const Track& track, const Placed& p, int transpose, Event& out) {
    const Event& e = *p.e;
    if (isCondition(e.kind())) return false;
    out.setContent(e);
    if (e.kind() == EventKind::Note && transpose != 0) {
        if (e.b[0] >= 128) return false;
        out.b[0] = uint8_t(std::clamp(int(e.b[0]) + transpose, 0, 127));
    }
    if (e.kind() == EventKind::Clone && e.clone()) {
        CloneData d = *e.clone();
        // Pointed at its source it plays the same: where it passes the original clone, that one
        // starts the repetition the copy would have made.
        const int64_t src = cloneSourceTick(track, d, p.tick);
        if (CloneMode(d.mode) != CloneMode::Measure && CloneMode(d.mode) != CloneMode::Absolute) {
            if (src > INT32_MAX) return false;
            d.mode = uint8_t(CloneMode::Absolute);
            d.position = int32_t(src);
            out.setClone(d);
        }
    }
    return true;
}

Track& newPhrase(Song& song, const std::string& name) {
    Track& p = song.createPhrase();
    p.name = name;
    // Calls left behind by a deleted phrase of this number play this one now.
    p.resetFlag = 1;
    return p;
}

PhraseCallData callOf(uint32_t number) {
    PhraseCallData d;
    d.number = number;
    return d;
}

}  // namespace

CloneExpansion expandClone(Song& song, Track& track, uint32_t serial) {
    auto cit = track.events.find(serial);
    if (cit == track.events.end() || cit->kind() != EventKind::Clone || !cit->clone()) return CloneExpansion::NotAClone;
    const std::vector<Placed> at = placeAll(track.events);
    size_t ci = 0;
    while (at[ci].e != &*cit) ++ci;
    const CloneData cd = *cit->clone();
    const int64_t c = at[ci].tick;
    const int64_t src = cloneSourceTick(track, cd, c);
    if (src == c) return CloneExpansion::OwnPosition;
    const int64_t len = stepOf(*cit);
    // Playback walks a clone's frame up to its parent's next event, exclusive; a clone of step 0
    // still plays the first tick of its stretch.
    const int64_t limit = std::max<int64_t>(len, 1);
    // The stretch: the events from src on, up to the clone itself, which restarts it every
    // (c - src) ticks, or up to the list's end when it starts after the clone.
    const size_t first = size_t(std::lower_bound(at.begin(), at.end(), src, [](const Placed& p, int64_t t) {
                                    return p.tick < t;
                                }) - at.begin());
    const size_t stop = src < c ? ci : at.size();
    const int64_t period = src < c ? c - src : 0;

    std::vector<Event> copies;
    std::vector<int64_t> offsets;
    bool more = true;
    for (int64_t base = 0; more; base += period) {
        for (size_t i = first; i < stop; ++i) {
            const int64_t off = base + at[i].tick - src;
            if (off >= limit) {  // offsets only grow from here on
                more = false;
                break;
            }
            if (copies.size() == kMaxExpandedEvents) return CloneExpansion::TooLarge;
            Event e(0);
            if (!cloneCopy(track, at[i], cd.transpose, e)) return CloneExpansion::NotEquivalent;
            copies.push_back(std::move(e));
            offsets.push_back(off);
        }
        more = more && period > 0 && first < stop;
    }
    std::vector<Event> run;
    run.reserve(copies.size() + 1);
    const int64_t lead = offsets.empty() ? len : offsets.front();
    if (lead > 0) run.push_back(restOf(lead));
    for (size_t i = 0; i < copies.size(); ++i) {
        copies[i].step = int32_t((i + 1 < offsets.size() ? offsets[i + 1] : len) - offsets[i]);
        run.push_back(std::move(copies[i]));
    }
    EditScope scope(song, track);
    track.push(std::make_unique<ReplaceCommand>(track, std::vector<uint32_t>{serial}, std::move(run)));
    return CloneExpansion::Expanded;
}

uint32_t rowsToPhrase(Song& song, Track& track, uint32_t anchor, uint32_t cursor, const std::string& name,
                      bool replace) {
    EventList& list = track.events;
    if (!list.contains(anchor) || !list.contains(cursor)) return 0;
    // The rows in list order, with their offsets from the first.
    std::vector<const Event*> rows;
    std::vector<int64_t> offsets;
    int64_t span = 0;
    bool in = false;
    for (const Event& e : list) {
        const bool end = e.serial() == anchor || e.serial() == cursor;
        if (!in && !end) continue;
        rows.push_back(&e);
        offsets.push_back(span);
        span += e.step;
        if (in && end) break;
        in = true;
        if (anchor == cursor) break;
    }
    size_t moved = rows.size();
    if (replace) {
        if (span > INT32_MAX) return 0;  // no step can hold it
        // A call ends where its step does: rows starting exactly there would never play from it.
        if (span > 0)
            while (moved > 0 && offsets[moved - 1] >= span) --moved;
        for (size_t i = 0; i < moved; ++i)
            if (tiedToItsList(rows[i]->kind())) return 0;
    }
    EditScope scope(song, track);
    Track& phrase = newPhrase(song, name);
    for (size_t i = 0; i < moved; ++i) phrase.events.pushBack(copyOf(*rows[i], rows[i]->step));
    if (replace) {
        std::vector<uint32_t> serials;
        serials.reserve(moved);
        for (size_t i = 0; i < moved; ++i) serials.push_back(rows[i]->serial());
        Event call(0);
        call.setPhraseCall(callOf(phrase.number));
        call.step = int32_t(span);
        std::vector<Event> inserted;
        inserted.push_back(std::move(call));
        track.push(std::make_unique<ReplaceCommand>(track, std::move(serials), std::move(inserted)));
    }
    return phrase.number;
}

uint32_t rangeToPhrase(Song& song, Track& track, int64_t begin, int64_t end, const std::string& name, bool replace) {
    EventList& list = track.events;
    begin = std::max<int64_t>(begin, 0);
    end = std::min(end, list.length());
    // Whether any event starts in the range, in one walk.
    bool any = false;
    int64_t tick = 0;
    for (const Event& e : list) {
        if (tick >= end) break;
        if (tick >= begin) {
            if (replace && (tiedToItsList(e.kind()) || end - begin > INT32_MAX)) return 0;
            any = true;
        }
        tick += e.step;
    }
    if (!any) return 0;
    EditScope scope(song, track);
    Track& phrase = newPhrase(song, name);
    phrase.events = copyRange(list, begin, end);
    if (replace) {
        // Split the steps that cross either end, so that the call takes exactly the range.
        track.push(std::make_unique<BoundaryCommand>(track, begin));
        track.push(std::make_unique<BoundaryCommand>(track, end));
        Event call(0);
        call.setPhraseCall(callOf(phrase.number));
        call.step = int32_t(end - begin);
        std::vector<Event> inserted;
        inserted.push_back(std::move(call));
        track.push(std::make_unique<RemoveRangeCommand>(track, begin, end));
        const EventList::Position p = list.locate(begin);
        track.push(makeInsert(track, std::move(inserted), p.it == list.end() ? 0 : p.it->serial()));
    }
    return phrase.number;
}

}  // namespace tarvio
