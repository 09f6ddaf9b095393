// Shift and compress/expand: the value rules per target with their clamps, which events take
// part, steps moving the later events, and one exact undo step.
#include <gtest/gtest.h>

#include "model/song.h"
#include "ops/shift.h"
#include "tests/support/lists.h"

using namespace tarvio;
using testlists::full;

namespace {

Event eventWith(TargetSpec t, int64_t value) {
    Event e;
    e.setNote(60, 100, 60);
    if (t.target == EditTarget::Pitch) e.setBend(0);
    if (t.target == EditTarget::Tempo) e.setTempo(120);
    if (t.target == EditTarget::ControlChange) e.setControl(uint8_t(t.param), 0);
    setTargetValue(e, t, value);
    e.step = 10;
    return e;
}

constexpr int kShift = -1;  // ratio column of a shift case

}  // namespace

TEST(Shift, ValuesByTarget) {
    const TargetSpec note{EditTarget::Note}, vel{EditTarget::Vel}, gate{EditTarget::Gate},
        pitch{EditTarget::Pitch}, tempo{EditTarget::Tempo};
    struct Case {
        TargetSpec target;
        int64_t value, amountOrThreshold;
        int ratio;  // kShift: a shift by the amount
        int64_t out;
    } cases[] = {
        {vel, 120, 20, kShift, 127},          {vel, 10, 20, kShift, 30},
        {vel, 100, -127, kShift, 1},          {gate, 100, -200, kShift, 1},  // never a rest
        {note, 60, 12, kShift, 72},           {pitch, -8000, -1000, kShift, -8192},
        {tempo, 235, 10, kShift, 240},        {tempo, 120, -255, kShift, 30},
        {vel, 100, 64, 50, 82},               {vel, 60, 64, 50, 60},
        {pitch, -100, 64, 50, -82},           {vel, 100, 64, 200, 127},
        {pitch, -8192, 0, 100, -8192},        {pitch, 8191, 0, 100, 8191},
        {pitch, -8192, 0, 1000, -8192},       {gate, 100, 0, 0, 1},
        {tempo, 200, 100, 50, 150},
    };
    for (const Case& c : cases) {
        Song song;
        Track& t = song.createTrack();
        t.events.pushBack(eventWith(c.target, c.value));
        if (c.ratio == kShift)
            shiftRange(song, t, c.target, c.amountOrThreshold, 0, 10);
        else
            compressRange(song, t, c.target, c.amountOrThreshold, c.ratio, 0, 10);
        EXPECT_EQ(targetValue(t.events.front(), c.target), c.out)
            << int(c.target.target) << " " << c.value << " " << c.amountOrThreshold << " " << c.ratio;
    }
}

// Only matching events starting in the range change; a register reference is no value; steps
// never go below 0 and move what follows; each edit is one exact undo step.
TEST(Shift, RangeMatchingStepsAndUndo) {
    Song song;
    Track& t = song.createTrack();
    const TargetSpec cc7{EditTarget::ControlChange, 7}, cc10{EditTarget::ControlChange, 10};
    for (TargetSpec s : {cc7, cc10, cc7, cc7, cc10, cc7}) t.events.pushBack(eventWith(s, 50));  // ticks 0..50
    t.events.front().b[1] = 130;  // $2
    const auto before = full(t.events);
    EXPECT_EQ(shiftRange(song, t, cc7, 10, 0, 40), 2);  // ticks 20 and 30
    std::vector<int> values;
    for (const Event& e : t.events) values.push_back(e.b[1]);
    EXPECT_EQ(values, (std::vector<int>{130, 50, 60, 60, 50, 50}));
    EXPECT_EQ(compressRange(song, t, cc7, 0, 100, 0, 60), 0);  // identity: nothing done
    ASSERT_TRUE(t.undo());
    EXPECT_FALSE(t.canUndo());
    EXPECT_EQ(full(t.events), before);

    const TargetSpec step{EditTarget::Step};
    EXPECT_EQ(shiftRange(song, t, step, -15, 10, 30), 2);
    std::vector<int32_t> steps;
    for (const Event& e : t.events) steps.push_back(e.step);
    EXPECT_EQ(steps, (std::vector<int32_t>{10, 0, 0, 10, 10, 10}));
    ASSERT_TRUE(t.undo());
    EXPECT_EQ(full(t.events), before);
}
