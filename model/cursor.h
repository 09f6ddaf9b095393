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
// A frame walked at the deepest level can still start one more frame (which is never walked),
// so no cursor ever holds more frames than this; cursorReserve makes room for all of them.
constexpr size_t kFrameCapacity = size_t(kMaxFrameDepth) + 1;

// The IF stack of a frame. An IF pushes only while the top executes, and only the top is ever
// flipped, so every entry below the top is 1: the stack is fully described by its depth and
// its top, and holds any number of open IFs without storage.
struct ConditionStack {
    uint32_t depth = 0;
    uint8_t top = 0;  // 1 executing, 0 skipping; meaningful while depth > 0

    bool skipping() const { return depth > 0 && top == 0; }
    void push(bool executing) {
        if (depth < UINT32_MAX) ++depth;
        top = executing ? 1 : 0;
    }
    void flip() {
        if (depth > 0) top ^= 1;
    }
    void pop() {
        if (depth == 0) return;
        --depth;
        top = 1;
    }
};

struct CursorFrame {
    Track* container = nullptr;
    EventList::iterator pos;
    int64_t remaining = 0;  // steps and offsets are 32-bit, their sums are not
    int32_t transpose = 0;
    uint32_t root = 0;
    uint32_t mode = 0;
    uint32_t creator = 0;
    ConditionStack cond;
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
    int64_t tick = 0;  // track-local; a negative offset puts it beyond the 32-bit song tick
    // Frame storage, reused across resets; up to kFrameCapacity once reserved.
    std::vector<CursorFrame> frames;
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
    // A due event of a seek walk. A seek passes over whole repeats of a loop whose registers and
    // IF state come round unchanged, so chasing an event a second time must change nothing.
    virtual void chase(Track& track, const PlayedEvent& ev, Track& container) = 0;
    // Plug-in hooks; no plug-ins by default.
    virtual void resetPlugins(Track&) {}
    virtual bool pluginsPending(Track&) { return false; }
    virtual void collectPluginOutput(Track&) {}
};

// Makes room for a frame list of the given depth (at most kFrameCapacity), so that walks that
// stay within it never allocate. Allocates; call it before playing, never from the clock
// thread's per-tick path.
void cursorReserve(Track& track, size_t frames);

// What one locate may walk through: registers can drive a loop whose repeats never come round,
// and phrases calling phrases multiply, which would hold a locate for hours. The allowance is a
// base and a multiple of the song's events (as much as calls and loops of real songs multiply
// them); each track may spend a quarter of it, so that one runaway track leaves the others
// theirs. A track that runs out plays nothing more.
struct SeekBudget {
    static constexpr int64_t kBase = int64_t(1) << 20;
    static constexpr int64_t kPerEvent = 64;
    bool sized = false;  // sized from the song at the first reset that walks
    int64_t left = 0;
    int64_t trackShare = 0;
};

// What one advance of a track may walk through. Phrases that call each other several times on one
// tick multiply beyond any time (two calls each, 256 deep); no real song comes near this in a
// tick. A track that runs out plays nothing more.
constexpr int64_t kAdvanceEvents = int64_t(1) << 14;

// Cursor operations of one track (they use the song the track belongs to). A reset without a
// budget has one of its own.
void cursorReset(Track& track, int32_t songTick, bool chase, CursorSink& sink, SeekBudget* budget = nullptr);
void cursorAdvance(Track& track, int32_t songTick, CursorSink& sink);
// Note-off for every sounding note, then control 64 = 0.
void cursorAllNotesOff(Track& track);
// Appends a frame for a PhraseCall or Clone event met in a frame over container.
void cursorStartFrame(Track& track, const Event& creator, Track& container);
// Ticks until the next event: -1 when exhausted, 0x0FFFFFFF when there are no frames.
int32_t cursorTicksToNext(const Track& track);
bool cursorFinished(const Track& track);

// Where a clone's stretch starts in its list, by its mode; at is the clone event's own tick
// there (steps below 0 counted as 0). The cursor and the clone expansion share this rule.
int64_t cloneSourceTick(const Track& container, const CloneData& d, int64_t at);

// A register's value as an integer: truncated toward zero, NaN as 0, saturated to 32 bits.
int32_t registerAsInt(float v);

}  // namespace tarvio
