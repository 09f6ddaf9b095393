#include "app/fake_transport.h"

#include <cstdio>

#include "model/song.h"
#include "ops/take_recording.h"

namespace tarvio {

std::string FakeTransport::takeCalls() {
    std::string out;
    for (const std::string& c : calls) out += c + "\n";
    calls.clear();
    return out;
}

void FakeTransport::setSong(Song* s) {
    song = s;
    snap.playing = snap.starting = snap.recording = false;
    snap.position = 0;
    log(s ? "setSong song" : "setSong null");
}

void FakeTransport::play() {
    if (song) snap.playing = true;
    log("play");
}

void FakeTransport::playSolo(uint32_t trackNumber) {
    if (song) snap.playing = true;
    log("playSolo " + std::to_string(trackNumber));
}

void FakeTransport::setStopAt(int32_t tick) { log("stopAt " + std::to_string(tick)); }

void FakeTransport::stop() {
    snap.playing = snap.starting = snap.recording = false;
    log("stop");
}

void FakeTransport::cueToTop() {
    snap.position = 0;
    log("cueToTop");
}

void FakeTransport::wind(bool forward, bool fast) {
    log(std::string("wind ") + (forward ? "forward" : "rewind") + (fast ? " fast" : ""));
}

void FakeTransport::windRelease() { log("windRelease"); }
void FakeTransport::record() { log("record"); }

void FakeTransport::locate(int32_t tick) {
    if (!snap.playing && song) snap.position = tick;  // the player refuses while playing
    log("locate " + std::to_string(tick));
}

void FakeTransport::setLoop(int32_t begin, int32_t end) {
    log("setLoop " + std::to_string(begin) + " " + std::to_string(end));
}

void FakeTransport::setLoopOn(bool on) {
    snap.loopOn = on;
    log(std::string("setLoopOn ") + (on ? "1" : "0"));
}

void FakeTransport::toggleSyncSource() {
    snap.syncMtc = !snap.syncMtc;
    log("toggleSyncSource");
}

void FakeTransport::previewNote(int port, int channel, int note, int velocity, uint32_t durationMs) {
    log("previewNote " + std::to_string(port) + " " + std::to_string(channel) + " " + std::to_string(note) + " " +
        std::to_string(velocity) + " " + std::to_string(durationMs));
}

void FakeTransport::previewChord(int port, int channel, const std::vector<std::pair<int, int>>& notes,
                                 uint32_t durationMs) {
    std::string line = "previewChord " + std::to_string(port) + " " + std::to_string(channel);
    for (auto [k, v] : notes) line += " " + std::to_string(k) + "/" + std::to_string(v);
    log(line + " " + std::to_string(durationMs));
}

void FakeTransport::previewTrack(Track* track) {
    log("previewTrack " + (track ? std::to_string(track->number) : std::string("null")));
}

void FakeTransport::cancelPreview() { log("cancelPreview"); }
void FakeTransport::resetAllDevices() { log("resetAllDevices"); }
void FakeTransport::injectInput(uint32_t message) {
    char text[32];
    std::snprintf(text, sizeof text, "injectInput %06X", unsigned(message));
    log(text);
}

void FakeTransport::beginEdit() {
    ++editDepth;
    log("beginEdit");
}

void FakeTransport::endEdit() {
    --editDepth;
    log("endEdit");
}

int FakeTransport::takeFinishedRecordings(Song& s) {
    log("takeFinishedRecordings");
    int changed = 0;
    for (Take& t : takes) changed += takeRecording(s, t.events, t.startTick, snap.playing);
    takes.clear();
    return changed;
}

}  // namespace tarvio
