#include "model/event_list.h"

#include <algorithm>

namespace tarvio {

namespace {
inline uint32_t hashSerial(uint32_t s) { return s * 0x9E3779B1u; }
}  // namespace

EventList::~EventList() { indexFree(); }

EventList::EventList(const EventList& o) {
    for (const Event& e : o.events_) pushBack(e);
}

EventList& EventList::operator=(const EventList& o) {
    if (this != &o) {
        clear();
        for (const Event& e : o.events_) pushBack(e);
    }
    return *this;
}

EventList::EventList(EventList&& o) noexcept
    : events_(std::move(o.events_)), slots_(o.slots_), mask_(o.mask_), used_(o.used_) {
    o.slots_ = nullptr;
    o.mask_ = o.used_ = 0;
    o.events_.clear();
}

EventList& EventList::operator=(EventList&& o) noexcept {
    if (this != &o) {
        indexFree();
        events_ = std::move(o.events_);
        slots_ = o.slots_;
        mask_ = o.mask_;
        used_ = o.used_;
        o.slots_ = nullptr;
        o.mask_ = o.used_ = 0;
        o.events_.clear();
    }
    return *this;
}

void EventList::indexFree() {
    if (slots_) pool::deallocate(slots_, sizeof(Slot) * (size_t(mask_) + 1));
    slots_ = nullptr;
    mask_ = used_ = 0;
}

EventList::Slot* EventList::slotOf(uint32_t serial) const {
    if (!slots_ || serial == 0) return nullptr;
    for (uint32_t i = hashSerial(serial) & mask_;; i = (i + 1) & mask_) {
        if (slots_[i].serial == serial) return &slots_[i];
        if (slots_[i].serial == 0) return nullptr;
    }
}

void EventList::indexGrow() {
    uint32_t oldCap = slots_ ? mask_ + 1 : 0;
    Slot* old = slots_;
    uint32_t cap = oldCap ? oldCap * 2 : 16;
    slots_ = static_cast<Slot*>(pool::allocate(sizeof(Slot) * cap));
    for (uint32_t i = 0; i < cap; ++i) slots_[i].serial = 0;
    mask_ = cap - 1;
    used_ = 0;
    for (uint32_t i = 0; i < oldCap; ++i)
        if (old[i].serial) indexInsert(old[i].serial, old[i].it);
    if (old) pool::deallocate(old, sizeof(Slot) * oldCap);
}

void EventList::indexInsert(uint32_t serial, iterator it) {
    if (!slots_ || (used_ + 1) * 2 > mask_ + 1) indexGrow();
    uint32_t i = hashSerial(serial) & mask_;
    while (slots_[i].serial != 0) i = (i + 1) & mask_;
    slots_[i].serial = serial;
    slots_[i].it = it;
    ++used_;
}

void EventList::indexErase(uint32_t serial) {
    Slot* s = slotOf(serial);
    if (!s) return;
    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    uint32_t i = uint32_t(s - slots_);
    uint32_t j = i;
    for (;;) {
        j = (j + 1) & mask_;
        if (slots_[j].serial == 0) break;
        uint32_t k = hashSerial(slots_[j].serial) & mask_;
        bool movable = (j > i) ? (k <= i || k > j) : (k <= i && k > j);
        if (movable) {
            slots_[i] = slots_[j];
            i = j;
        }
    }
    slots_[i].serial = 0;
    --used_;
}

EventList::iterator EventList::insert(iterator pos, Event e) {
    if (e.serial_ == 0 || contains(e.serial_)) e.serial_ = nextSerial();
    iterator it = events_.insert(pos, std::move(e));
    indexInsert(it->serial_, it);
    return it;
}

EventList::iterator EventList::erase(iterator it) {
    indexErase(it->serial_);
    return events_.erase(it);
}

EventList::iterator EventList::eraseKeepTime(iterator it) {
    if (it == events_.begin()) {
        if (it->step > 0) {
            it->setRest();
            return std::next(it);
        }
        return erase(it);
    }
    std::prev(it)->step += it->step;
    return erase(it);
}

void EventList::clear() {
    events_.clear();
    indexFree();
}

void EventList::prefetch(uint32_t serial) const {
    if (slots_) __builtin_prefetch(&slots_[hashSerial(serial) & mask_], 1);
}

EventList::iterator EventList::find(uint32_t serial) {
    Slot* s = slotOf(serial);
    return s ? s->it : events_.end();
}

EventList::const_iterator EventList::find(uint32_t serial) const {
    Slot* s = slotOf(serial);
    return s ? const_iterator(s->it) : events_.end();
}

int64_t EventList::tickOf(uint32_t serial) const {
    auto it = find(serial);
    if (it == events_.end()) return -1;
    return tickOf(it);
}

int64_t EventList::tickOf(const_iterator target) const {
    int64_t t = 0;
    for (auto it = events_.begin(); it != target; ++it) {
        if (it == events_.end()) return -1;
        t += std::max<int32_t>(it->step, 0);  // as playback counts a (damaged) negative step
    }
    return t;
}

int64_t EventList::length() const {
    int64_t t = 0;
    for (const Event& e : events_) t += e.step;
    return t;
}

EventList::Position EventList::locate(int64_t tick) {
    int64_t start = 0;
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        if (start == tick) return {it, 0};
        int64_t end = start + it->step;
        if (start < tick && end > tick) return {it, tick - start};
        start = end;
    }
    return {events_.end(), tick - start};
}

EventList::iterator EventList::makeBoundary(int64_t tick) {
    Position p = locate(tick);
    if (p.it == events_.end()) {
        if (p.offset > 0) {
            Event rest;
            rest.setRest();
            rest.step = int32_t(p.offset);
            pushBack(std::move(rest));
        }
        return events_.end();
    }
    if (p.offset == 0) return p.it;
    Event rest;
    rest.setRest();
    rest.step = int32_t(p.it->step - p.offset);
    p.it->step = int32_t(p.offset);
    return insert(std::next(p.it), std::move(rest));
}

}  // namespace tarvio
