// The grid editor's (piano roll's) note edits, free of any window: the view converts mouse
// points with the pane geometry below and hands ticks, keys and selections to these functions.
// Notes are the Note events with a gate and a velocity; rests and other kinds never take part.
// Events are named by serial. Each changing function is one undo group on the track, marks the
// list for re-reading, costs one pass over the list and returns 0 (false) when nothing changed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ops/grid.h"

namespace tarvio {

class EventList;
class Song;
class Track;

using NoteSelection = std::vector<uint32_t>;  // serials, in the order the notes were selected

struct NotePaneGeometry {
    int zoom = 48;          // pixels per half note
    int32_t startTick = 0;  // tick at x = 0
    int topKey = 100;       // key of the row at y = 0
    int keyHeight = 8;      // pixels per key row
};
// (TPQN * x * 2) / zoom + startTick, clamped at 0.
int32_t paneTickAt(const NotePaneGeometry& g, int tpqn, int x);
// The ticks a drag of dx pixels stands for: (dx * TPQN * 2) / zoom.
int32_t paneTickDelta(const NotePaneGeometry& g, int tpqn, int dx);
// topKey - y / keyHeight, not clamped: rows beyond 0..127 are drawn, and a press there creates nothing.
int paneKeyAt(const NotePaneGeometry& g, int y);
// The keys a drag of dy pixels stands for: floor(0.5 - dy / keyHeight), upwards positive.
int paneKeyDelta(const NotePaneGeometry& g, int dy);

// The note under (tick, key): the last in list order whose [start, start + gate) holds tick; 0 when none.
uint32_t noteAt(const EventList& list, int64_t tick, int key);

// Pen: a note pressed at (pressTick, key) and released at releaseTick. It starts at the grid
// cell of the press; it ends at the grid point after the release (snap) or at the release, and
// at least one grid step after the start when snapping; it is at least max(TPQN / 128, 1) and
// at most 65535 ticks long. Velocity is kept within 1..127 so that the note never is a rest.
// Goes after the events already on its tick. Returns its serial; 0 for a key outside 0..127.
uint32_t createNote(Song& song, Track& track, const GridPattern& grid, int32_t pressTick, int key,
                    int32_t releaseTick, bool snap, int velocity = 100);

// Drag of the selected notes: the earliest moves by tickDelta (clamped at 0, then onto the
// nearest grid point when snapping) and every other one by the same ticks and keys. The key
// offset is limited so that every note stays within 0..127 and the chord keeps its shape; keys
// given as register references move in time only. Moved notes go after the events already on
// their new tick, keeping their own order. Returns the number of notes changed.
int moveNotes(Song& song, Track& track, const GridPattern& grid, const NoteSelection& sel, int32_t tickDelta,
              int keyDelta, bool snap);
// Alt+Up / Alt+Down: the selection's keys by semitones, limited as in a move.
int transposeNotes(Song& song, Track& track, const NoteSelection& sel, int semitones);
// Every selected note's gate changes by delta, kept within 1..65535 (0 would make it a rest).
int resizeNotes(Song& song, Track& track, const NoteSelection& sel, int32_t delta);
// Eraser and Del: removes the selected notes; every other event keeps its tick.
int deleteNotes(Song& song, Track& track, const NoteSelection& sel);

// Rubber band: adds to sel, in list order, every note not yet in it that starts at or before
// the band's later tick, ends after its earlier tick and whose key lies between the band's
// keys (both given in either order; ticks clamped at 0, keys to 0..127).
NoteSelection rubberBand(const EventList& list, int64_t tickA, int64_t tickB, int keyA, int keyB, NoteSelection sel);

// Scissors at the grid point nearest to tick: the note under the mouse and, when it is selected,
// every selected note that spans that point becomes two notes of its key and velocity whose
// gates add up to its gate. A note that does not span the point strictly is left whole.
// Returns the number of notes cut.
int cutNotes(Song& song, Track& track, const GridPattern& grid, uint32_t underMouse, const NoteSelection& sel,
             int32_t tick);

// Glue: the note is joined with the next note of its key in list order: its gate reaches to
// the later of the two ends, and that note is removed. Nothing happens without such a note or
// when the joined gate would exceed 65535 (the second note would be lost).
bool glueNote(Song& song, Track& track, uint32_t serial);

// A function key whose step length is `length` (nothing when not positive): with keys held on
// the MIDI input (held[key] = played velocity, 0 not held) a chord of those keys, ascending,
// with that length as gate is entered at cursorTick, every other event keeping its tick;
// otherwise the selected notes get that length as their gate. Gates above 65535 are 65535.
// Returns the number of notes entered or changed.
int functionKeyGate(Song& song, Track& track, int32_t length, const std::array<uint8_t, 128>& held,
                    int32_t cursorTick, const NoteSelection& sel);

}  // namespace tarvio
