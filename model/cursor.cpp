#include "model/cursor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/musical_time.h"
#include "model/song.h"
#include "model/track.h"

namespace tarvio {

bool NoteTable::anySounding() const {
    for (int i = 0; i < 2; ++i)
        for (uint64_t m = active[i]; m; m &= m - 1) {
            int n = i * 64 + __builtin_ctzll(m);
            if (sounding[n]) return true;
        }
    return false;
}

void NoteTable::clear() {
    for (int i = 0; i < 2; ++i)
        for (uint64_t m = active[i]; m; m &= m - 1) {
            int n = i * 64 + __builtin_ctzll(m);
            sounding[n] = 0;
            gate[n] = 0;
            hold[n] = 0;
        }
    active[0] = active[1] = 0;
}

// Thread-local: a preview reset on the user-interface thread may run beside the clock thread's.
ChaseScratch::operator ChaseTable&() const {
    thread_local ChaseTable table;
    return table;
}

void ChaseTable::clear() {
    program = pressure = bend = tempo = ChaseEntry{};
    control.fill(ChaseEntry{});
    command.fill(ChaseEntry{});
}

namespace {

// Walks of one track never run concurrently with another (player and export take turns),
// but keeping the depth per thread costs nothing and rules out interference.
thread_local int g_playDepth = 0;
thread_local int g_seekDepth = 0;

float readRegister(const Song* song, int reg) {
    if (!song || reg < 0 || reg >= int(kRegisterCount)) return 0.0f;
    return song->registers[size_t(reg)];
}

// Register value as an integer: truncated toward zero, NaN as 0, saturated to 32 bits.
int32_t truncRegister(float v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0f) return 2147483647;
    if (v <= -2147483648.0f) return int32_t(-2147483647 - 1);
    return int32_t(v);
}

uint8_t resolve7(const Song* song, uint8_t byte) {
    if (byte < 128) return byte;
    return uint8_t(std::clamp(truncRegister(readRegister(song, byte - 128)), 0, 127));
}

bool evaluateIf(const Song* song, EventKind k, uint16_t reg, int16_t imm) {
    double a = readRegister(song, int16_t(reg));
    double b = imm;
    switch (k) {
        case EventKind::IfEq: return a == b;
        case EventKind::IfGt: return a > b;
        case EventKind::IfLt: return a < b;
        case EventKind::IfGe: return a >= b;
        case EventKind::IfLe: return a <= b;
        default: return a != b;
    }
}

int fitToKey(int note, uint32_t root, uint32_t mode) {
    int d = ((note % 12) - int(root % 12) + 12) % 12;
    if (mode == uint32_t(KeyMode::Major)) {
        if (d == 1 || d == 3 || d == 6 || d == 8 || d == 10) ++note;
    } else if (mode == uint32_t(KeyMode::Minor)) {
        if (d == 1 || d == 6) ++note;
        else if (d == 4 || d == 9 || d == 11) --note;
    }
    return std::clamp(note, 0, 127);
}

// A new frame with an empty IF stack; null when the list is full, which only a frame beyond
// the walked depth could ask for (it would never be walked anyway).
CursorFrame* appendFrame(CursorState& cs) {
    if (cs.frameCount >= kFrameCapacity) return nullptr;
    if (cs.frameCount == cs.frames.size()) cs.frames.emplace_back();  // only when not reserved
    CursorFrame& f = cs.frames[cs.frameCount++];
    f.cond = ConditionStack{};
    return &f;
}

// A step as time passes: a negative step (only a damaged file has one) counts as 0, so that
// play time never runs backwards and a clone always moves on.
int64_t stepOf(const Event& e) { return std::max<int32_t>(e.step, 0); }

// Skips events until their steps reach start; the frame then waits (sum - start) ticks.
void seekList(EventList& list, int64_t start, EventList::iterator& pos, int64_t& remaining) {
    int64_t sum = 0;
    auto it = list.begin();
    while (it != list.end() && sum < start) {
        sum += stepOf(*it);
        ++it;
    }
    if (it == list.end() && sum < start) {  // start lies beyond the list: nothing to play
        pos = list.end();
        remaining = 0;
        return;
    }
    pos = it;
    remaining = sum - start;
}

// The tick of an event in its list, counted as the cursor counts steps; 0 when it is not there.
int64_t tickIn(const EventList& list, uint32_t serial) {
    int64_t t = 0;
    for (const Event& e : list) {
        if (e.serial() == serial) return t;
        t += stepOf(e);
    }
    return 0;
}

// Where a frame started by creator over container begins. False when nothing starts.
bool frameStart(Track& track, const Event& creator, Track& container, Track*& list, EventList::iterator& pos,
                int64_t& remaining) {
    Song* song = track.owner;
    if (creator.kind() == EventKind::PhraseCall) {
        const PhraseCallData* pc = creator.phraseCall();
        if (!pc || !song) return false;
        Track* phrase = song->findPhrase(pc->number);
        if (!phrase) return false;
        list = phrase;
        seekList(phrase->events, pc->offset, pos, remaining);
        return true;
    }
    if (creator.kind() == EventKind::Clone) {
        const CloneData* cd = creator.clone();
        if (!cd) return false;
        // Only the relative modes need the clone's own tick, which costs a walk.
        const bool relative = CloneMode(cd->mode) != CloneMode::Measure && CloneMode(cd->mode) != CloneMode::Absolute;
        const int64_t S = cloneSourceTick(container, *cd, relative ? tickIn(container.events, creator.serial()) : 0);
        list = &container;
        seekList(container.events, S, pos, remaining);
        return true;
    }
    return false;
}

// A seek to a distant tick through a clone loop would otherwise replay every repeat. What decides
// the course of a repeat is the song's registers and the looping frame's IF state; when both
// come round unchanged the repeats that follow are identical, and as chasing keeps only the last
// of each value, they can be passed over whole. Repeats are found as in Brent's cycle search:
// the state is kept at restarts 1, 2, 4, 8, ... and each restart compared with the one kept.
struct LoopProbe {
    bool valid = false;
    uint32_t power = 1, since = 0;
    int64_t tick = 0;
    ConditionStack cond;
    std::array<float, kRegisterCount> registers;
};

struct LoopProbes {
    static constexpr size_t kLevels = 16;  // deeper loops are walked repeat by repeat
    std::array<LoopProbe, kLevels> level;
    size_t top = 0;  // levels at or above it are all invalid
};

struct Walker {
    Track& track;
    CursorState& cs;
    CursorSink& sink;
    bool seek;
    LoopProbes* probes = nullptr;  // seek walks only
    SeekBudget* budget = nullptr;  // what the walk may still spend, in all and of this track's share
    int64_t trackLeft = 0;
    bool spent = false;  // the budget ran out: the walk stops where it is

