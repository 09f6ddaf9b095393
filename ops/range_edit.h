// Tick-range edits shared by the track list and the numerical editor: copy a range into a
// clipboard list, delete or erase a range, paste a clipboard list at a tick. Every changing
// operation is one undo group on the track and sets the track's reset flag.
#pragma once

#include <cstdint>
#include <vector>

#include "model/event_list.h"

namespace tarvio {

// A rest (a note with no velocity and gate) of the given step, with no serial yet.
Event restOf(int64_t step);

class Track;

// The events that start in [begin, end), copied with serial 0: a leading rest fills the
// distance from begin to the first of them, and the last one's step is set so that the copy
// ends exactly at end. A range in which no event starts copies as one rest of its length;
// an empty or inverted range copies nothing.
EventList copyRange(const EventList& list, int64_t begin, int64_t end);

struct RangeSource {
    const EventList* list;
    int64_t begin, end;
};
// One list per source whose range is not empty, in order.
std::vector<EventList> copyRanges(const std::vector<RangeSource>& sources);

// Removes the events that start in [begin, end); later events keep their ticks. Returns
// whether anything changed.
bool deleteRangeKeepTime(Track& track, int64_t begin, int64_t end);
// Removes the events that start in [begin, end); later events move earlier by the steps removed.
bool deleteRangeCloseGap(Track& track, int64_t begin, int64_t end);
// Cuts [begin, end) out of the time line: steps that cross either end are split first, so
// later events move earlier by exactly the part of the range that the list covers.
bool eraseSpan(Track& track, int64_t begin, int64_t end);

enum class PasteMode { Insert, Mix, Replace };
// Insert: the events go in at tick, later events move later by the clip's length.
// Mix: the events are merged at their own ticks; nothing already there moves.
// Replace: insert, then erase the span of the clip's length that follows, so the clip
// takes the place of what was there.
// An empty clip changes nothing (returns false).
bool pasteAt(Track& track, const EventList& clip, int64_t tick, PasteMode mode);
// Pastes list i into tracks[i]; lists without a track are dropped. One undo group per track,
// and, when the tracks belong to a song, one step of the song's undo for all of them.
// Returns the number of tracks changed.
int pasteLists(const std::vector<Track*>& tracks, const std::vector<EventList>& lists, int64_t tick, PasteMode mode);

struct TrackRange {
    Track* track;
    int64_t begin, end;
};
// deleteRangeKeepTime on every track (the track list's Delete over several rows), one step of
// the song's undo as pasteLists. Returns the number of tracks changed.
int deleteRangesKeepTime(const std::vector<TrackRange>& ranges);

}  // namespace tarvio
