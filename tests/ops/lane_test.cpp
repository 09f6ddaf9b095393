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
const Lane kVolume{LaneKind::ControlChange, 7};

// Appends e at tick (ticks ascending), padding with a rest at the start.
void put(Track& t, int64_t tick, Event e) {
    if (t.events.empty()) {
        Event r;
        r.setRest();
        t.events.pushBack(r);
    }
    t.events.back().step = int32_t(tick - (t.events.length() - t.events.back().step));
    e.step = 0;
    t.events.pushBack(e);
}
Event cc(int number, int value) {
    Event e;
    e.setControl(uint8_t(number), uint8_t(value));
    return e;
}
Event note(int key, int velocity) {
    Event e;
    e.setNote(uint8_t(key), uint8_t(velocity), 100);
    return e;
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
    song.commands[6].type = 1, song.commands[6].min = 0, song.commands[6].max = 16383;
    const Lane pitch{LaneKind::PitchBend, 0}, tempo{LaneKind::Tempo, 0};
    const std::tuple<Lane, int, int, int64_t> cases[] = {  // lane, y, height, value
        {kVolume, 24, 100, 127},          {kVolume, 124, 100, 0},        {kVolume, 74, 100, 64},
        {{LaneKind::Velocity, 0}, 124, 100, 1},  // a velocity of 0 would silence the note
        {pitch, 74, 100, 0},              {pitch, 74, 101, 0},           // the middle row of an odd height too
        {pitch, 24, 100, 8191},           {pitch, 124, 100, -8192},
        {tempo, 124, 100, 30},            {tempo, 0, 100, 240},
        {{LaneKind::Procedure, 5}, 24, 100, 50}, {{LaneKind::Procedure, 5}, 74, 100, 30},
        {{LaneKind::Procedure, 5}, 130, 100, 10}, {{LaneKind::Procedure, 6}, 74, 100, 8192},
    };
    for (auto [lane, y, h, v] : cases) EXPECT_EQ(laneValueAt(song, lane, y, h), v) << int(lane.kind) << " y " << y;
    EXPECT_EQ(laneY(song, kVolume, 0, 100), 124);
    EXPECT_EQ(laneY(song, pitch, 8191, 100), 24);
    EXPECT_EQ(laneY(song, tempo, 30, 100), 124);
    const std::tuple<int, LaneKind, int> ids[] = {{2005, LaneKind::ControlChange, 5}, {2130, LaneKind::Procedure, 2},
                                                  {3999, LaneKind::Procedure, 999}, {2410, LaneKind::KeyPressure, 10},
                                                  {2385, LaneKind::PitchBend, 0},   {2387, LaneKind::Tempo, 0}};
    for (auto [id, kind, param] : ids) {
        Lane l;
        ASSERT_TRUE(laneFromCommand(id, l)) << id;
        EXPECT_EQ(std::make_pair(l.kind, l.param), std::make_pair(kind, param)) << id;
    }
    Lane l;
    EXPECT_FALSE(laneFromCommand(2388, l));
}

// Points on the grid from t0 to t1, a value written only when it changes; the lane's events
// from t0 to t1 inclusive are replaced (no second event at t1), others of the lane stay.
TEST(Lane, LineAndCurveStrokes) {
    struct Case {
        const char* name;
        Lane lane;
        LaneShape shape;
        int64_t t0, v0, t1, v1;
        Points out;
    } cases[] = {
        {"line", kVolume, LaneShape::Line, 0, 0, 1920, 127, {{0, 0}, {480, 31}, {960, 63}, {1440, 95}, {1920, 127}, {2400, 40}}},
        {"curve", kVolume, LaneShape::Curve, 0, 0, 1920, 127, {{0, 0}, {480, 86}, {960, 119}, {1440, 126}, {1920, 127}, {2400, 40}}},
        {"curve drawn leftwards", kVolume, LaneShape::Curve, 1920, 127, 0, 0, {{0, 0}, {960, 7}, {1440, 40}, {1920, 127}, {2400, 40}}},
        {"same value once", kVolume, LaneShape::Line, 0, 64, 1920, 64, {{0, 64}, {2400, 40}}},
        {"a click", kVolume, LaneShape::Line, 500, 90, 500, 90, {{500, 90}, {960, 20}, {1920, 30}, {2400, 40}}},
        {"clamped", kVolume, LaneShape::Line, 0, 300, 480, -9, {{0, 127}, {480, 0}, {960, 20}, {1920, 30}, {2400, 40}}},
        {"pitch centre", {LaneKind::PitchBend, 0}, LaneShape::Line, 0, 0, 960, 0, {{0, 0}}},
    };
    for (const Case& c : cases) {
        Song song;
        Track& t = song.createTrack();
        put(t, 960, cc(7, 20));
        put(t, 960, note(60, 100));
        put(t, 960, cc(1, 5));
        put(t, 1920, cc(7, 30));
        put(t, 2400, cc(7, 40));
        writeLaneStroke(song, t, c.lane, kQuarter, c.shape, c.t0, c.v0, c.t1, c.v1);
        EXPECT_EQ(points(song, t, c.lane), c.out) << c.name;
        EXPECT_EQ(points(song, t, {LaneKind::ControlChange, 1}), (Points{{960, 5}})) << c.name;
        EXPECT_EQ(t.events.length(), 2400) << c.name;
    }
    // Written events go ahead of the note they share a tick with; pitch 0 is stored as 64, 0.
    Song song;
    Track& t = song.createTrack();
    put(t, 960, note(60, 100));
    writeLaneStroke(song, t, {LaneKind::PitchBend, 0}, kQuarter, LaneShape::Line, 960, 0, 960, 0);
    ASSERT_EQ(t.events.size(), 3u);
    EXPECT_EQ(std::next(t.events.begin())->b, (std::array<uint8_t, 4>{64, 0, 0, 0}));
    EXPECT_EQ(t.events.back().kind(), EventKind::Note);
}

