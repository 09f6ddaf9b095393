#include "ops/take_recording.h"

#include "ops/created_serials.h"

#include <algorithm>

#include "model/song.h"
#include "model/track.h"

namespace tarvio {

// ---- elementary steps ----

void ListEditCommand::doIt() {
    log_.clear();
    createdUsed_ = 0;
    apply(container_.events);
}

void ListEditCommand::undo() {
    EventList& list = container_.events;
    for (auto s = log_.rbegin(); s != log_.rend(); ++s) {
        switch (s->kind) {
            case Step::Inserted:
                if (auto it = list.find(s->serial); it != list.end()) list.erase(it);
                break;
            case Step::Removed:
                list.insert(s->next ? list.find(s->next) : list.end(), s->removed);
                break;
            case Step::StepSet:
                if (auto it = list.find(s->serial); it != list.end()) it->step = s->oldStep;
                break;
        }
    }
    log_.clear();
}

EventList::iterator ListEditCommand::insertNew(EventList& list, EventList::iterator pos, const Event& e) {
    auto it = insertCreated(list, pos, e, created_, createdUsed_);
    log_.push_back(Step{Step::Inserted, it->serial()});
    return it;
}

void ListEditCommand::setStep(EventList::iterator it, int32_t step) {
    if (it->step == step) return;
    log_.push_back(Step{Step::StepSet, it->serial(), it->step});
    it->step = step;
}

EventList::iterator ListEditCommand::remove(EventList& list, EventList::iterator it) {
    auto next = std::next(it);
    Step s{Step::Removed, it->serial()};
    s.removed = *it;
    s.next = next == list.end() ? 0 : next->serial();
    log_.push_back(std::move(s));
    return list.erase(it);
}

EventList::iterator ListEditCommand::makeBoundary(EventList& list, int64_t tick) {
    EventList::Position p = list.locate(tick);
    Event rest(0);
    rest.setRest();
    if (p.it == list.end()) {
        if (p.offset > 0) {
            rest.step = int32_t(p.offset);
            insertNew(list, list.end(), rest);
        }
        return list.end();
    }
    if (p.offset == 0) return p.it;
    rest.step = int32_t(p.it->step - p.offset);
    setStep(p.it, int32_t(p.offset));
    return insertNew(list, std::next(p.it), rest);
}

// ---- commands ----

void BoundaryCommand::apply(EventList& list) { makeBoundary(list, tick_); }

// Ticks are the original ones: removing an event moves the rest earlier, so the walk adds the
// removed steps as it goes rather than asking the list.
void RemoveRangeCommand::apply(EventList& list) {
    int64_t tick = 0;
    for (auto it = list.begin(); it != list.end() && tick < end_;) {
        const int32_t step = it->step;
        if (tick >= begin_)
            it = remove(list, it);
        else
            ++it;
        tick += step;
    }
}

MixCommand::MixCommand(Track& t, const EventList& events, int64_t start) : ListEditCommand(t) {
    int64_t tick = start;
    for (const Event& e : events) {
        Event c(0);
        c.setContent(e);
        events_.push_back(std::move(c));
        ticks_.push_back(tick);
        tick += e.step;
    }
}

// One walk through the list: the copies come in ascending ticks.
void MixCommand::apply(EventList& list) {
    auto it = list.begin();
    int64_t start = 0;  // tick at which *it starts (the list length at the end)
    auto last = list.end();
    int64_t lastTick = -1;
    for (size_t i = 0; i < events_.size(); ++i) {
        const int64_t t = ticks_[i];
        Event c(0);
        c.setContent(events_[i]);
        if (t == lastTick) {
            // After the copy before it: take over its step.
            c.step = last->step;
            setStep(last, 0);
            last = insertNew(list, std::next(last), c);
        } else {
            while (it != list.end() && start < t && start + it->step <= t) {
                start += it->step;
                ++it;
            }
            if (it == list.end()) {
                if (t > start) {
                    if (list.empty()) {
                        Event rest(0);
                        rest.setRest();
                        rest.step = int32_t(t - start);
                        insertNew(list, list.end(), rest);
                    } else {
                        auto back = std::prev(list.end());
                        setStep(back, int32_t(back->step + (t - start)));
                    }
                }
                c.step = 0;
                last = insertNew(list, list.end(), c);
            } else if (start == t) {
                c.step = 0;
                last = insertNew(list, it, c);
            } else {
                c.step = int32_t(start + it->step - t);
                setStep(it, int32_t(t - start));
                last = insertNew(list, std::next(it), c);
            }
            lastTick = t;
        }
        it = last;
        start = t;
    }
}

// ---- taking the recording ----

namespace {

void replaceRange(Track& track, const EventList& recorded, int64_t s, int64_t length) {
    track.openGroup();
    track.push(std::make_unique<BoundaryCommand>(track, s));
    track.push(std::make_unique<BoundaryCommand>(track, s + length));
    track.push(std::make_unique<RemoveRangeCommand>(track, s, s + length));
    track.push(std::make_unique<BoundaryCommand>(track, s));
    EventList::Position p = track.events.locate(s);
    const uint32_t before = p.it == track.events.end() ? 0 : p.it->serial();
    std::vector<Event> copies;
    copies.reserve(recorded.size());
    for (const Event& e : recorded) {
        Event c(0);  // a fresh serial in the track
        c.setContent(e);
        c.step = e.step;
        copies.push_back(std::move(c));
    }
    // The take covers length ticks even where its steps add up to less.
    copies.back().step += int32_t(length - recorded.length());
    track.push(makeInsert(track, std::move(copies), before));
    track.closeGroup();
}

}  // namespace

namespace {

// The ticks the take covers: the sum of its steps, or, when that is 0 (rewind pressed at once),
// the length of its events, so that a take holding something is still taken; -1 for a take
// that holds nothing but rests.
int64_t takeLength(const EventList& recorded) {
    const int64_t steps = recorded.length();
    if (steps > 0) return steps;
    int64_t length = -1;
    int64_t tick = 0;
    for (const Event& e : recorded) {
        if (e.kind() == EventKind::Note) {
            if (!e.isRest()) length = std::max<int64_t>(length, tick + e.gate());
        } else {
            length = std::max<int64_t>(length, tick);
        }
        tick += e.step;
    }
    return length;
}

}  // namespace

int takeRecording(Song& song, const EventList& recorded, int32_t startTick, bool playing) {
    const int64_t length = takeLength(recorded);
    if (length < 0 || startTick < 0) return 0;
    int changed = 0;
    for (auto& t : song.tracks) {
        Track& track = *t;
        if (track.type != TrackType::Normal) continue;
        if (track.record == 1) {
            replaceRange(track, recorded, startTick, length);
        } else if (track.record == 2) {
            track.push(std::make_unique<MixCommand>(track, recorded, startTick));
        } else {
            continue;
        }
        ++changed;
        if (playing) track.resetFlag = 1;
    }
    return changed;
}

}  // namespace tarvio
