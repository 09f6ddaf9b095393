// A track, the tempo track or a phrase: an event list with output settings, plug-in slots,
// cursor state and its own undo history.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/cursor.h"
#include "model/event_list.h"

struct TarvioPluginInstance;  // plugin/tarvio_plugin.h

namespace tarvio {

class Song;
class EditCommand;

enum class TrackType : uint16_t { Normal = 0, TempoTrack = 1, Phrase = 11, CurveScratch = 12 };

// A plug-in slot owns its instance, which it releases through the instance's own release
// operation, and its parameter block. The block (16 KB) is allocated only once the slot is
// bound or given a block: most slots of most tracks stay free.
struct PluginSlot {
    std::string name;                       // empty when free; kept when the plug-in is missing
    TarvioPluginInstance* instance = nullptr;
    std::unique_ptr<ParameterBlock> block;  // null until bound or set

    PluginSlot() = default;
    PluginSlot(const PluginSlot&) = delete;
    PluginSlot& operator=(const PluginSlot&) = delete;
    ~PluginSlot() { releaseInstance(); }

    // The block, or an empty one (count 0) when none is allocated.
    const ParameterBlock& params() const;
    ParameterBlock& ensureBlock();
    // Releases the instance (if any); name and block stay.
    void releaseInstance();
    // Releases the instance and frees the slot.
    void clear();
    // Copies block into the slot and hands it to the instance.
    void setBlock(const ParameterBlock& block);
};

class Track {
public:
    explicit Track(Song* owner = nullptr, TrackType type = TrackType::Normal, uint32_t number = 0);
    ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    Song* owner = nullptr;
    uint32_t number = 0;
    TrackType type = TrackType::Normal;
    std::string name;
    std::string bankSet = "GM";
    uint8_t port = 0;
    uint8_t channel = 0;
    EventList events;
    uint8_t mute = 0;
    // Written by the user interface (solo, mute) and by the clock thread (start, stop, takes),
    // read by the clock thread on every tick.
    std::atomic<uint8_t> effectiveMute{0};
    uint8_t solo = 0;
    uint8_t record = 0;
    int32_t offset = 0;
    int32_t transpose = 0;
    int32_t phraseLength = 0x0FFFFFFF;
    PluginSlot slots[4];
    CursorState cursor;
    uint8_t resetFlag = 0;

    bool isPhrase() const { return type == TrackType::Phrase; }
    bool isTempoTrack() const { return type == TrackType::TempoTrack; }

    // Slot access.
    TarvioPluginInstance* slotInstance(int s) const { return (s >= 0 && s < 4) ? slots[s].instance : nullptr; }
    const ParameterBlock& slotBlock(int s) const { return slots[s & 3].params(); }
    const std::string& slotName(int s) const { return slots[s & 3].name; }
    void setSlotBlock(int s, const ParameterBlock& block);

    // Undo. Pushing runs the command's do and records the container in the song's history.
    void push(std::unique_ptr<EditCommand> cmd);
    void openGroup();
    void closeGroup();
    // Returns false when there was nothing to undo (redo).
    bool undo();
    bool redo();
    bool canUndo() const { return !undoStack_.empty(); }
    bool canRedo() const { return !redoStack_.empty(); }
    int groupDepth() const { return groupDepth_; }
    void clearUndo();

    // The (container type, number) pair under which the song's histories record this container.
    uint32_t historyNumber() const { return isTempoTrack() ? 1 : number; }

private:
    // nullptr entries are group markers.
    std::vector<std::unique_ptr<EditCommand>> undoStack_;
    std::vector<std::unique_ptr<EditCommand>> redoStack_;
    int groupDepth_ = 0;
};

// The formatted default name of a normal track.
std::string defaultTrackName(uint32_t number);

}  // namespace tarvio
