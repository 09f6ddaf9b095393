// The event emitter (live execution of due events), the chase recorder, and message building.
#pragma once

#include <cstdint>

#include "model/cursor.h"

namespace tarvio {

class Song;
struct OutputList;

// Plug-in instances are driven through their operations table (plugin/tarvio_plugin.h);
// binding them to slots is the plug-in host's business.
class Emitter : public CursorSink {
public:
    // Routes notes to the track's switched-on plug-ins (offerNote), everything else to emitEvent.
    void offer(Track& track, const PlayedEvent& ev, Track& container) override;
    void chase(Track& track, const PlayedEvent& ev, Track& container) override;
    void resetPlugins(Track& track) override;
    bool pluginsPending(Track& track) override;
    // Pulls every instance at the cursor tick and plays what the last one returned.
    void collectPluginOutput(Track& track) override;

    // Live execution of one event; merge selects the plug-in merging rules for notes.
    void emitEvent(Track& track, const PlayedEvent& ev, Track& container, bool merge);
};

// Appends the output records of one event on port and channel.
void buildMessages(const Song& song, const PlayedEvent& ev, uint8_t port, uint8_t channel, OutputList& out);

}  // namespace tarvio
