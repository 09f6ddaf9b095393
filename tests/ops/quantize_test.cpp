// Quantize: pattern building, the nearest grid point, gates of notes of one key, the order of
// events meeting on a tick, and one exact undo step around a held-off player.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "model/song.h"
#include "model/track.h"
#include "ops/edit_scope.h"
#include "ops/quantize.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::Full;
using testlists::full;

namespace {

constexpr int kCtl = -1;  // key column of a control change
using Row = std::tuple<int64_t, int, int>;  // tick, key (or kCtl), gate of each non-rest event

// A leading rest, then events at absolute ticks in list order, the list being `length` long.
void fill(Track& t, const std::vector<Row>& rows, int64_t length) {
    Event rest;
    rest.setRest();
    rest.step = int32_t(std::get<0>(rows[0]));
    t.events.pushBack(rest);
    for (size_t i = 0; i < rows.size(); ++i) {
        auto [tick, key, gate] = rows[i];
        Event e;
        if (key == kCtl)
            e.setControl(7, 100);
        else
            e.setNote(uint8_t(key), 100, uint16_t(gate));
        e.step = int32_t((i + 1 < rows.size() ? std::get<0>(rows[i + 1]) : length) - tick);
        t.events.pushBack(e);
    }
}

std::vector<Row> rows(const EventList& l) {
    std::vector<Row> r;
    int64_t t = 0;
    for (const Event& e : l) {
        if (!e.isRest()) r.emplace_back(t, e.kind() == EventKind::Note ? e.b[0] : kCtl, e.kind() == EventKind::Note ? e.gate() : 0);
        t += e.step;
    }
    return r;
}


std::vector<bool> hookCalls;
void recordHook(bool enabled) { hookCalls.push_back(enabled); }

}  // namespace

TEST(Quantize, PatternsAndNearestPoint) {
    using P = QuantizePattern;
    EXPECT_EQ(groovePattern(480, 33), (P{640, 320}));
    EXPECT_EQ(groovePattern(480, 50), (P{720, 240}));
    EXPECT_EQ(groovePattern(480, 0), (P{480, 480}));
    EXPECT_EQ(tupletPattern(480, 7), (P{68, 69, 68, 69, 68, 69, 69}));
    EXPECT_EQ(parsePattern(formatPattern({640, 320})), (P{640, 320}));
    EXPECT_EQ(parsePattern(" 12 | x ||-5|7z|"), (P{12, -5}));
    EXPECT_EQ(parsePattern("99999999999|5|"), (P{5}));  // out of range: dropped
    std::string many;
    for (int i = 0; i < 100; ++i) many += "1|";
    EXPECT_EQ(parsePattern(many).size(), kMaxQuantizeSteps);
    EXPECT_FALSE(patternUsable({}));
    EXPECT_FALSE(patternUsable({5, -5}));

    const std::tuple<P, int64_t, int64_t> cases[] = {  // pattern, position, offset
        {{480}, 240, 240},   // halfway goes to the later point
        {{480}, -100, 100},  // before the measure start: back to it
        {{640, 320}, 1000, -40},
        {{640, 320}, 1300, 300},  // groove points 0, 640, 960, 1600, 1920
        {{480}, 268435000, 200},  // far from the start, still exact
        {{240, 0}, 268435000, -40},
        {{480}, kQuantizeReach + 1, 0},
        {{960, -480}, 500, -20},  // points 0, 960, 480, 1440: the walk stops after 480
    };
    for (auto& [pattern, d, offset] : cases) EXPECT_EQ(nearestGridOffset(pattern, d), offset) << d;
}

