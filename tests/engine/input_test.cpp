// MIDI input on a fake driver and clock: conversion, recording (alone and while the player
// plays), filters, thru, MTC and MMC.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>

#include "ops/take_recording.h"
#include "player_fixture.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::Notes;
using testlists::notes;
using namespace enginetest;

namespace {

using Notified = std::vector<std::pair<int, uint32_t>>;
Notified gNotified;
void captureNotify(int kind, uint32_t value) { gNotified.emplace_back(kind, value); }

uint32_t msg(uint8_t s, uint8_t d1, uint8_t d2 = 0) { return s | uint32_t(d1) << 8 | uint32_t(d2) << 16; }
constexpr uint32_t kHms1_2_3 = ((1 * 60 + 2) * 60 + 3) * 1000;  // 01:02:03 in ms

using Take = std::vector<std::vector<int>>;  // tick, b0, b1, gate of every event; then the end
constexpr int kRest = 0;

class InputTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setInputNotify(captureNotify);
        gNotified.clear();
        setSong(&song);
    }

    // The take that ended last.
    static Take take() {
        Take r;
        RecordedTake taken;
        EXPECT_TRUE(popFinishedTake(taken));
        int t = taken.startTick;
        for (const Event& e : taken.events) {
            EXPECT_EQ(e.kind(), EventKind::Note);
            r.push_back({t, e.b[0], e.b[1], e.gate()});
            t += e.step;
        }
        r.push_back({t});
        return r;
    }
    // MTC quarter frames 0..7 on the given port, 8 ms apart, piece 7 at the current clock.
    void sequence(int rate, int h, int m, int s, int f, MidiHandle from = kNoHandle) {
        const int nibbles[8] = {f & 15, f >> 4, s & 15, s >> 4, m & 15, m >> 4, h & 15, (h >> 4) | rate << 1};
        for (int piece = 0; piece < 8; ++piece) {
            clock.now += piece ? 8 : 0;
            driver.deliverShort(from ? from : sync, msg(0xF1, uint8_t(piece << 4 | nibbles[piece])));
        }
    }
    // A track with notes 40, 41 and 42 at 3840, 4800 and 6000 in this record mode.
    Track& recordTrack(uint8_t record) {
        Track& t = track({note(0, 3840, 0, 0), note(40, 960, 240), note(41, 1200, 240), note(42, 480, 240)});
        t.record = record;
        return t;
    }
    void playTo(int32_t tick) {
        while (playerPosition() < tick) clockPass();
    }
    // Runs clock passes until the player has reached tick, then plays the message; returns the
    // position it was played at.
    int32_t playAt(int32_t tick, uint32_t message) {
        playTo(tick);
        play(message);
        return playerPosition();
    }
};

}  // namespace

TEST(InputConversion, MessagesBecomeEventsWithoutChannel) {
    resetInputForTests();
    auto convert = [](uint32_t m) {
        Event e;
        EXPECT_TRUE(eventFromMessage(m, e));
        return std::vector<int>{int(e.kind()), e.b[0], e.b[1], e.b[2]};
    };
    EXPECT_EQ(convert(msg(0x9F, 61, 0)), (std::vector<int>{0x80, 61, 0, 0}));
    EXPECT_EQ(convert(msg(0x95, 62, 99)), (std::vector<int>{0x90, 62, 99, 0}));
    EXPECT_EQ(convert(msg(0xC2, 5)), (std::vector<int>{0xC0, 5, 255, 255}));
    EXPECT_EQ(convert(msg(0xE0, 0x05, 0x41)), (std::vector<int>{0xE0, 0x41, 0x05, 0}));  // LSB first on the wire
    Event e;
    EXPECT_FALSE(eventFromMessage(msg(0xF1, 0x12), e));

    // mode, value, in, out: Set and Shift clamp to 1..127; Through keeps what came.
    for (auto [mode, value, in, out] : std::vector<std::array<int, 4>>{
             {kVelocityThrough, 0, 5, 5}, {kVelocitySetValue, 0, 100, 1}, {kVelocitySetValue, 300, 100, 127},
             {kVelocityShiftValue, 30, 110, 127}, {kVelocityShiftValue, -100, 50, 1},
             {kVelocityShiftValue, 30, 20, 50}}) {
        setVelocityMode(mode);
        setVelocityValue(value);
        EXPECT_EQ(convert(msg(0x90, 60, uint8_t(in)))[2], out) << mode << " " << value << " " << in;
    }
    resetInputForTests();
}

