#include "ops/range_edit.h"

#include <algorithm>
#include <optional>

#include "model/track.h"
#include "model/undo.h"
#include "ops/edit_scope.h"
#include "ops/take_recording.h"

namespace tarvio {

Event restOf(int64_t step) {
    Event r(0);
    r.setRest();
    r.step = int32_t(step);
    return r;
}

namespace {

// Removes every event that starts in [begin, end), keeping time or closing the gap; one walk.
class RemoveStartingInCommand final : public ListEditCommand {
public:
    RemoveStartingInCommand(Track& t, int64_t begin, int64_t end, bool keepTime)
        : ListEditCommand(t), begin_(begin), end_(end), keepTime_(keepTime) {}

private:
    void apply(EventList& list) override {
        int64_t tick = 0;  // original tick of *it
        auto prev = list.end();
        for (auto it = list.begin(); it != list.end() && tick < end_;) {
            const int32_t step = it->step;
            if (tick < begin_) {
                prev = it++;
            } else if (!keepTime_) {
                it = remove(list, it);
            } else if (prev != list.end()) {
                setStep(prev, prev->step + step);
                it = remove(list, it);
            } else if (step > 0) {
                // A first event with a step stands for time before the rest of the list.
                Event r = restOf(step);
                it = remove(list, it);
                prev = insertNew(list, it, r);
            } else {
                it = remove(list, it);
            }
            tick += step;
        }
    }
    int64_t begin_, end_;
    bool keepTime_;
};

bool anyStartsIn(const EventList& list, int64_t begin, int64_t end) {
    int64_t tick = 0;
    for (const Event& e : list) {
        if (tick >= end) break;
        if (tick >= begin) return true;
        tick += e.step;
    }
    return false;
}

// Inserts copies of the clip before the event at tick (splitting the step that spans it).
class InsertClipCommand final : public ListEditCommand {
public:
    InsertClipCommand(Track& t, const EventList& clip, int64_t tick) : ListEditCommand(t), clip_(clip), tick_(tick) {}

private:
    void apply(EventList& list) override {
        auto pos = makeBoundary(list, tick_);
        for (const Event& e : clip_) insertNew(list, pos, e);
    }
    const EventList clip_;
    int64_t tick_;
};

}  // namespace

EventList copyRange(const EventList& list, int64_t begin, int64_t end) {
    EventList out;
    if (begin < 0) begin = 0;
    if (end <= begin) return out;
    int64_t tick = 0, lastStart = begin;
    for (const Event& e : list) {
        if (tick >= end) break;
        if (tick >= begin) {
            if (out.empty() && tick > begin) out.pushBack(restOf(tick - begin));
            Event c(0);
            c.setContent(e);
            c.step = e.step;
            out.pushBack(std::move(c));
            lastStart = tick;
        }
        tick += e.step;
    }
    if (out.empty())
        out.pushBack(restOf(end - begin));
    else
        out.back().step = int32_t(end - lastStart);
    return out;
}

std::vector<EventList> copyRanges(const std::vector<RangeSource>& sources) {
    std::vector<EventList> out;
    for (const RangeSource& s : sources)
        if (s.list && s.end > s.begin) out.push_back(copyRange(*s.list, s.begin, s.end));
    return out;
}

bool deleteRangeKeepTime(Track& track, int64_t begin, int64_t end) {
    if (!anyStartsIn(track.events, begin, end)) return false;
    EditScope scope(track);
    track.push(std::make_unique<RemoveStartingInCommand>(track, begin, end, true));
    return true;
}

bool deleteRangeCloseGap(Track& track, int64_t begin, int64_t end) {
    if (!anyStartsIn(track.events, begin, end)) return false;
    EditScope scope(track);
    track.push(std::make_unique<RemoveStartingInCommand>(track, begin, end, false));
    return true;
}

namespace {
// Erase without its own group, for use inside another one.
void pushErase(Track& track, int64_t begin, int64_t end) {
    // Boundaries past the list's end would only append rests to be removed again.
    end = std::min(end, track.events.length());
    if (begin < 0) begin = 0;
    if (end <= begin) return;
    track.push(std::make_unique<BoundaryCommand>(track, begin));
    track.push(std::make_unique<BoundaryCommand>(track, end));
    track.push(std::make_unique<RemoveRangeCommand>(track, begin, end));
}
}  // namespace

bool eraseSpan(Track& track, int64_t begin, int64_t end) {
    if (begin < 0) begin = 0;
    if (std::min(end, track.events.length()) <= begin) return false;
    EditScope scope(track);
    pushErase(track, begin, end);
    return true;
}

bool pasteAt(Track& track, const EventList& clip, int64_t tick, PasteMode mode) {
    if (clip.empty()) return false;
    if (tick < 0) tick = 0;
    EditScope scope(track);
    if (mode == PasteMode::Mix) {
        track.push(std::make_unique<MixCommand>(track, clip, tick));
    } else {
        track.push(std::make_unique<InsertClipCommand>(track, clip, tick));
        if (mode == PasteMode::Replace) pushErase(track, tick + clip.length(), tick + 2 * clip.length());
    }
    return true;
}

namespace {
// The song the tracks belong to (the first that has one); an edit of several of them is one step
// of its undo.
template <class Range, class TrackOf>
Song* songOf(const Range& r, TrackOf trackOf) {
    for (const auto& x : r)
        if (Track* t = trackOf(x); t && t->owner) return t->owner;
    return nullptr;
}
}  // namespace

int pasteLists(const std::vector<Track*>& tracks, const std::vector<EventList>& lists, int64_t tick, PasteMode mode) {
    std::optional<SongEditScope> step;
    if (Song* song = songOf(tracks, [](Track* t) { return t; })) step.emplace(*song);
    int changed = 0;
    for (size_t i = 0; i < lists.size() && i < tracks.size(); ++i)
        if (tracks[i] && pasteAt(*tracks[i], lists[i], tick, mode)) ++changed;
    return changed;
}

int deleteRangesKeepTime(const std::vector<TrackRange>& ranges) {
    std::optional<SongEditScope> step;
    if (Song* song = songOf(ranges, [](const TrackRange& r) { return r.track; })) step.emplace(*song);
    int changed = 0;
    for (const TrackRange& r : ranges)
        if (r.track && deleteRangeKeepTime(*r.track, r.begin, r.end)) ++changed;
    return changed;
}

}  // namespace tarvio
