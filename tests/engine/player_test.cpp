// The player on a fake clock: start with chase, tempo changes, loop, stop-at, the suspend and
// hold handshakes, note and track previews, and MMC output.
#include <algorithm>
#include <cmath>

#include "player_fixture.h"

using namespace tarvio;
using namespace enginetest;

namespace {

using PlayerTest = EngineTest;

// The note numbers of the note-ons sent, in order.
std::vector<int> notesOn(const SendRecorder& rec) {
    std::vector<int> out;
    for (const Sent& s : rec.sent)
        if ((s.status() & 0xF0) == 0x90 && s.bytes[2] > 0) out.push_back(s.bytes[1]);
    return out;
}

uint32_t followPlayTime() { return playTimeMs() + 1; }

TEST_F(PlayerTest, StartChasesInListOrderThenPlaysAfterThePauseAndStopReleases) {
    Track& t = song.createTrack();
    Event program;
    program.setProgram(5);
    Event bend;
    bend.setBend(100);
    t.events.pushBack(program);
    t.events.pushBack(control(7, 90));
    t.events.pushBack(bend);
    t.events.pushBack(note(60, 960));
    t.events.pushBack(note(62, 960));
    t.events.pushBack(note(64, 960, 2000));
    setSong(&song);
    locate(1000);
    startPlay();
    ASSERT_TRUE(playerPlaying());

    // The tempo track's and the track's all-notes-off, then the chased state.
    ASSERT_GE(rec.sent.size(), 5u);
    EXPECT_EQ(rec.sent[0].bytes, (std::vector<uint8_t>{0xB0, 64, 0}));
    EXPECT_EQ(rec.sent[1].bytes, (std::vector<uint8_t>{0xB0, 64, 0}));
    EXPECT_EQ(rec.sent[2].bytes, (std::vector<uint8_t>{0xC0, 5}));
    EXPECT_EQ(rec.sent[3].bytes, (std::vector<uint8_t>{0xB0, 7, 90}));
    EXPECT_EQ(rec.sent[4].status(), 0xE0);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(rec.sent[size_t(i)].ms - rec.sent[size_t(i - 1)].ms, 1u);

    locate(0);  // refused while playing
    EXPECT_GE(playerPosition(), 1000);

    passes(1100);
    ASSERT_EQ(notesOn(rec), std::vector<int>{64});  // 60 and 62 lie before the start
    const Sent first = rec.withStatus(0x90).front();
    EXPECT_GE(first.ms - rec.sent[4].ms, 100u);

    rec.sent.clear();
    stopPlay();
    EXPECT_FALSE(playerPlaying());
    ASSERT_EQ(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].bytes, (std::vector<uint8_t>{0x80, 64, 64}));
    EXPECT_EQ(rec.sent[1].bytes, (std::vector<uint8_t>{0xB0, 64, 0}));
}

// Sends against the exact (untruncated) time of their ticks: the spread of the error stays
// within a millisecond and a half however many tempo changes there are.
TEST_F(PlayerTest, ManyTempoChangesKeepTicksOnTime) {
    const uint32_t tempos[] = {97, 131, 113, 149, 89};
    constexpr int kChanges = 150, kEvery = 37, kNoteEvery = 10;
    song.tempoTrack->events.pushBack(tempo(120, kEvery));
    for (int i = 0; i < kChanges; ++i) song.tempoTrack->events.pushBack(tempo(tempos[i % 5], kEvery));
    Track& t = song.createTrack();
    t.events.pushBack(note(0, kNoteEvery));  // a rest up to the first note
    t.events.back().setRest();
    const int lastTick = kEvery * (kChanges + 1);
    for (int tick = kNoteEvery; tick < lastTick; tick += kNoteEvery) t.events.pushBack(note(60, kNoteEvery, 2));
    setSong(&song);
    startPlay();
    passes(int(lastTick * 1.5));

    std::vector<double> exact(size_t(lastTick) + 1);
    double ms = 0, perTick = 60000.0 / 480 / 120;
    for (int tick = 1; tick <= lastTick; ++tick) {
        ms += perTick;
        exact[size_t(tick)] = ms;
        if (tick % kEvery == 0 && tick / kEvery <= kChanges) perTick = 60000.0 / 480 / tempos[(tick / kEvery - 1) % 5];
    }
    const std::vector<Sent> ons = rec.withStatus(0x90);
    ASSERT_GE(ons.size(), size_t(lastTick / kNoteEvery - 2));
    double lo = 1e9, hi = -1e9;
    for (size_t k = 0; k < ons.size(); ++k) {
        const double err = ons[k].ms - exact[(k + 1) * kNoteEvery];
        lo = std::min(lo, err);
        hi = std::max(hi, err);
    }
    EXPECT_LE(hi - lo, 1.5);
}

TEST_F(PlayerTest, LoopWrapsBeforeItsEndUnlessEmptyOrFollowingTimeCode) {
    Track& t = song.createTrack();
    for (int n : {60, 62, 64, 65}) t.events.pushBack(note(uint8_t(n), 480));
    setSong(&song);
    setLoop(960, 0);  // given in either order
    setLoopOn(true);
    startPlay();
    int32_t highest = 0;
    for (int i = 0; i < 2500; ++i) {
        passes(1);
        highest = std::max(highest, playerPosition());
    }
    EXPECT_GE(highest, 900);
    EXPECT_LT(highest, 960);
    const std::vector<int> played = notesOn(rec);
    ASSERT_GE(played.size(), 4u);
    EXPECT_EQ(std::vector<int>(played.begin(), played.begin() + 4), (std::vector<int>{60, 62, 60, 62}));
    stopPlay();

    setLoop(480, 480);
    locate(0);
    startPlay();
    passes(1200);
    EXPECT_GT(playerPosition(), 960);
    stopPlay();

    setLoop(0, 960);
    setSyncSource(kSyncMtc);
    setMtcTimeSource(&followPlayTime);
    locate(0);
    startPlay();
    passes(1200);
    EXPECT_GT(playerPosition(), 960);
}

