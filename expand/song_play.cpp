#include "expand/song_play.h"

#include <algorithm>
#include <unordered_map>

#include "expand/emitter.h"
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
    SeekBudget budget;
    Track& tempo = *song.tempoTrack;
    if (tempo.resetFlag) cursorReset(tempo, tick, true, sink, &budget);
    cursorAdvance(tempo, tick, sink);
    collectTrack(song, tempo);
    for (auto& t : song.tracks) {
        if (t->resetFlag) cursorReset(*t, tick, false, sink, &budget);
        cursorAdvance(*t, tick, sink);
        collectTrack(song, *t);
    }
}

void songLocate(Song& song, int32_t tick, CursorSink& sink) {
    song.startPosition = tick;
    song.output.clear();
    // Resetting with chase releases what still sounds (note-offs and controller 64 off) before the
    // chased state, so a separate all-notes-off would only be cleared from the queue again.
    SeekBudget budget;
    cursorReset(*song.tempoTrack, tick, true, sink, &budget);
    for (auto& t : song.tracks) cursorReset(*t, tick, true, sink, &budget);
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
    SeekBudget budget;
    cursorReset(*song.tempoTrack, tick, true, sink, &budget);
    song.tempoTrack->cursor.queue.clear();
    for (auto& t : song.tracks) {
        cursorReset(*t, tick, true, sink, &budget);
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

// What playing one list can need at most: frames (one per level of phrase calls below it) and
// queued events per tick (its events and those of the phrases it calls, each at most once due,
// chased and released). A clone plays its own list again one level down and a call cycle
// never ends, so either may need as much as the cursor ever holds. Reserving only this keeps a
// song of many plain tracks small, where the full reserve would cost each track 27 KB.
struct Need {
    size_t frames = 0;
    size_t events = 0;
};

class NeedOf {
public:
    explicit NeedOf(const Song& song) : song_(song) {}

    Need of(const Track& list, int depth = 0) {
        const Need full{kFrameCapacity, kQueueReserve};
        if (depth >= kMaxFrameDepth) return full;
        auto [it, fresh] = memo_.try_emplace(&list, Need{});
        if (!fresh) return it->second.frames == 0 ? full : it->second;  // 0 frames: on the path
        Need n{1, 0};
        for (const Event& e : list.events) {
            n.events = std::min(n.events + 3, kQueueReserve);
            if (e.kind() == EventKind::Clone) n = full;
            if (e.kind() != EventKind::PhraseCall || !e.phraseCall()) continue;
            const Track* callee = song_.findPhrase(e.phraseCall()->number);
            if (!callee) continue;
            Need c = of(*callee, depth + 1);
            n.frames = std::min(std::max(n.frames, c.frames + 1), kFrameCapacity);
            n.events = std::min(n.events + c.events, kQueueReserve);
        }
        n.events = std::min(n.events + 2, kQueueReserve);  // all-notes-off and the pedal release
        for (const PluginSlot& slot : list.slots)
            if (slot.instance) n.events = kQueueReserve;  // a plug-in adds what it likes
        memo_[&list] = n;
        return n;
    }

private:
    const Song& song_;
    std::unordered_map<const Track*, Need> memo_;
};

}  // namespace

void reservePlayback(Song& song) {
    // Phrases play inside the frames of the tracks that call them.
    NeedOf needOf(song);
    auto reserve = [&](Track& t) {
        const Need n = needOf.of(t);
        cursorReserve(t, n.frames);
        t.cursor.queue.reserve(n.events);
    };
    reserve(*song.tempoTrack);
    for (auto& t : song.tracks) reserve(*t);
    size_t sysex = 0;
    song.forEachContainer([&](Track& t) { sysex += exclusiveBytes(t.events); });
    for (const CommandDef& def : song.commands) sysex += exclusiveBytes(def.body);
    song.output.sysex.reserve(std::min(sysex, kSysexReserveCap));
}

// A plug-in produces output only from what it was given, so only one that still holds some
// needs every tick.
int64_t trackNextActiveTick(Track& t, int64_t tick, CursorSink& sink) {
    if (sink.pluginsPending(t)) return tick + 1;
    if (tick < t.offset) return t.offset;
    const CursorState& cs = t.cursor;
    int64_t m = INT64_MAX;
    if (!cs.exhausted) {
        // Frames form a chain; a frame plays only before the next event of every frame above it.
        int64_t limit = INT64_MAX;
        size_t n = std::min(cs.frameCount, size_t(kMaxFrameDepth));
        for (size_t i = 0; i < n; ++i) {
            const CursorFrame& f = cs.frames[i];
            int64_t r = f.remaining;
            bool live = f.pos != f.container->events.end();
            // The first frame's last step running out is what exhausts the track.
            if ((live && r < limit) || i == 0) m = std::min(m, r);
            limit = std::min(limit, r);
        }
    }
    const NoteTable& nt = cs.notes;
    for (int i = 0; i < 2; ++i)
        for (uint64_t bits = nt.active[i]; bits; bits &= bits - 1) {
            int n = i * 64 + __builtin_ctzll(bits);
            if (nt.sounding[size_t(n)]) m = std::min<int64_t>(m, nt.gate[size_t(n)]);
        }
    if (m == INT64_MAX) m = 1;
    // Counted from where the cursor stands, which after a locate may lie before tick.
    return std::max(tick + 1, cs.tick + t.offset + m);
}

int64_t songNextActiveTick(Song& song, int64_t tick, CursorSink& sink) {
    int64_t next = INT64_MAX;
    if (!cursorFinished(*song.tempoTrack)) next = trackNextActiveTick(*song.tempoTrack, tick, sink);
    for (auto& t : song.tracks)
        if (!cursorFinished(*t)) next = std::min(next, trackNextActiveTick(*t, tick, sink));
    return next;
}

bool songFinished(const Song& song) {
    if (!cursorFinished(*song.tempoTrack)) return false;
    for (auto& t : song.tracks)
        if (!cursorFinished(*t)) return false;
    return true;
}

}  // namespace tarvio