TEST_F(InputTest, RecordsStepsGatesAndLatency) {
    locate(1000);
    startRecording(-1);
    // Velocity 0 ends the held note and is no note itself; the same key again closes the earlier note.
    for (auto [tick, m] : std::vector<std::pair<int32_t, uint32_t>>{
             {1000, msg(0x90, 60, 100)}, {1240, msg(0x91, 62, 90)}, {1480, msg(0x90, 60, 0)},
             {1480, msg(0x90, 64, 70)}, {1960, msg(0x90, 64, 80)}, {1960, msg(0x80, 62, 30)}}) {
        locate(tick);
        play(m);
    }
    locate(2400);
    stopRecording();  // closes what is still held
    EXPECT_FALSE(recordingActive());
    EXPECT_EQ(take(), (Take{{1000, kRest, 0, 0}, {1000, 60, 100, 480}, {1240, 62, 90, 720},
                            {1480, 64, 70, 480}, {1960, 64, 80, 440}, {2400}}));

    startRecording(-1);
    locate(4000);
    play(msg(0x80, 60, 0));  // a note-off of no held key records nothing
    stopRecording();
    EXPECT_EQ(take(), (Take{{2400, kRest, 0, 0}, {4000}}));  // one rest as long as the take

    // The latency fix moves the time stamp, but not before the start.
    for (auto [latency, stamp] : {std::pair{250, 1240}, {-2000, 1000}}) {  // 250 ms = 240 ticks at 120 bpm
        setLatencyFix(latency);
        locate(1000);
        startRecording(-1);
        play(msg(0x90, 60, 100));
        locate(1500);
        stopRecording();
        EXPECT_EQ(take(), (Take{{1000, kRest, 0, 0}, {stamp, 60, 100, 1500 - stamp}, {1500}}));
    }
}

TEST_F(InputTest, FiltersComeBeforeRecordingDisplayNotificationAndThru) {
    Filter layer;
    layer.enabled = 1;
    layer.rules = {{kActionLayer, 0, 0}, {kActionAddVal, 0, 12}};
    setFilters({layer});
    setThru(true);
    setThruPort(0);
    setThruChannel(5);
    startRecording(0);
    play(msg(0x92, 60, 100));
    locate(100);
    play(msg(0x82, 60, 10));  // no filter for note-offs: only 60 ends
    stopRecording();
    EXPECT_EQ(take(), (Take{{0, kRest, 0, 0}, {0, 60, 100, 100}, {0, 72, 100, 100}, {100}}));
    EXPECT_EQ(gNotified, (Notified{{kNotifyNoteOn, 0x643C90}, {kNotifyNoteOn, 0x644890}, {kNotifyNoteOff, 0x0A3C80}}));
    EXPECT_EQ(heldKeys()[60].load(), 0);
    EXPECT_EQ(heldKeys()[72].load(), 1);
    EXPECT_EQ(lastVelocities()[72].load(), 100);
    // With a song, thru builds messages on the thru channel (note-off velocity 64).
    EXPECT_EQ(driver.shorts, (std::vector<uint32_t>{0x643C95, 0x644895, 0x403C85}));

    // Without a song: the raw message on the thru channel; no thru port, nothing.
    driver.shorts.clear();
    setSong(nullptr);
    play(msg(0x82, 61, 10));
    setThruPort(-1);
    play(msg(0x82, 61, 10));
    EXPECT_EQ(driver.shorts, (std::vector<uint32_t>{0x0A3D85}));
}

TEST_F(InputTest, MtcPositionsForEveryRate) {
    setMtcInPort(1);
    for (auto [rate, ms] : std::vector<std::pair<int, uint32_t>>{
             {0, kHms1_2_3 + 4 * 1000 / 24 + 83},
             {1, kHms1_2_3 + 4 * 1000 / 25 + 80},
             {2, (6 * 17982 + 2 * 1798 + 3 * 30 + 4) * 1000 / 30 + 67},  // drop frame
             {3, kHms1_2_3 + 4 * 1000 / 30 + 67}}) {
        EXPECT_EQ(mtcRate(), -1);  // lost after 250 ms without pieces
        sequence(rate, 1, 2, 3, 4);
        EXPECT_EQ(mtcRate(), rate);
        EXPECT_EQ(mtcTime(), ms);
        clock.now += 2000;
    }
    sequence(3, 23, 59, 59, 0);  // hours above 15 need the bit of piece 7
    EXPECT_EQ(mtcTime(), (uint32_t(23 * 60 + 59) * 60 + 59) * 1000 + 67);
    clock.now += 2000;
    sequence(3, 0, 0, 1, 0, keys);  // not the MTC input port
    EXPECT_EQ(mtcRate(), -1);
}

