#include "expand/emitter.h"

#include <algorithm>

#include "expand/procedure.h"
#include "model/song.h"
#include "model/track.h"
#include "plugin/tarvio_plugin.h"

namespace tarvio {

namespace {

float reg(const Song* song, int r) {
    if (!song || r < 0 || r >= int(kRegisterCount)) return 0.0f;
    return song->registers[size_t(r)];
}

const CommandDef* commandOf(const Song* song, uint16_t index) {
    if (!song || index >= song->commands.size()) return nullptr;
    return &song->commands[index];
}

// A register-supplied command parameter, clamped to the entry's range and split in two 7-bit bytes.
void splitCommandValue(PlayedEvent& pe, int32_t v, const CommandDef* def) {
    int32_t lo = def ? std::min(def->min, def->max) : 0;
    int32_t hi = def ? std::max(def->min, def->max) : 127;
    v = std::clamp(v, lo, hi);
    pe.b[2] = uint8_t((v >> 7) & 127);
    pe.b[3] = uint8_t(v & 127);
}

void splitBend(PlayedEvent& pe, int32_t v) {
    v = std::clamp(v, -8192, 8191) + 8192;
    pe.b[0] = uint8_t(v >> 7);
    pe.b[1] = uint8_t(v & 127);
}

// A note moved by the track's transposition (any 32-bit value from a file), kept to 0..127.
int transposed(uint8_t note, const Track& track) {
    return int(std::clamp<int64_t>(int64_t(note) + track.transpose, 0, 127));
}

bool startsFrames(const Track& t) { return t.type != TrackType::CurveScratch; }

void setSwitch(Track& track, const PlayedEvent& ev) {
    if (TarvioPluginInstance* inst = track.slotInstance(ev.b[0])) inst->on = ev.b[1] == 1 ? 1 : 0;
}

bool anySwitchedOn(const Track& track) {
    for (const PluginSlot& s : track.slots)
        if (s.instance && s.instance->on) return true;
    return false;
}

// A plug-in's output event as the event the emitter plays.
PlayedEvent fromPlugin(const TarvioPluginEvent& e) {
    switch (e.kind) {
        case TARVIO_EVENT_NOTE:
            return PlayedEvent::make(EventKind::Note, e.key, e.velocity, uint8_t(e.gate & 0xFF),
                                     uint8_t(e.gate >> 8));
        case TARVIO_EVENT_CONTROL:
            // A value of 128 or more would read as a register reference.
            return PlayedEvent::make(EventKind::Control, std::min<uint8_t>(e.key, 127), std::min<uint8_t>(e.value, 127));
        case TARVIO_EVENT_BEND: {
            int v = std::clamp(int(tarvio_event_bend(&e)), -8192, 8191);
            return PlayedEvent::make(EventKind::PitchBend, uint8_t((v + 8192) >> 7), uint8_t(v & 127));
        }
        case TARVIO_EVENT_POLY_PRESSURE: return PlayedEvent::make(EventKind::PolyPressure, e.key, e.value);
        case TARVIO_EVENT_CHANNEL_PRESSURE: return PlayedEvent::make(EventKind::ChannelPressure, e.key, 0);
        default: return PlayedEvent::make(EventKind::None, 0, 0);
    }
}

// Phrase calls, clones and plug-in switches act alike live and while chasing.
void structural(Track& track, const PlayedEvent& ev, Track& container) {
    switch (ev.kind) {
        case EventKind::PhraseCall:
        case EventKind::Clone:
            if (ev.src && startsFrames(track)) cursorStartFrame(track, *ev.src, container);
            return;
        case EventKind::PluginSwitch:
            setSwitch(track, ev);
            return;
        default:
            return;
    }
}

}  // namespace

void Emitter::offer(Track& track, const PlayedEvent& ev, Track& container) {
    if (ev.kind == EventKind::Note) {
        int n = transposed(ev.b[0], track);
        // A note the plug-ins already hold (their own output still sounding) plays directly.
        if (track.cursor.notes.hold[size_t(n)] == 0 && anySwitchedOn(track)) {
            TarvioPluginEvent pe{};
            pe.kind = TARVIO_EVENT_NOTE;
            pe.tick = uint32_t(track.cursor.tick);
            pe.key = ev.b[0];
            pe.gate = ev.gate();
            pe.velocity = ev.b[1];
            pe.merge = 0;
            for (const PluginSlot& s : track.slots)
                if (s.instance && s.instance->on) s.instance->ops->input(s.instance, &pe);
            return;
        }
    }
    emitEvent(track, ev, container, true);
}

void Emitter::resetPlugins(Track& track) {
    for (const PluginSlot& s : track.slots)
        if (s.instance) s.instance->ops->reset(s.instance);
}

bool Emitter::pluginsPending(Track& track) {
    for (const PluginSlot& s : track.slots)
        if (s.instance && s.instance->pending > 0) return true;
    return false;
}

void Emitter::collectPluginOutput(Track& track) {
    TarvioPluginEventList* last = nullptr;
    for (const PluginSlot& s : track.slots) {
        if (!s.instance) continue;
        TarvioPluginEventList* list = nullptr;
        s.instance->ops->pull(s.instance, uint32_t(track.cursor.tick), &list);
        last = list;
    }
    if (!last) return;
    for (const TarvioPluginEventNode* n = last->head; n && n != last->end; n = n->next) {
        PlayedEvent pe = fromPlugin(n->event);
        if (pe.kind != EventKind::None) emitEvent(track, pe, track, n->event.merge != 0);
    }
}

void Emitter::emitEvent(Track& track, const PlayedEvent& ev, Track& container, bool merge) {
    CursorState& cs = track.cursor;
    Song* song = track.owner;
    if (track.isTempoTrack()) {
        if (ev.kind == EventKind::Tempo) cs.queue.push_back(ev);
        return;
    }
    if (track.effectiveMute) return;
    EventKind k = ev.kind;
    if (isRegisterOp(k)) {
        if (song) executeRegisterOp(*song, k, int16_t(ev.word0()), ev.operand());
        return;
    }
    switch (k) {
        case EventKind::Note: {
            int n = transposed(ev.b[0], track);
            int g = ev.gate();
            if (g <= 0 || ev.b[1] == 0) return;  // a rest
            NoteTable& nt = cs.notes;
            PlayedEvent on = ev;
            on.b[0] = uint8_t(n);
            auto play = [&] {
                if (nt.sounding[n]) cs.queue.push_back(PlayedEvent::make(EventKind::NoteOff, uint8_t(n), 64));
                nt.sounding[size_t(n)] = 1;
                nt.mark(n);
                cs.queue.push_back(on);
            };
            if (!merge) {
                nt.gate[size_t(n)] = g;
                play();
            } else if (nt.hold[size_t(n)] < 1) {
                nt.hold[size_t(n)] = nt.gate[size_t(n)] = g;
                play();
            } else if (nt.hold[size_t(n)] != nt.gate[size_t(n)]) {
                nt.hold[size_t(n)] = g;
            } else {
                // The sounding note is lengthened to end g ticks from now; no new note-on.
                nt.hold[size_t(n)] = nt.gate[size_t(n)] = g;
            }
            nt.mark(n);
            return;
        }
        case EventKind::PolyPressure:
        case EventKind::Program:
        case EventKind::ChannelPressure:
        case EventKind::Exclusive:
            cs.queue.push_back(ev);
            return;
        case EventKind::Control: {
            PlayedEvent pe = ev;
            if (pe.b[1] >= 128) pe.b[1] = uint8_t(std::clamp(registerAsInt(reg(song, pe.b[1] - 128)), 0, 127));
            cs.queue.push_back(pe);
            return;
        }
        case EventKind::PitchBend: {
            PlayedEvent pe = ev;
            if (pe.b[1] >= 128) splitBend(pe, registerAsInt(reg(song, pe.b[1] - 128)));
            cs.queue.push_back(pe);
            return;
        }
        case EventKind::Command: {
            PlayedEvent pe = ev;
            if (pe.b[3] >= 128)
                splitCommandValue(pe, registerAsInt(reg(song, pe.b[3] - 128)), commandOf(song, pe.word0()));
            cs.queue.push_back(pe);
            return;
        }
        default:
            structural(track, ev, container);
            return;
    }
}

void Emitter::chase(Track& track, const PlayedEvent& ev, Track& container) {
    ChaseTable& ch = track.cursor.chase;
    Song* song = track.owner;
    if (track.isTempoTrack()) {
        if (ev.kind == EventKind::Tempo) ch.tempo = ChaseEntry{true, ev, false, 0};
        return;
    }
    EventKind k = ev.kind;
    if (isRegisterOp(k)) {
        // Registers at a start position hold what the events before it computed, muted or not.
        if (song) executeRegisterOp(*song, k, int16_t(ev.word0()), ev.operand());
        return;
    }
    switch (k) {
        case EventKind::Tempo: ch.tempo = ChaseEntry{true, ev, false, 0}; return;
        case EventKind::Program: ch.program = ChaseEntry{true, ev, false, 0}; return;
        case EventKind::PolyPressure:
        case EventKind::ChannelPressure: ch.pressure = ChaseEntry{true, ev, false, 0}; return;
        case EventKind::PitchBend: {
            bool r = ev.b[1] >= 128;
            ch.bend = ChaseEntry{true, ev, r, r ? registerAsInt(reg(song, ev.b[1] - 128)) : 0};
            return;
        }
        case EventKind::Control: {
            uint8_t c = ev.b[0];
            // Data entry and parameter numbers would be replayed out of context.
            if (c == 6 || c == 38 || (c >= 98 && c <= 101) || c >= 128) return;
            bool r = ev.b[1] >= 128;
            ch.control[c] = ChaseEntry{true, ev, r, r ? registerAsInt(reg(song, ev.b[1] - 128)) : 0};
            return;
        }
        case EventKind::Command: {
            uint16_t idx = ev.word0();
            const CommandDef* def = commandOf(song, idx);
            if (idx >= ch.command.size() || !def || !def->defined()) return;
            bool r = ev.b[3] >= 128;
            ch.command[idx] = ChaseEntry{true, ev, r, r ? registerAsInt(reg(song, ev.b[3] - 128)) : 0};
            return;
        }
        default:
            structural(track, ev, container);
            return;
    }
}

namespace {

void pushShort(OutputList& out, uint8_t port, uint8_t s, uint8_t d1, uint8_t d2) {
    OutputRecord r;
    r.port = port;
    r.message = uint32_t(s) | (uint32_t(d1) << 8) | (uint32_t(d2) << 16);
    out.records.push_back(r);
}

void pushTemplate(OutputList& out, uint8_t port, uint8_t channel, const std::vector<uint8_t>& tmpl, uint8_t msb,
                  uint8_t lsb) {
    OutputRecord r;
    r.port = port;
    r.message = 0xF0;
    r.sysexOffset = uint32_t(out.sysex.size());
    uint8_t part = channel <= 8 ? uint8_t(channel + 1) : channel == 9 ? 0 : channel;
    unsigned sum = 0;
    for (uint8_t x : tmpl) {
        uint8_t y;
        if (x >= 0xC0 && x <= 0xC7) y = uint8_t(((x - 0xC0) << 4) | channel);
        else if (x >= 0xD0 && x <= 0xD7) y = uint8_t(((x - 0xD0) << 4) | part);
        else if (x == 0xFC || x == 0xFE) y = msb;
        else if (x == 0xFD || x == 0xFF) y = lsb;
        else if (x == 0xFA) {
            sum = 0;
            continue;
        } else if (x == 0xFB) {
            y = uint8_t((128 - sum % 128) % 128);
            out.sysex.push_back(y);
            sum = y;
            continue;
        } else y = x;
        out.sysex.push_back(y);
        sum += y;
    }
    r.sysexCount = uint32_t(out.sysex.size()) - r.sysexOffset;
    out.records.push_back(r);
}

uint8_t substitute(uint8_t x, uint8_t msb, uint8_t lsb) {
    if (x == 0xFC || x == 0xFE) return msb;
    if (x == 0xFD || x == 0xFF) return lsb;
    return x;
}

}  // namespace

void buildMessages(const Song& song, const PlayedEvent& ev, uint8_t port, uint8_t channel, OutputList& out) {
    uint8_t c = channel & 0x0F;
    switch (ev.kind) {
        case EventKind::Note: pushShort(out, port, uint8_t(0x90 | c), ev.b[0], ev.b[1]); return;
        case EventKind::NoteOff: pushShort(out, port, uint8_t(0x80 | c), ev.b[0], 64); return;
        case EventKind::PolyPressure: pushShort(out, port, uint8_t(0xA0 | c), ev.b[0], ev.b[1]); return;
        case EventKind::Control: pushShort(out, port, uint8_t(0xB0 | c), ev.b[0], ev.b[1]); return;
        case EventKind::ChannelPressure: pushShort(out, port, uint8_t(0xD0 | c), ev.b[0], 0); return;
        case EventKind::PitchBend: pushShort(out, port, uint8_t(0xE0 | c), ev.b[1], ev.b[0]); return;
        case EventKind::Program:
            if (ev.b[1] < 128) pushShort(out, port, uint8_t(0xB0 | c), 0, ev.b[1]);
            if (ev.b[2] < 128) pushShort(out, port, uint8_t(0xB0 | c), 32, ev.b[2]);
            pushShort(out, port, uint8_t(0xC0 | c), ev.b[0], 0);
            return;
        case EventKind::Tempo: {
            OutputRecord r;
            r.port = port;
            r.message = 0xFF | (uint32_t('Q') << 8) | (uint32_t(ev.b[0] | (ev.b[1] << 8)) << 16);
            out.records.push_back(r);
            return;
        }
        case EventKind::Exclusive:
            if (ev.src && ev.src->bytes()) pushTemplate(out, port, c, *ev.src->bytes(), ev.b[2], ev.b[3]);
            return;
        case EventKind::Command: {
            uint16_t idx = ev.word0();
            if (idx >= song.commands.size()) return;
            const CommandDef& def = song.commands[idx];
            if (!def.defined()) return;
            for (const Event& body : def.body) {
                if (body.kind() == EventKind::Control) {
                    pushShort(out, port, uint8_t(0xB0 | c), substitute(body.b[0], ev.b[2], ev.b[3]),
                              substitute(body.b[1], ev.b[2], ev.b[3]));
                } else if (body.kind() == EventKind::Exclusive && body.bytes()) {
                    pushTemplate(out, port, c, *body.bytes(), ev.b[2], ev.b[3]);
                }
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace tarvio