// Notes of a range move to their shift; a note keeps its overlap with the next note of its
// key or is cut to end where that note now begins; other events keep their ticks. The grid
// restarts at every measure start (at 3120 after a 5/8 measure), in a phrase only at 0.
TEST(Quantize, RangeMovesNotesAndMendsGates) {
    struct Case {
        const char* name;
        std::vector<Row> in;
        int64_t start, end;
        int rate;
        std::vector<Row> out;
        bool phrase = false;
    } cases[] = {
        {"tie goes later", {{240, 60, 100}}, 0, 1920, 100, {{480, 60, 100}}},
        {"half rate", {{240, 60, 100}}, 0, 1920, 50, {{360, 60, 100}}},
        {"rate 0", {{240, 60, 100}}, 0, 1920, 0, {{240, 60, 100}}},
        {"truncated toward zero", {{1, 60, 100}}, 0, 1920, 50, {{1, 60, 100}}},
        {"overlap kept", {{100, 60, 500}, {200, kCtl, 0}, {500, 60, 100}}, 0, 1920, 100,
         {{0, 60, 580}, {200, kCtl, 0}, {480, 60, 100}}},
        {"cut to the next start", {{250, 64, 600}, {1000, 64, 100}}, 0, 1920, 100, {{480, 64, 480}, {960, 64, 100}}},
        // Both land on 480: the first is cut to 0 and rests, since any note-off of it would
        // come after the second starts and end that one.
        {"meeting on one tick", {{250, 64, 300}, {700, 64, 100}}, 0, 1920, 100, {{480, 64, 100}}},
        {"last of its key keeps a long gate", {{1500, 60, 40000}}, 0, 1920, 100, {{1440, 60, 40000}}},
        {"meeting notes keep their order", {{470, 70, 10}, {480, 72, 10}, {490, 71, 10}}, 0, 1920, 100,
         {{480, 70, 10}, {480, 72, 10}, {480, 71, 10}}},
        {"only the range, moving past an event before it",
         {{100, 60, 10}, {1000, kCtl, 0}, {1100, 61, 10}, {2000, 62, 10}}, 1050, 1920, 100,
         {{100, 60, 10}, {960, 61, 10}, {1000, kCtl, 0}, {2000, 62, 10}}},
        {"each note on its measure's grid", {{1700, 60, 10}, {1930, 61, 10}, {3100, 62, 10}, {3370, 63, 10}}, 0, 7680,
         100, {{1920, 60, 10}, {1920, 61, 10}, {2880, 62, 10}, {3600, 63, 10}}},
        {"phrase", {{3370, 60, 10}}, 0, 7680, 100, {{3360, 60, 10}}, true},
    };
    for (const Case& c : cases) {
        Song song;
        song.setBeat(1, 5, 8);
        Track& t = c.phrase ? song.createPhrase() : song.createTrack();
        fill(t, c.in, 7680);
        quantizeRange(song, t, {480}, c.rate, c.start, c.end);
        EXPECT_EQ(rows(t.events), c.out) << c.name;
        EXPECT_EQ(t.events.length(), 7680) << c.name;
    }
}

// One quantize is one undo step that gives back the list exactly (serials, steps, content),
// redo gives the same result, and the player is held off around the change only.
TEST(Quantize, OneExactUndoStepInsideTheHook) {
    Song song;
    Track& t = song.createTrack();
    fill(t, {{100, 60, 500}, {200, kCtl, 0}, {250, 64, 600}, {500, 60, 100}, {1000, 64, 100}, {1500, 60, 40000}}, 3840);
    const Full before = full(t.events);
    setEditHook(recordHook);
    hookCalls.clear();

    EXPECT_EQ(quantizeRange(song, t, {}, 100, 0, 3840), 0);  // no grid: nothing held off or done
    EXPECT_TRUE(hookCalls.empty());
    EXPECT_FALSE(t.canUndo());

    EXPECT_GT(quantizeRange(song, t, {480}, 100, 0, 3840), 0);
    EXPECT_EQ(hookCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(t.groupDepth(), 0);
    EXPECT_EQ(t.resetFlag, 1);
    const Full after = full(t.events);
    ASSERT_TRUE(t.undo());
    EXPECT_FALSE(t.canUndo());
    EXPECT_EQ(full(t.events), before);
    ASSERT_TRUE(t.redo());
    EXPECT_EQ(full(t.events), after);
    ASSERT_TRUE(t.undo());

    // Selection: the chosen note moves keeping its serial and gate; unknown serials are ignored.
    const uint32_t chosen = std::get<0>(before[3]);  // the note at 250
    hookCalls.clear();
    EXPECT_EQ(quantizeSelection(song, t, {480}, 100, {chosen, 12345678}), 1);
    EXPECT_EQ(hookCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(t.events.tickOf(chosen), 480);
    EXPECT_EQ(t.events.find(chosen)->gate(), 600);
    ASSERT_TRUE(t.undo());
    EXPECT_EQ(full(t.events), before);
    setEditHook(nullptr);
}