TEST_F(InputTest, MtcRunsOnAcrossSmallStepsResynchronisesOnJumpsAndGetsLost) {
    setMtcInPort(1);
    sequence(3, 0, 0, 10, 0);
    const uint32_t t1 = clock.now;
    clock.now += 20;
    EXPECT_EQ(mtcTime(), 10067u + 20);
    clock.now = t1 + 100;
    sequence(3, 0, 0, 10, 29);  // 966 ms on: the reader keeps running on its own
    EXPECT_EQ(mtcTime(), 10067u + (clock.now - t1));
    sequence(3, 0, 0, 5, 0);  // backwards: at once
    EXPECT_EQ(mtcTime(), 5067u);
    sequence(3, 0, 0, 6, 0);  // exactly 1000 ms on: at once
    EXPECT_EQ(mtcTime(), 6067u);

    setMtcOffset(-10000);  // a negative base counts as 0
    clock.now += 10;
    EXPECT_EQ(mtcTime(), 10u);
    setMtcOffset(100);
    EXPECT_EQ(mtcTime(), 6067u + 100 + 10);
    clock.now += 240;
    EXPECT_EQ(mtcRate(), 3);
    clock.now += 1;  // lost: the last position, without offset or running on
    EXPECT_EQ(mtcTime(), 6067u);
    sequence(3, 0, 0, 6, 2);  // a small step after the loss resynchronises
    EXPECT_EQ(mtcTime(), 6066u + 67 + 100);

    driver.deliverLong(sync, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 2, 3, 4, 0xF7});  // full frame, 30 fps
    EXPECT_EQ(mtcTime(), kHms1_2_3 + 4 * 1000 / 30 + 67 + 100u);
}

TEST_F(InputTest, MachineControlObeysItsDeviceId) {
    const std::vector<uint8_t> stop5 = {0xF0, 0x7F, 5, 0x06, 0x01, 0xF7};
    setMmcInPort(1);
    driver.deliverLong(sync, stop5);  // receiving is off
    setMmcReceive(true);
    driver.deliverLong(keys, stop5);  // another port
    EXPECT_TRUE(gNotified.empty());
    // Configured 127: every id.
    driver.deliverLong(sync, stop5);
    driver.deliverLong(sync, {0xF0, 0x7F, 9, 0x06, 0x03, 0xF7});
    driver.deliverLong(sync, {0xF0, 0x7F, 0, 0x06, 0x44, 0x02, 0x00, 0x07, 0xF7});
    driver.deliverLong(sync, {0xF0, 0x7F, 1, 0x06, 0x44, 0x06, 0x01, 0x21, 2, 3, 4, 0x00, 0xF7});
    EXPECT_EQ(gNotified, (Notified{{kNotifyTransport, kMmcStop}, {kNotifyTransport, kMmcPlay},
                                   {kNotifyLocateCue, 7}, {kNotifyLocateMs, kHms1_2_3 + 4 * 1000 / 25}}));
    gNotified.clear();
    setMmcDeviceId(5);
    driver.deliverLong(sync, {0xF0, 0x7F, 6, 0x06, 0x01, 0xF7});
    driver.deliverLong(sync, {0xF0, 0x7F, 127, 0x06, 0x01, 0xF7});
    driver.deliverLong(sync, stop5);
    EXPECT_EQ(gNotified, (Notified{{kNotifyTransport, kMmcStop}}));
}

// The input path may be inside the song (time stamps, thru) when the document replaces or
// closes it: setSong returns only after the input call has left.
std::atomic<int> gInsideStage{0};
void blockInsideInput(int, uint32_t) {
    gInsideStage = 1;
    while (gInsideStage != 2) std::this_thread::yield();
}

