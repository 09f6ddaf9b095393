// Grid editor note edits: pixels to ticks and keys, creating, moving, resizing, selecting,
// cutting, joining and function-key gates, and one exact undo step for each.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

#include "model/song.h"
#include "model/track.h"
#include "ops/grid_notes.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::full;
using testlists::notes;
using testlists::Notes;

namespace {

constexpr int kCtl = 200;  // key column of a control change (volume) in a row
using Row = std::tuple<int64_t, int, int>;  // tick, key or kCtl, gate

// Events at ticks in list order (a rest ahead of the first when it starts later), the list
// being `length` long; returns their serials.
std::vector<uint32_t> fill(Track& t, const std::vector<Row>& rows, int64_t length) {
    std::vector<uint32_t> serials;
    auto reach = [&](int64_t tick) { t.events.back().step += int32_t(tick - t.events.length()); };
    for (auto [tick, key, gate] : rows) {
        Event e, r;
        if (t.events.empty() && tick > 0) r.setRest(), t.events.pushBack(r);
        if (!t.events.empty()) reach(tick);
        key == kCtl ? e.setControl(7, 100) : e.setNote(uint8_t(key), 100, uint16_t(gate));
        serials.push_back(t.events.pushBack(e)->serial());
    }
    reach(length);
    return serials;
}

const GridPattern kQuarter{480};

}  // namespace

TEST(GridNotes, PaneGeometry) {
    const NotePaneGeometry g{48, 1000, 100, 8};
    EXPECT_EQ(std::make_tuple(paneTickAt(g, 480, 24), paneTickAt(g, 480, -200), paneTickDelta(g, 480, -5)),
              std::make_tuple(1480, 0, -100));  // clamped at 0
    EXPECT_EQ(std::make_pair(paneKeyAt(g, 15), paneKeyAt(g, 8 * 101)), std::make_pair(99, -1));  // not clamped
    for (auto [dy, dk] : {std::pair{-8, 1}, {-4, 1}, {-3, 0}, {4, 0}, {5, -1}, {-17, 2}}) EXPECT_EQ(paneKeyDelta(g, dy), dk) << dy;
}

// Start on the cell of the press, end on the grid point after the release, at least one step
// when snapping and max(TPQN / 128, 1) ticks always; keys outside 0..127 create nothing.
TEST(GridNotes, CreateFromPressAndRelease) {
    struct Case {
        const char* name; GridPattern grid; int32_t press, release; bool snap; int key, velocity; Notes out;
    } cases[] = {
        {"click", kQuarter, 500, 500, true, 60, 100, {{480, 7, 0}, {480, 60, 480}}},  // after what is on its tick
        {"click on a grid line", kQuarter, 480, 480, true, 60, 100, {{0, 60, 960}, {480, 7, 0}}},
        {"drag", kQuarter, 100, 1000, true, 60, 100, {{0, 60, 1440}, {480, 7, 0}}},
        {"drag left, no snap", kQuarter, 1000, 200, false, 60, 100, {{480, 7, 0}, {960, 60, 3}}},
        {"no grid", {}, 500, 500, true, 60, 100, {{480, 7, 0}, {499, 60, 3}}},
        {"longest gate", {}, 1, 200000, false, 60, 100, {{0, 60, 65535}, {480, 7, 0}}},
        {"velocity 0 still sounds", kQuarter, 500, 500, true, 60, 0, {{480, 7, 0}, {480, 60, 480}}},
        {"key 128", kQuarter, 500, 500, true, 128, 100, {{480, 7, 0}}},
        {"key -1", kQuarter, 500, 500, true, -1, 100, {{480, 7, 0}}},
    };
    for (const Case& c : cases) {
        Song song;
        Track& t = song.createTrack();
        fill(t, {{480, kCtl, 0}}, 1920);
        const uint32_t s = createNote(song, t, c.grid, c.press, c.key, c.release, c.snap, c.velocity);
        EXPECT_EQ(notes(t.events), c.out) << c.name;
        EXPECT_EQ(s != 0, c.out.size() == 2) << c.name;
        EXPECT_TRUE(!s || t.events.find(s)->b[1] == std::max(c.velocity, 1)) << c.name;
        EXPECT_EQ(t.events.length(), 1920) << c.name;
    }
}