    // A child frame ends at its parent's next event; a later frame at its level is a new loop.
    void forgetLoopsBelow(size_t fi) {
        if (!probes) return;
        for (size_t l = fi + 1; l < probes->top; ++l) probes->level[l].valid = false;
        probes->top = std::min(probes->top, fi + 1);
    }

    // Frame fi meets its creator at cs.tick and will restart: pass over every whole repeat that
    // still ends by t.
    void skipRepeats(size_t fi, int64_t t) {
        if (!probes || fi >= LoopProbes::kLevels || cs.notes.active[0] || cs.notes.active[1]) return;
        LoopProbe& p = probes->level[fi];
        probes->top = std::max(probes->top, fi + 1);
        static const std::array<float, kRegisterCount> kNoRegisters{};
        const std::array<float, kRegisterCount>& regs = track.owner ? track.owner->registers : kNoRegisters;
        const ConditionStack& cond = cs.frames[fi].cond;
        auto keep = [&] {
            p.tick = cs.tick;
            p.cond = cond;
            p.registers = regs;
        };
        if (!p.valid) {
            p.valid = true;
            p.power = 1;
            p.since = 0;
            keep();
            return;
        }
        ++p.since;
        const bool same = p.cond.depth == cond.depth && p.cond.top == cond.top &&
                          std::memcmp(p.registers.data(), regs.data(), sizeof regs) == 0;
        const int64_t period = cs.tick - p.tick;
        if (same && period > 0) {
            const int64_t n = (t - cs.tick) / period;
            if (n > 0) {
                const int64_t d = n * period;
                for (size_t j = 0; j < fi; ++j) cs.frames[j].remaining -= d;
                cs.tick += d;
            }
            p.power = 1;
            p.since = 0;
            keep();
            return;
        }
        if (p.since == p.power) {
            p.power = p.power < (1u << 30) ? p.power * 2 : p.power;
            p.since = 0;
            keep();
        }
    }

