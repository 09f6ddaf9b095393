#include "engine/input.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "expand/emitter.h"
#include "engine/platform/clock.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "model/event_list.h"
#include "model/song.h"
#include "ops/filters.h"
#include "ops/take_recording.h"

namespace tarvio {

namespace {

// ---- settings ----

struct Settings {
    std::atomic<int> mtcInPort{-1};
    std::atomic<int> mmcInPort{-1};
    std::atomic<int> mmcDeviceId{kMmcAnyDevice};
    std::atomic<bool> mmcReceive{false};
    std::atomic<bool> thru{false};
    std::atomic<int> thruPort{-1};
    std::atomic<int> thruChannel{0};
    std::atomic<int> velocityMode{kVelocityThrough};
    std::atomic<int> velocityValue{0};
    std::atomic<int32_t> latencyFix{0};
};
Settings gSettings;

// ---- a spin claim for short critical sections on the input path ----

class Claim {
public:
    explicit Claim(std::atomic_flag& f) : f_(f) {
        while (f_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    ~Claim() { f_.clear(std::memory_order_release); }
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

private:
    std::atomic_flag& f_;
};

// ---- recorder ----

// Finished takes wait here for the document. Room is kept so that ending a take on the clock
// thread does not allocate; only a document that never collects makes it grow.
constexpr size_t kWaitingTakes = 64;

struct Recorder {
    std::atomic_flag claim = ATOMIC_FLAG_INIT;
    std::atomic<bool> active{false};
    std::atomic<int32_t> startTick{0};
    // Written only under the claim.
    int32_t lastTick = 0;
    EventList list;
    const Song* song = nullptr;  // the song the take is played with
    std::vector<RecordedTake> finished;
    Event* last = nullptr;

    Recorder() { finished.reserve(kWaitingTakes); }
    std::array<bool, 128> held{};
    std::array<int64_t, 128> duration{};
    std::array<Event*, 128> note{};

    void clearHeld() {
        held.fill(false);
        duration.fill(0);
        note.fill(nullptr);
    }
    void close(int key) {
        if (!held[size_t(key)]) return;
        Event* n = note[size_t(key)];
        if (n) {
            const uint16_t gate = uint16_t(std::clamp<int64_t>(duration[size_t(key)], 0, 65535));
            n->b[2] = uint8_t(gate & 0xFF);
            n->b[3] = uint8_t(gate >> 8);
        }
        held[size_t(key)] = false;
        duration[size_t(key)] = 0;
        note[size_t(key)] = nullptr;
    }
    void advance(int64_t by) {
        for (size_t k = 0; k < held.size(); ++k)
            if (held[k]) duration[k] += by;
    }
    Event* append(const Event& e) {
        auto it = list.pushBack(e);
        last = &*it;
        return last;
    }
};
Recorder gRec;

// ---- time-code readers ----

struct Timecode {
    int32_t rate = 3;  // 0 = 24, 1 = 25, 2 = 30 drop, 3 = 30 fps; -1 = lost
    int32_t frames = 0, seconds = 0, minutes = 0, hours = 0;
    uint32_t frameTime = 0;                 // clock of the last completed frame
    uint32_t quarterTime = uint32_t(-1000);  // clock of the last quarter frame
    int32_t position = 0;                   // ms
};

// The main reader is a sequence-numbered snapshot: writers turn the number odd while they
// write, readers retry when it was odd or changed. The working reader and the previous
// position belong to whoever holds the odd number.
struct Readers {
    std::atomic<uint32_t> seq{0};
    std::atomic<int32_t> rate{3}, frames{0}, seconds{0}, minutes{0}, hours{0};
    std::atomic<uint32_t> frameTime{0}, quarterTime{uint32_t(-1000)};
    std::atomic<int32_t> position{0};
    std::atomic<int32_t> offset{0};  // the same in both readers, so kept once
    Timecode working;
    int32_t previous = 0;
};
Readers gMtc;

class WriteMtc {
public:
    WriteMtc() {
        uint32_t s = gMtc.seq.load(std::memory_order_relaxed);
        for (;;) {
            if (!(s & 1) && gMtc.seq.compare_exchange_weak(s, s + 1, std::memory_order_acquire)) break;
            std::this_thread::yield();
            s = gMtc.seq.load(std::memory_order_relaxed);
        }
        std::atomic_thread_fence(std::memory_order_release);
    }
    ~WriteMtc() { gMtc.seq.fetch_add(1, std::memory_order_release); }
    WriteMtc(const WriteMtc&) = delete;
    WriteMtc& operator=(const WriteMtc&) = delete;
};

Timecode readMain() {
    Timecode t;
    for (;;) {
        const uint32_t s1 = gMtc.seq.load(std::memory_order_acquire);
        t.rate = gMtc.rate.load(std::memory_order_relaxed);
        t.frames = gMtc.frames.load(std::memory_order_relaxed);
        t.seconds = gMtc.seconds.load(std::memory_order_relaxed);
        t.minutes = gMtc.minutes.load(std::memory_order_relaxed);
        t.hours = gMtc.hours.load(std::memory_order_relaxed);
        t.frameTime = gMtc.frameTime.load(std::memory_order_relaxed);
        t.quarterTime = gMtc.quarterTime.load(std::memory_order_relaxed);
        t.position = gMtc.position.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (!(s1 & 1) && gMtc.seq.load(std::memory_order_relaxed) == s1) return t;
        std::this_thread::yield();
    }
}

// Under WriteMtc.
void copyWorkingToMain() {
    const Timecode& w = gMtc.working;
    gMtc.rate.store(w.rate, std::memory_order_relaxed);
    gMtc.frames.store(w.frames, std::memory_order_relaxed);
    gMtc.seconds.store(w.seconds, std::memory_order_relaxed);
    gMtc.minutes.store(w.minutes, std::memory_order_relaxed);
    gMtc.hours.store(w.hours, std::memory_order_relaxed);
    gMtc.frameTime.store(w.frameTime, std::memory_order_relaxed);
    gMtc.quarterTime.store(w.quarterTime, std::memory_order_relaxed);
    gMtc.position.store(w.position, std::memory_order_relaxed);
}

// Under WriteMtc: the working reader's frame is complete.
void completeFrame(uint32_t now, bool forceResync) {
    Timecode& w = gMtc.working;
    w.position = mtcPositionMs(w.rate, w.hours, w.minutes, w.seconds, w.frames);
    w.frameTime = w.quarterTime = now;
    const int64_t jump = int64_t(w.position) - gMtc.previous;
    const bool lost = gMtc.rate.load(std::memory_order_relaxed) == -1;
    if (!forceResync && !lost && jump >= 0 && jump < 1000)
        gMtc.quarterTime.store(now, std::memory_order_relaxed);  // keeps interpolating
    else
        copyWorkingToMain();
    gMtc.previous = w.position;
}

void quarterFrame(uint8_t data, uint32_t now) {
    const int piece = data >> 4;
    const int v = data & 15;
    WriteMtc guard;
    Timecode& w = gMtc.working;
    auto low = [v](int32_t& field) { field = (field & ~15) | v; };
    auto high = [v](int32_t& field) { field = (field & 15) | (v << 4); };
    switch (piece) {
        case 0: low(w.frames); break;
        case 1: high(w.frames); break;
        case 2: low(w.seconds); break;
        case 3: high(w.seconds); break;
        case 4: low(w.minutes); break;
        case 5: high(w.minutes); break;
        case 6: low(w.hours); break;
        case 7:
            w.hours = (w.hours & 15) | ((v & 1) << 4);
            w.rate = (v >> 1) & 3;
            completeFrame(now, false);
            return;
        default: return;
    }
    w.quarterTime = now;
}

// The main reader goes lost once its last quarter frame is more than 250 ms old.
Timecode mainChecked() {
    Timecode t = readMain();
    const uint32_t now = engineClock().nowMs();
    if (t.rate != -1 && int64_t(uint32_t(now - t.quarterTime)) > 250) {
        WriteMtc guard;
        const uint32_t q = gMtc.quarterTime.load(std::memory_order_relaxed);
        if (int64_t(uint32_t(now - q)) > 250) gMtc.rate.store(-1, std::memory_order_relaxed);
        t.rate = gMtc.rate.load(std::memory_order_relaxed);
    }
    return t;
}

// ---- the song as the input path sees it ----

// Two counters of input calls inside the song, by the parity of the epoch they entered in.
// setSong moves the epoch on after replacing the song and waits until the counter of the old
// epoch is 0: calls that entered after the move read the new song, and the old counter cannot
// be kept up by new calls.
struct SongUsers {
    std::atomic<uint32_t> epoch{0};
    std::atomic<uint32_t> inside[2]{};
};
SongUsers gUsers;

class UsingSong {
public:
    UsingSong() {
        for (;;) {
            e_ = gUsers.epoch.load() & 1;
            gUsers.inside[e_].fetch_add(1);
            if ((gUsers.epoch.load() & 1) == e_) break;
            gUsers.inside[e_].fetch_sub(1);
        }
    }
    ~UsingSong() { gUsers.inside[e_].fetch_sub(1, std::memory_order_release); }
    UsingSong(const UsingSong&) = delete;
    UsingSong& operator=(const UsingSong&) = delete;

private:
    uint32_t e_ = 0;
};

// ---- channel messages ----

uint8_t velocityFor(uint8_t received) {
    const int value = gSettings.velocityValue.load(std::memory_order_relaxed);
    switch (gSettings.velocityMode.load(std::memory_order_relaxed)) {
        case kVelocitySetValue: return uint8_t(std::clamp(value, 1, 127));
        case kVelocityShiftValue: return uint8_t(std::clamp(received + value, 1, 127));
        default: return received;
    }
}

// Play position plus the latency fix in ticks, not before the start of the take.
int32_t timeStamp() {
    int64_t t = playerPosition();
    if (const Song* song = playerSong()) {
        const int64_t ms = gSettings.latencyFix.load(std::memory_order_relaxed);
        t += ms * song->tpqn * playerTempo() / 60000;
    }
    return int32_t(std::max<int64_t>(t, gRec.startTick.load(std::memory_order_relaxed)));
}

void showKey(const Event& e) {
    if (e.kind() == EventKind::Note && e.b[1] > 0) {
        heldKeys()[e.b[0] & 127].store(1, std::memory_order_relaxed);
        lastVelocities()[e.b[0] & 127].store(e.b[1], std::memory_order_relaxed);
    } else if (e.kind() == EventKind::NoteOff || e.kind() == EventKind::Note) {
        heldKeys()[e.b[0] & 127].store(0, std::memory_order_relaxed);
    }
}

// Under the recorder's claim, while recording.
void record(const Event& e, int32_t t) {
    Recorder& r = gRec;
    t = std::max(t, r.lastTick);  // a latency fix changed mid-take must not run time backwards
    const int64_t elapsed = int64_t(t) - r.lastTick;
    r.advance(elapsed);
    if (r.last) {
        r.last->step += int32_t(elapsed);
    } else {
        Event rest;
        rest.setNote(0, 0, 0);
        rest.step = int32_t(t - r.startTick.load(std::memory_order_relaxed));
        r.append(rest);
    }
    r.lastTick = t;
    const int key = e.b[0] & 127;
    const bool off = e.kind() == EventKind::NoteOff || (e.kind() == EventKind::Note && e.b[1] == 0);
    if (off) {
        r.close(key);  // the note-off itself is not recorded
        return;
    }
    Event* added = nullptr;
    if (e.kind() == EventKind::Note) {
        r.close(key);
        added = r.append(e);
        r.held[size_t(key)] = true;
        r.duration[size_t(key)] = 0;
        r.note[size_t(key)] = added;
    } else {
        added = r.append(e);
    }
    added->step = 0;
}

void notifyKey(const Event& e) {
    InputNotify notify = inputNotify();
    if (!notify) return;
    if (e.kind() == EventKind::Note && e.b[1] > 0)
        notify(kNotifyNoteOn, 0x90u | uint32_t(e.b[0]) << 8 | uint32_t(e.b[1]) << 16);
    else if (e.kind() == EventKind::NoteOff || e.kind() == EventKind::Note)
        notify(kNotifyNoteOff, 0x80u | uint32_t(e.b[0]) << 8 | uint32_t(e.b[1]) << 16);
}

void thru(const Event& e, uint32_t raw) {
    if (!gSettings.thru.load(std::memory_order_relaxed)) return;
    const int port = gSettings.thruPort.load(std::memory_order_relaxed);
    if (port < 0 || port >= kPortCount) return;
    const uint8_t channel = uint8_t(gSettings.thruChannel.load(std::memory_order_relaxed) & 15);
    const Song* song = playerSong();
    if (!song) {
        send(port, (raw & ~0x0Fu) | channel);
        return;
    }
    OutputList out;
    buildMessages(*song, PlayedEvent::of(e), uint8_t(port), channel, out);
    for (const OutputRecord& r : out.records) {
        if (r.isTempo()) continue;
        if (r.status() == 0xF0)
            sendExclusive(r.port, out.sysexBytes(r), r.sysexCount);
        else
            send(r.port, r.message);
    }
}

void channelMessage(uint32_t message) {
    Event e;
    if (!eventFromMessage(message, e)) return;
    const UsingSong inSong;
    const std::shared_ptr<const FilterList> filters = currentFilters();
    const std::vector<Event> events = applyFilters(*filters, e);
    if (events.empty()) return;
    bool stamped = false;
    int32_t t = 0;  // one time stamp for everything this message became
    for (const Event& x : events) {
        if (gRec.active.load(std::memory_order_acquire)) {
            Claim claim(gRec.claim);
            if (gRec.active.load(std::memory_order_relaxed)) {
                if (!stamped) t = timeStamp();
                stamped = true;
                record(x, t);
            }
        }
        showKey(x);
        notifyKey(x);
        thru(x, message);
    }
}

// ---- long messages ----

void notify(int kind, uint32_t value) {
    if (InputNotify n = inputNotify()) n(kind, value);
}

void fullFrame(const uint8_t* b, uint32_t now) {
    WriteMtc guard;
    Timecode& w = gMtc.working;
    w.rate = (b[5] >> 5) & 3;
    w.hours = b[5] & 31;
    w.minutes = b[6];
    w.seconds = b[7];
    w.frames = b[8];
    completeFrame(now, true);
}

void machineControl(const uint8_t* b, size_t n) {
    switch (b[4]) {
        case 0x01: notify(kNotifyTransport, kMmcStop); return;
        case 0x03: notify(kNotifyTransport, kMmcPlay); return;
        case 0x44:
            if (n > 7 && b[6] == 0) {
                notify(kNotifyLocateCue, b[7]);
            } else if (n > 10 && b[6] == 1) {
                const int ms = timecodeMs((b[7] >> 5) & 3, b[7] & 31, b[8], b[9], b[10]);
                notify(kNotifyLocateMs, uint32_t(ms));
            }
            return;
        default: return;
    }
}

void longMessage(MidiHandle handle, const MidiHeader& header) {
    const size_t n = std::min(header.bytesRecorded, header.bufferLength);
    const uint8_t* b = header.data;
    if (!b || n < 5 || b[0] != 0xF0 || b[1] != 0x7F) return;
    if (b[3] == 0x01) {
        if (n > 8 && b[4] == 0x01 && isInHandle(handle, gSettings.mtcInPort.load(std::memory_order_relaxed)))
            fullFrame(b, engineClock().nowMs());
    } else if (b[3] == 0x06) {
        if (!gSettings.mmcReceive.load(std::memory_order_relaxed)) return;
        if (!isInHandle(handle, gSettings.mmcInPort.load(std::memory_order_relaxed))) return;
        const int id = gSettings.mmcDeviceId.load(std::memory_order_relaxed);
        if (id != kMmcAnyDevice && b[2] != id) return;
        machineControl(b, n);
    }
}

}  // namespace

// ---- conversion ----

bool eventFromMessage(uint32_t message, Event& out) {
    const uint8_t status = uint8_t(message);
    const uint8_t d1 = uint8_t(message >> 8) & 127;
    const uint8_t d2 = uint8_t(message >> 16) & 127;
    switch (status & 0xF0) {
        case 0x80: out.setNoteOff(d1, d2); return true;
        case 0x90:
            if (d2 == 0)
                out.setNoteOff(d1, 0);
            else
                out.setNote(d1, velocityFor(d2), 0);
            return true;
        case 0xA0: out.setPolyPressure(d1, d2); return true;
        case 0xB0: out.setControl(d1, d2); return true;
        case 0xC0: out.setProgram(d1, 255, 255); return true;
        case 0xD0: out.setChannelPressure(d1); return true;
        case 0xE0: out.setBendBytes(d2, d1); return true;
        default: return false;
    }
}

int32_t timecodeMs(int rate, int hours, int minutes, int seconds, int frames) {
    const int64_t h = hours, m = minutes, s = seconds, f = frames;
    int64_t ms = 0;
    switch (rate & 3) {
        case 0: ms = ((h * 60 + m) * 60 + s) * 1000 + f * 1000 / 24; break;
        case 1: ms = ((h * 60 + m) * 60 + s) * 1000 + f * 1000 / 25; break;
        case 2: ms = (((h * 60 + m) / 10) * 17982 + (m % 10) * 1798 + s * 30 + f) * 1000 / 30; break;
        default: ms = ((h * 60 + m) * 60 + s) * 1000 + f * 1000 / 30; break;
    }
    return int32_t(ms);
}

int32_t mtcPositionMs(int rate, int hours, int minutes, int seconds, int frames) {
    static constexpr int32_t kTwoFrames[4] = {83, 80, 67, 67};
    return timecodeMs(rate, hours, minutes, seconds, frames) + kTwoFrames[rate & 3];
}

// ---- the input function ----

void installInputHandler() { setInputHandler(handleMidiInput); }

void handleMidiInput(MidiHandle handle, const MidiInMessage& message) {
    if (message.kind == MidiInKind::LongData) {
        // An empty buffer (input reset) carries nothing; the port layer does not queue it again.
        if (message.header && message.header->bytesRecorded > 0) longMessage(handle, *message.header);
        return;
    }
    const uint8_t status = uint8_t(message.message);
    if (status < 0x80) return;
    if (status < 0xF0) {
        channelMessage(message.message);
        return;
    }
    const uint8_t data = uint8_t(message.message >> 8);
    if (status == 0xF1 && (data >> 4) <= 7 && isInHandle(handle, gSettings.mtcInPort.load(std::memory_order_relaxed)))
        quarterFrame(data, engineClock().nowMs());
}

// ---- recording ----

namespace {

// Under the claim: the running take, closed at the play position, joins the waiting takes.
void finishTake() {
    Recorder& r = gRec;
    if (!r.active.load(std::memory_order_relaxed)) return;
    r.active.store(false, std::memory_order_release);
    const int64_t e = std::max<int64_t>(int64_t(playerPosition()) - r.lastTick, 0);
    if (r.last) {
        r.advance(e);
        for (int key = 0; key < 128; ++key) r.close(key);
        r.last->step += int32_t(e);
    } else {
        Event rest;
        rest.setNote(0, 0, 0);
        rest.step = int32_t(e);
        r.append(rest);
    }
    r.finished.push_back(RecordedTake{std::move(r.list), r.startTick.load(std::memory_order_relaxed), r.song});
    r.list.clear();
    r.last = nullptr;
}

}  // namespace

void startRecording(int32_t tick) {
    if (tick == -1) tick = playerPosition();
    {
        Claim claim(gRec.claim);
        finishTake();  // a take still running is never thrown away
        gRec.song = playerSong();
        gRec.list.clear();
        gRec.clearHeld();
        gRec.last = nullptr;
        gRec.startTick.store(tick, std::memory_order_relaxed);
        gRec.lastTick = tick;
        // Under the claim too: the player and the record switch may start takes on two threads.
        const uint32_t now = engineClock().nowMs();
        for (int port = 0; port < kPortCount; ++port) {
            InPortSlot* slot = inPortSlot(port);
            if (slot && slot->handle != kNoHandle) slot->timeOffset = int32_t(now - slot->startTime);
        }
        gRec.active.store(true, std::memory_order_release);
    }
}

void stopRecording() {
    Claim claim(gRec.claim);
    finishTake();
}

bool recordingActive() { return gRec.active.load(std::memory_order_acquire); }

bool popFinishedTake(RecordedTake& out) {
    Claim claim(gRec.claim);
    auto& f = gRec.finished;
    if (f.empty()) return false;
    out = std::move(f.front());
    f.erase(f.begin());
    return true;
}

int takeFinishedRecordings(Song& song) {
    int changed = 0;
    RecordedTake take;
    while (popFinishedTake(take)) {
        if (take.song != &song) continue;  // recorded with a song that is gone
        suspendEngine(false);
        changed += takeRecording(song, take.events, take.startTick, playerPlaying());
        suspendEngine(true);
    }
    return changed;
}

void waitForInputToLeaveSong() {
    const uint32_t old = gUsers.epoch.fetch_add(1) & 1;
    while (gUsers.inside[old].load() != 0) std::this_thread::yield();
}

int32_t recordStartTick() { return gRec.startTick.load(std::memory_order_acquire); }

// ---- time code ----

uint32_t mtcTime() {
    const Timecode t = mainChecked();
    if (t.rate == -1) return uint32_t(t.position);
    const int64_t base = std::max<int64_t>(int64_t(t.position) + gMtc.offset.load(std::memory_order_relaxed), 0);
    const int32_t since = int32_t(engineClock().nowMs() - t.frameTime);
    return uint32_t(since < 0 ? base : base + since);
}

int32_t mtcRate() { return mainChecked().rate; }

// ---- settings ----

void setMtcInPort(int port) { gSettings.mtcInPort.store(port); }
int mtcInPort() { return gSettings.mtcInPort.load(); }
void setMmcInPort(int port) { gSettings.mmcInPort.store(port); }
int mmcInPort() { return gSettings.mmcInPort.load(); }
void setMmcDeviceId(int id) { gSettings.mmcDeviceId.store(id); }
int mmcDeviceId() { return gSettings.mmcDeviceId.load(); }
void setMmcReceive(bool on) { gSettings.mmcReceive.store(on); }
bool mmcReceive() { return gSettings.mmcReceive.load(); }
void setMtcOffset(int32_t ms) { gMtc.offset.store(ms); }
int32_t mtcOffset() { return gMtc.offset.load(); }
void setThru(bool on) { gSettings.thru.store(on); }
bool thruOn() { return gSettings.thru.load(); }
void setThruPort(int port) { gSettings.thruPort.store(port); }
int thruPort() { return gSettings.thruPort.load(); }
void setThruChannel(int channel) { gSettings.thruChannel.store(channel & 15); }
int thruChannel() { return gSettings.thruChannel.load(); }
void setVelocityMode(int mode) { gSettings.velocityMode.store(mode); }
int velocityMode() { return gSettings.velocityMode.load(); }
void setVelocityValue(int value) { gSettings.velocityValue.store(value); }
int velocityValue() { return gSettings.velocityValue.load(); }
void setLatencyFix(int32_t ms) { gSettings.latencyFix.store(ms); }
int32_t latencyFix() { return gSettings.latencyFix.load(); }

void resetInputForTests() {
    {
        Claim claim(gRec.claim);
        gRec.active.store(false);
        gRec.list.clear();
        gRec.finished.clear();
        gRec.song = nullptr;
        gRec.clearHeld();
        gRec.last = nullptr;
        gRec.startTick.store(0);
        gRec.lastTick = 0;
    }
    {
        WriteMtc guard;
        gMtc.working = Timecode{};
        gMtc.previous = 0;
        copyWorkingToMain();
    }
    gMtc.offset.store(0);
    setMtcInPort(-1);
    setMmcInPort(-1);
    setMmcDeviceId(kMmcAnyDevice);
    setMmcReceive(false);
    setThru(false);
    setThruPort(-1);
    setThruChannel(0);
    setVelocityMode(kVelocityThrough);
    setVelocityValue(0);
    setLatencyFix(0);
}

}  // namespace tarvio
