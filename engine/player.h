// The player: the transport of the engine. The user-interface thread requests through flags;
// only the clock thread plays.
//
// Threads. The request and acknowledgement flags are atomics written by one side and read by
// the other. The engine lock guards locating and the note-preview list; the clock thread
// takes it only while it reads a located position (start, loop wrap) and, without waiting,
// around the note previews. Fields the clock thread alone uses are plain.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvio {

class Song;
class Track;

// Readers other engine parts use (the input path stamps and records with them).
Song* playerSong();
int32_t playerPosition();   // current tick
uint16_t playerTempo();     // current tempo, beats per minute
bool playerPlaying();
uint32_t playTimeMs();      // play time since playback began

// The transport bar's readers.
int32_t playerMeasure();        // counted from 0
int32_t playerBeat();           // counted from 0
int32_t playerTickInMeasure();
bool playerStarting();          // play requested, not yet playing
bool playerRecording();
bool playerLoopOn();
uint32_t recordTimeMs();        // play time since recording began
// Every cursor of the song finished (set by the playing step; cleared at start).
bool playerSongFinished();
// Playing the count-in before the start: the counters run, the song waits.
bool playerCountingIn();

struct NotePreview {
    uint32_t offMs = 0;
    uint8_t port = 0, channel = 0, note = 0, velocity = 0;
    bool started = false;
};

struct PlayerState {
    std::atomic<Song*> song{nullptr};

    // Position and counters: written by the clock thread, and by locate while stopped.
    std::atomic<int32_t> position{0};
    std::atomic<int32_t> measure{0};
    std::atomic<int32_t> tickInMeasure{0};
    std::atomic<int32_t> beat{0};
    int32_t ticksPerMeasure = 1920;
    uint8_t denominator = 4;
    size_t nextBeat = 0;  // index of the next beat-list entry to take
    std::atomic<uint16_t> tempo{120};

    // Time base.
    double tpqn = 480;
    double tempoExact = 120;
    int32_t tickBase = 0;
    int32_t computedTick = 0;
    uint32_t accountedMs = 0;
    double carry = 0;
    std::atomic<uint32_t> segmentMs{0};
    std::atomic<uint32_t> baseMs{0};

