#include "engine/player.h"

#include <algorithm>
#include <cmath>

#include "engine/clock_thread.h"
#include "engine/drivers/midi_driver.h"
#include "expand/emitter.h"
#include "engine/input.h"
#include "engine/metronome.h"
#include "engine/mtc_out.h"
#include "engine/platform/clock.h"
#include "engine/ports.h"
#include "expand/song_play.h"
#include "model/musical_time.h"
#include "model/song.h"

namespace tarvio {

namespace {

PlayerState gState;
std::mutex gLock;
Emitter gEmitter;
std::atomic<SendObserver*> gObserver{nullptr};
std::atomic<void (*)()> gPump{nullptr};
OutputList gPreviewOutput;  // the track preview's messages, refilled every pass

struct MmcOut {
    std::atomic<bool> on{false};
    std::atomic<int> port{-1};
    std::atomic<uint8_t> deviceId{127};
} gMmc;

// Reserved once so that the playing path reuses its buffers instead of growing them.
constexpr size_t kOutputRecords = 4096;
constexpr size_t kOutputSysexBytes = 64 * 1024;
constexpr size_t kQueueEvents = 256;
constexpr size_t kNotePreviews = 64;
// Rounding noise of the carried fraction must not hold a tick back by a whole pass.
constexpr double kTickEpsilon = 1e-7;

void observe(int port, const uint8_t* bytes, uint32_t count) {
    if (SendObserver* o = gObserver.load(std::memory_order_acquire)) o->handed(port, bytes, count);
}

void observeShort(int port, uint32_t message) {
    const uint8_t b[3] = {uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
    observe(port, b, uint32_t(shortMessageLength(b[0])));
}

void sleepMs(uint32_t ms) {
    if (ms) engineClock().sleepMs(ms);
}

template <class Done>
void waitUntil(Done done) {
    while (!done()) {
        if (auto pump = gPump.load()) {
            pump();
        } else if (engineRunning()) {
            wakeClockThread();
            engineClock().sleepMs(1);
        } else {
            return;  // nothing would answer
        }
    }
}

// Milliseconds of a stretch of ticks at one tempo, truncated; 0 for a zero tempo or TPQN.
int64_t segmentMs(int64_t ticks, int tpqn, int tempo) {
    if (tpqn <= 0 || tempo <= 0) return 0;
    return int64_t(double(ticks) * 60000.0 / tpqn / tempo);
}

int32_t measureTicksOf(int tpqn, const BeatEntry& b) {
    if (b.denominator == 0) return 0;
    return int32_t(tpqn * 4.0 * b.numerator / b.denominator);
}

int32_t beatTicksOf(int tpqn, int denominator) { return denominator ? tpqn * 4 / denominator : 0; }

void sendRecord(const OutputList& list, const OutputRecord& r) {
    if (r.status() == 0xF0)
        engineSendExclusive(r.port, list.sysexBytes(r), r.sysexCount);
    else if (!r.isTempo())
        engineSend(r.port, r.message);
}

// The mutes of the play in progress: the preview's, and the REC. tracks' while a take runs.
void applyPlayMutes(Song& song) {
    const PlayerState& s = gState;
    song.setPlayMutes(s.previewTrackId, s.recording && !s.punchArmed);
}

// Ends a running take: recording and punch-in off, the take closed (it waits for the
// document), the REC. tracks audible again.
void endRecording() {
    PlayerState& s = gState;
    if (!s.recording) return;
    s.recording = false;
    s.punchArmed = false;
    stopRecording();
    if (Song* song = s.song) {
        if (s.playing || s.chasing)
            applyPlayMutes(*song);
        else
            song->restoreMutes();
    }
}

// What every stop does besides silencing the song: the take ends, an armed punch-in is
// disarmed (a later plain play must not start recording), the mutes go back to the user's,
// the request is answered.
void finishStop() {
    PlayerState& s = gState;
    if (s.recording) {
        s.recording = false;
        stopRecording();
    }
    s.punchArmed = false;
    s.countIn = 0;
    if (Song* song = s.song) song->restoreMutes();
    s.playRequested = false;
    s.stopRequested = false;
}

void reserveBuffers(Song& song) {
    song.output.records.reserve(kOutputRecords);
    song.output.sysex.reserve(kOutputSysexBytes);
    reservePlayback(song);
}

// The chase is paced so that devices are not flooded: 1 ms per message, a third of a
// millisecond per exclusive byte.
void sendChase(const OutputList& list) {
    PlayerState& s = gState;
    uint32_t remainder = 0;
    for (const OutputRecord& r : list.records) {
        if (r.status() == 0xF0) {
            engineSendExclusive(r.port, list.sysexBytes(r), r.sysexCount);
            const uint32_t n = r.sysexCount + remainder;
            sleepMs(n / 3);
            remainder = n % 3;
        } else if (r.isTempo()) {
            s.tempo = r.tempo();
            s.tempoExact = r.tempo();
        } else {
            engineSend(r.port, r.message);
            sleepMs(1);
        }
    }
}

// Moves the counters to tick T: measures completed, beat-list entries taken, the beat.
void advanceCounters(Song& song, int32_t T) {
    PlayerState& s = gState;
    int32_t inMeasure = s.tickInMeasure + (T - s.position);
    int32_t m = s.measure;
    if (s.ticksPerMeasure > 0) {
        while (inMeasure >= s.ticksPerMeasure) {
            inMeasure -= s.ticksPerMeasure;
            ++m;
            if (m > 0 && s.nextBeat < song.beats.size() && song.beats[s.nextBeat].measure == uint32_t(m)) {
                const BeatEntry& b = song.beats[s.nextBeat++];
                s.ticksPerMeasure = measureTicksOf(song.tpqn, b);
                s.denominator = b.denominator;
                if (s.ticksPerMeasure <= 0) break;
            }
        }
    }
    s.measure = m;
    s.tickInMeasure = inMeasure;
    const int32_t bt = beatTicksOf(song.tpqn, s.denominator);
    s.beat = bt > 0 ? inMeasure / bt : 0;
    s.position = T;
}

// Moves the counters lead ticks back from the located position for a count-in, in the measures
// of the signature found there, and sets the metronome so that the count-in's first beat
// clicks (strong on a measure's first beat) and a start between beats waits for the next.
void rewindCounters(int32_t lead) {
    PlayerState& s = gState;
    int64_t inMeasure = int64_t(s.tickInMeasure) - lead;
    int64_t m = s.measure;
    if (s.ticksPerMeasure > 0 && inMeasure < 0) {
        const int64_t back = (-inMeasure + s.ticksPerMeasure - 1) / s.ticksPerMeasure;
        inMeasure += back * s.ticksPerMeasure;
        m -= back;
    }
    inMeasure = std::max<int64_t>(inMeasure, 0);
    s.measure = int32_t(std::max<int64_t>(m, INT32_MIN + 1));
    s.tickInMeasure = int32_t(inMeasure);
    const int32_t bt = beatTicksOf(int(s.tpqn), s.denominator);
    s.beat = bt > 0 ? int32_t(inMeasure / bt) : 0;
    s.position = s.position - lead;
    if (inMeasure == 0) metronomeLocated(kNoClickedMeasure, 0);
    else if (bt > 0 && inMeasure % bt == 0) metronomeLocated(s.measure, s.beat - 1);
    else metronomeLocated(s.measure, s.beat);
}

// Time base, chase and start of playing at the located position. The located position is
// read under the engine lock and locating is refused from then until playing (chasing), so
// that a locate from the user interface cannot interleave; the paced chase itself runs
// without the lock, which a note preview from the user interface needs meanwhile.
void beginPlayback(Song& song, uint32_t& accumulated, bool startOfPlay) {
    PlayerState& s = gState;
    {
        std::lock_guard<std::mutex> lock(gLock);
        s.chasing = true;
        s.tpqn = song.tpqn;
        s.tempoExact = s.tempo;
        s.tickBase = s.computedTick = s.position;
        accumulated = 0;
        s.accountedMs = 0;
        reserveBuffers(song);
        if (startOfPlay) applyPlayMutes(song);
        songLocate(song, s.position, gEmitter);
    }
    sendChase(song.output);
    const double whole = std::floor(s.carry);
    s.carry -= whole;
    if (whole > 0) advanceCounters(song, s.position + int32_t(whole));
    s.playFrom = s.position.load();
    // A count-in runs the clock from before the start; the song waits for it (the dispatch
    // begins at playFrom). Time code from outside leaves no room for one.
    const int32_t lead = startOfPlay ? s.countIn.exchange(0) : 0;
    if (lead > 0 && syncSource() != kSyncMtc) rewindCounters(lead);
    s.tickBase = s.computedTick = s.position;
    s.finished = false;
    s.playing = true;
    s.chasing = false;
    sleepMs(100);
}

void locateLocked(int32_t T) {
    PlayerState& s = gState;
    Song* song = s.song;
    if (!song || s.playing || s.chasing) return;
    if (T < 0) T = 0;
    const int tpqn = song->tpqn;

    BeatEntry sig = song->initialBeat;
    size_t next = 0;
    if (!song->beats.empty() && song->beats[0].measure == 0) {
        sig = song->beats[0];
        next = 1;
    }
    int32_t tpm = measureTicksOf(tpqn, sig);
    uint8_t den = sig.denominator;
    int32_t measure = 0;
    int64_t start = 0;  // tick of the measure's first tick
    while (tpm > 0 && start + tpm <= T) {
        if (next >= song->beats.size()) {
            // No more signature changes: the remaining whole measures at once.
            const int64_t n = (T - start) / tpm;
            start += n * tpm;
            measure += int32_t(n);
            break;
        }
        start += tpm;
        ++measure;
        if (song->beats[next].measure == uint32_t(measure)) {
            tpm = measureTicksOf(tpqn, song->beats[next]);
            den = song->beats[next].denominator;
            ++next;
        }
    }
    const int32_t inMeasure = int32_t(T - start);

    // Play time at T: truncated segments between the tempo changes up to T.
    int tempo = song->tempo;
    int64_t base = 0, last = 0, t = 0;
    for (const Event& e : song->tempoTrack->events) {
        if (t > T) break;
        if (e.kind() == EventKind::Tempo) {
            base += segmentMs(t - last, tpqn, tempo);
            last = t;
            tempo = uint16_t(e.value32());
        }
        t += e.step;
    }
    base += segmentMs(T - last, tpqn, tempo);

    s.position = T;
    s.measure = measure;
    s.tickInMeasure = inMeasure;
    s.ticksPerMeasure = tpm;
    s.denominator = den;
    s.nextBeat = next;
    const int32_t bt = beatTicksOf(tpqn, den);
    s.beat = bt > 0 ? inMeasure / bt : 0;
    s.tempo = uint16_t(tempo);
    s.carry = 0;
    s.baseMs = uint32_t(base);
    s.segmentMs = 0;
    metronomeLocated(inMeasure == 0 ? kNoClickedMeasure : measure, s.beat);
}

void processNotePreviews() {
    PlayerState& s = gState;
    if (s.notePreviewCount.load(std::memory_order_relaxed) == 0) return;
    // Never waits for the user interface: a held lock defers the previews to the next pass.
    std::unique_lock<std::mutex> lock(gLock, std::try_to_lock);
    if (!lock.owns_lock()) return;
    const uint32_t now = engineClock().nowMs();
    auto& list = s.notePreviews;
    for (NotePreview& p : list) {
        if (p.started) continue;
        engineSendShort(p.port, uint8_t(0x90 | p.channel), p.note, 0);
        engineSendShort(p.port, uint8_t(0x90 | p.channel), p.note, p.velocity);
        p.started = true;
    }
    auto ended = [&](const NotePreview& p) {
        if (int32_t(now - p.offMs) < 0) return false;
        engineSendShort(p.port, uint8_t(0x90 | p.channel), p.note, 0);
        return true;
    };
    list.erase(std::remove_if(list.begin(), list.end(), ended), list.end());
    s.notePreviewCount = uint32_t(list.size());
}

void processTrackPreview() {
    PlayerState& s = gState;
    Track* track = s.previewTrack.load(std::memory_order_acquire);
    if (!track) return;
    if (!s.engineEnabled) {
        // The song is being edited: nothing of it is touched. A preview started during the
        // edit has not played yet, so a cancel just ends it.
        if (s.previewCancel) {
            s.previewDone = true;
            s.previewTrack.store(nullptr, std::memory_order_release);
        }
        return;
    }
    Song* song = track->owner;
    const uint32_t now = engineClock().nowMs();
    if (s.previewFresh) {
        // Reset here rather than on the user-interface thread: the song's playback reads the
        // reset flags and uses the emitter at the same time. A phrase's pending change still
        // reaches the tracks that call it.
        if (track->isPhrase() && track->resetFlag && song)
            for (auto& t : song->tracks) t->resetFlag = 1;
        cursorReset(*track, 0, true, gEmitter);
        s.previewLastMs = now;
        s.previewFresh = false;
    }
    s.previewElapsedMs += uint32_t(now - s.previewLastMs);
    s.previewLastMs = now;
    if (s.previewCancel) {
        cursorAllNotesOff(*track);
        s.previewDone = true;
    } else if (song) {
        const int32_t t = int32_t(double(s.previewElapsedMs) * song->tempo * song->tpqn / 60000.0);
        cursorAdvance(*track, t, gEmitter);
    }
    gPreviewOutput.clear();
    if (song) {
        for (const PlayedEvent& pe : track->cursor.queue)
            buildMessages(*song, pe, track->port, track->channel, gPreviewOutput);
    }
    track->cursor.queue.clear();
    for (const OutputRecord& r : gPreviewOutput.records) sendRecord(gPreviewOutput, r);
    // A preview that has played everything (its notes released) ends by itself.
    if (!s.previewDone && cursorFinished(*track)) s.previewDone = true;
    if (s.previewDone) s.previewTrack.store(nullptr, std::memory_order_release);
}

void sendMmc(const uint8_t* bytes, uint32_t count) {
    const int port = gMmc.port;
    if (!gMmc.on || port < 0) return;
    engineSendExclusive(port, bytes, count);
}

}  // namespace

PlayerState& playerState() { return gState; }
std::mutex& engineLock() { return gLock; }

Song* playerSong() { return gState.song.load(std::memory_order_acquire); }
int32_t playerPosition() { return gState.position.load(std::memory_order_relaxed); }
uint16_t playerTempo() { return gState.tempo.load(std::memory_order_relaxed); }
bool playerPlaying() { return gState.playing; }
uint32_t playTimeMs() { return gState.baseMs.load(std::memory_order_relaxed) + gState.segmentMs.load(std::memory_order_relaxed); }
int32_t playerMeasure() { return gState.measure.load(std::memory_order_relaxed); }
int32_t playerBeat() { return gState.beat.load(std::memory_order_relaxed); }
int32_t playerTickInMeasure() { return gState.tickInMeasure.load(std::memory_order_relaxed); }
bool playerStarting() { return gState.playRequested && !gState.playing; }
bool playerRecording() { return gState.recording; }
bool playerLoopOn() { return gState.loopOn; }
uint32_t recordTimeMs() { return playTimeMs() - gState.recordStartMs; }
bool playerSongFinished() { return gState.finished; }
bool playerCountingIn() { return gState.playing && gState.position < gState.playFrom; }

bool engineSend(int port, uint32_t message) {
    observeShort(port, message);
    gState.nothingSent.store(false, std::memory_order_relaxed);
    return send(port, message);
}

bool engineSendShort(int port, uint8_t status, uint8_t data1, uint8_t data2) {
    observeShort(port, uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16);
    gState.nothingSent.store(false, std::memory_order_relaxed);
    return sendShort(port, status, data1, data2);
}

bool engineSendExclusive(int port, const uint8_t* bytes, uint32_t count) {
    observe(port, bytes, count);
    gState.nothingSent.store(false, std::memory_order_relaxed);
    return sendExclusive(port, bytes, count);
}

void setSendObserver(SendObserver* observer) { gObserver.store(observer, std::memory_order_release); }

void setWaitPumpForTests(void (*pump)()) { gPump.store(pump); }

void setSong(Song* song) {
    PlayerState& s = gState;
    Song* old = s.song;
    if (s.playing || s.playRequested || s.recording || s.punchArmed) stopPlay();
    cancelPreview();
    // What was recorded into the song being let go is taken into it before it goes.
    if (old && old != song) takeFinishedRecordings(*old);
    {
        std::lock_guard<std::mutex> lock(gLock);
        s.song.store(song, std::memory_order_release);
    }
    // Neither the input path nor the clock thread may still be reading the old song when the
    // caller goes on to destroy it.
    waitForInputToLeaveSong();
    const uint32_t passes = clockPassCount();
    if (engineRunning() || gPump.load()) waitUntil([&] { return clockPassCount() - passes >= 1; });
    if (song) {
        reserveBuffers(*song);
        locate(0);
    }
}

void startPlay(uint32_t previewTrackId, int32_t countInTicks) {
    PlayerState& s = gState;
    cancelPreview();
    if (!s.song) return;
    s.stopRequested = false;
    s.engineEnabled = true;
    s.holdRequested = false;
    s.previewTrackId = previewTrackId;
    s.countIn = std::max(countInTicks, 0);
    s.playRequested = true;
    if (gMmc.on && gMmc.port >= 0) {
        const TimeRecord tr = timeRecordOf(playTimeMs(), mtcOutRate());
        const uint8_t id = gMmc.deviceId;
        const uint8_t locateMsg[] = {0xF0, 0x7F, id, 0x06, 0x44, 0x06, 0x01,
                                     uint8_t((mtcOutRate() << 5) | (tr.hours & 31)), uint8_t(tr.minutes),
                                     uint8_t(tr.seconds), 0x00, 0x02, 0xF7};
        const uint8_t playMsg[] = {0xF0, 0x7F, id, 0x06, 0x03, 0xF7};
        sendMmc(locateMsg, sizeof locateMsg);
        sendMmc(playMsg, sizeof playMsg);
    }
    // A start that stops at once (stop-at on the start position) clears the request instead;
    // during a rewind from playback the request waits for the rewind's release, which plays.
    waitUntil([&] { return s.playing || !s.playRequested || s.resumePending; });
}

bool stopPlay() {
    PlayerState& s = gState;
    const bool running = s.playing || s.playRequested || s.recording || s.punchArmed;
    // Only the clock thread stops playback, and it answers nothing while the engine is
    // suspended: the caller's own suspension would never end.
    if (running && !s.engineEnabled && s.suspender.load() == std::this_thread::get_id() &&
        (engineRunning() || gPump.load()))
        return false;
    cancelPreview();
    s.holdRequested = false;
    if (gMmc.on && gMmc.port >= 0) {
        const uint8_t stopMsg[] = {0xF0, 0x7F, gMmc.deviceId, 0x06, 0x01, 0xF7};
        sendMmc(stopMsg, sizeof stopMsg);
    }
    if (running) {
        // The clock thread does the stop (it is the one that plays, punches in and records)
        // and answers by clearing the request.
        s.stopRequested = true;
        waitUntil([&] { return !s.stopRequested; });
        if (s.stopRequested) {  // no clock thread to answer
            if (s.playing) releaseAll();
            s.playing = false;
            finishStop();
        }
    }
    s.stopAt = 0;
    s.countIn = 0;
    return true;
}

void locate(int32_t tick) {
    std::lock_guard<std::mutex> lock(gLock);
    locateLocked(tick);
}

void locateMeasure(int32_t measure, int32_t ticks) {
    Song* song = gState.song;
    if (!song) return;
    locate(measureToTick(*song, measure) + ticks);
}

void locateMs(uint32_t ms) {
    std::lock_guard<std::mutex> lock(gLock);
    Song* song = gState.song;
    if (!song || gState.playing || gState.chasing) return;
    const int tpqn = song->tpqn;
    int tempo = song->tempo;
    int64_t base = 0, last = 0, t = 0;
    for (const Event& e : song->tempoTrack->events) {
        if (e.kind() == EventKind::Tempo) {
            const int64_t at = base + segmentMs(t - last, tpqn, tempo);
            if (at >= int64_t(ms)) break;
            base = at;
            last = t;
            tempo = uint16_t(e.value32());
        }
        t += e.step;
    }
    const int64_t tick = last + int64_t(double(int64_t(ms) - base) * tpqn * tempo / 60000.0);
    locateLocked(int32_t(std::min<int64_t>(tick, INT32_MAX)));
}

bool stepPlayer(uint32_t& accumulated, bool mayStart) {
    PlayerState& s = gState;

    // Suspension: play time keeps running, so the song catches up after the edit.
    if (s.suspendAck) {
        if (!s.engineEnabled) return true;
        s.suspendAck = false;
    } else if (!s.engineEnabled) {
        s.suspendAck = true;
        return true;
    }

    // Hold: the time spent held is dropped.
    if (s.holdRequested) {
        s.holdAck = true;
        return false;
    }
    if (s.holdAck) {
        accumulated = s.accountedMs;
        s.holdAck = false;
    }

    Song* song = s.song;
    if (!s.playing && s.stopRequested) finishStop();  // also cancels a start not yet made
    if (!song) {
        s.playing = false;
        s.playRequested = false;
        return false;
    }
    if (!s.playing && s.playRequested && mayStart) {
        beginPlayback(*song, accumulated, true);
        if (s.recording && !s.punchArmed) {
            s.recordStartMs = s.baseMs.load();
            startRecording(s.position);
        }
    }
    if (!s.playing) return false;

    // The exact position now: the tick base, the carried fraction and the ticks of the time
    // since the last restart.
    double exact = s.tickBase + s.carry + double(accumulated) * s.tempoExact * s.tpqn / 60000.0;
    int32_t T = std::max(int32_t(std::floor(exact + kTickEpsilon)), s.computedTick);
    // Play time begins with the song, after a count-in.
    if (T >= s.playFrom) s.segmentMs = s.segmentMs + (accumulated - s.accountedMs);
    s.accountedMs = accumulated;

    bool wrap = false;
    const int32_t loopBegin = s.loopBegin, loopEnd = s.loopEnd;
    if (loopEnd != loopBegin && s.loopOn && T + 1 >= loopEnd && syncSource() != kSyncMtc) {
        T = std::max(loopEnd - 1, int32_t(s.position));
        wrap = true;
    }

    advanceCounters(*song, T);

    if (!s.recording && s.punchArmed && T >= s.punchInTick) {
        s.position = s.punchInTick.load();
        s.recording = true;
        s.recordStartMs = playTimeMs();
        startRecording(s.punchInTick);
        song->setPlayMutes(s.previewTrackId, true);
        s.position = T;
    }

    bool dispatched = false;
    for (int64_t t = std::max<int64_t>(int64_t(s.computedTick) + 1, s.playFrom.load()), next = t; t <= T; t = next) {
        songAdvance(*song, int32_t(t), gEmitter);
        // A pass of several ticks (after an edit or a long transfer, or winding forward) passes
        // over the ticks at which nothing can happen.
        next = t < T ? std::min<int64_t>(songNextActiveTick(*song, t, gEmitter), int64_t(T) + 1) : t + 1;
        dispatched = true;
        const OutputList& out = song->output;
        for (const OutputRecord& r : out.records) {
            if (!r.isTempo()) {
                sendRecord(out, r);
                continue;
            }
            // The time base restarts at the new tempo from the tempo event's tick: what the
            // pass went beyond it is rescaled to the new tempo and the fraction carried, so
            // that repeated changes do not drift.
            const double from = std::min(double(t), exact);
            if (s.tempoExact > 0) exact = from + (exact - from) * r.tempo() / s.tempoExact;
            s.tempo = r.tempo();
            s.tempoExact = r.tempo();
            const double whole = std::floor(exact);
            s.tickBase = int32_t(whole);
            s.carry = exact - whole;
            accumulated = 0;
            s.accountedMs = 0;
            s.baseMs = s.baseMs + s.segmentMs;
            s.segmentMs = 0;
        }
    }
    if (T > s.computedTick) s.computedTick = T;
    if (dispatched && songFinished(*song)) s.finished = true;

    const int32_t stopAt = s.stopAt;
    if (stopAt >= 1 && stopAt <= s.position) {
        endRecording();
        s.stopRequested = true;
        s.stopAt = 0;
    }

    if (wrap && !s.stopRequested) {
        endRecording();
        releaseAll();
        s.playRequested = false;
        s.playing = false;
        locate(loopBegin);
        s.playRequested = true;
        beginPlayback(*song, accumulated, false);
        accumulated = 0;
        s.accountedMs = 0;
        return false;
    }

    if (s.stopRequested && s.playing) {
        releaseAll();
        s.carry = std::max(0.0, exact - T);
        s.playing = false;
        const bool countingIn = s.position < s.playFrom;
        finishStop();
        if (countingIn) {  // stopped in the count-in: back at the start, not before it
            s.carry = 0;
            locate(s.playFrom);
        }
    }
    return s.playing;
}

void releaseAll() {
    Song* song = gState.song;
    if (!song) return;
    songStop(*song);
    for (const OutputRecord& r : song->output.records) sendRecord(song->output, r);
    song->output.clear();
}

void resetAllDevices() {
    for (int port = 0; port < kPortCount; ++port)
        for (int ch = 0; ch < 16; ++ch) engineSendShort(port, uint8_t(0xB0 | ch), 120, 0);
}

void suspendEngine(bool enabled) {
    PlayerState& s = gState;
    cancelPreview();
    Song* song = s.song;
    if (!song) return;
    if (enabled && !s.engineEnabled) {
        // The clock thread stands aside until enabled: what the edited song needs is reserved
        // now, so that its cursors never grow while playing.
        if (s.playing || s.playRequested) reserveBuffers(*song);
        s.suspender = std::thread::id{};
    } else if (!enabled) {
        s.suspender = std::this_thread::get_id();
    }
    s.engineEnabled = enabled;
    if (s.suspendAck == enabled) waitUntil([&] { return s.suspendAck != enabled; });
}

void holdEngine(bool hold) {
    PlayerState& s = gState;
    cancelPreview();
    if (!s.song) return;
    s.holdRequested = hold;
    waitUntil([&] { return s.holdAck == hold; });
}

void setLoop(int32_t begin, int32_t end) {
    gState.loopBegin = std::min(begin, end);
    gState.loopEnd = std::max(begin, end);
}

void setLoopOn(bool on) { gState.loopOn = on; }
void setStopAt(int32_t tick) { gState.stopAt = tick; }

void armPunchIn(int32_t tick) {
    gState.punchArmed = true;
    gState.recording = false;
    gState.punchInTick = tick;
}

void setRecording(bool on) {
    PlayerState& s = gState;
    if (!on) {
        s.punchArmed = false;
        endRecording();
        return;
    }
    s.recording = true;
    if (s.playing) {
        s.recordStartMs = playTimeMs();
        startRecording(s.position);
        if (Song* song = s.song) applyPlayMutes(*song);
    }
}

void previewNote(int port, int channel, int note, int velocity, uint32_t durationMs) {
    PlayerState& s = gState;
    std::lock_guard<std::mutex> lock(gLock);
    const uint32_t now = engineClock().nowMs();
    const auto p = uint8_t(port), c = uint8_t(channel & 15), n = uint8_t(note & 127);
    bool matched = false;
    for (NotePreview& e : s.notePreviews) {
        if (e.port == p && e.channel == c && e.note == n) {
            e.velocity = uint8_t(velocity & 127);
            e.offMs = now + durationMs;
            e.started = false;
            matched = true;
        } else {
            e.offMs = now;
        }
    }
    if (!matched) {
        if (s.notePreviews.capacity() == 0) s.notePreviews.reserve(kNotePreviews);
        s.notePreviews.push_back({now + durationMs, p, c, n, uint8_t(velocity & 127), false});
    }
    s.notePreviewCount = uint32_t(s.notePreviews.size());
    wakeClockThread();
}

void previewTrack(Track* track) {
    PlayerState& s = gState;
    cancelPreview();
    if (!track) return;
    track->cursor.queue.reserve(kQueueEvents);
    gPreviewOutput.records.reserve(kOutputRecords);
    gPreviewOutput.sysex.reserve(kOutputSysexBytes);
    s.previewElapsedMs = 0;
    s.previewLastMs = engineClock().nowMs();
    s.previewCancel = false;
    s.previewDone = false;
    s.previewFresh = true;
    s.previewTrack.store(track, std::memory_order_release);
    wakeClockThread();
}

void cancelPreview() {
    PlayerState& s = gState;
    if (!s.previewTrack.load(std::memory_order_acquire)) return;
    s.previewCancel = true;
    waitUntil([&] { return s.previewTrack.load(std::memory_order_acquire) == nullptr; });
    // Nothing plays the preview without the clock thread: it just ends.
    if (!engineRunning() && !gPump.load()) s.previewTrack = nullptr;
}

void runPreviews() {
    processNotePreviews();
    processTrackPreview();
}

void setMmcOutput(bool on, int port, uint8_t deviceId) {
    gMmc.port = port;
    gMmc.deviceId = deviceId;
    gMmc.on = on;
}

void resetPlayerForTests() {
    PlayerState& s = gState;
    std::lock_guard<std::mutex> lock(gLock);
    s.song = nullptr;
    s.position = 0;
    s.measure = 0;
    s.tickInMeasure = 0;
    s.beat = 0;
    s.ticksPerMeasure = 1920;
    s.denominator = 4;
    s.nextBeat = 0;
    s.tempo = 120;
    s.tpqn = 480;
    s.tempoExact = 120;
    s.tickBase = s.computedTick = 0;
    s.accountedMs = 0;
    s.carry = 0;
    s.segmentMs = 0;
    s.baseMs = 0;
    s.playRequested = s.playing = s.stopRequested = false;
    s.holdRequested = s.holdAck = false;
    s.engineEnabled = true;
    s.suspendAck = false;
    s.recording = s.punchArmed = s.loopOn = false;
    s.previewTrackId = 0;
    s.punchInTick = s.stopAt = s.loopBegin = s.loopEnd = 0;
    s.recordStartMs = 0;
    s.finished = false;
    s.nothingSent = true;
    s.notePreviews.clear();
    s.notePreviewCount = 0;
    s.previewTrack = nullptr;
    s.previewCancel = s.previewDone = s.previewFresh = false;
    s.chasing = s.resumePending = false;
    s.countIn = 0;
    s.playFrom = 0;
    s.suspender = std::thread::id{};
    gObserver = nullptr;
    gPump = nullptr;
    gMmc.on = false;
    gMmc.port = -1;
    gMmc.deviceId = 127;
}

}  // namespace tarvio
