// Controller lanes: the value under a row, what a lane shows, line, curve and pen writes that
// replace the lane's events, velocity strokes over notes, and one exact undo step for each.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "model/song.h"
#include "model/track.h"
#include "ops/lane.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::full;

namespace {

using Points = std::vector<std::pair<int64_t, int64_t>>;  // tick, value
const GridPattern kQuarter{480};
const Lane kVolume{LaneKind::ControlChange, 7}, kVelocity{LaneKind::Velocity, 0}, kPitch{LaneKind::PitchBend, 0};

// Appends at tick (ticks ascending) a control change, or with key >= 0 a note; returns its serial.
uint32_t put(Track& t, int64_t tick, int value, int key = -1, int controller = 7) {
    Event e, r;
    if (t.events.empty()) r.setRest(), t.events.pushBack(r);
    t.events.back().step += int32_t(tick - t.events.length());
    key < 0 ? e.setControl(uint8_t(controller), uint8_t(value)) : e.setNote(uint8_t(key), uint8_t(value), 100);
    return t.events.pushBack(e)->serial();
}

Points points(const Song& song, const Track& t, Lane lane, int64_t begin = 0, int64_t end = INT64_MAX) {
    Points p;
    for (const LanePoint& l : laneValues(song, t, lane, begin, end)) p.emplace_back(l.tick, l.value);
    return p;
}

}  // namespace

TEST(Lane, ValueUnderARow) {
    Song song;
    song.commands[5].type = 0, song.commands[5].min = 10, song.commands[5].max = 50;
    song.commands[6].type = 1, song.commands[6].max = 16383;
    const Lane tempo{LaneKind::Tempo, 0}, proc{LaneKind::Procedure, 5}, wide{LaneKind::Procedure, 6};
    const std::tuple<Lane, int, int, int64_t> cases[] = {  // lane, y, height, value
        {kVolume, 24, 100, 127}, {kVolume, 124, 100, 0}, {kVolume, 74, 100, 64},
        {kVelocity, 124, 100, 1},  // a velocity of 0 would silence the note
        {kPitch, 74, 100, 0},    {kPitch, 74, 101, 0},   // the middle row of an odd height too
        {kPitch, 24, 100, 8191}, {kPitch, 124, 100, -8192}, {tempo, 124, 100, 30}, {tempo, 0, 100, 240},
        {proc, 24, 100, 50},     {proc, 74, 100, 30},    {proc, 130, 100, 10},     {wide, 74, 100, 8192},
    };
    for (auto [lane, y, h, v] : cases) EXPECT_EQ(laneValueAt(song, lane, y, h), v) << int(lane.kind) << " y " << y;
}

// Points on the grid from t0 to t1, a value written only when it changes; the lane's events
// from t0 to t1 inclusive are replaced (no second event at t1), others of the lane stay.
TEST(Lane, LineAndCurveStrokes) {
    struct Case {
        const char* name; Lane lane; LaneShape shape; int64_t t0, v0, t1, v1; Points out;
    } cases[] = {
        {"line", kVolume, LaneShape::Line, 0, 0, 1920, 127, {{0, 0}, {480, 31}, {960, 63}, {1440, 95}, {1920, 127}, {2400, 40}}},
        {"curve", kVolume, LaneShape::Curve, 0, 0, 1920, 127, {{0, 0}, {480, 86}, {960, 119}, {1440, 126}, {1920, 127}, {2400, 40}}},
        {"curve drawn leftwards", kVolume, LaneShape::Curve, 1920, 127, 0, 0, {{0, 0}, {960, 7}, {1440, 40}, {1920, 127}, {2400, 40}}},
        {"same value once", kVolume, LaneShape::Line, 0, 64, 1920, 64, {{0, 64}, {2400, 40}}},
        {"a click", kVolume, LaneShape::Line, 500, 90, 500, 90, {{500, 90}, {960, 20}, {1920, 30}, {2400, 40}}},
        {"clamped", kVolume, LaneShape::Line, 0, 300, 480, -9, {{0, 127}, {480, 0}, {960, 20}, {1920, 30}, {2400, 40}}},
        {"pitch centre", kPitch, LaneShape::Line, 0, 0, 960, 0, {{0, 0}}},
    };
    for (const Case& c : cases) {
        Song song;
        Track& t = song.createTrack();
        put(t, 960, 20), put(t, 960, 100, 60), put(t, 960, 5, -1, 1), put(t, 1920, 30), put(t, 2400, 40);
        writeLaneStroke(song, t, c.lane, kQuarter, c.shape, c.t0, c.v0, c.t1, c.v1);
        EXPECT_EQ(points(song, t, c.lane), c.out) << c.name;
        EXPECT_EQ(points(song, t, {LaneKind::ControlChange, 1}), (Points{{960, 5}})) << c.name;
        EXPECT_EQ(t.events.length(), 2400) << c.name;
    }
}

