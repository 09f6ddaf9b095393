// The clock pass on a fake clock: wind and time-code chase.
#include "player_fixture.h"

using namespace tarvio;
using namespace enginetest;

namespace {

class ClockPassTest : public EngineTest {
protected:
    // A program at tick 0, so that every chase shows as one more program change, then a long note.
    void programAndLongNote() {
        tarvio::Event program;
        program.setProgram(7);
        track({program, note(60, 100000)});
        setSong(&song);
    }
};

uint32_t gMtc = 0;
uint32_t fakeMtc() { return gMtc; }

TEST_F(ClockPassTest, FastForwardWhilePlayingIsCappedAndSlowedWhileRecording) {
    programAndLongNote();
    startPlay();
    passes(5);
    // Ticks gained by one pass that comes extra milliseconds late (0.96 ticks per ms).
    auto jump = [&](uint32_t lateMs) {
        const int32_t before = playerPosition();
        clock.now += lateMs;
        passes(1);
        return playerPosition() - before;
    };
    setWindFlags(true, true, false);
    EXPECT_EQ(jump(199), 480);  // 200 ms x 4, capped at 500 ms
    setWindFlags(false, true, false);
    EXPECT_EQ(jump(99), 192);  // 100 ms x 2
    setRecording(true);
    EXPECT_EQ(jump(99), 96);  // real time while recording
}

TEST_F(ClockPassTest, RewindStopsAtZeroAndPlaysOnWithAFreshChaseWhenReleased) {
    programAndLongNote();
    startPlay();
    passes(100);
    ASSERT_GT(playerPosition(), 50);
    setWindFlags(false, false, true);
    clock.now += 100;  // a step of 9 ticks per ms reaches below 0
    passes(1);
    EXPECT_FALSE(playerPlaying());
    EXPECT_EQ(playerPosition(), 0);
    passes(5);
    EXPECT_EQ(playerPosition(), 0);
    rec.sent.clear();
    setWindFlags(false, false, false);
    passes(1);
    EXPECT_TRUE(playerPlaying());
    passes(5);
    EXPECT_EQ(rec.withStatus(0xC0).size(), 1u);  // tick 0 plays again
}

TEST_F(ClockPassTest, TimeCodeJumpOfASecondRelocatesAndASmallerOneIsAbsorbed) {
    programAndLongNote();
    setSyncSource(kSyncMtc);
    setMtcTimeSource(&fakeMtc);
    gMtc = 0;
    startPlay();
    passes(10);
    EXPECT_EQ(playerPosition(), 0);  // the song waits for the time code

    gMtc = playTimeMs() + 999;
    passes(1);
    EXPECT_EQ(playerPosition(), 959);
    EXPECT_EQ(rec.withStatus(0xC0).size(), 1u);

    gMtc = playTimeMs() + 1000;
    passes(1);
    EXPECT_TRUE(playerPlaying());
    EXPECT_EQ(playerPosition(), int32_t(gMtc * 0.96));
    EXPECT_EQ(rec.withStatus(0xC0).size(), 2u);  // chased again at the new place
}

}  // namespace
