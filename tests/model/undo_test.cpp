#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/song.h"
#include "model/undo.h"

using namespace tarvio;

namespace {

// Logs its calls, so that tests see the order in which the stacks run commands.
class LogCommand : public EditCommand {
public:
    LogCommand(Track& t, std::string name, std::vector<std::string>& log)
        : EditCommand(t), name_(std::move(name)), log_(log) {}
    void doIt() override { log_.push_back("do " + name_); }
    void undo() override { log_.push_back("undo " + name_); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

struct Snapshot {
    uint32_t serial;
    int32_t step;
    Event content;
};

std::vector<Snapshot> snapshot(const EventList& l) {
    std::vector<Snapshot> v;
    for (const Event& e : l) v.push_back({e.serial(), e.step, e});
    return v;
}

void expectSame(const EventList& l, const std::vector<Snapshot>& want) {
    auto got = snapshot(l);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].serial, want[i].serial) << i;
        EXPECT_EQ(got[i].step, want[i].step) << i;
        EXPECT_TRUE(got[i].content.sameContent(want[i].content)) << i;
    }
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
    std::vector<std::string> log;

    CommandPtr cmd(Track& t, std::string name) { return std::make_unique<LogCommand>(t, std::move(name), log); }
};

}  // namespace

TEST_F(UndoTest, GroupUndoesInReverseAndRedoesInOrder) {
    a.push(cmd(a, "x"));
    a.openGroup();
    for (int i = 1; i <= 5; ++i) a.push(cmd(a, std::to_string(i)));
    a.closeGroup();
    log.clear();

    EXPECT_TRUE(a.undo());
    EXPECT_EQ(log, (std::vector<std::string>{"undo 5", "undo 4", "undo 3", "undo 2", "undo 1"}));
    log.clear();
    EXPECT_TRUE(a.undo());  // the next step is the command before the group
    EXPECT_EQ(log, (std::vector<std::string>{"undo x"}));
    EXPECT_FALSE(a.undo());
    log.clear();

    EXPECT_TRUE(a.redo());
    EXPECT_TRUE(a.redo());
    EXPECT_EQ(log, (std::vector<std::string>{"do x", "do 1", "do 2", "do 3", "do 4", "do 5"}));
    EXPECT_FALSE(a.redo());
    log.clear();
    EXPECT_TRUE(a.undo());  // the group is intact after the round trip
    EXPECT_EQ(log.size(), 5u);
}

TEST_F(UndoTest, NestedAndEmptyGroups) {
    a.openGroup();
    a.push(cmd(a, "1"));
    a.openGroup();
    a.push(cmd(a, "2"));
    a.closeGroup();
    a.push(cmd(a, "3"));
    a.closeGroup();
    a.closeGroup();  // surplus close: held at depth 0, no stray marker
    EXPECT_EQ(a.groupDepth(), 0);

    a.openGroup();
    a.closeGroup();  // nothing inside: leaves no step behind
    EXPECT_EQ(song.undoHistory.size(), 1u);
    log.clear();
    EXPECT_TRUE(a.undo());
    EXPECT_EQ(log, (std::vector<std::string>{"undo 3", "undo 2", "undo 1"}));
    EXPECT_FALSE(a.canUndo());
}

TEST_F(UndoTest, UndoClosesOpenGroup) {
    a.openGroup();
    a.push(cmd(a, "1"));
    a.push(cmd(a, "2"));
    log.clear();
    EXPECT_TRUE(a.undo());
    EXPECT_EQ(a.groupDepth(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"undo 2", "undo 1"}));

    a.openGroup();
    EXPECT_FALSE(a.undo());  // an open empty group is not a step
    EXPECT_EQ(a.groupDepth(), 0);
}

TEST_F(UndoTest, PushDropsRedo) {
    a.push(cmd(a, "1"));
    a.undo();
    EXPECT_TRUE(a.canRedo());
    a.push(cmd(a, "2"));
    EXPECT_FALSE(a.canRedo());
    a.clearUndo();
    EXPECT_FALSE(a.canUndo());
}

