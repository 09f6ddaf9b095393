// Views of an event list that tests compare whole, so that a failure shows every difference.
#pragma once

#include <cstdint>
#include <tuple>
#include <vector>

#include "model/event_list.h"

namespace tarvio::testlists {

// Tick, note and gate of every sounding note.
using Notes = std::vector<std::tuple<int64_t, int, int>>;
inline Notes notes(const EventList& l) {
    Notes r;
    int64_t t = 0;
    for (const Event& e : l) {
        if (!e.isRest()) r.emplace_back(t, e.b[0], e.gate());
        t += e.step;
    }
    return r;
}

// Serial, kind, step and value of every event: what undo must give back exactly.
using Full = std::vector<std::tuple<uint32_t, int, int32_t, uint32_t>>;
inline Full full(const EventList& l) {
    Full r;
    for (const Event& e : l) r.emplace_back(e.serial(), int(e.kind()), e.step, e.value32());
    return r;
}

// Appends an event made by set, with the given step; returns its serial.
template <class F>
uint32_t append(EventList& list, int32_t step, F&& set) {
    Event e;
    set(e);
    e.step = step;
    return list.pushBack(std::move(e))->serial();
}

}  // namespace tarvio::testlists
