// The metronome's clicks and the time-code writer.
#include <utility>

#include "player_fixture.h"

using namespace tarvio;
using namespace enginetest;

namespace {

class MetronomeTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MetronomeSettings m;
        m.on = 1;
        setMetronome(m);
    }
    std::vector<int> clicks() const {
        std::vector<int> out;
        for (const Sent& s : rec.withStatus(0x99)) out.push_back(s.bytes[1]);
        return out;
    }
};

TEST_F(MetronomeTest, ThreeFourClicksStrongWeakWeakAndEndsEachClickFirst) {
    song.initialBeat = {0, 3, 4};
    setSong(&song);
    startPlay();
    passes(2200);
    const std::vector<int> c = clicks();
    ASSERT_GE(c.size(), 5u);
    EXPECT_EQ(std::vector<int>(c.begin(), c.begin() + 5), (std::vector<int>{34, 33, 33, 34, 33}));
    bool first = true;  // every later click ends the one before first
    for (size_t i = 1; i < rec.sent.size(); ++i) {
        if (rec.sent[i].status() == 0x99 && !std::exchange(first, false)) {
            EXPECT_EQ(rec.sent[i - 1].status(), 0x89);
        }
    }
}

TEST_F(MetronomeTest, DownbeatClicksOnlyWhenPlayStartsOnItAndStoppingEndsTheClickAtOnce) {
    setSong(&song);
    locate(490);  // inside the second beat
    startPlay();
    passes(5);
    EXPECT_TRUE(clicks().empty());
    passes(600);
    EXPECT_EQ(clicks(), std::vector<int>{33});
    stopPlay();
    rec.sent.clear();
    locate(1920);
    startPlay();
    passes(10);
    ASSERT_EQ(clicks(), std::vector<int>{34});
    stopPlay();
    EXPECT_EQ(rec.sent.back().bytes, (std::vector<uint8_t>{0x89, 34, 64}));
    const size_t count = rec.sent.size();
    passes(600);
    EXPECT_EQ(rec.sent.size(), count);
}

TEST(MtcTimeRecord, ConvertsForEveryRate) {
    EXPECT_EQ(timeRecordOf(3723550, kMtc24), (TimeRecord{1, 2, 3, 13, 4}));
    EXPECT_EQ(timeRecordOf(3723550, kMtc25), (TimeRecord{1, 2, 3, 13, 7}));
    EXPECT_EQ(timeRecordOf(3723550, kMtc30), (TimeRecord{1, 2, 3, 16, 2}));
    EXPECT_EQ(timeRecordOf(3723550, kMtc30Drop), (TimeRecord{1, 2, 3, 18, 1}));  // minute 2 drops frames
    EXPECT_EQ(timeRecordOf(603550, kMtc30Drop), (TimeRecord{0, 10, 3, 16, 2}));   // minute 10 does not
}

using MtcOutTest = EngineTest;

TEST_F(MtcOutTest, QuarterFramesStartWithPieceZeroAndStartAgainAfterAJump) {
    setMtcOutPort(1);
    setMtcOutRate(kMtc30);
    setMtcOutput(true);
    for (uint32_t ms = 1010; ms <= 1200; ++ms) mtcOutputPass(ms);  // 1010 is in piece 1
    std::vector<Sent> qf = rec.withStatus(0xF1);
    ASSERT_GE(qf.size(), 8u);
    std::vector<int> pieces;  // piece number and nibble: frame 2 of 0:00:01, 30 fps
    for (size_t i = 0; i < 8; ++i) pieces.push_back(qf[i].port * 0x100 + qf[i].bytes[1]);
    EXPECT_EQ(pieces, (std::vector<int>{0x102, 0x110, 0x121, 0x130, 0x140, 0x150, 0x160, 0x176}));

    rec.sent.clear();
    for (uint32_t ms = 1710; ms <= 1800; ++ms) mtcOutputPass(ms);  // 509 ms on: frame 21, piece 5
    qf = rec.withStatus(0xF1);
    ASSERT_FALSE(qf.empty());
    EXPECT_EQ(qf.front().bytes[1], 0x06);  // piece 0 of frame 22
}

}  // namespace
