// Edit commands: every change to a container is one of these, pushed on its undo stack.
// Commands find their events by serial, never by position.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/event.h"

namespace tarvio {

class Track;

class EditCommand {
public:
    explicit EditCommand(Track& container) : container_(container) {}
    virtual ~EditCommand() = default;  // destroy
    virtual void doIt() = 0;
    virtual void undo() = 0;
    Track& container() const { return container_; }

protected:
    Track& container_;
};

}  // namespace tarvio
