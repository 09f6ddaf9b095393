// Grid arithmetic: the selector table, track list snapping and the grid points of a pattern.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "model/song.h"
#include "ops/grid.h"

using namespace tarvio;

struct GridCase {
    std::vector<BeatEntry> beats;  // signature changes over 4/4 at TPQN 480
    GridPattern pattern;           // track list cases: {grid index}
    int32_t t, want[4];
};

static void setUp(Song& s, const std::vector<BeatEntry>& beats) {
    for (const BeatEntry& b : beats) s.setBeat(b.measure, b.numerator, b.denominator);
}

TEST(Grid, TableNamesAndSteps) {
    EXPECT_EQ(gridEntryName(2), "   全音符");
    EXPECT_EQ(gridEntryName(17), "128分音符 .");
    EXPECT_EQ(gridEntryName(22), " 16分音符 /3");
    EXPECT_EQ(gridEntryName(kGridEntryCount), "");
    const int at480[24] = {1920, 960, 480, 240, 120, 60, 30, 15, 2880, 1440, 720, 360,
                           180,  90,  45,  22,  640, 320, 160, 80, 40, 20, 10, 5};
    for (int e = 2; e < kGridEntryCount; ++e) EXPECT_EQ(gridPattern(e, 480), GridPattern{at480[e - 2]}) << e;
    EXPECT_EQ(gridPattern(25, 1), GridPattern{1});  // never a zero step
    EXPECT_TRUE(gridPattern(0, 480, {480}).empty());
    EXPECT_EQ(gridPattern(1, 480, {0, 300, -5, 180}), (GridPattern{300, 180}));
}

TEST(Grid, TrackListSnapping) {  // want[0] at zoom 39.5625
    const GridCase cases[] = {
        {{}, {3}, 240, {480}},  // quarter: ties round up
        {{}, {3}, 1920 + 250, {2400}},
        {{{1, 3, 4}}, {1}, 1920 + 1000, {3360}},  // never past the next measure
        {{}, {0}, 1000, {960}},                   // no grid: by zoom
        {{}, {3}, INT_MAX, {INT_MAX - INT_MAX % 1920}},
    };
    for (const GridCase& c : cases) {
        Song s;
        setUp(s, c.beats);
        EXPECT_EQ(snapTrackListTick(s, c.pattern[0], 39.5625, c.t), c.want[0]) << c.t;
    }
    Song s;
    EXPECT_EQ(snapTrackListTick(s, 0, 300, INT_MAX), INT_MAX - INT_MAX % 1920);  // no overflow
    s.tpqn = 1;  // a 128th step of 0 ticks falls back to the zoom
    EXPECT_EQ(snapTrackListTick(s, 7, 39.5625, 1000), 960);
}

TEST(Grid, PointsRestartAtEveryMeasure) {  // want: floor, next, nearest, cell
    const GridCase cases[] = {
        {{}, {480}, 240, {0, 480, 480, 0}},  // tie goes later
        {{}, {480}, 480, {480, 960, 480, 0}},
        {{{0, 3, 4}}, {480}, 961, {960, 1440, 960, 960}},  // next stops at the measure end
        {{}, {1440}, 1920 + 1500, {3360, 3840, 3360, 3360}},
        {{}, {0, 300, -7, 180}, 800, {780, 960, 780, 780}},  // cycles, skipping unusable steps
        {{}, {0}, 700, {700, 701, 700, 699}},                // no grid
        {{}, {7}, INT_MAX - 1, {INT_MAX - 1, INT_MAX, INT_MAX - 1, INT_MAX - 8}},
        {{}, {}, INT_MAX, {INT_MAX, INT_MAX, INT_MAX, INT_MAX - 1}},
        {{{1, 0, 4}, {2, 4, 4}}, {2880}, 1920, {1920, 3840, 1920, 0}},  // after an empty measure
    };
    for (const GridCase& c : cases) {
        Song s;
        setUp(s, c.beats);
        const int32_t got[4] = {gridFloor(s, c.pattern, c.t), gridNext(s, c.pattern, c.t),
                                gridNearest(s, c.pattern, c.t), gridCell(s, c.pattern, c.t)};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], c.want[i]) << c.t << " #" << i;
    }
    Song endless;  // every measure empty: one measure from 0 that never ends
    endless.tpqn = 0;
    EXPECT_EQ(gridNext(endless, {100}, 250), 300);
}
