// The transport over the real engine: the player's requests, the clock thread's wind and sync
// controls, the metronome and the output-load meter.
#pragma once

#include <cstdint>

#include "app/transport.h"

namespace tarvio {

class EngineTransport final : public Transport {
public:
    // preCountTicks: how far before the punch-in point a recording starts to play (as clicks
    // where that lies before the song's start).
    explicit EngineTransport(int32_t preCountTicks = 0) : preCount_(preCountTicks) {}
    void setPreCount(int32_t ticks) { preCount_ = ticks < 0 ? 0 : ticks; }
    int32_t preCount() const { return preCount_; }

    void setSong(Song* song) override;
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
    // Brackets nest (a document edit around the edit operations' own brackets): only the
    // outermost pair suspends and resumes the player.
    void beginEdit() override;
    void endEdit() override;
    int takeFinishedRecordings(Song& song) override;
    TransportSnapshot snapshot() override;

private:
    int32_t preCount_;
    int editDepth_ = 0;
};

}  // namespace tarvio
