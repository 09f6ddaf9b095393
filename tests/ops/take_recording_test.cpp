// Taking a recording into the song: replace and mix, exact undo, and what stays untouched.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "model/song.h"
#include "ops/take_recording.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::Notes;
using testlists::notes;
using testlists::Full;
using testlists::full;

namespace {



Event note(uint8_t key, int32_t step, uint16_t gate = 240) {
    Event e;
    e.setNote(key, key ? 100 : 0, gate);
    e.step = step;
    return e;
}

// Notes at 3840, 4800 and 6000 after a leading rest.
Track& recordTrack(Song& song, uint8_t mode) {
    Track& t = song.createTrack();
    t.record = mode;
    for (Event e : {note(0, 3840, 0), note(40, 960), note(41, 1200), note(42, 480)}) t.events.pushBack(e);
    return t;
}

// 1920 ticks from the start: a rest, then notes at +240 and +960 (two on the same tick).
EventList take() {
    EventList l;
    for (Event e : {note(0, 240, 0), note(60, 720, 300), note(62, 0, 500), note(64, 960, 100)}) l.pushBack(e);
    return l;
}

}  // namespace

// Replace (record 1) clears the taken stretch and keeps later events in place; mix (record 2)
// adds at their ticks without moving anything. Either undoes in one step and redoes with the
// same serials, for the commands pushed after it. Takes of nothing but rests, tracks not
// recording and the tempo track are left alone.
TEST(TakeRecording, ReplaceAndMixUndoInOneStep) {
    const Notes taken = {{4080, 60, 300}, {4800, 62, 500}, {4800, 64, 100}};
    EventList zero;
    zero.pushBack(note(0, 0, 0));  // nothing recorded: a rest of no length
    for (auto [mode, expect] : {std::pair<uint8_t, Notes>{1, {taken[0], taken[1], taken[2], {6000, 42, 240}}},
                                {2, {{3840, 40, 240}, taken[0], taken[1], taken[2], {4800, 41, 240}, {6000, 42, 240}}}}) {
        Song song;
        Track& off = recordTrack(song, 0);
        Track& t = recordTrack(song, mode);
        song.tempoTrack->record = 1;  // only normal tracks take a recording
        EXPECT_EQ(takeRecording(song, EventList{}, 3840, true), 0);
        EXPECT_EQ(takeRecording(song, zero, 3840, true), 0);
        const Full before = full(t.events);
        EXPECT_EQ(takeRecording(song, take(), 3840, false), 1);
        EXPECT_FALSE(off.canUndo());
        EXPECT_TRUE(song.tempoTrack->events.empty());
        EXPECT_EQ(notes(t.events), expect) << int(mode);
        EXPECT_EQ(t.events.length(), 6480);
        const Full after = full(t.events);
        ASSERT_TRUE(t.undo());
        EXPECT_EQ(full(t.events), before);
        EXPECT_FALSE(t.canUndo());
        ASSERT_TRUE(t.redo());
        EXPECT_EQ(full(t.events), after);
    }
}

TEST(TakeRecording, BeyondTheEndOfShortAndEmptyTracks) {
    Song song;
    Track& rec = song.createTrack();
    Track& mix = song.createTrack();
    rec.record = 1;
    mix.record = 2;
    rec.events.pushBack(note(30, 1000));
    EXPECT_EQ(takeRecording(song, take(), 3840, false), 2);
    EXPECT_EQ(notes(rec.events), (Notes{{0, 30, 240}, {4080, 60, 300}, {4800, 62, 500}, {4800, 64, 100}}));
    EXPECT_EQ(rec.events.length(), 3840 + 1920);
    EXPECT_EQ(notes(mix.events), (Notes{{4080, 60, 300}, {4800, 62, 500}, {4800, 64, 100}}));
    ASSERT_TRUE(mix.undo());
    EXPECT_TRUE(mix.events.empty());
}
