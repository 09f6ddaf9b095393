// Edits that change how a stretch of a list is written without changing what it plays: a clone
// replaced by the events it stands for, and a selection made into a phrase (and, when asked,
// replaced by a call of it). Each list change is one undo group on the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvio {

class Song;
class Track;

enum class CloneExpansion {
    Expanded,
    NotAClone,      // no clone with that serial in the list
    OwnPosition,    // the stretch would start at the clone itself: nothing to expand
    NotEquivalent,  // written out, the stretch would play differently (see expandClone)
    TooLarge,       // more than kMaxExpandedEvents events
};

// A clone repeating a one-tick stretch for a long step would otherwise write millions of events.
inline constexpr size_t kMaxExpandedEvents = 1u << 18;

// Replaces the clone with that serial by the events it plays, at the ticks it plays them, so
// that the list sounds as before and the events after it keep their ticks. The stretch starts
// at the tick the clone's mode gives; one that starts before the clone runs up to the clone and
// then repeats, as playback repeats it, until the clone's step has passed; the last event's step
// is cut there. Notes are transposed by the clone's transpose; a Relative or MeasureRelative
// clone inside the stretch becomes Absolute with the same source. Refused (NotEquivalent) when
// the stretch holds IF, ELSE or ENDIF (a clone's conditions are its own, a list's are shared) or
// a register-valued note that the clone transposes.
CloneExpansion expandClone(Song& song, Track& track, uint32_t serial);

// Makes a new phrase (the lowest free number, at the end of the song's phrases, named with the
// whole name given) holding copies of the rows from anchor to cursor (serials, either order;
// both must be in the list), each with its step. With replace, the rows are also replaced by a
// call of the phrase whose step is their length, so the list sounds as before; rows at the very
// end of that length (a tick group cut by the selection) stay in the list, since a call cannot
// play them. Returns the new phrase's number, 0 when nothing was made: a serial not in the
// list, or with replace a selection holding a clone or IF, ELSE or ENDIF, which would mean
// something else inside the phrase. Undo of the list's group takes the call back; the phrase
// stays in the song.
uint32_t rowsToPhrase(Song& song, Track& track, uint32_t anchor, uint32_t cursor, const std::string& name,
                      bool replace);
// The same for the events that start in [begin, end), with the range cut to the list's length:
// the phrase begins with a rest up to the first of them and its last step ends at end. Nothing
// is made when no event starts in the range.
uint32_t rangeToPhrase(Song& song, Track& track, int64_t begin, int64_t end, const std::string& name, bool replace);

}  // namespace tarvio
