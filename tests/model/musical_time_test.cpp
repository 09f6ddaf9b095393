#include <gtest/gtest.h>

#include "model/musical_time.h"
#include "model/song.h"

using namespace tarvio;

namespace {

void expectPos(const MusicalPosition& p, int m, int b, int t) {
    EXPECT_EQ(p.measure, m);
    EXPECT_EQ(p.beat, b);
    EXPECT_EQ(p.tick, t);
}

void addTempo(Song& s, int32_t gapBefore, uint32_t bpm) {
    auto& ev = s.tempoTrack->events;
    if (!ev.empty()) ev.back().step = gapBefore;
    else if (gapBefore > 0) {
        Event r;
        r.setRest();
        r.step = gapBefore;
        ev.pushBack(r);
    }
    Event t;
    t.setTempo(bpm);
    ev.pushBack(t);
}

}  // namespace

TEST(MusicalTime, FourFour) {
    Song s;
    EXPECT_EQ(measureToTick(s, 2), 3840);
    EXPECT_EQ(measureToTick(s, 0), 0);
    EXPECT_EQ(measureToTick(s, -3), 0);
    MusicalPosition p = tickToPosition(s, 3840);
    expectPos(p, 2, 0, 0);
    EXPECT_EQ(formatPosition(p), "    3: 1:    0");
    expectPos(tickToPosition(s, 3839), 1, 3, 479);
    expectPos(tickToPosition(s, 1), 0, 0, 1);
    expectPos(tickToPosition(s, -50), 0, 0, 0);
    EXPECT_EQ(measureLength(s, 7), 1920);
}

TEST(MusicalTime, SignatureChanges) {
    Song s;
    s.setBeat(1, 3, 4);
    EXPECT_EQ(measureToTick(s, 1), 1920);
    EXPECT_EQ(measureToTick(s, 2), 3360);
    EXPECT_EQ(measureToTick(s, 4), 1920 + 3 * 1440);
    expectPos(tickToPosition(s, 3360), 2, 0, 0);
    expectPos(tickToPosition(s, 3359), 1, 2, 479);

    s.setBeat(3, 6, 8);  // eighth-note beats from measure 3
    EXPECT_EQ(measureToTick(s, 5), 1920 + 2 * 1440 + 2 * 1440);
    expectPos(tickToPosition(s, 1920 + 2 * 1440 + 240 * 5 + 7), 3, 5, 7);
    for (int32_t m = 0; m < 12; ++m) expectPos(tickToPosition(s, measureToTick(s, m)), m, 0, 0);

    for (int den : {1, 2, 4, 8, 16, 32, 64, 128}) {
        Song z;
        z.setBeat(0, 3, uint8_t(den));
        expectPos(tickToPosition(z, 0), 0, 0, 0);
    }
}

TEST(MusicalTime, TruncationWithCoarseResolution) {
    Song s;
    s.tpqn = 48;
    s.setBeat(0, 3, 128);  // beat 1.5 ticks -> 1, measure 4.5 -> 4
    EXPECT_EQ(measureLength(s, 0), 4);
    EXPECT_EQ(measureToTick(s, 3), 12);
    expectPos(tickToPosition(s, 10), 2, 2, 0);
    expectPos(tickToPosition(s, 12), 3, 0, 0);
    expectPos(tickToPosition(s, 13), 3, 1, 0);

    // A change later on: 4/4 from measure 2.
    s.setBeat(2, 4, 4);
    EXPECT_EQ(measureToTick(s, 3), 8 + 192);
    expectPos(tickToPosition(s, 8 + 50), 2, 1, 2);
}

TEST(MusicalTime, PhraseHasOneMeasure) {
    Song s;
    Track& p = s.createPhrase();
    p.phraseLength = 777;
    EXPECT_EQ(measureToTick(p, 0), 0);
    EXPECT_EQ(measureToTick(p, 1), 0x7FFFFFFF);
    expectPos(tickToPosition(p, 5000), 0, 0, 5000);
    EXPECT_EQ(measureLength(p, 3), 777);

    Track& t = s.createTrack();
    EXPECT_EQ(measureToTick(t, 1), 1920);
    expectPos(tickToPosition(t, 1921), 1, 0, 1);
}

TEST(MusicalTime, TickToMilliseconds) {
    Song s;
    EXPECT_EQ(tickToMs(s, 480), 500);
    EXPECT_EQ(tickToMs(s, 0), 0);
    addTempo(s, 960, 60);
    EXPECT_EQ(tickToMs(s, 960), 1000);
    EXPECT_EQ(tickToMs(s, 1440), 2000);
    EXPECT_EQ(tickToMs(s, 500), 520);  // still 120 before the change
    addTempo(s, 480, 0x10000 + 240);    // only the low 16 bits count
    EXPECT_EQ(tickToMs(s, 1440 + 480), 2250);

    // Each finished segment is truncated on its own: a tick at 120/480 lasts 1.04 ms.
    Song t;
    EXPECT_EQ(tickToMs(t, 24), 25);
    addTempo(t, 1, 120);
    EXPECT_EQ(tickToMs(t, 1), 1);
    EXPECT_EQ(tickToMs(t, 24), 1 + 23);

    for (int64_t ms : {0, 1, 499, 500, 1000, 1001, 2000, 2249, 2250, 5000}) {
        int64_t tick = msToTick(s, ms);
        EXPECT_GE(tickToMs(s, tick), ms) << ms;
        if (tick > 0) {
            EXPECT_LT(tickToMs(s, tick - 1), ms) << ms;
        }
    }
}

TEST(MusicalTime, ChangingResolutionChangesDuration) {
    Song s;
    EXPECT_EQ(tickToMs(s, 960), 1000);
    s.tpqn = 960;
    EXPECT_EQ(tickToMs(s, 960), 500);
}

TEST(MusicalTime, Formats) {
    EXPECT_EQ(formatPosition(MusicalPosition{0, 0, 0}), "    1: 1:    0");
    EXPECT_EQ(formatPosition(MusicalPosition{122, 3, 479}), "  123: 4:  479");
    EXPECT_EQ(formatTime(0), "  0:00:000");
    EXPECT_EQ(formatTime(61234), "  1:01:234");
    EXPECT_EQ(formatTime(3600000 + 59999), " 60:59:999");
}
