#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/song.h"
#include "model/undo.h"

using namespace tarvio;

namespace {

using Log = std::vector<std::string>;

// Logs its calls, so tests see the order in which the stacks run commands.
struct LogCommand : EditCommand {
    LogCommand(Track& t, std::string n, Log& l) : EditCommand(t), name(std::move(n)), log(l) {}
    void doIt() override { log.push_back("do " + name); }
    void undo() override { log.push_back("undo " + name); }
    std::string name;
    Log& log;
};

// Serial, step and content of every event, for exact comparison.
using State = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;
State state(const EventList& l) {
    State v;
    for (const Event& e : l) encodeFileForm(e, v.emplace_back(e.serial(), std::vector<uint8_t>{}).second);
    return v;
}

// After an edit: undo brings back before exactly, and redo the edited state with the same
// serials, so that later commands still find their events.
void expectUndoRedo(Track& t, const State& before) {
    const State after = state(t.events);
    EXPECT_TRUE(t.undo());
    EXPECT_EQ(state(t.events), before);
    EXPECT_TRUE(t.redo());
    EXPECT_EQ(state(t.events), after);
}

std::vector<uint32_t> fill(Track& t, std::vector<int> steps) {
    std::vector<uint32_t> serials;
    uint8_t n = 40;
    for (int s : steps) {
        Event e;
        e.setNote(n++, 90, 30);
        e.step = s;
        serials.push_back(t.events.pushBack(e)->serial());
    }
    return serials;
}

class UndoTest : public ::testing::Test {
protected:
    Song song;
    Track& a = song.createTrack();
    Track& b = song.createTrack();
    Log log;

    // Pushes a logging command for each name.
    void push(Track& t, std::initializer_list<const char*> names) {
        for (const char* n : names) t.push(std::make_unique<LogCommand>(t, n, log));
    }
    // Runs f and returns what it logged.
    template <class F>
    Log run(F f) {
        log.clear();
        f();
        return log;
    }
};

}  // namespace

TEST_F(UndoTest, GroupsUndoInReverseAndRedoInOrder) {
    push(a, {"x"});
    a.openGroup();
    push(a, {"1"});
    a.openGroup();  // nested groups merge into the outer one
    push(a, {"2"});
    a.closeGroup();
    push(a, {"3"});
    a.closeGroup();
    a.closeGroup();  // surplus close: held at depth 0
    EXPECT_EQ(a.groupDepth(), 0);
    a.openGroup();
    a.closeGroup();  // nothing inside: leaves no step behind

    EXPECT_EQ(run([&] { EXPECT_TRUE(a.undo()); }), (Log{"undo 3", "undo 2", "undo 1"}));
    EXPECT_EQ(run([&] { EXPECT_TRUE(a.undo()); }), (Log{"undo x"}));
    EXPECT_FALSE(a.undo());
    EXPECT_EQ(run([&] { EXPECT_TRUE(a.redo()); EXPECT_TRUE(a.redo()); }), (Log{"do x", "do 1", "do 2", "do 3"}));
    EXPECT_FALSE(a.redo());

    // Undo closes an open group; an open empty group is not a step.
    a.clearUndo();
    a.openGroup();
    push(a, {"4", "5"});
    EXPECT_EQ(run([&] { EXPECT_TRUE(a.undo()); }), (Log{"undo 5", "undo 4"}));
    a.openGroup();
    EXPECT_FALSE(a.undo());
    EXPECT_EQ(a.groupDepth(), 0);

    // A new edit drops redo.
    EXPECT_TRUE(a.canRedo());
    push(a, {"6"});
    EXPECT_FALSE(a.canRedo());
}

TEST_F(UndoTest, SongHistoryAcrossContainers) {
    push(a, {"a1"});
    b.openGroup();
    push(b, {"b1", "b2"});
    b.closeGroup();
    push(*song.tempoTrack, {"t1"});
    push(a, {"a2"});

    EXPECT_EQ(run([&] { while (song.undo()) {} }), (Log{"undo a2", "undo t1", "undo b2", "undo b1", "undo a1"}));
    EXPECT_EQ(run([&] { song.redo(); song.redo(); }), (Log{"do a1", "do b1", "do b2"}));
    push(b, {"b3"});  // a new edit ends the redo chain
    EXPECT_FALSE(song.redo());
    EXPECT_TRUE(song.redoHistory.empty());

    // A removed container's entries are skipped; an open empty group must not lose a1's place.
    song.removeTrack(b.number);
    a.openGroup();
    EXPECT_EQ(run([&] { while (song.undo()) {} }), (Log{"undo a1"}));
}

// A group that is opened but gets nothing is no edit: it must not cost the song its redo. A redo
// made while a group is open stays one step of its own, below the group.
TEST_F(UndoTest, OpenGroupsAndRedo) {
    a.openGroup();
    push(a, {"1", "2"});
    a.closeGroup();
    EXPECT_TRUE(song.undo());

    b.openGroup();
    b.closeGroup();
    a.openGroup();
    EXPECT_EQ(run([&] { EXPECT_TRUE(song.redo()); }), (Log{"do 1", "do 2"}));
    push(a, {"3", "4"});
    a.closeGroup();
    EXPECT_EQ(run([&] { EXPECT_TRUE(song.undo()); }), (Log{"undo 4", "undo 3"}));
    EXPECT_EQ(run([&] { EXPECT_TRUE(song.undo()); }), (Log{"undo 2", "undo 1"}));
    EXPECT_FALSE(song.undo());
}

