// One edit command for the grid editor and the controller lanes: events are removed, moved to
// absolute ticks, given new value bytes and created at absolute ticks, and the list is rebuilt
// in one pass. Every event not named keeps its tick; the list keeps its length unless an event
// lands beyond it. Undo gives back the list exactly (serials, steps, contents).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/undo.h"

namespace tarvio {

struct ListPlan {
    struct Move {
        uint32_t serial;
        int64_t tick;  // new start, clamped to 0..INT32_MAX
    };
    struct Values {
        uint32_t serial;
        std::array<uint8_t, 4> b;  // new value bytes; kind and payload stay
    };
    struct Create {
        Event content;  // kind and values; serial and step are not used
        int64_t tick;
        bool first;  // before the events already on its tick (controllers ahead of the notes
                     // they affect); otherwise after them (a moved or drawn note)
    };
    std::vector<uint32_t> remove;
    std::vector<Move> moves;  // moved events go after the events already on their new tick
    std::vector<Values> values;
    std::vector<Create> creates;
    bool empty() const { return remove.empty() && moves.empty() && values.empty() && creates.empty(); }
};

class RebuildListCommand final : public EditCommand {
public:
    RebuildListCommand(Track& t, ListPlan plan) : EditCommand(t), plan_(std::move(plan)) {}
    void doIt() override;
    void undo() override;
    // Serials of the created events in plan order (after the first do); one more entry follows
    // for the rest put at the list's start when its first event moved away (0 when none was).
    const std::vector<uint32_t>& created() const { return created_; }

private:
    struct Taken {
        Event event{0};  // as it was, serial and step included
        uint32_t next;   // the event that followed it, 0 at the end
    };
    ListPlan plan_;
    std::vector<uint32_t> created_;  // kept across undo so that redo gives the same serials
    std::vector<uint32_t> inserted_;
    std::vector<Taken> taken_;
    std::vector<std::pair<uint32_t, int32_t>> steps_;
    std::vector<std::pair<uint32_t, std::array<uint8_t, 4>>> oldValues_;
};

class Song;

// Pushes the plan on the track as one undo group (EditScope); null when there is nothing to do.
const RebuildListCommand* applyPlan(Song& song, Track& track, ListPlan plan);

}  // namespace tarvio