// What a lane shows: the value in force at the left edge first, registers left out; a
// 14-bit procedure holds its value over two bytes.
TEST(Lane, ValuesShownAndProcedureBytes) {
    Song song;
    song.commands[6].type = 1, song.commands[6].max = 16383;
    Track& t = song.createTrack();
    put(t, 0, cc(7, 10));
    put(t, 100, cc(7, 20));
    put(t, 300, cc(7, 130));  // register $2
    put(t, 500, cc(7, 50));
    put(t, 600, note(60, 100));
    EXPECT_EQ(points(song, t, kVolume, 200, 1000), (Points{{100, 20}, {500, 50}}));
    EXPECT_EQ(points(song, t, kVolume, 400, 1000), (Points{{500, 50}}));
    EXPECT_EQ(points(song, t, {LaneKind::Velocity, 0}, 200, 1000), (Points{{600, 100}}));

    const Lane proc{LaneKind::Procedure, 6};
    EXPECT_EQ(writeLaneStroke(song, t, proc, {}, LaneShape::Line, 700, 1000, 700, 1000), 1);
    EXPECT_EQ(t.events.back().b, (std::array<uint8_t, 4>{6, 0, 7, 104}));
    EXPECT_EQ(points(song, t, proc), (Points{{700, 1000}}));
}

// On the velocity lane the stroke sets the velocity of the notes starting in its span (of the
// selection when there is one), within 1..127; register velocities and other notes stay.
TEST(Lane, VelocityStroke) {
    const std::pair<std::vector<size_t>, Points> cases[] = {
        {{}, {{0, 1}, {500, 33}, {1440, 95}, {2000, 100}}},
        {{1, 2}, {{0, 100}, {500, 33}, {1440, 100}, {2000, 100}}},
    };
    for (const auto& [chosen, out] : cases) {
        Song song;
        Track& t = song.createTrack();
        std::vector<uint32_t> serials;
        for (auto [tick, vel] : Points{{0, 100}, {500, 100}, {960, 200}, {1440, 100}, {2000, 100}}) {
            put(t, tick, note(60, int(vel)));
            serials.push_back(t.events.back().serial());
        }
        std::vector<uint32_t> sel;
        for (size_t i : chosen) sel.push_back(serials[i]);
        writeLaneStroke(song, t, {LaneKind::Velocity, 0}, {}, LaneShape::Line, 0, 0, 1920, 127, sel);
        EXPECT_EQ(points(song, t, {LaneKind::Velocity, 0}), out);
        EXPECT_EQ(t.events.find(serials[2])->b[1], 200);
    }
}

// Each write is one undo step giving back the list exactly (a pen stroke as a whole).
TEST(Lane, OneExactUndoStepEach) {
    using Op = std::function<void(Song&, Track&)>;
    const std::pair<const char*, Op> ops[] = {
        {"line", [](Song& s, Track& t) { writeLaneStroke(s, t, kVolume, kQuarter, LaneShape::Line, 0, 0, 1920, 127); }},
        {"velocity", [](Song& s, Track& t) {
             writeLaneStroke(s, t, {LaneKind::Velocity, 0}, kQuarter, LaneShape::Curve, 1920, 0, 0, 127);
         }},
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
        put(t, 0, cc(7, 10));
        put(t, 960, note(60, 100));
        put(t, 960, cc(7, 20));
        put(t, 1920, cc(7, 30));
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
