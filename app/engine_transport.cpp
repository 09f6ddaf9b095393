#include "app/engine_transport.h"

#include <algorithm>
#include <mutex>

#include "engine/clock_thread.h"
#include "engine/input.h"
#include "engine/metronome.h"
#include "engine/platform/clock.h"
#include "engine/player.h"
#include "engine/ports.h"

namespace tarvio {

void EngineTransport::setSong(Song* song) { tarvio::setSong(song); }

void EngineTransport::play() {
    startPlay(0);
    wakeClockThread();
}

void EngineTransport::playSolo(uint32_t trackNumber) {
    startPlay(trackNumber);
    wakeClockThread();
}

void EngineTransport::setStopAt(int32_t tick) { tarvio::setStopAt(tick < 0 ? 0 : tick); }

void EngineTransport::stop() {
    stopPlay();  // ends a take first
    wakeClockThread();
}

void EngineTransport::cueToTop() {
    const bool wasPlaying = playerPlaying() || playerStarting();
    if (wasPlaying) stopPlay();
    tarvio::locate(0);
    if (wasPlaying) startPlay(0);
    wakeClockThread();
}

void EngineTransport::wind(bool forward, bool fast) {
    setWindFlags(fast, forward, !forward);
    wakeClockThread();
}

void EngineTransport::windRelease() {
    setWindFlags(false, false, false);
    wakeClockThread();
}

void EngineTransport::record() {
    PlayerState& s = playerState();
    if (s.recording || s.punchArmed) {  // the same command ends the take
        setRecording(false);
        return;
    }
    if (!playerSong()) return;
    if (s.playing) {  // already rolling: the take starts here
        setRecording(true);
        return;
    }
    const int32_t at = playerPosition();
    armPunchIn(at);
    // The pre-count plays before the punch-in point; what of it lies before the song's start
    // is a count-in of clicks, after which the song starts at tick 0.
    const int64_t from = int64_t(at) - preCount_;
    tarvio::locate(int32_t(std::max<int64_t>(0, from)));
    startPlay(0, from < 0 ? int32_t(-from) : 0);
    wakeClockThread();
}

void EngineTransport::locate(int32_t tick) { tarvio::locate(tick); }
void EngineTransport::setLoop(int32_t begin, int32_t end) { tarvio::setLoop(begin, end); }
void EngineTransport::setLoopOn(bool on) { tarvio::setLoopOn(on); }

void EngineTransport::toggleSyncSource() {
    setSyncSource(syncSource() == kSyncMtc ? kSyncInternal : kSyncMtc);
    wakeClockThread();
}

void EngineTransport::previewNote(int port, int channel, int note, int velocity, uint32_t durationMs) {
    tarvio::previewNote(port, channel, note, velocity, durationMs);
}
void EngineTransport::previewChord(int port, int channel, const std::vector<std::pair<int, int>>& notes,
                                   uint32_t durationMs) {
    if (notes.empty()) return;
    // The first note ends whatever previews sound; the others join it under the engine lock.
    tarvio::previewNote(port, channel, notes.front().first, notes.front().second, durationMs);
    PlayerState& s = playerState();
    {
        std::lock_guard<std::mutex> lock(engineLock());
        const uint32_t now = engineClock().nowMs();
        const auto p = uint8_t(port), c = uint8_t(channel & 15);
        for (size_t i = 1; i < notes.size(); ++i) {
            const auto n = uint8_t(notes[i].first & 127), v = uint8_t(notes[i].second & 127);
            bool matched = false;
            for (NotePreview& e : s.notePreviews) {
                if (e.port == p && e.channel == c && e.note == n) {
                    e.velocity = v;
                    e.offMs = now + durationMs;
                    e.started = false;
                    matched = true;
                }
            }
            if (!matched) s.notePreviews.push_back({now + durationMs, p, c, n, v, false});
        }
        s.notePreviewCount = uint32_t(s.notePreviews.size());
    }
    wakeClockThread();
}

void EngineTransport::previewTrack(Track* track) { tarvio::previewTrack(track); }
void EngineTransport::cancelPreview() { tarvio::cancelPreview(); }
void EngineTransport::resetAllDevices() { tarvio::resetAllDevices(); }

// Channel messages do not depend on the port they came from, so no input handle is needed.
void EngineTransport::injectInput(uint32_t message) {
    MidiInMessage m;
    m.message = message;
    handleMidiInput(0, m);
}

void EngineTransport::beginEdit() {
    if (editDepth_++ == 0) suspendEngine(false);
}

void EngineTransport::endEdit() {
    if (editDepth_ == 0) return;  // unpaired: never resume a suspension someone else holds
    if (--editDepth_ == 0) suspendEngine(true);
}

int EngineTransport::takeFinishedRecordings(Song& song) { return tarvio::takeFinishedRecordings(song); }

TransportSnapshot EngineTransport::snapshot() {
    TransportSnapshot s;
    s.playing = playerPlaying();
    s.starting = playerStarting();
    s.recording = playerRecording();
    s.loopOn = playerLoopOn();
    s.metronomeOn = metronome().on != 0;
    s.syncMtc = syncSource() == kSyncMtc;
    s.mtcRate = mtcRate();
    s.position = playerPosition();
    s.measure = playerMeasure();
    s.beat = playerBeat();
    s.tickInMeasure = playerTickInMeasure();
    s.tempo = playerTempo();
    s.timeMs = playTimeMs();
    s.loadPeak = readPeak();
    auto& held = heldKeys();
    auto& velocity = lastVelocities();
    for (size_t k = 0; k < s.heldKeys.size(); ++k)
        s.heldKeys[k] = held[k].load(std::memory_order_relaxed) ? velocity[k].load(std::memory_order_relaxed) : 0;
    return s;
}

}  // namespace tarvio
