#include "engine/song_play.h"

#include <algorithm>

#include "engine/emitter.h"
#include "model/song.h"

namespace tarvio {

void collectTrack(Song& song, Track& track) {
    for (const PlayedEvent& pe : track.cursor.queue) buildMessages(song, pe, track.port, track.channel, song.output);
    track.cursor.queue.clear();
}

void songAdvance(Song& song, int32_t tick, CursorSink& sink) {
    song.output.clear();
    bool phraseChanged = false;
    for (auto& p : song.phrases) {
        if (p->resetFlag) {
            phraseChanged = true;
            p->resetFlag = 0;
        }
    }
    if (phraseChanged)
        for (auto& t : song.tracks) t->resetFlag = 1;
    Track& tempo = *song.tempoTrack;
    if (tempo.resetFlag) cursorReset(tempo, tick, true, sink);
    cursorAdvance(tempo, tick, sink);
    collectTrack(song, tempo);
    for (auto& t : song.tracks) {
        if (t->resetFlag) cursorReset(*t, tick, false, sink);
        cursorAdvance(*t, tick, sink);
        collectTrack(song, *t);
    }
}

void songLocate(Song& song, int32_t tick, CursorSink& sink) {
    song.startPosition = tick;
    song.output.clear();
    // Resetting with chase releases what still sounds (note-offs and controller 64 off) before the
    // chased state, so a separate all-notes-off would only be cleared from the queue again.
    cursorReset(*song.tempoTrack, tick, true, sink);
    for (auto& t : song.tracks) cursorReset(*t, tick, true, sink);
    collectTrack(song, *song.tempoTrack);
    for (auto& t : song.tracks) collectTrack(song, *t);
}

void songStop(Song& song) {
    song.output.clear();
    for (auto& t : song.tracks) {
        cursorAllNotesOff(*t);
        collectTrack(song, *t);
    }
}

void songResetAll(Song& song, int32_t tick, CursorSink& sink) {
    cursorReset(*song.tempoTrack, tick, true, sink);
    song.tempoTrack->cursor.queue.clear();
    for (auto& t : song.tracks) {
        cursorReset(*t, tick, true, sink);
        t->cursor.queue.clear();
    }
}

namespace {

// A track's events of one tick: the chase replay (program, 256 commands, 128 controllers, bend,
// pressure, tempo) after a release of all 128 notes is the most a reset queues at once.
constexpr size_t kQueueReserve = 640;
// The exclusive bytes of one tick are reserved up to every exclusive of the song at once, but
// not beyond this; a tick that sends more grows the buffer once, and it stays grown.
constexpr size_t kSysexReserveCap = size_t(1) << 20;

size_t exclusiveBytes(const EventList& list) {
    size_t n = 0;
    for (const Event& e : list)
        if (e.kind() == EventKind::Exclusive && e.bytes()) n += e.bytes()->size();
    return n;
}

}  // namespace

void reservePlayback(Song& song) {
    // Phrases play inside the frames of the tracks that call them.
    auto reserve = [](Track& t) {
        cursorReserve(t);
        t.cursor.queue.reserve(kQueueReserve);
    };
    reserve(*song.tempoTrack);
    for (auto& t : song.tracks) reserve(*t);
    size_t sysex = 0;
    song.forEachContainer([&](Track& t) { sysex += exclusiveBytes(t.events); });
    for (const CommandDef& def : song.commands) sysex += exclusiveBytes(def.body);
    song.output.sysex.reserve(std::min(sysex, kSysexReserveCap));
}

bool songFinished(const Song& song) {
    if (!cursorFinished(*song.tempoTrack)) return false;
    for (auto& t : song.tracks)
        if (!cursorFinished(*t)) return false;
    return true;
}

}  // namespace tarvio
