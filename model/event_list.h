// An ordered list of events in step time, with stable references and lookup by serial.
#pragma once

#include <cstdint>
#include <list>

#include "model/event.h"
#include "model/pool.h"

namespace tarvio {

class EventList {
public:
    using Storage = std::list<Event, pool::Allocator<Event>>;
    using iterator = Storage::iterator;
    using const_iterator = Storage::const_iterator;

    EventList() = default;
    ~EventList();
    EventList(const EventList& o);
    EventList& operator=(const EventList& o);
    EventList(EventList&& o) noexcept;
    EventList& operator=(EventList&& o) noexcept;

    iterator begin() { return events_.begin(); }
    iterator end() { return events_.end(); }
    const_iterator begin() const { return events_.begin(); }
    const_iterator end() const { return events_.end(); }
    size_t size() const { return events_.size(); }
    bool empty() const { return events_.empty(); }
    Event& front() { return events_.front(); }
    Event& back() { return events_.back(); }

    // Inserts before pos. An event whose serial is 0 or already in this list takes a fresh serial.
    iterator insert(iterator pos, Event e);
    iterator pushBack(Event e) { return insert(events_.end(), std::move(e)); }
    // Removes the event; the following events move earlier by its step.
    iterator erase(iterator it);
    // Removes the event keeping every other event's time: its step goes to the event before it.
    // The first event of the list with a positive step becomes a rest instead. Returns the
    // position after the removed (or rested) event.
    iterator eraseKeepTime(iterator it);
    void clear();
    // Moves the event at it to just before pos. Nothing is copied: serial, index entry and every
    // iterator stay valid, and no step changes.
    void splice(iterator pos, iterator it) { events_.splice(pos, events_, it); }

    iterator find(uint32_t serial);
    const_iterator find(uint32_t serial) const;
    bool contains(uint32_t serial) const { return slotOf(serial) != nullptr; }
    // Starts loading the index entry of a serial: bulk edits that know the serials they will
    // insert or erase next overlap the memory latency of the index.
    void prefetch(uint32_t serial) const;

    // Absolute tick of an event: the steps of all events before it, a negative step counted as
    // 0 as playback counts it; -1 when not in the list.
    int64_t tickOf(uint32_t serial) const;
    int64_t tickOf(const_iterator it) const;
    int64_t length() const;  // sum of all steps

    struct Position {
        iterator it;      // event at or spanning the tick, or end()
        int64_t offset;   // tick minus the event's start (or minus the list length at the end)
    };
    Position locate(int64_t tick);
    // Splits or extends the list so that an event starts at tick; returns that event (or end()
    // when tick equals the list length and nothing follows).
    iterator makeBoundary(int64_t tick);

private:
    // Open-addressing index from serial to list node (serial 0 marks a free slot).
    struct Slot {
        uint32_t serial;
        iterator it;
    };
    Slot* slotOf(uint32_t serial) const;
    void indexInsert(uint32_t serial, iterator it);
    void indexErase(uint32_t serial);
    void indexGrow();
    void indexFree();

    Storage events_;
    Slot* slots_ = nullptr;
    uint32_t mask_ = 0;  // capacity - 1, capacity a power of two
    uint32_t used_ = 0;
};

}  // namespace tarvio