// The earliest selected note decides the time offset (snapped to the nearest point); keys move
// together within 0..127; moved notes land after what is on their tick; others stay.
TEST(GridNotes, MoveTransposeResizeDelete) {
    // sel: indexes into in; op: m move, S snapped move, t transpose, r resize, d delete.
    struct Case {
        const char* name; std::vector<Row> in; std::vector<size_t> sel; char op; int a, b; Notes out;
    } cases[] = {
        {"snapped by the earliest", {{100, 60, 10}, {480, kCtl, 0}, {600, 64, 10}}, {0, 2}, 'S', 400, 0,
         {{480, 7, 0}, {480, 60, 10}, {980, 64, 10}}},
        {"clamped at 0", {{100, 60, 10}, {600, 64, 10}}, {0, 1}, 'm', -300, -2, {{0, 58, 10}, {500, 62, 10}}},
        {"past the end", {{0, 60, 10}, {100, 61, 10}}, {0}, 'm', 5000, 0, {{100, 61, 10}, {5000, 60, 10}}},
        {"chord keeps its shape", {{0, 120, 10}, {0, 125, 10}}, {0, 1}, 't', 12, 0, {{0, 122, 10}, {0, 127, 10}}},
        {"gates up to 65535", {{0, 60, 10}, {0, 61, 65000}}, {0, 1}, 'r', 1000, 0, {{0, 60, 1010}, {0, 61, 65535}}},
        {"never a rest", {{0, 60, 10}}, {0}, 'r', -50, 0, {{0, 60, 1}}},
        {"delete keeps time", {{0, 60, 10}, {300, 61, 10}}, {0}, 'd', 0, 0, {{300, 61, 10}}},
    };
    for (const Case& c : cases) {
        Song song;
        Track& t = song.createTrack();
        const std::vector<uint32_t> serials = fill(t, c.in, 1920);
        NoteSelection sel;
        for (size_t i : c.sel) sel.push_back(serials[i]);
        const int changed = c.op == 't'   ? transposeNotes(song, t, sel, c.a)
                            : c.op == 'r' ? resizeNotes(song, t, sel, c.a)
                            : c.op == 'd' ? deleteNotes(song, t, sel)
                                          : moveNotes(song, t, kQuarter, sel, c.a, c.b, c.op == 'S');
        EXPECT_EQ(changed, int(c.sel.size())) << c.name;
        EXPECT_EQ(notes(t.events), c.out) << c.name;
        EXPECT_EQ(t.events.length(), std::max<int64_t>(1920, std::get<0>(c.out.back()))) << c.name;
    }
}

TEST(GridNotes, RubberBandAddsNotesInside) {
    Song song;
    Track& t = song.createTrack();
    const auto s = fill(t, {{0, 60, 100}, {100, 62, 900}, {480, kCtl, 0}, {500, 64, 10}, {1000, 60, 10}}, 1920);
    const std::tuple<int64_t, int64_t, int, int, NoteSelection, NoteSelection> cases[] = {  // ticks, keys, before, after
        {480, 1000, 64, 60, {}, {s[1], s[3], s[4]}},  // a note ending at 100 is not inside from 480
        {1000, 99, 60, 62, {s[4]}, {s[4], s[0], s[1]}},  // reversed band; already selected stays once
        {-50, 99, 61, 200, {}, {}},                      // keys clamped: 61..127 holds no note starting by 99
        {0, 0, 60, 60, {}, {s[0]}},
    };
    for (auto& [tA, tB, kA, kB, before, after] : cases) EXPECT_EQ(rubberBand(t.events, tA, tB, kA, kB, before), after);
}

