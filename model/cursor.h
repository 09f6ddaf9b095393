// The track cursor: walks a track's list with its phrase calls, clones and conditions,
// handing every due event to a sink (the emitter while playing, the chase recorder while seeking).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/event_list.h"

namespace tarvio {

class Track;
class Song;

// A due event as the cursor hands it on: value bytes resolved (registers, transposition, key),
// the payload read through the original event. src is null for events the cursor made itself.
struct PlayedEvent {
    const Event* src = nullptr;
    uint32_t serial = 0;
    EventKind kind = EventKind::None;
    int32_t step = 0;
    std::array<uint8_t, 4> b{};

    static PlayedEvent of(const Event& e) { return PlayedEvent{&e, e.serial(), e.kind(), e.step, e.b}; }
    static PlayedEvent make(EventKind k, uint8_t b0, uint8_t b1, uint8_t b2 = 0, uint8_t b3 = 0) {
        return PlayedEvent{nullptr, 0, k, 0, {b0, b1, b2, b3}};
    }
    uint16_t gate() const { return uint16_t(b[2] | (b[3] << 8)); }
    uint16_t word0() const { return uint16_t(b[0] | (b[1] << 8)); }
    int16_t operand() const { return int16_t(uint16_t(b[2] | (b[3] << 8))); }
};

// Frames deeper than this are never walked, so runaway call nesting plays nothing more.
constexpr int kMaxFrameDepth = 256;

struct CursorFrame {
    Track* container = nullptr;
    EventList::iterator pos;
    int32_t remaining = 0;
    int32_t transpose = 0;
    uint32_t root = 0;
    uint32_t mode = 0;
    uint32_t creator = 0;
    std::vector<uint8_t> cond;  // one entry per open IF: 1 executing, 0 skipping
};

// Per-note timers. Only notes in the active mask are visited, so a tick costs nothing
// for the 128-entry table when few notes sound.
struct NoteTable {
    std::array<uint8_t, 128> sounding{};
    std::array<int32_t, 128> gate{};
    std::array<int32_t, 128> hold{};
    uint64_t active[2] = {0, 0};
    void mark(int n) { active[n >> 6] |= uint64_t(1) << (n & 63); }
    bool any() const { return (active[0] | active[1]) != 0; }
    bool anySounding() const;
    void clear();
};

struct ChaseEntry {
    bool set = false;
    PlayedEvent ev;
    bool hasReg = false;  // value came from a register
    int32_t reg = 0;      // truncated register value
};

struct ChaseTable {
    ChaseEntry program, pressure, bend, tempo;
    std::array<ChaseEntry, 128> control;
    std::array<ChaseEntry, 256> command;
    void clear();
};

// A chase table is filled and replayed within one reset and is dead afterwards, so all tracks
// share one table per thread instead of each carrying 15 KB; `cursor.chase` names it.
struct ChaseScratch {
    operator ChaseTable&() const;
};

struct CursorState {
    int32_t tick = 0;
    std::vector<CursorFrame> frames;  // storage reused across resets
    size_t frameCount = 0;
    std::vector<PlayedEvent> queue;  // events produced for the song's output list
    bool exhausted = false;
    bool finished = false;
    NoteTable notes;
    [[no_unique_address]] ChaseScratch chase;
};

class CursorSink {
public:
    virtual ~CursorSink() = default;
    // A due event of a play walk (notes to plug-ins or to the emitter).
    virtual void offer(Track& track, const PlayedEvent& ev, Track& container) = 0;
    // A due event of a seek walk.
    virtual void chase(Track& track, const PlayedEvent& ev, Track& container) = 0;
    // Plug-in hooks; no plug-ins by default.
    virtual void resetPlugins(Track&) {}
    virtual bool pluginsPending(Track&) { return false; }
    virtual void collectPluginOutput(Track&) {}
};

// Cursor operations of one track (they use the song the track belongs to).
void cursorReset(Track& track, int32_t songTick, bool chase, CursorSink& sink);
void cursorAdvance(Track& track, int32_t songTick, CursorSink& sink);
// Note-off for every sounding note, then control 64 = 0.
void cursorAllNotesOff(Track& track);
// Appends a frame for a PhraseCall or Clone event met in a frame over container.
void cursorStartFrame(Track& track, const Event& creator, Track& container);
// Ticks until the next event: -1 when exhausted, 0x0FFFFFFF when there are no frames.
int32_t cursorTicksToNext(const Track& track);
bool cursorFinished(const Track& track);

// A register's value as an integer: truncated toward zero, NaN as 0, saturated to 32 bits.
int32_t registerAsInt(float v);

}  // namespace tarvio
