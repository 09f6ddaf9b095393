// Range copy, delete, erase and paste: the resulting timelines, and exact undo.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "model/track.h"
#include "ops/range_edit.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::Full;
using testlists::full;

namespace {

// (tick, key) of every event, key 0 for rests, and the list length.
using Line = std::vector<std::pair<int64_t, int>>;
Line line(const EventList& l) {
    Line r;
    int64_t t = 0;
    for (const Event& e : l) {
        r.emplace_back(t, e.isRest() ? 0 : e.b[0]);
        t += e.step;
    }
    r.emplace_back(t, -1);  // end marker
    return r;
}

// Notes 60 at 0 (step 480), 62 at 480 (step 0), 64 at 480 (step 960), 65 at 1440 (step 480).
void fill(Track& t) {
    t.events.clear();
    for (auto [key, step] : std::vector<std::pair<int, int>>{{60, 480}, {62, 0}, {64, 960}, {65, 480}}) {
        Event e;
        e.setNote(uint8_t(key), 100, 120);
        e.step = step;
        t.events.pushBack(e);
    }
}

}  // namespace

TEST(RangeEdit, CopyRange) {
    Track t;
    fill(t);
    struct Case {
        int64_t b, e;
        Line want;
    } cases[] = {
        {0, 1920, {{0, 60}, {480, 62}, {480, 64}, {1440, 65}, {1920, -1}}},
        // Starts inside a long step: leading rest; the last step is cut at the end.
        {240, 1000, {{240, 0}, {480, 62}, {480, 64}, {1000, -1}}},
        // Two events on one tick both come along.
        {480, 481, {{480, 62}, {480, 64}, {481, -1}}},
        // Nothing starts inside: the range copies as a rest of its length.
        {500, 900, {{500, 0}, {900, -1}}},
        // Past the list's end the copy still spans the whole range.
        {1440, 3000, {{1440, 65}, {3000, -1}}},
        {900, 900, {}},
    };
    for (const Case& c : cases) {
        const EventList copy = copyRange(t.events, c.b, c.e);
        Line got = line(copy);
        if (copy.empty()) got.clear();
        for (auto& p : got) p.first += c.b;  // the copy starts at tick 0
        EXPECT_EQ(got, c.want) << c.b << ".." << c.e;
    }
    RangeSource a{&t.events, 0, 480}, none{&t.events, 5, 5}, b{&t.events, 1440, 1920};
    EXPECT_EQ(copyRanges({a, none, b}).size(), 2u);
}

TEST(RangeEdit, DeleteEraseAndPasteThenUndoRestoresExactly) {
    Track t;
    fill(t);
    EventList clip;  // a rest of 100 and a note 70 of step 200: 300 ticks
    Event r, n;
    r.setRest();
    r.step = 100;
    n.setNote(70, 100, 60);
    n.step = 200;
    clip.pushBack(r);
    clip.pushBack(n);
    enum Op { Keep, Close, Erase, Insert, Mix, Replace };
    struct Case {
        Op op;
        int64_t b, e;  // range, or the paste tick in b
        Line want;
    } cases[] = {
        {Keep, 480, 1000, {{0, 60}, {1440, 65}, {1920, -1}}},
        // The first event with a step becomes a rest of that step.
        {Keep, 0, 1, {{0, 0}, {480, 62}, {480, 64}, {1440, 65}, {1920, -1}}},
        {Close, 480, 481, {{0, 60}, {480, 65}, {960, -1}}},
        {Close, 0, 480, {{0, 62}, {0, 64}, {960, 65}, {1440, -1}}},
        // Erase removes exactly the range, splitting steps at both ends.
        {Erase, 240, 1000, {{0, 60}, {240, 0}, {680, 65}, {1160, -1}}},
        {Erase, 1800, 5000, {{0, 60}, {480, 62}, {480, 64}, {1440, 65}, {1800, -1}}},
        {Insert, 240, 0, {{0, 60}, {240, 0}, {340, 70}, {540, 0}, {780, 62}, {780, 64}, {1740, 65}, {2220, -1}}},
        {Insert, 1920, 0, {{0, 60}, {480, 62}, {480, 64}, {1440, 65}, {1920, 0}, {2020, 70}, {2220, -1}}},
        // Nothing moves: the copies split the steps that span their ticks.
        {Mix, 400, 0, {{0, 60}, {400, 0}, {480, 62}, {480, 64}, {500, 70}, {1440, 65}, {1920, -1}}},
        // The pasted span takes the place of what was there; later events keep their ticks.
        {Replace, 480, 0, {{0, 60}, {480, 0}, {580, 70}, {780, 0}, {1440, 65}, {1920, -1}}},
    };
    for (const Case& c : cases) {
        fill(t);
        t.clearUndo();
        t.resetFlag = 0;
        const Full before = full(t.events);
        bool changed = false;
        switch (c.op) {
            case Keep: changed = deleteRangeKeepTime(t, c.b, c.e); break;
            case Close: changed = deleteRangeCloseGap(t, c.b, c.e); break;
            case Erase: changed = eraseSpan(t, c.b, c.e); break;
            case Insert: changed = pasteAt(t, clip, c.b, PasteMode::Insert); break;
            case Mix: changed = pasteAt(t, clip, c.b, PasteMode::Mix); break;
            case Replace: changed = pasteAt(t, clip, c.b, PasteMode::Replace); break;
        }
        SCOPED_TRACE(testing::Message() << "op " << c.op << " at " << c.b);
        ASSERT_TRUE(changed);
        EXPECT_EQ(t.resetFlag, 1);
        EXPECT_EQ(line(t.events), c.want);
        const Full after = full(t.events);
        ASSERT_TRUE(t.undo());
        EXPECT_FALSE(t.canUndo());  // one group
        EXPECT_EQ(full(t.events), before);
        ASSERT_TRUE(t.redo());
        EXPECT_EQ(full(t.events), after);  // redo brings back the same serials
    }
}

// Nothing starts in the range, or the range lies past the end.
TEST(RangeEdit, NoOpsLeaveNoUndoStep) {
    Track t;
    fill(t);
    EXPECT_FALSE(deleteRangeKeepTime(t, 500, 900));
    EXPECT_FALSE(deleteRangeCloseGap(t, 2000, 3000));
    EXPECT_FALSE(eraseSpan(t, 1920, 3000));
    EXPECT_FALSE(pasteAt(t, EventList{}, 0, PasteMode::Insert));
    // A list without a track is dropped, an empty one changes nothing.
    EXPECT_EQ(pasteLists({&t, nullptr}, {EventList{}, copyRange(t.events, 0, 480)}, 0, PasteMode::Insert), 0);
    EXPECT_FALSE(t.canUndo());
    EXPECT_EQ(t.resetFlag, 0);

    Track u;
    fill(u);
    const auto lists = copyRanges({{&t.events, 0, 480}, {&u.events, 480, 960}});
    EXPECT_EQ(pasteLists({&t, &u}, lists, 0, PasteMode::Insert), 2);
    EXPECT_EQ(line(u.events).back(), std::make_pair(int64_t(2400), -1));
    EXPECT_TRUE(u.undo());
    EXPECT_FALSE(u.canUndo());
}
