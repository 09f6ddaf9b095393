// A transport for tests: every call is recorded as one text line, the snapshot is whatever the
// test sets, and finished takes are queued by the test and taken into the song on request.
#pragma once

#include <string>
#include <vector>

#include "app/transport.h"
#include "model/event_list.h"

namespace tarvio {

class FakeTransport final : public Transport {
public:
    TransportSnapshot snap;          // returned by snapshot(); play, stop, locate keep it plausible
    std::vector<std::string> calls;  // "play", "locate 480", "setSong song" / "setSong null", ...
    Song* song = nullptr;
    int editDepth = 0;               // open beginEdit brackets

    struct Take {
        EventList events;
        int32_t startTick = 0;
    };
    std::vector<Take> takes;  // waiting takes, taken (oldest first) by takeFinishedRecordings

    // The calls so far, one per line, and forgets them.
    std::string takeCalls();

    void setSong(Song* s) override;
    void play() override;
    void playSolo(uint32_t trackNumber) override;
    void setStopAt(int32_t tick) override;
    void stop() override;
    void cueToTop() override;
    void wind(bool forward, bool fast) override;
    void windRelease() override;
    void record() override;
    void locate(int32_t tick) override;
    void setLoop(int32_t begin, int32_t end) override;
    void setLoopOn(bool on) override;
    void toggleSyncSource() override;
    void previewNote(int port, int channel, int note, int velocity, uint32_t durationMs) override;
    void previewChord(int port, int channel, const std::vector<std::pair<int, int>>& notes,
                      uint32_t durationMs) override;
    void previewTrack(Track* track) override;
    void cancelPreview() override;
    void resetAllDevices() override;
    void injectInput(uint32_t message) override;
    void beginEdit() override;
    void endEdit() override;
    int takeFinishedRecordings(Song& s) override;
    TransportSnapshot snapshot() override { return snap; }

private:
    void log(std::string line) { calls.push_back(std::move(line)); }
};

}  // namespace tarvio