TEST_F(InputTest, ReplacingTheSongWaitsUntilTheInputPathHasLeftIt) {
    gInsideStage = 0;
    setWaitPumpForTests(nullptr);
    setInputNotify(blockInsideInput);
    std::thread input([&] { play(msg(0x90, 60, 100)); });
    while (gInsideStage != 1) std::this_thread::yield();
    Song other;
    std::atomic<bool> replaced{false};
    std::thread ui([&] {
        setSong(&other);
        replaced = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(replaced);
    gInsideStage = 2;
    input.join();
    ui.join();
    EXPECT_TRUE(replaced);
    EXPECT_EQ(playerSong(), &other);
}

TEST_F(InputTest, PlayedNotesReachTheRecordTracks) {
    Track& rec = recordTrack(1);
    Track& mix = recordTrack(2);
    setSong(&song);
    locate(3840);
    setRecording(true);
    startPlay();
    ASSERT_TRUE(recordingActive());
    EXPECT_EQ(recordStartTick(), 3840);

    const int32_t on60 = playAt(4000, 0x643C93);
    const int32_t on62 = playAt(4300, 0x503E93);
    const int32_t off60 = playAt(4500, 0x003C83);
    const int32_t off62 = playAt(5000, 0x003E93);  // a note-on with velocity 0 ends it
    playTo(5760);
    stopPlay();
    ASSERT_FALSE(recordingActive());
    ASSERT_LT(playerPosition(), 6000);

    EXPECT_EQ(takeFinishedRecordings(song), 2);
    const std::tuple<int64_t, int, int> n60{on60, 60, off60 - on60}, n62{on62, 62, off62 - on62};
    EXPECT_EQ(notes(rec.events), (Notes{n60, n62, {6000, 42, 240}}));
    EXPECT_EQ(notes(mix.events), (Notes{{3840, 40, 240}, n60, n62, {4800, 41, 240}, {6000, 42, 240}}));
}

uint32_t gMtcShift = 0;
uint32_t followWithShift() { return playTimeMs() + 1 + gMtcShift; }

// Rewind during a take and a time-code jump restart recording elsewhere: what was recorded
// before is kept as a take of its own and taken into the song with the later one.
TEST_F(InputTest, ATakeCutShortByRewindOrTimeCodeIsKept) {
    Track& mix = recordTrack(2);
    setSong(&song);
    for (const bool timecode : {false, true}) {
        setSyncSource(timecode ? kSyncMtc : kSyncInternal);
        setMtcTimeSource(&followWithShift);
        gMtcShift = 0;
        locate(3840);
        setRecording(true);
        startPlay();
        playAt(4000, 0x643C93);
        playAt(4200, 0x003C83);
        playTo(4600);
        if (timecode) {
            gMtcShift = 2000;  // relocates and starts again about 1900 ticks on
            clockPass();
            gMtcShift = 0;
        } else {
            setWindFlags(false, false, true);
            clockPass();
            setWindFlags(false, false, false);
            clockPass();
        }
        ASSERT_TRUE(playerPlaying()) << timecode;
        ASSERT_TRUE(recordingActive()) << timecode;
        const int32_t again = recordStartTick();
        const int32_t on62 = playAt(again + 100, 0x503E93);
        playAt(again + 300, 0x003E83);
        stopPlay();

        Notes expected = notes(mix.events);
        expected.insert(expected.end(), {{4000, 60, 200}, {on62, 62, 200}});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(takeFinishedRecordings(song), 2) << timecode;
        Notes all = notes(mix.events);
        std::sort(all.begin(), all.end());
        EXPECT_EQ(all, expected) << timecode;
    }
}

// A stop during the pre-count disarms punch-in: a later plain play past the punch-in tick
// records nothing and leaves the REC. track as it was.
TEST_F(InputTest, StoppingDisarmsPunchIn) {
    Track& rec = recordTrack(1);
    setSong(&song);
    const Notes before = notes(rec.events);
    armPunchIn(3840);
    startPlay();
    playTo(2000);
    stopPlay();
    locate(3000);
    startPlay();
    playTo(4500);
    EXPECT_FALSE(recordingActive());
    stopPlay();
    EXPECT_EQ(takeFinishedRecordings(song), 0);
    EXPECT_EQ(notes(rec.events), before);
}

// A take whose steps add up to 0 (rewind at once) still holds what was played: it is taken
// as long as its events reach.
TEST_F(InputTest, AZeroLengthTakeWithEventsIsTaken) {
    Track& rec = recordTrack(1);
    EventList take;
    take.pushBack(note(60, 0, 240));
    EXPECT_EQ(takeRecording(song, take, 3840, false), 1);
    EXPECT_EQ(notes(rec.events), (Notes{{3840, 60, 240}, {4800, 41, 240}, {6000, 42, 240}}));
}