    void advanceTimers(int64_t n) {
        if (n <= 0) return;
        NoteTable& nt = cs.notes;
        for (int i = 0; i < 2; ++i) {
            for (uint64_t m = nt.active[i]; m; m &= m - 1) {
                int note = i * 64 + __builtin_ctzll(m);
                nt.hold[note] = int32_t(std::max<int64_t>(0, nt.hold[note] - n));
                if (nt.gate[note] <= n) {
                    nt.gate[note] = 0;
                    if (nt.sounding[note]) {
                        cs.queue.push_back(PlayedEvent::make(EventKind::NoteOff, uint8_t(note), 64));
                        nt.sounding[note] = 0;
                    }
                } else {
                    nt.gate[note] -= int32_t(n);
                }
                if (!nt.sounding[note] && nt.gate[note] == 0 && nt.hold[note] == 0)
                    nt.active[i] &= ~(uint64_t(1) << (note & 63));
            }
        }
    }

    PlayedEvent resolve(const Event& ev, const CursorFrame& f) {
        PlayedEvent pe = PlayedEvent::of(ev);
        if (ev.kind() == EventKind::Note) {
            int note = resolve7(track.owner, pe.b[0]);
            pe.b[1] = resolve7(track.owner, pe.b[1]);
            note = int(std::clamp<int64_t>(int64_t(note) + f.transpose, 0, 127));
            note = fitToKey(note, f.root, f.mode);
            pe.b[0] = uint8_t(note);
        }
        return pe;
    }

    // Conditions, then the sink. Returns true when the event went to the sink.
    bool deliver(size_t fi, const Event& ev, int64_t t) {
        CursorFrame& f = cs.frames[fi];
        EventKind k = ev.kind();
        if (f.cond.skipping()) {
            if (k == EventKind::Else) f.cond.flip();
            else if (k == EventKind::EndIf) f.cond.pop();
            return false;
        }
        if (isIf(k)) {
            f.cond.push(evaluateIf(track.owner, k, ev.word0(), ev.operand()));
            return false;
        }
        if (k == EventKind::Else) {
            f.cond.flip();
            return false;
        }
        if (k == EventKind::EndIf) {
            f.cond.pop();
            return false;
        }
        PlayedEvent pe = resolve(ev, f);
        Track& container = *f.container;
        if (seek) sink.chase(track, pe, container);
        else sink.offer(track, pe, container);
        // A frame the event started plays its share of this tick before this frame's next event
        // (due by t) ends it. Only this tick: its events on the tick of that next event come after
        // it, and so never play, as when playing tick by tick.
        CursorFrame& g = cs.frames[fi];
        if (g.pos != g.container->events.end() && cs.tick + g.remaining <= t) walk(fi + 1, cs.tick);
        return true;
    }

    void restart(size_t fi, const Event& creator, int64_t t) {
        CursorFrame& f = cs.frames[fi];
        Track* list = f.container;
        EventList::iterator pos;
        int64_t remaining = 0;
        if (!frameStart(track, creator, *f.container, list, pos, remaining)) {
            f.pos = f.container->events.end();
            f.remaining = 0;
            return;
        }
        f.container = list;
        f.pos = pos;
        f.remaining = remaining;
        // The IF stack stays: a condition left open in the stretch holds on its next pass.
        if (remaining != 0 || pos == list->events.end()) return;
        // A stretch that would restart without time passing is not played.
        for (auto it = pos; it != list->events.end(); ++it) {
            if (it->serial() == f.creator) {
                f.pos = list->events.end();
                f.remaining = 0;
                return;
            }
            if (stepOf(*it) != 0) break;
        }
        const Event& first = *f.pos;
        f.remaining = stepOf(first);
        ++f.pos;
        deliver(fi, first, t);
    }