TEST_F(UndoTest, SongHistoryAcrossContainers) {
    a.push(cmd(a, "a1"));
    b.openGroup();
    b.push(cmd(b, "b1"));
    b.push(cmd(b, "b2"));
    b.closeGroup();
    song.tempoTrack->push(cmd(*song.tempoTrack, "t1"));
    a.push(cmd(a, "a2"));
    ASSERT_EQ(song.undoHistory.size(), 4u);
    EXPECT_EQ(song.undoHistory[2], (HistoryEntry{uint16_t(TrackType::TempoTrack), 1}));
    log.clear();

    while (song.undo()) {}
    EXPECT_EQ(log, (std::vector<std::string>{"undo a2", "undo t1", "undo b2", "undo b1", "undo a1"}));
    log.clear();
    EXPECT_TRUE(song.redo());
    EXPECT_TRUE(song.redo());
    EXPECT_EQ(log, (std::vector<std::string>{"do a1", "do b1", "do b2"}));

    b.push(cmd(b, "b3"));  // a new edit ends the redo chain
    EXPECT_FALSE(song.redo());
    EXPECT_TRUE(song.redoHistory.empty());

    // A removed container's entries are skipped.
    song.removeTrack(b.number);
    log.clear();
    EXPECT_TRUE(song.undo());
    EXPECT_EQ(log, (std::vector<std::string>{"undo a1"}));
    EXPECT_FALSE(song.undo());
}

TEST_F(UndoTest, SongUndoThroughOpenEmptyGroup) {
    a.push(cmd(a, "a1"));
    b.push(cmd(b, "b1"));
    a.openGroup();  // left open and empty: the song must not lose a1's place
    log.clear();
    EXPECT_TRUE(song.undo());
    EXPECT_EQ(log, (std::vector<std::string>{"undo b1"}));
    EXPECT_TRUE(song.undo());
    EXPECT_EQ(log.back(), "undo a1");
    EXPECT_FALSE(song.undo());
}

TEST_F(UndoTest, SetCommandsRestoreContent) {
    auto s = fill(a, {10, 20, 30});
    Event before = *a.events.find(s[0]);
    a.events.find(s[1])->setPhraseCall(PhraseCallData{2, 0, 1, 0, 1});
    Event callBefore = *a.events.find(s[1]);

    a.openGroup();
    a.push(makeSetTempo(a, {s[0]}, 90));
    a.push(makeSetNote(a, {s[0], s[1]}, 70, 80, 100));
    a.push(makeSetExclusive(a, {s[2]}, {0xF0, 0x7E, 0xF7}, 1, 2));
    a.push(makeSetStep(a, {s[0], s[2]}, 5));
    a.closeGroup();
    auto edited = snapshot(a.events);
    EXPECT_EQ(a.events.find(s[1])->phraseCall(), nullptr);
    EXPECT_EQ(a.events.find(s[1])->gate(), 100);
    EXPECT_EQ(a.events.find(s[2])->bytes()->size(), 3u);
    EXPECT_EQ(a.events.find(s[0])->step, 5);

    a.undo();
    EXPECT_TRUE(a.events.find(s[0])->sameContent(before));
    EXPECT_EQ(a.events.find(s[0])->step, 10);
    EXPECT_TRUE(a.events.find(s[1])->sameContent(callBefore));
    EXPECT_EQ(a.events.find(s[2])->kind(), EventKind::Note);
    EXPECT_EQ(a.events.find(s[2])->step, 30);
    a.redo();
    expectSame(a.events, edited);

    // Factories with several operands hand them to the setter in order.
    ParameterBlock blk;
    blk.count = 4;
    std::vector<std::pair<CommandPtr, Event>> cases;
    auto expect = [&](CommandPtr c, auto set) {
        Event e(0);
        set(e);
        cases.emplace_back(std::move(c), std::move(e));
    };
    expect(makeSetProgram(a, {s[0]}, 1, 2, 3), [](Event& e) { e.setProgram(1, 2, 3); });
    expect(makeSetBendBytes(a, {s[0]}, 64, 1), [](Event& e) { e.setBendBytes(64, 1); });
    expect(makeSetBend(a, {s[0]}, -100), [](Event& e) { e.setBend(-100); });
    expect(makeSetCommand(a, {s[0]}, 300, 1, 2), [](Event& e) { e.setCommand(300, 1, 2); });
    expect(makeSetPhraseCall(a, {s[0]}, PhraseCallData{5}), [](Event& e) { e.setPhraseCall(PhraseCallData{5}); });
    expect(makeSetClone(a, {s[0]}, CloneData{1, 2, 3}), [](Event& e) { e.setClone(CloneData{1, 2, 3}); });
    expect(makeSetPluginParams(a, {s[0]}, 1, blk), [&](Event& e) { e.setPluginParams(1, blk); });
    expect(makeSetComment(a, {s[0]}, "Comment"), [](Event& e) { e.setComment("Comment"); });
    expect(makeSetRegisterOp(a, {s[0]}, EventKind::Add, 3, 4), [](Event& e) { e.setRegisterOp(EventKind::Add, 3, 4); });
    for (auto& [c, want] : cases) {
        a.push(std::move(c));
        EXPECT_TRUE(a.events.find(s[0])->sameContent(want)) << int(want.kind());
    }
    for (size_t i = 0; i < cases.size(); ++i) a.undo();
    expectSame(a.events, edited);
}

