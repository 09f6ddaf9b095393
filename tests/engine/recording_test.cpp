// Recording end to end: messages sent into the loopback output arrive on the loopback input
// while the player records, and taking the recording puts them into the record tracks. The
// clock passes run on a fake clock, one millisecond each, so the run is deterministic.
#include <gtest/gtest.h>

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
    EXPECT_EQ(recordedList().length(), playerPosition() - 3840);

    suspendEngine(false);
    EXPECT_EQ(takeRecording(song, recordedList(), recordStartTick(), playerPlaying()), 2);
    suspendEngine(true);
    const std::tuple<int64_t, int, int> n60{on60, 60, off60 - on60}, n62{on62, 62, off62 - on62};
    EXPECT_EQ(notes(rec.events), (Notes{n60, n62, {6000, 42, 240}}));
    EXPECT_EQ(notes(mix.events), (Notes{{3840, 40, 240}, n60, n62, {4800, 41, 240}, {6000, 42, 240}}));
}