    void walk(size_t fi, int64_t t) {
        if (fi >= cs.frameCount) return;
        int& depth = seek ? g_seekDepth : g_playDepth;
        if (fi == 0) depth = 0;
        if (depth >= kMaxFrameDepth) return;
        ++depth;
        for (;;) {
            CursorFrame& f = cs.frames[fi];
            if (f.pos == f.container->events.end()) break;
            if (cs.tick + f.remaining > t) break;
            if (budget && (--budget->left < 0 || --trackLeft < 0)) spent = true;
            if (spent) break;
            if (f.remaining > 0) walk(fi + 1, cs.tick + f.remaining - 1);
            if (spent) break;
            CursorFrame& g = cs.frames[fi];  // storage may have moved
            int64_t d = g.remaining;
            for (size_t j = 0; j < fi; ++j) cs.frames[j].remaining -= d;
            cs.frameCount = fi + 1;  // a child lives only until its parent's next event
            forgetLoopsBelow(fi);
            advanceTimers(d);
            cs.tick += d;
            g.remaining = 0;
            const Event& ev = *g.pos;
            if (ev.serial() != g.creator) {
                g.remaining = stepOf(ev);
                ++g.pos;
                deliver(fi, ev, t);
            } else {
                skipRepeats(fi, t);
                restart(fi, ev, t);
            }
        }
        if (spent) {
            --depth;
            return;
        }
        CursorFrame& f = cs.frames[fi];
        if (f.pos != f.container->events.end()) {
            walk(fi + 1, t);
        } else {
            walk(fi + 1, std::min<int64_t>(t, cs.tick + f.remaining - 1));
        }
        CursorFrame& h = cs.frames[fi];
        if (fi == 0 && h.pos == h.container->events.end() && h.remaining <= 0) cs.exhausted = true;
        --depth;
    }
};

void queueAllNotesOff(CursorState& cs) {
    NoteTable& nt = cs.notes;
    for (int i = 0; i < 2; ++i)
        for (uint64_t m = nt.active[i]; m; m &= m - 1) {
            int n = i * 64 + __builtin_ctzll(m);
            if (nt.sounding[n]) cs.queue.push_back(PlayedEvent::make(EventKind::NoteOff, uint8_t(n), 64));
        }
    nt.clear();
    cs.queue.push_back(PlayedEvent::make(EventKind::Control, 64, 0));
}

void replayChase(Track& track) {
    CursorState& cs = track.cursor;
    ChaseTable& ch = cs.chase;
    const Song* song = track.owner;
    if (ch.program.set) cs.queue.push_back(ch.program.ev);
    for (size_t i = 0; i < ch.command.size(); ++i) {
        ChaseEntry& e = ch.command[i];
        if (!e.set) continue;
        PlayedEvent pe = e.ev;
        if (e.hasReg && song && i < song->commands.size()) {
            const CommandDef& def = song->commands[i];
            int32_t v = std::clamp(e.reg, std::min(def.min, def.max), std::max(def.min, def.max));
            pe.b[2] = uint8_t((v >> 7) & 127);
            pe.b[3] = uint8_t(v & 127);
        }
        cs.queue.push_back(pe);
    }
    for (ChaseEntry& e : ch.control) {
        if (!e.set) continue;
        PlayedEvent pe = e.ev;
        if (e.hasReg) pe.b[1] = uint8_t(std::clamp(e.reg, 0, 127));
        cs.queue.push_back(pe);
    }
    if (ch.bend.set) {
        PlayedEvent pe = ch.bend.ev;
        if (ch.bend.hasReg) {
            int v = std::clamp(ch.bend.reg, -8192, 8191) + 8192;
            pe.b[0] = uint8_t(v >> 7);
            pe.b[1] = uint8_t(v & 127);
        }
        cs.queue.push_back(pe);
    }
    if (ch.pressure.set) cs.queue.push_back(ch.pressure.ev);
    if (ch.tempo.set) cs.queue.push_back(ch.tempo.ev);
}

// A track that spent its budget: nothing is left to play, only its notes still sound out.
void stopWalking(Track& track) {
    CursorState& cs = track.cursor;
    cs.frameCount = 1;
    cs.frames[0].pos = track.events.end();
    cs.frames[0].remaining = 0;
}

void sizeBudget(SeekBudget& b, const Song* song) {
    int64_t events = 0;
    if (song) {
        if (song->tempoTrack) events += int64_t(song->tempoTrack->events.size());
        for (const auto& t : song->tracks) events += int64_t(t->events.size());
        for (const auto& p : song->phrases) events += int64_t(p->events.size());
    }
    b.sized = true;
    b.left = SeekBudget::kBase + SeekBudget::kPerEvent * events;
    b.trackShare = b.left / 4;
}

}  // namespace

int32_t registerAsInt(float v) { return truncRegister(v); }

int64_t cloneSourceTick(const Track& container, const CloneData& d, int64_t at) {
    switch (CloneMode(d.mode)) {
        case CloneMode::Measure: return measureToTick(container, d.position);
        case CloneMode::Absolute: return d.position;
        case CloneMode::Relative: return std::max<int64_t>(0, at + d.position);
        default: {  // measure-relative
            int64_t m = int64_t(tickToPosition(container, int32_t(std::min<int64_t>(at, INT32_MAX))).measure) + d.position;
            return measureToTick(container, int32_t(std::clamp<int64_t>(m, 0, INT32_MAX)));
        }
    }
}

