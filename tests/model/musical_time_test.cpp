#include <gtest/gtest.h>

#include <array>

#include "model/musical_time.h"
#include "model/song.h"

using namespace tarvio;

namespace {

struct Pos {
    int32_t tick;
    int m, b, t;
};

template <class Timeline>
void expectPositions(const Timeline& s, std::initializer_list<Pos> cases) {
    for (const Pos& c : cases) {
        MusicalPosition p = tickToPosition(s, c.tick);
        EXPECT_EQ((std::array<int, 3>{p.measure, p.beat, p.tick}), (std::array<int, 3>{c.m, c.b, c.t})) << c.tick;
    }
}

// Appends a tempo event gapBefore ticks after the last one (or the start).
void addTempo(Song& s, int32_t gapBefore, uint32_t bpm) {
    auto& ev = s.tempoTrack->events;
    if (ev.empty()) ev.makeBoundary(gapBefore);  // a rest fills the gap
    else ev.back().step = gapBefore;
    Event t;
    t.setTempo(bpm);
    ev.pushBack(t);
}

}  // namespace

TEST(MusicalTime, PositionsAcrossSignatures) {
    Song s;
    EXPECT_EQ(measureToTick(s, 2), 3840);
    EXPECT_EQ(measureToTick(s, -3), 0);
    expectPositions(s, {{3840, 2, 0, 0}, {3839, 1, 3, 479}, {1, 0, 0, 1}, {-50, 0, 0, 0}});

    s.setBeat(1, 3, 4);
    EXPECT_EQ(measureToTick(s, 1), 1920);
    EXPECT_EQ(measureToTick(s, 2), 3360);
    EXPECT_EQ(measureToTick(s, 4), 1920 + 3 * 1440);
    expectPositions(s, {{3360, 2, 0, 0}, {3359, 1, 2, 479}});

    s.setBeat(3, 6, 8);  // eighth-note beats from measure 3
    EXPECT_EQ(measureToTick(s, 5), 1920 + 2 * 1440 + 2 * 1440);
    expectPositions(s, {{1920 + 2 * 1440 + 240 * 5 + 7, 3, 5, 7}});
    for (int32_t m = 0; m < 12; ++m) EXPECT_EQ(tickToPosition(s, measureToTick(s, m)).measure, m);

    for (int den : {1, 2, 4, 8, 16, 32, 64, 128}) {
        s.setBeat(0, 3, uint8_t(den));
        expectPositions(s, {{0, 0, 0, 0}});
    }
}

TEST(MusicalTime, TruncationWithCoarseResolution) {
    Song s;
    s.tpqn = 48;
    s.setBeat(0, 3, 128);  // beat 1.5 ticks -> 1, measure 4.5 -> 4
    EXPECT_EQ(measureLength(s, 0), 4);
    EXPECT_EQ(measureToTick(s, 3), 12);
    expectPositions(s, {{10, 2, 2, 0}, {12, 3, 0, 0}, {13, 3, 1, 0}});
    s.setBeat(2, 4, 4);
    EXPECT_EQ(measureToTick(s, 3), 8 + 192);
    expectPositions(s, {{8 + 50, 2, 1, 2}});
}

TEST(MusicalTime, PhraseHasOneMeasure) {
    Song s;
    Track& p = s.createPhrase();
    p.phraseLength = 777;
    EXPECT_EQ(measureToTick(p, 1), 0x7FFFFFFF);
    EXPECT_EQ(measureLength(p, 3), 777);
    expectPositions(p, {{5000, 0, 0, 5000}});
    EXPECT_EQ(measureToTick(s.createTrack(), 1), 1920);
}

TEST(MusicalTime, TickToMilliseconds) {
    Song s;
    EXPECT_EQ(tickToMs(s, 480), 500);
    addTempo(s, 960, 60);
    EXPECT_EQ(tickToMs(s, 960), 1000);
    EXPECT_EQ(tickToMs(s, 1440), 2000);
    EXPECT_EQ(tickToMs(s, 500), 520);  // still 120 before the change
    addTempo(s, 480, 0x10000 + 240);    // only the low 16 bits count
    EXPECT_EQ(tickToMs(s, 1440 + 480), 2250);
    for (int64_t ms : {0, 1, 499, 500, 1000, 1001, 2000, 2249, 2250, 5000}) {
        int64_t tick = msToTick(s, ms);
        EXPECT_GE(tickToMs(s, tick), ms) << ms;
        if (tick > 0) {
            EXPECT_LT(tickToMs(s, tick - 1), ms) << ms;
        }
    }

    // Each finished segment truncates on its own: a tick at 120/480 lasts 1.04 ms.
    Song t;
    EXPECT_EQ(tickToMs(t, 24), 25);
    addTempo(t, 1, 120);
    EXPECT_EQ(tickToMs(t, 24), 1 + 23);
    Song u;
    u.tpqn = 960;  // the resolution changes how long a tick lasts
    EXPECT_EQ(tickToMs(u, 960), 500);
}

TEST(MusicalTime, Formats) {
    EXPECT_EQ(formatPosition(MusicalPosition{2, 0, 0}), "    3: 1:    0");
    EXPECT_EQ(formatPosition(MusicalPosition{122, 3, 479}), "  123: 4:  479");
    EXPECT_EQ(formatTime(0), "  0:00:000");
    EXPECT_EQ(formatTime(61234), "  1:01:234");
    EXPECT_EQ(formatTime(3600000 + 59999), " 60:59:999");
}