TEST_F(PlayerTest, StopAtStopsAtItsTickAndZeroMeansNone) {
    song.createTrack().events.pushBack(note(60, 4000));
    setSong(&song);
    setStopAt(0);
    startPlay();
    passes(300);
    EXPECT_TRUE(playerPlaying());
    stopPlay();

    locate(480);
    setStopAt(480);
    rec.sent.clear();
    startPlay();  // stops on its first running step
    EXPECT_FALSE(playerPlaying());
    EXPECT_EQ(playerState().stopAt, 0);
    EXPECT_EQ(rec.sent.back().bytes, (std::vector<uint8_t>{0xB0, 64, 0}));

    locate(0);
    setStopAt(960);
    startPlay();
    passes(1200);
    EXPECT_FALSE(playerPlaying());
    EXPECT_GE(playerPosition(), 960);
    EXPECT_LT(playerPosition(), 963);
}

TEST_F(PlayerTest, SuspensionCatchesUpAndHoldDropsTheTime) {
    song.createTrack().events.pushBack(note(60, 100000));
    setSong(&song);
    startPlay();
    passes(10);
    int32_t before = playerPosition();
    suspendEngine(false);
    passes(500);
    EXPECT_EQ(playerPosition(), before);  // nothing rendered while the song is edited
    suspendEngine(true);
    passes(1);
    EXPECT_GE(playerPosition() - before, 480);  // 500 ms at 0.96 ticks per ms

    before = playerPosition();
    holdEngine(true);
    passes(500);
    holdEngine(false);
    passes(1);
    EXPECT_LE(playerPosition() - before, 6);

    // The step itself drops what its caller accumulated while held.
    uint32_t accumulated = playerState().accountedMs;
    playerState().holdRequested = true;
    accumulated += 500;
    EXPECT_FALSE(stepPlayer(accumulated));
    playerState().holdRequested = false;
    before = playerPosition();
    EXPECT_TRUE(stepPlayer(accumulated));
    EXPECT_EQ(playerPosition(), before);
}

TEST_F(PlayerTest, NotePreviewRestrikesTheSameNoteAndCutsTheOthers) {
    auto bytes = [&] {
        std::vector<std::vector<uint8_t>> out;
        for (const Sent& s : rec.sent) out.push_back(s.bytes);
        rec.sent.clear();
        return out;
    };
    using B = std::vector<std::vector<uint8_t>>;
    previewNote(0, 0, 60, 100, 200);
    passes(1);
    EXPECT_EQ(bytes(), (B{{0x90, 60, 0}, {0x90, 60, 100}}));
    previewNote(0, 0, 60, 90, 200);
    passes(1);
    EXPECT_EQ(bytes(), (B{{0x90, 60, 0}, {0x90, 60, 90}}));
    previewNote(0, 0, 62, 80, 50);
    passes(1);
    EXPECT_EQ(bytes(), (B{{0x90, 62, 0}, {0x90, 62, 80}, {0x90, 60, 0}}));
    passes(60);
    EXPECT_EQ(bytes(), (B{{0x90, 62, 0}}));
    EXPECT_EQ(playerState().notePreviewCount, 0u);
}

TEST_F(PlayerTest, TrackPreviewPlaysAPhraseOnItsPortUntilCancelled) {
    Track& phrase = song.createPhrase();
    phrase.port = 1;
    phrase.channel = 2;
    phrase.events.pushBack(note(60, 480, 480));
    phrase.events.pushBack(note(62, 480, 480));
    setSong(&song);
    previewTrack(&phrase);
    passes(300);
    ASSERT_EQ(notesOn(rec), std::vector<int>{60});
    EXPECT_EQ(rec.withStatus(0x92).front().port, 1);
    rec.sent.clear();
    cancelPreview();
    EXPECT_EQ(playerState().previewTrack.load(), nullptr);
    ASSERT_EQ(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].bytes, (std::vector<uint8_t>{0x82, 60, 64}));
    EXPECT_EQ(rec.sent[1].bytes, (std::vector<uint8_t>{0xB2, 64, 0}));
}

TEST_F(PlayerTest, MachineControlGoesOutAtStartAndStop) {
    song.createTrack();
    setSong(&song);
    setMmcOutput(true, 2, 0x10);
    setMtcOutRate(kMtc25);
    startPlay();
    ASSERT_GE(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].port, 2);
    EXPECT_EQ(rec.sent[0].bytes,
              (std::vector<uint8_t>{0xF0, 0x7F, 0x10, 0x06, 0x44, 0x06, 0x01, 0x20, 0, 0, 0, 0x02, 0xF7}));
    EXPECT_EQ(rec.sent[1].bytes, (std::vector<uint8_t>{0xF0, 0x7F, 0x10, 0x06, 0x03, 0xF7}));
    rec.sent.clear();
    stopPlay();
    ASSERT_FALSE(rec.sent.empty());
    EXPECT_EQ(rec.sent[0].bytes, (std::vector<uint8_t>{0xF0, 0x7F, 0x10, 0x06, 0x01, 0xF7}));
}

}  // namespace