void cursorReset(Track& track, int32_t songTick, bool chase, CursorSink& sink, SeekBudget* budget) {
    CursorState& cs = track.cursor;
    int64_t t = std::max<int64_t>(0, int64_t(songTick) - track.offset);
    sink.resetPlugins(track);
    cs.queue.clear();
    if (chase) {
        queueAllNotesOff(cs);
    } else {
        cs.notes.clear();
    }
    cs.frameCount = 0;
    cs.exhausted = cs.finished = false;
    static_cast<ChaseTable&>(cs.chase).clear();
    track.resetFlag = 0;
    cs.tick = 0;
    CursorFrame& f = *appendFrame(cs);  // the list is empty, so there is room
    f.container = &track;
    f.pos = track.events.begin();
    f.remaining = 0;
    f.transpose = 0;
    f.root = 0;
    f.mode = 0;
    f.creator = 0;
    if (t > 0) {
        LoopProbes probes;
        SeekBudget own;
        if (!budget) budget = &own;
        if (!budget->sized) sizeBudget(*budget, track.owner);
        Walker w{track, cs, sink, true, &probes, budget, budget->trackShare};
        w.walk(0, t - 1);
        if (w.spent) stopWalking(track);
    }
    if (!track.effectiveMute) replayChase(track);
}

void cursorAdvance(Track& track, int32_t songTick, CursorSink& sink) {
    if (songTick < track.offset) return;
    CursorState& cs = track.cursor;
    int64_t t = int64_t(songTick) - track.offset;
    SeekBudget budget{true, kAdvanceEvents, kAdvanceEvents};
    Walker w{track, cs, sink, false, nullptr, &budget, kAdvanceEvents};
    // Most ticks of a track play nothing: skip the walk when the only frame is not due.
    bool idle = cs.frameCount == 1 && cs.frames[0].pos != track.events.end() &&
                cs.tick + cs.frames[0].remaining > t;
    if (!idle) w.walk(0, t);
    if (w.spent) {
        stopWalking(track);
        cs.exhausted = true;
    }
    if (t > cs.tick) {
        int64_t d = t - cs.tick;
        w.advanceTimers(d);
        for (size_t j = 0; j < cs.frameCount; ++j) cs.frames[j].remaining -= d;
        cs.tick = t;
    }
    // A track is not done while a note of it still sounds, so every note-on gets its note-off.
    if (cs.exhausted && !cs.finished && !sink.pluginsPending(track) && !cs.notes.anySounding()) cs.finished = true;
    sink.collectPluginOutput(track);
}

void cursorAllNotesOff(Track& track) { queueAllNotesOff(track.cursor); }

void cursorStartFrame(Track& track, const Event& creator, Track& container) {
    Track* list = nullptr;
    EventList::iterator pos;
    int64_t remaining = 0;
    if (!frameStart(track, creator, container, list, pos, remaining)) return;
    CursorFrame* added = appendFrame(track.cursor);
    if (!added) return;
    CursorFrame& f = *added;
    f.container = list;
    f.pos = pos;
    f.remaining = remaining;
    f.creator = creator.serial();
    if (creator.kind() == EventKind::PhraseCall) {
        const PhraseCallData* pc = creator.phraseCall();
        f.transpose = pc->transpose;
        f.root = pc->root;
        f.mode = pc->mode;
    } else {
        f.transpose = creator.clone()->transpose;
        f.root = 0;
        f.mode = 0;
    }
}

int32_t cursorTicksToNext(const Track& track) {
    const CursorState& cs = track.cursor;
    if (cs.exhausted) return -1;
    if (cs.frameCount == 0) return 0x0FFFFFFF;
    int64_t best = 0x0FFFFFFF;
    for (size_t i = 0; i < cs.frameCount; ++i) best = std::min(best, cs.frames[i].remaining);
    return int32_t(std::max<int64_t>(best, INT32_MIN));
}

void cursorReserve(Track& track, size_t frames) {
    CursorState& cs = track.cursor;
    frames = std::min(frames, kFrameCapacity);
    if (cs.frames.size() < frames) cs.frames.resize(frames);
}

bool cursorFinished(const Track& track) { return track.cursor.finished; }

}  // namespace tarvio
