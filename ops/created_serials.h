// Events an edit creates keep their serials across undo and redo, so that later edits (which
// find events by serial) still find them after a redo.
#pragma once

#include <cstddef>
#include <utility>

#include "model/event_list.h"

namespace tarvio {

// Inserts a copy of e (content and step) before pos. The n-th event created by this do (n =
// used) takes the serial the n-th got on the first do; on the first do the new serial is kept.
template <class Serials>
EventList::iterator insertCreated(EventList& list, EventList::iterator pos, const Event& e, Serials& created,
                                  size_t& used) {
    const bool redoing = used < created.size();
    Event n(redoing ? created[used] : 0);
    n.setContent(e);
    n.step = e.step;
    auto it = list.insert(pos, std::move(n));
    if (redoing)
        created[used] = it->serial();
    else
        created.push_back(it->serial());
    ++used;
    return it;
}

}  // namespace tarvio
