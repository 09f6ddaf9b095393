// Recording end to end: messages sent into the loopback output arrive on the loopback input
// while the player records, and taking the recording puts them into the record tracks. The
// clock passes run on a fake clock, one millisecond each, so the run is deterministic.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "engine/clock_thread.h"
#include "engine/drivers/device_driver.h"
#include "engine/drivers/loopback.h"
#include "engine/input.h"
#include "engine/metronome.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "fake_clock.h"
#include "model/song.h"
#include "ops/take_recording.h"

using namespace tarvio;
using namespace enginetest;

namespace {

using Notes = std::vector<std::tuple<int64_t, int, int>>;  // tick, note, gate of sounding notes

Notes notes(const EventList& l) {
    Notes r;
    int64_t t = 0;
    for (const Event& e : l) {
        if (!e.isRest()) r.emplace_back(t, e.b[0], e.gate());
        t += e.step;
    }
    return r;
}

// Notes at 3840, 4800 and 6000, on a port without a device so that playing them sends nothing.
void fill(Track& t, uint8_t record) {
    t.record = record;
    t.port = 5;
    for (auto [key, step] : {std::pair{0, 3840}, {40, 960}, {41, 1200}, {42, 480}}) {
        Event e;
        e.setNote(uint8_t(key), key ? 100 : 0, key ? 240 : 0);
        e.step = step;
        t.events.pushBack(e);
    }
}

void pump() { clockPass(); }

class RecordingTest : public ::testing::Test {
protected:
    FakeClock clock;
    std::unique_ptr<DeviceDriver> driver;
    Song song;

    void SetUp() override {
        setEngineClock(&clock);
        resetPlayerForTests();
        resetMetronomeForTests();
        resetInputForTests();
        std::vector<std::unique_ptr<OutputDevice>> outs;
        outs.push_back(makeLoopbackOutput());
        std::vector<std::unique_ptr<InputDevice>> ins;
        ins.push_back(makeLoopbackInput());
        driver = std::make_unique<DeviceDriver>(std::move(outs), std::move(ins), clock);
        createPorts(*driver, clock);
        setOutDevice(0, 0);
        ASSERT_TRUE(openOut(0) && openIn(0));
        installInputHandler();
        setWaitPumpForTests(pump);
        clockPassBegin();
    }
    void TearDown() override {
        setWaitPumpForTests(nullptr);
        resetPlayerForTests();
        setInputHandler(nullptr);
        destroyPortsForTests();
        driver.reset();
        resetInputForTests();
        setEngineClock(nullptr);
    }

    // Runs clock passes until the player has reached tick, then plays a message into the
    // loopback; returns the position it was played at.
    int32_t sendAt(int32_t tick, uint32_t message) {
        while (playerPosition() < tick) clockPass();
        send(0, message);
        return playerPosition();
    }
};

}  // namespace

TEST_F(RecordingTest, PlayedNotesReachTheRecordTracks) {
    Track& rec = song.createTrack();
    Track& mix = song.createTrack();
    fill(rec, 1);
    fill(mix, 2);
    setSong(&song);
    locate(3840);
    setRecording(true);
    startPlay();
    ASSERT_TRUE(recordingActive());
    EXPECT_EQ(recordStartTick(), 3840);

    const int32_t on60 = sendAt(4000, 0x643C93);
    const int32_t on62 = sendAt(4300, 0x503E93);
    const int32_t off60 = sendAt(4500, 0x003C83);
    const int32_t off62 = sendAt(5000, 0x003E93);  // a note-on with velocity 0 ends it
    while (playerPosition() < 5760) clockPass();
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
TEST_F(RecordingTest, ATakeCutShortByRewindOrTimeCodeIsKept) {
    Track& mix = song.createTrack();
    fill(mix, 2);
    setSong(&song);
    for (const bool timecode : {false, true}) {
        setSyncSource(timecode ? kSyncMtc : kSyncInternal);
        setMtcTimeSource(&followWithShift);
        gMtcShift = 0;
        locate(3840);
        setRecording(true);
        startPlay();
        sendAt(4000, 0x643C93);
        sendAt(4200, 0x003C83);
        while (playerPosition() < 4600) clockPass();
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
        const int32_t on62 = sendAt(again + 100, 0x503E93);
        sendAt(again + 300, 0x003E83);
        stopPlay();

        const size_t before = notes(mix.events).size();
        EXPECT_EQ(takeFinishedRecordings(song), 2) << timecode;
        const Notes all = notes(mix.events);
        EXPECT_EQ(all.size(), before + 2) << timecode;
        EXPECT_NE(std::find(all.begin(), all.end(), std::tuple<int64_t, int, int>{4000, 60, 200}), all.end()) << timecode;
        EXPECT_NE(std::find(all.begin(), all.end(), std::tuple<int64_t, int, int>{on62, 62, 200}), all.end()) << timecode;
    }
    setSyncSource(kSyncInternal);
    setMtcTimeSource(nullptr);
}

// A stop during the pre-count disarms punch-in: a later plain play past the punch-in tick
// records nothing and leaves the REC. track as it was.
TEST_F(RecordingTest, StoppingDisarmsPunchIn) {
    Track& rec = song.createTrack();
    fill(rec, 1);
    setSong(&song);
    const Notes before = notes(rec.events);
    armPunchIn(3840);
    startPlay();
    while (playerPosition() < 2000) clockPass();
    stopPlay();
    locate(3000);
    startPlay();
    while (playerPosition() < 4500) clockPass();
    EXPECT_FALSE(recordingActive());
    stopPlay();
    EXPECT_EQ(takeFinishedRecordings(song), 0);
    EXPECT_EQ(notes(rec.events), before);
}

// A take whose steps add up to 0 (rewind at once) still holds what was played: it is taken
// as long as its events reach.
TEST(TakeRecordingLength, AZeroLengthTakeWithEventsIsTaken) {
    Song song;
    Track& rec = song.createTrack();
    fill(rec, 1);
    EventList take;
    Event n;
    n.setNote(60, 100, 240);
    take.pushBack(n);
    EXPECT_EQ(takeRecording(song, take, 3840, false), 1);
    EXPECT_EQ(notes(rec.events), (Notes{{3840, 60, 240}, {4800, 41, 240}, {6000, 42, 240}}));
}