// What a lane shows: the value in force at the left edge first, registers left out; a 14-bit
// procedure holds its value over two bytes, written ahead of the events of its tick; the
// velocity lane sets the notes starting in the stroke's span (of the selection when there is
// one) within 1..127, registers excepted.
TEST(Lane, ValuesShownProcedureBytesAndVelocities) {
    Song song;
    song.commands[6].type = 1, song.commands[6].max = 16383;
    Track& t = song.createTrack();
    put(t, 0, 10), put(t, 100, 20), put(t, 300, 130), put(t, 500, 50);  // 130: register $2
    const std::vector<uint32_t> n = {put(t, 600, 100, 60), put(t, 700, 100, 60), put(t, 900, 200, 60), put(t, 2000, 100, 60)};
    EXPECT_EQ(points(song, t, kVolume, 200, 1000), (Points{{100, 20}, {500, 50}}));
    EXPECT_EQ(points(song, t, kVolume, 400, 1000), (Points{{500, 50}}));
    EXPECT_EQ(points(song, t, kVelocity, 650, 1000), (Points{{700, 100}}));

    const Lane proc{LaneKind::Procedure, 6};
    EXPECT_EQ(writeLaneStroke(song, t, proc, {}, LaneShape::Line, 700, 1000, 700, 1000), 1);
    EXPECT_EQ(std::prev(t.events.end(), 4)->b, (std::array<uint8_t, 4>{6, 0, 7, 104}));  // ahead of the note at 700
    EXPECT_EQ(points(song, t, proc), (Points{{700, 1000}}));

    EXPECT_EQ(writeLaneStroke(song, t, kVelocity, {}, LaneShape::Line, 600, 0, 1800, 127, {n[1], n[2]}), 1);
    EXPECT_EQ(points(song, t, kVelocity), (Points{{600, 100}, {700, 10}, {2000, 100}}));
    EXPECT_EQ(writeLaneStroke(song, t, kVelocity, {}, LaneShape::Line, 600, 0, 1800, 127), 1);  // 700 keeps 10
    EXPECT_EQ(points(song, t, kVelocity), (Points{{600, 1}, {700, 10}, {2000, 100}}));
    EXPECT_EQ(t.events.find(n[2])->b[1], 200);
}

// Each write is one undo step giving back the list exactly (a pen stroke as a whole).
TEST(Lane, OneExactUndoStepEach) {
    using Op = std::function<void(Song&, Track&)>;
    const std::pair<const char*, Op> ops[] = {
        {"line", [](Song& s, Track& t) { writeLaneStroke(s, t, kVolume, kQuarter, LaneShape::Line, 0, 0, 1920, 127); }},
        {"velocity", [](Song& s, Track& t) { writeLaneStroke(s, t, kVelocity, kQuarter, LaneShape::Curve, 1920, 0, 0, 127); }},
        {"pen", [](Song& s, Track& t) {
             LanePen pen(s, t, kVolume, kQuarter, {}, 0, 0);
             pen.moveTo(960, 64);
             pen.moveTo(480, 127);
             EXPECT_EQ(points(s, t, kVolume), (Points{{0, 0}, {480, 127}, {960, 64}, {1920, 30}}));
         }},
        {"delete", [](Song& s, Track& t) { EXPECT_EQ(deleteLaneEvents(s, t, kVolume, 0, 1920), 2); }},
    };
    for (const auto& [name, op] : ops) {
        Song song;
        Track& t = song.createTrack();
        put(t, 0, 10), put(t, 960, 100, 60), put(t, 960, 20), put(t, 1920, 30);
        const auto before = full(t.events);
        op(song, t);
        EXPECT_EQ(t.groupDepth(), 0) << name;
        const auto after = full(t.events);
        EXPECT_NE(after, before) << name;
        ASSERT_TRUE(t.undo()) << name;
        EXPECT_FALSE(t.canUndo()) << name;
        EXPECT_EQ(full(t.events), before) << name;
        ASSERT_TRUE(t.redo()) << name;
        EXPECT_EQ(full(t.events), after) << name;
    }
}
