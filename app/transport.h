// The windows' one way to the player and the MIDI input: play, stop, wind, locate, record,
// loop, previews, the edit bracket and the live readings. EngineTransport drives the real
// engine; FakeTransport records the calls for tests of views and windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarvio {

class Song;
class Track;

// What the 10 ms timer reads, all at once.
struct TransportSnapshot {
    bool playing = false;
    bool starting = false;   // play requested, not yet playing
    bool recording = false;
    bool loopOn = false;
    bool metronomeOn = false;
    bool syncMtc = false;    // sync source: MTC instead of the internal clock
    int mtcRate = -1;        // 0..3 (24, 25, 30 drop, 30), -1 while the signal is lost
    int32_t position = 0;    // tick
    int32_t measure = 0;     // counted from 0
    int32_t beat = 0;        // counted from 0
    int32_t tickInMeasure = 0;
    uint16_t tempo = 120;
    uint32_t timeMs = 0;     // play time
    int loadPeak = 0;        // output load 0..100, decayed by each read
    std::array<uint8_t, 128> heldKeys{};  // velocity of each key held on the MIDI input, 0 when up
};

class Transport {
public:
    virtual ~Transport() = default;

    // The song the engine plays (null: none). The document sets it and clears it before the
    // song is destroyed.
    virtual void setSong(Song* song) = 0;

    virtual void play() = 0;
    // Plays with every track but the one numbered trackNumber muted (the editor's solo preview).
    virtual void playSolo(uint32_t trackNumber) = 0;
    // Playback stops by itself on reaching tick (0: never); play and stop keep it.
    virtual void setStopAt(int32_t tick) = 0;
    virtual void stop() = 0;                    // ends a recording first
    virtual void cueToTop() = 0;                // stop if playing, locate 0, play again if it was playing
    virtual void wind(bool forward, bool fast) = 0;  // while a wind button is held
    virtual void windRelease() = 0;
    virtual void record() = 0;                  // punch-in at the position, pre-count earlier
    virtual void locate(int32_t tick) = 0;      // only while stopped
    virtual void setLoop(int32_t begin, int32_t end) = 0;
    virtual void setLoopOn(bool on) = 0;
    virtual void toggleSyncSource() = 0;

    virtual void previewNote(int port, int channel, int note, int velocity, uint32_t durationMs) = 0;
    // Several notes sounding together (previewNote ends every other preview note); each pair
    // is key and velocity.
    virtual void previewChord(int port, int channel, const std::vector<std::pair<int, int>>& notes,
                              uint32_t durationMs) = 0;
    virtual void previewTrack(Track* track) = 0;
    virtual void cancelPreview() = 0;
    virtual void resetAllDevices() = 0;         // "全てのMIDIデバイスのリセット"
    // A channel message into the MIDI input path as if an input port had sent it (the PC
    // keyboard's notes): status | data1 << 8 | data2 << 16.
    virtual void injectInput(uint32_t message) = 0;

    // Brackets every change of the song: the player is held off between the two calls.
    virtual void beginEdit() = 0;
    virtual void endEdit() = 0;

    // Takes a finished recording into the song; returns the number of takes taken.
    virtual int takeFinishedRecordings(Song& song) = 0;

    virtual TransportSnapshot snapshot() = 0;
};

// Holds the player off for the lifetime of the object.
struct EngineEdit {
    explicit EngineEdit(Transport& t) : t_(t) { t_.beginEdit(); }
    ~EngineEdit() { t_.endEdit(); }
    EngineEdit(const EngineEdit&) = delete;
    EngineEdit& operator=(const EngineEdit&) = delete;
    Transport& t_;
};

}  // namespace tarvio