    // Requests and their acknowledgements.
    std::atomic<bool> playRequested{false};
    std::atomic<bool> playing{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> holdRequested{false};
    std::atomic<bool> holdAck{false};
    std::atomic<bool> engineEnabled{true};
    std::atomic<bool> suspendAck{false};
    std::atomic<bool> recording{false};
    std::atomic<bool> punchArmed{false};
    std::atomic<bool> loopOn{false};
    std::atomic<uint32_t> previewTrackId{0};
    std::atomic<int32_t> punchInTick{0};
    std::atomic<int32_t> stopAt{0};
    std::atomic<int32_t> loopBegin{0};
    std::atomic<int32_t> loopEnd{0};
    std::atomic<uint32_t> recordStartMs{0};
    std::atomic<bool> finished{false};
    // The start's chase is being sent: locating is refused as while playing.
    std::atomic<bool> chasing{false};
    // Rewind held during playback: playback resumes when it is released.
    std::atomic<bool> resumePending{false};
    // Count-in: ticks of clicks before the located position that the next start plays first
    // (taken by the start), and the tick at which the song itself begins.
    std::atomic<int32_t> countIn{0};
    std::atomic<int32_t> playFrom{0};
    // The thread that holds the engine suspended (none while it runs).
    std::atomic<std::thread::id> suspender{};

    // Cleared by every send; the clock thread lowers the output load when it stays set.
    std::atomic<bool> nothingSent{true};

    // Note previews, under the engine lock; the count lets an idle pass skip the lock.
    std::vector<NotePreview> notePreviews;
    std::atomic<uint32_t> notePreviewCount{0};

    // Track preview: published by previewTrack, cleared by the clock thread when done.
    std::atomic<Track*> previewTrack{nullptr};
    uint64_t previewElapsedMs = 0;
    uint32_t previewLastMs = 0;
    std::atomic<bool> previewCancel{false};
    std::atomic<bool> previewDone{false};
    std::atomic<bool> previewFresh{false};  // the clock thread resets its cursor first
};

PlayerState& playerState();
std::mutex& engineLock();

// Selects the song to play (null: none); stops playback first, takes what was recorded into
// the song it lets go, and returns once neither the input path nor the clock thread can
// still reach that song, which the caller may then destroy. Locates to 0.
void setSong(Song* song);

// Requests playback and waits until the clock thread has started (or consumed the request).
// previewTrackId other than 0 mutes every other track. Sends the MMC locate and play when
// MMC output is on. Without a song nothing happens. countInTicks: before the located position
// the metronome clicks for that many ticks while the song waits (a recording's pre-count that
// reaches before the song's start); not while following time code.
void startPlay(uint32_t previewTrackId = 0, int32_t countInTicks = 0);
// Requests the stop and waits until the clock thread has done it: playback stopped, a take
// ended (it waits for the document, see takeFinishedRecordings), punch-in disarmed, the
// effective mutes back to the user's. Refused (false, nothing done) when the caller itself
// holds the engine suspended, which the clock thread would have to leave to answer.
bool stopPlay();

// Only while stopped and with a song; under the engine lock.
void locate(int32_t tick);
void locateMeasure(int32_t measure, int32_t ticks);
void locateMs(uint32_t ms);

// The clock thread's call on every pass with its accumulated milliseconds; returns playing.
// It answers the suspend, hold and stop requests on every call; mayStart false keeps a
// pending play request waiting (the rewind during playback holds it until released).
bool stepPlayer(uint32_t& accumulatedMs, bool mayStart = true);

// Note-off for every sounding note and controller 64 = 0 on every track, sent.
void releaseAll();
// Controller 120 = 0 on every channel of every port, unmetered.
void resetAllDevices();

// Bracket every edit of the song: false before, true after. The end of an edit during
// playback renews the playback reserve (the edit may have deepened phrase calls), while the
// clock thread still stands aside.
void suspendEngine(bool enabled);
// Freezes play time while held; the held time is dropped.
void holdEngine(bool hold);

void setLoop(int32_t begin, int32_t end);
void setLoopOn(bool on);
void setStopAt(int32_t tick);  // 0: none
void armPunchIn(int32_t tick);
// The record switch: starts a take at once when playing; off also disarms punch-in.
void setRecording(bool on);

// A note on port and channel for durationMs; the same note again re-strikes it and every
// other sounding preview note ends.
void previewNote(int port, int channel, int note, int velocity, uint32_t durationMs);
// Plays one track (or phrase) from its start on its port and channel until cancelled or done.
void previewTrack(Track* track);
void cancelPreview();
// The clock thread's preview work on every pass.
void runPreviews();

// MMC output (locate and play at start, stop at stop); port -1: none.
void setMmcOutput(bool on, int port, uint8_t deviceId);

// Every message the engine hands to the port layer, whether or not a device accepts it.
// Called on the sending thread (the clock thread for everything played), before the send.
class SendObserver {
public:
    virtual ~SendObserver() = default;
    virtual void handed(int port, const uint8_t* bytes, uint32_t count) = 0;
};
// nullptr: none. Install while the engine is not playing.
void setSendObserver(SendObserver* observer);

// The engine's sends: observed, then through the port layer; each clears the nothing-sent mark.
bool engineSend(int port, uint32_t message);  // metered
bool engineSendShort(int port, uint8_t status, uint8_t data1, uint8_t data2);  // unmetered
bool engineSendExclusive(int port, const uint8_t* bytes, uint32_t count);      // blocking

// Waits poll every 1 ms while the clock thread runs. Without it they return at once, unless
// a pump is installed, which they call instead of sleeping (tests run clock passes with it).
void setWaitPumpForTests(void (*pump)());
// Back to the state at program start: no song, every flag and setting at its default.
void resetPlayerForTests();

}  // namespace tarvio
