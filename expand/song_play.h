// Song-level playback: the song drives its tempo track and tracks, and collects their
// output into the song's output list.
#pragma once

#include <cstdint>

namespace tarvio {

class Song;
class Track;
class CursorSink;

// Clears the output list, resets flagged cursors and advances every cursor to song tick T.
void songAdvance(Song& song, int32_t tick, CursorSink& sink);
// Locates every cursor to T with chase (as playback starts there) and collects the output.
void songLocate(Song& song, int32_t tick, CursorSink& sink);
// All notes off on every track, collected.
void songStop(Song& song);
// Resets every cursor (tempo track and tracks) to T with chase and discards what that queued,
// as playing a song from its start for export does.
void songResetAll(Song& song, int32_t tick, CursorSink& sink);
// Turns a track's queued events into output records and empties the queue.
void collectTrack(Song& song, Track& track);
// Makes room for everything playing the song needs from tick to tick: every cursor's deepest
// frame list, each track's output queue, and the output list's exclusive bytes. Allocates; the
// player calls it when a song is set and when playback starts, not while it plays.
void reservePlayback(Song& song);
// True when every cursor (tempo track and tracks) is finished.
bool songFinished(const Song& song);
// The next song tick after tick at which advancing the track's cursor (advanced to tick last)
// can produce anything or finish the track: its next due event, a sounding note's end, or
// tick + 1 while one of its plug-ins still holds output. Advancing at the ticks in between
// would play nothing.
int64_t trackNextActiveTick(Track& track, int64_t tick, CursorSink& sink);
// The earliest of that over the tempo track and the unfinished tracks; INT64_MAX when every
// cursor is finished.
int64_t songNextActiveTick(Song& song, int64_t tick, CursorSink& sink);

}  // namespace tarvio
