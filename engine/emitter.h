// The event emitter (live execution of due events), the chase recorder, and message building.
#pragma once

#include <cstdint>

#include "model/cursor.h"

namespace tarvio {

class Song;
struct OutputList;

class Emitter : public CursorSink {
public:
    void offer(Track& track, const PlayedEvent& ev, Track& container) override;
    void chase(Track& track, const PlayedEvent& ev, Track& container) override;

    // Live execution of one event; merge selects the plug-in merging rules for notes.
    void emitEvent(Track& track, const PlayedEvent& ev, Track& container, bool merge);
};

// Appends the output records of one event on port and channel.
void buildMessages(const Song& song, const PlayedEvent& ev, uint8_t port, uint8_t channel, OutputList& out);

}  // namespace tarvio