TEST_F(UndoTest, SetCommandsRestoreContent) {
    auto s = fill(a, {10, 20, 30});
    a.events.find(s[1])->setPhraseCall(PhraseCallData{2, 0, 1, 0, 1});
    auto before = state(a.events);

    a.openGroup();
    a.push(makeSetTempo(a, {s[0]}, 90));
    a.push(makeSetNote(a, {s[0], s[1]}, 70, 80, 100));
    a.push(makeSetExclusive(a, {s[2]}, {0xF0, 0x7E, 0xF7}, 1, 2));
    a.push(makeSetStep(a, {s[0], s[2]}, 5));
    a.closeGroup();
    expectUndoRedo(a, before);
    const State edited = state(a.events);

    // Factories with several operands hand them to the setter in order.
    ParameterBlock blk;
    blk.count = 4;
    std::vector<std::pair<CommandPtr, Event>> cases;
    auto expect = [&](CommandPtr c, auto set) {
        set(cases.emplace_back(std::move(c), Event(0)).second);
    };
    expect(makeSetProgram(a, {s[0]}, 1, 2, 3), [](Event& e) { e.setProgram(1, 2, 3); });
    expect(makeSetBendBytes(a, {s[0]}, 64, 1), [](Event& e) { e.setBendBytes(64, 1); });
    expect(makeSetCommand(a, {s[0]}, 300, 1, 2), [](Event& e) { e.setCommand(300, 1, 2); });
    expect(makeSetPluginParams(a, {s[0]}, 1, blk), [&](Event& e) { e.setPluginParams(1, blk); });
    expect(makeSetRegisterOp(a, {s[0]}, EventKind::Add, 3, 4), [](Event& e) { e.setRegisterOp(EventKind::Add, 3, 4); });
    for (auto& [c, want] : cases) {
        a.push(std::move(c));
        EXPECT_TRUE(a.events.find(s[0])->sameContent(want)) << int(want.kind());
    }
    for (size_t i = 0; i < cases.size(); ++i) a.undo();
    EXPECT_EQ(state(a.events), edited);
}

// Random deletions (zero steps included) keep the length and undo exactly.
TEST_F(UndoTest, DeleteUndoIsExact) {
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        Track& t = song.createTrack();
        std::vector<int> steps(1 + rng() % 12);
        for (int& x : steps) x = int(rng() % 3) * 60;
        auto s = fill(t, steps);
        t.events.find(s[0])->setExclusive({0xF0, 1, 0xF7});
        auto before = state(t.events);
        std::vector<uint32_t> del;
        std::copy_if(s.begin(), s.end(), std::back_inserter(del), [&](uint32_t) { return rng() % 2; });
        std::shuffle(del.begin(), del.end(), rng);
        int64_t total = t.events.length();
        t.push(makeDelete(t, del));
        EXPECT_EQ(t.events.length(), total);
        expectUndoRedo(t, before);
    }
}

TEST_F(UndoTest, InsertAndUndo) {
    auto s = fill(a, {100, 100});
    auto before = state(a.events);
    Event known;
    known.setControl(7, 1);
    Event pasted(0);                    // clipboard events come without a serial
    Event copy = *a.events.find(s[0]);  // a serial already in the list
    auto ins = std::make_unique<InsertCommand>(a, std::vector<Event>{known, pasted, copy}, s[1]);
    InsertCommand* raw = ins.get();
    a.push(std::move(ins));
    ASSERT_EQ(raw->serials().size(), 3u);
    for (uint32_t x : raw->serials()) EXPECT_EQ(a.events.tickOf(x), 100);
    EXPECT_EQ(a.events.tickOf(s[1]), 100 + 100);  // inserted steps are kept as they were
    expectUndoRedo(a, before);

    // Serial 0 or an unknown one: at the end.
    a.push(makeInsert(a, {known}, 0));
    a.push(makeInsert(a, {known}, 0xFFFFFFF0u));
    EXPECT_EQ(a.events.tickOf(a.events.back().serial()), a.events.length());
    EXPECT_EQ(std::prev(a.events.end(), 2)->kind(), EventKind::Control);
}

// Any track may call a phrase, so a phrase edit flags every container.
TEST_F(UndoTest, ChangesFlagContainersForReset) {
    Track& p = song.createPhrase();
    auto s = fill(p, {10});
    auto flags = [&] {
        std::vector<int> v{song.tempoTrack->resetFlag};
        for (auto& t : song.tracks) v.push_back(std::exchange(t->resetFlag, 0));
        song.tempoTrack->resetFlag = 0;
        return v;
    };
    flags();
    a.push(makeSetNote(a, fill(a, {5}), 1, 2, 3));
    EXPECT_EQ(flags(), (std::vector<int>{0, 1, 0}));
    p.push(makeSetNote(p, s, 1, 2, 3));
    EXPECT_EQ(flags(), (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(song.undo());
    EXPECT_EQ(flags(), (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(song.undo());
    EXPECT_EQ(flags(), (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(song.redo());
    EXPECT_EQ(flags(), (std::vector<int>{0, 1, 0}));
}

// A song group is one step of the song's undo and redo, also when one of its containers is gone.
TEST_F(UndoTest, SongGroupIsOneStep) {
    push(*song.tempoTrack, {"x"});
    song.openGroup();
    push(a, {"a"});
    push(b, {"b1", "b2"});
    song.closeGroup();
    EXPECT_EQ(run([&] { EXPECT_TRUE(song.undo()); }), (Log{"undo b2", "undo b1", "undo a"}));
    EXPECT_EQ(run([&] { EXPECT_TRUE(song.redo()); }), (Log{"do a", "do b1", "do b2"}));
    song.removeTrack(a.number);
    EXPECT_EQ(run([&] { EXPECT_TRUE(song.undo()); }), (Log{"undo b2", "undo b1"}));
}
