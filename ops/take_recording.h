// Taking a finished recording into the tracks in record mode: "REC." replaces the recorded
// stretch by the take, "MIX" merges the take into what is there. Each track's change is one
// undo step on that track.
#pragma once

#include <cstdint>
#include <vector>

#include "model/event_list.h"
#include "model/undo.h"

namespace tarvio {

class Song;

// Edits made of elementary list steps (insert, remove without keeping time, set a step),
// undone by running the steps backwards, so undo restores the list exactly. Events created on
// the first do keep their serials on every redo, so later commands still find them.
class ListEditCommand : public EditCommand {
public:
    using EditCommand::EditCommand;
    void doIt() final;
    void undo() final;

protected:
    virtual void apply(EventList& list) = 0;
    // Inserts a new event (content and step of e) before pos.
    EventList::iterator insertNew(EventList& list, EventList::iterator pos, const Event& e);
    void setStep(EventList::iterator it, int32_t step);
    EventList::iterator remove(EventList& list, EventList::iterator it);
    // Splits or extends the list so that an event starts at tick (operation "make boundary");
    // returns that event, or end() when none does.
    EventList::iterator makeBoundary(EventList& list, int64_t tick);

private:
    struct Step {
        enum Kind { Inserted, Removed, StepSet } kind;
        uint32_t serial;
        int32_t oldStep = 0;
        Event removed{0};     // Removed: the event with its serial and step
        uint32_t next = 0;    // Removed: the event that followed it, 0 at the end
    };
    std::vector<Step> log_;
    std::vector<uint32_t> created_;  // serials of created events, in creation order
    size_t createdUsed_ = 0;
};

// Makes tick an event boundary.
class BoundaryCommand final : public ListEditCommand {
public:
    BoundaryCommand(Track& t, int64_t tick) : ListEditCommand(t), tick_(tick) {}

private:
    void apply(EventList& list) override;
    int64_t tick_;
};

// Removes every event that starts in [begin, end) without keeping time: later events move
// earlier. The caller makes both ends boundaries first.
class RemoveRangeCommand final : public ListEditCommand {
public:
    RemoveRangeCommand(Track& t, int64_t begin, int64_t end) : ListEditCommand(t), begin_(begin), end_(end) {}

private:
    void apply(EventList& list) override;
    int64_t begin_, end_;
};

// Merges copies of events (given in step time from tick start) into the list at their own
// ticks without moving any existing event: the step that spans a tick is split between the
// event and the copy. A copy goes before the events already starting on its tick and after
// earlier copies of the same tick, so the take keeps its order.
class MixCommand final : public ListEditCommand {
public:
    MixCommand(Track& t, const EventList& events, int64_t start);

private:
    void apply(EventList& list) override;
    std::vector<Event> events_;  // content and absolute tick in step
    std::vector<int64_t> ticks_;
};

// Takes the recorded list (its first event at startTick) into every normal track, in order:
// record mode 1 replaces [startTick, startTick + take length) as one undo group, mode 2 mixes
// it in with one command, mode 0 is left alone. Tracks that changed get their reset flag when
// the player is playing. A take whose steps add up to 0 is as long as its events reach (a
// note's gate); one with nothing but rests changes nothing.
// The caller brackets this with suspendEngine(false) / suspendEngine(true) and redraws.
// Returns the number of tracks changed.
int takeRecording(Song& song, const EventList& recorded, int32_t startTick, bool playing);

}  // namespace tarvio