// Scissors cut at the nearest grid point only notes that span it; glue reaches the later end.
TEST(GridNotes, CutAndGlue) {
    Song song;
    Track& t = song.createTrack();
    const auto s = fill(t, {{0, 60, 1000}, {200, 62, 1000}, {300, 64, 180}}, 1920);
    EXPECT_EQ(cutNotes(song, t, kQuarter, s[0], {s[1]}, 500), 1);  // not selected: only itself
    EXPECT_EQ(notes(t.events), (Notes{{0, 60, 480}, {200, 62, 1000}, {300, 64, 180}, {480, 60, 520}}));
    EXPECT_EQ(cutNotes(song, t, kQuarter, s[1], {s[1], s[2]}, 1000), 1);  // s[2] ends before 960
    EXPECT_EQ(notes(t.events).back(), std::make_tuple(int64_t(960), 62, 240));
    for (int32_t at : {300, 480}) EXPECT_EQ(cutNotes(song, t, {}, s[2], {}, at), 0) << at;  // its start, its end

    Track& g = song.createTrack();
    const auto n = fill(g, {{0, 60, 100}, {50, 60, 20}, {500, 61, 10}, {600, 60, 10}, {600, 61, 65500}}, 1920);
    EXPECT_TRUE(glueNote(song, g, n[0]));  // the next of its key ends inside it: it keeps its end
    EXPECT_EQ(notes(g.events).front(), std::make_tuple(int64_t(0), 60, 100));
    EXPECT_TRUE(glueNote(song, g, n[0]));
    EXPECT_EQ(notes(g.events), (Notes{{0, 60, 610}, {500, 61, 10}, {600, 61, 65500}}));
    EXPECT_FALSE(glueNote(song, g, n[2]));  // 65600 ticks do not fit a gate
    EXPECT_FALSE(glueNote(song, g, n[0]));  // no later note of the key
}

// A function key sets the selection's gates, or with keys held enters their chord at the cursor.
TEST(GridNotes, FunctionKeyGate) {
    Song song;
    Track& t = song.createTrack();
    const auto s = fill(t, {{0, 60, 10}, {480, 62, 10}}, 1920);
    std::array<uint8_t, 128> held{};
    EXPECT_EQ(functionKeyGate(song, t, 0, held, 0, {s[0]}) + functionKeyGate(song, t, 240, held, 0, {s[0]}), 1);
    held[67] = 90, held[64] = 200;
    EXPECT_EQ(functionKeyGate(song, t, 120, held, 480, {s[0]}), 2);
    EXPECT_EQ(notes(t.events), (Notes{{0, 60, 240}, {480, 62, 10}, {480, 64, 120}, {480, 67, 120}}));
    EXPECT_EQ(std::make_pair(int(std::prev(t.events.end(), 2)->b[1]), int(t.events.back().b[1])), std::make_pair(127, 90));
}

// Each edit is one undo step giving back the list exactly; redo gives the same result again.
TEST(GridNotes, OneExactUndoStepEach) {
    std::array<uint8_t, 128> held{};
    held[40] = held[44] = 80;
    using Op = std::function<int(Song&, Track&, const std::vector<uint32_t>&)>;
    const std::pair<const char*, Op> ops[] = {
        {"create", [](Song& s, Track& t, auto&) { return int(createNote(s, t, kQuarter, 700, 70, 700, true) != 0); }},
        {"move", [](Song& s, Track& t, auto& n) { return moveNotes(s, t, kQuarter, {n[0], n[3]}, 700, 3, true); }},
        {"move past the end", [](Song& s, Track& t, auto& n) { return moveNotes(s, t, {}, {n[3]}, 9000, 0, false); }},
        {"resize", [](Song& s, Track& t, auto& n) { return resizeNotes(s, t, {n[0], n[2]}, -5); }},
        {"delete the first", [](Song& s, Track& t, auto& n) { return deleteNotes(s, t, {n[0], n[3]}); }},
        {"cut", [](Song& s, Track& t, auto& n) { return cutNotes(s, t, kQuarter, n[0], {n[0], n[2]}, 480); }},
        {"glue", [](Song& s, Track& t, auto& n) { return int(glueNote(s, t, n[0])); }},
        {"chord", [&held](Song& s, Track& t, auto&) { return functionKeyGate(s, t, 480, held, 300, {}); }},
    };
    for (const auto& [name, op] : ops) {
        Song song;
        Track& t = song.createTrack();
        const auto s = fill(t, {{0, 60, 600}, {300, kCtl, 0}, {300, 64, 400}, {900, 60, 100}}, 1920);
        const auto before = full(t.events);
        ASSERT_GT(op(song, t, s), 0) << name;
        EXPECT_EQ(std::make_pair(t.groupDepth(), int(t.resetFlag)), std::make_pair(0, 1)) << name;
        const auto after = full(t.events);
        ASSERT_TRUE(t.undo()) << name;
        EXPECT_FALSE(t.canUndo()) << name;
        EXPECT_EQ(full(t.events), before) << name;
        ASSERT_TRUE(t.redo()) << name;
        EXPECT_EQ(full(t.events), after) << name;
    }
}