TEST_F(UndoTest, DeleteUndoIsExact) {
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        Track& t = song.createTrack();
        std::vector<int> steps;
        int n = 1 + int(rng() % 12);
        for (int i = 0; i < n; ++i) steps.push_back(int(rng() % 3) * 60);  // zero steps included
        auto s = fill(t, steps);
        t.events.find(s[0])->setExclusive({0xF0, 1, 0xF7});
        auto before = snapshot(t.events);

        std::vector<uint32_t> del;
        for (uint32_t x : s)
            if (rng() % 2) del.push_back(x);
        std::shuffle(del.begin(), del.end(), rng);
        int64_t total = t.events.length();
        t.push(makeDelete(t, del));
        EXPECT_EQ(t.events.length(), total);
        auto after = snapshot(t.events);
        t.undo();
        expectSame(t.events, before);
        t.redo();
        expectSame(t.events, after);
        t.undo();
        expectSame(t.events, before);
    }
}

TEST_F(UndoTest, InsertAndUndo) {
    auto s = fill(a, {100, 100});
    auto before = snapshot(a.events);
    Event known;
    known.setControl(7, 1);
    Event pasted(0);  // clipboard events come without a serial
    pasted.setComment("Comment");
    Event copy = *a.events.find(s[0]);  // a serial already in the list
    auto ins = std::make_unique<InsertCommand>(a, std::vector<Event>{known, pasted, copy}, s[1]);
    InsertCommand* raw = ins.get();
    a.push(std::move(ins));
    auto serials = raw->serials();
    ASSERT_EQ(serials.size(), 3u);
    EXPECT_EQ(serials[0], known.serial());
    EXPECT_NE(serials[1], 0u);
    EXPECT_NE(serials[2], s[0]);
    EXPECT_EQ(a.events.size(), 5u);
    for (uint32_t x : serials) EXPECT_EQ(a.events.tickOf(x), 100);
    EXPECT_EQ(a.events.tickOf(s[1]), 100 + 100);  // inserted steps are kept as they were
    auto after = snapshot(a.events);

    a.undo();
    expectSame(a.events, before);
    a.redo();
    expectSame(a.events, after);  // same serials again, so later commands still find them

    a.push(makeInsert(a, {known}, 0));  // serial 0: at the end
    EXPECT_EQ(a.events.back().kind(), EventKind::Control);
    a.push(makeInsert(a, {known}, 0xFFFFFFF0u));  // unknown: at the end too
    EXPECT_EQ(a.events.size(), 7u);
    a.undo();
    a.undo();
    expectSame(a.events, after);
}

TEST_F(UndoTest, ChangesFlagContainersForReset) {
    Track& p = song.createPhrase();
    auto s = fill(p, {10});
    for (auto& t : song.tracks) t->resetFlag = 0;
    song.tempoTrack->resetFlag = 0;
    a.push(makeSetNote(a, fill(a, {5}), 1, 2, 3));
    EXPECT_EQ(a.resetFlag, 1);
    EXPECT_EQ(b.resetFlag, 0);

    a.resetFlag = 0;
    p.push(makeSetNote(p, s, 1, 2, 3));
    EXPECT_EQ(p.resetFlag, 1);
    EXPECT_EQ(a.resetFlag, 1);  // any track may call the phrase
    EXPECT_EQ(b.resetFlag, 1);
    EXPECT_EQ(song.tempoTrack->resetFlag, 1);

    for (auto& t : song.tracks) t->resetFlag = 0;
    EXPECT_TRUE(song.undo());
    EXPECT_EQ(a.resetFlag, 1);
    for (auto& t : song.tracks) t->resetFlag = 0;
    EXPECT_TRUE(song.redo());
    EXPECT_EQ(b.resetFlag, 1);
}
