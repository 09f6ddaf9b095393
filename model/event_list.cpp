#include "model/event_list.h"

namespace tarvio {

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

EventList::iterator EventList::insert(iterator pos, Event e) {
    if (e.serial_ == 0 || index_.count(e.serial_)) e.serial_ = nextSerial();
    iterator it = events_.insert(pos, std::move(e));
    index_.emplace(it->serial_, it);
    return it;
}

EventList::iterator EventList::erase(iterator it) {
    index_.erase(it->serial_);
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
    index_.clear();
}

EventList::iterator EventList::find(uint32_t serial) {
    auto f = index_.find(serial);
    return f == index_.end() ? events_.end() : f->second;
}

EventList::const_iterator EventList::find(uint32_t serial) const {
    auto f = index_.find(serial);
    return f == index_.end() ? events_.end() : const_iterator(f->second);
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
        t += it->step;
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
