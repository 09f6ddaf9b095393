// Clone expansion and selection to phrase must leave what the song plays unchanged; edits of
// several tracks are one undo step.
#include <gtest/gtest.h>

#include <vector>

#include "expand/emitter.h"
#include "expand/song_play.h"
#include "model/song.h"
#include "ops/edit_scope.h"
#include "ops/phrase_edit.h"
#include "ops/range_edit.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::full;

namespace {

// Every message the song sends, tick by tick as the player asks for them.
std::vector<std::pair<int32_t, uint32_t>> play(Song& song) {
    Emitter em;
    std::vector<std::pair<int32_t, uint32_t>> out;
    songResetAll(song, 0, em);
    for (int32_t t = 0; t <= 20000 && !songFinished(song); ++t) {
        songAdvance(song, t, em);
        for (const OutputRecord& r : song.output.records) out.emplace_back(t, r.message);
    }
    return out;
}

// A note (gate 240) or a clone, with its step.
Event N(int key, int step, const CloneData* clone = nullptr) {
    Event e;
    clone ? e.setClone(*clone) : e.setNote(uint8_t(key), 100, 240);
    e.step = step;
    return e;
}
Event Cl(CloneMode m, int pos, int transpose, int step) {
    const CloneData d{int8_t(transpose), uint8_t(m), pos};
    return N(0, step, &d);
}
std::vector<uint32_t> fill(Track& t, const std::vector<Event>& events) {
    std::vector<uint32_t> s;
    for (const Event& e : events) s.push_back(t.events.pushBack(e)->serial());
    return s;
}

int g_holds = 0;
void countHolds(bool resume) { g_holds += !resume; }

}  // namespace

// The last clone of each list (at tick 1920, in 4/4 at 480) is expanded.
TEST(PhraseEdit, ExpandedCloneSoundsAsTheClone) {
    using M = CloneMode;
    constexpr CloneExpansion X = CloneExpansion::Expanded;
    auto with = [](std::vector<Event> head, Event clone) {
        for (Event e : {clone, N(70, 480), N(71, 480)}) head.push_back(e);
        return head;
    };
    const std::vector<Event> m0 = {N(60, 480), N(61, 480), N(62, 480), N(63, 480)};
    Event skip;
    skip.setRegisterOp(EventKind::IfEq, 1, 5);
    const struct Case {
        std::vector<Event> events;
        CloneExpansion want;
        size_t size;  // of the list afterwards
    } cases[] = {
        // A stretch that reaches the clone repeats: the last beat four times, transposed.
        {with(m0, Cl(M::Relative, -480, 2, 1920)), X, 10},
        // The note sharing the clone's tick ends each pass, at the start of the next.
        {with({N(60, 480), N(61, 480), N(62, 480), N(63, 480), N(64, 0)}, Cl(M::Measure, 0, -1, 3840)), X, 16},
        // From after the clone: a rest up to the first note.
        {with(m0, Cl(M::Absolute, 2400, 0, 960)), X, 8},
        // A relative clone inside keeps its source, not the transposed copy's neighbourhood.
        {with({N(60, 480), N(61, 480), Cl(M::Relative, -960, 0, 480), N(63, 480)}, Cl(M::Measure, 0, 5, 1920)), X, 10},
        // A clone inside that repeats itself still does.
        {with({N(60, 480), N(61, 480), Cl(M::Relative, -480, 3, 960)}, Cl(M::Measure, 0, 0, 1920)), X, 8},
        {with(m0, Cl(M::Relative, 0, 0, 480)), CloneExpansion::OwnPosition, 7},
        {with(m0, Cl(M::Relative, -480, 0, INT32_MAX)), CloneExpansion::TooLarge, 7},
        {with({N(60, 480), skip, N(62, 960)}, Cl(M::Measure, 0, 0, 1920)), CloneExpansion::NotEquivalent, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Song song;
        Track& t = song.createTrack();
        const uint32_t clone = fill(t, c.events)[c.events.size() - 3];
        const auto before = play(song);
        const auto list = full(t.events);
        ASSERT_EQ(expandClone(song, t, clone), c.want);
        EXPECT_EQ(t.events.size(), c.size);
        EXPECT_EQ(play(song), before);
        if (c.want != X) continue;
        ASSERT_TRUE(t.undo());
        EXPECT_FALSE(t.canUndo());
        EXPECT_EQ(full(t.events), list);
    }
}

TEST(PhraseEdit, SelectionToPhrase) {
    Song song;
    Track& t = song.createTrack();
    for (int i = 0; i < 3; ++i) song.createPhrase();
    song.removePhrase(2);
    const auto s =
        fill(t, {N(60, 480), N(61, 0), N(62, 480), N(63, 480), Cl(CloneMode::Measure, 0, 0, 480), N(64, 480)});
    const auto list = full(t.events);
    const auto before = play(song);

    // Rows, either order, kept in the list: the lowest free number and the whole name.
    ASSERT_EQ(rowsToPhrase(song, t, s[3], s[1], "a long phrase name", false), 2u);
    EXPECT_EQ(song.findPhrase(2)->name, "a long phrase name");
    const testlists::Notes rows{{0, 61, 240}, {0, 62, 240}, {480, 63, 240}};
    EXPECT_EQ(testlists::notes(song.findPhrase(2)->events), rows);
    EXPECT_EQ(full(t.events), list);

    // A range replaced by a call sounds the same; undo takes the call back, the phrase stays.
    ASSERT_EQ(rangeToPhrase(song, t, 240, 1200, "r", true), 4u);
    EXPECT_EQ(play(song), before);
    ASSERT_TRUE(song.undo());
    EXPECT_EQ(full(t.events), list);
    EXPECT_TRUE(song.findPhrase(4));

    // Rows ending on a tick group: the row at the call's end stays in the list.
    ASSERT_EQ(rowsToPhrase(song, t, s[0], s[1], "g", true), 5u);
    EXPECT_EQ(song.findPhrase(5)->events.size(), 1u);
    EXPECT_EQ(play(song), before);
    // A clone inside a phrase would repeat the phrase's own events.
    EXPECT_EQ(rangeToPhrase(song, t, 1000, 1920, "c", true), 0u);
    EXPECT_FALSE(song.findPhrase(6));
}

// One user undo takes back a paste or a delete over several tracks, one redo brings it back,
// and the player is held off once for each whole edit.
TEST(PhraseEdit, SeveralTracksAreOneUndoStep) {
    Song song;
    Track &a = song.createTrack(), &b = song.createTrack();
    fill(a, {N(60, 480), N(62, 480)});
    fill(b, {N(64, 480)});
    auto both = [&] { return std::make_pair(full(a.events), full(b.events)); };
    EXPECT_TRUE(deleteRangeKeepTime(b, 0, 1));  // an earlier step of its own
    const auto before = both();
    setEditHook(countHolds);
    EXPECT_EQ(pasteLists({&a, &b}, copyRanges({{&a.events, 0, 960}, {&a.events, 0, 480}}), 480, PasteMode::Insert), 2);
    EXPECT_EQ(deleteRangesKeepTime({{&a, 0, 480}, {&b, 0, 480}}), 2);
    setEditHook(nullptr);
    EXPECT_EQ(g_holds, 2);
    const auto after = both();
    EXPECT_TRUE(song.undo() && song.undo());
    EXPECT_EQ(both(), before);
    EXPECT_TRUE(song.redo() && song.redo());
    EXPECT_EQ(both(), after);
}
