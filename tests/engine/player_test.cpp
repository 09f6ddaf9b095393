// The player and the clock pass on a fake clock: chase, tempo, loop, stop-at, suspend and hold,
// previews, MMC out, waits during rewind, mutes after previews and takes, wind, time-code chase;
// the metronome's clicks and the time-code writer.
#include <algorithm>
#include <string>
#include <utility>

#include "expand/emitter.h"
#include "io/smf.h"
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
    const Event bend = at(0, [](Event& e) { e.setBend(100); });
    track({program(5), control(7, 90), bend, note(60, 960), note(62, 960), note(64, 960, 2000)});
    setSong(&song);
    locate(1000);
    startPlay();
    ASSERT_TRUE(playerPlaying());

    // Sustain off on the tempo track and the track, then the chased state, one per millisecond.
    ASSERT_EQ(rec.sent.size(), 5u);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(rec.sent[i].ms - rec.sent[i - 1].ms, 1u);
    const uint32_t chased = rec.sent[4].ms;
    EXPECT_EQ(drain(rec), "B0 40 00\nB0 40 00\nC0 05\nB0 07 5A\nE0 64 40\n");

    locate(0);  // refused while playing
    EXPECT_GE(playerPosition(), 1000);

    passes(1100);
    ASSERT_EQ(notesOn(rec), std::vector<int>{64});  // 60 and 62 lie before the start
    EXPECT_GE(rec.withStatus(0x90).front().ms - chased, 100u);

    rec.sent.clear();
    stopPlay();
    EXPECT_EQ(drain(rec), "80 40 40\nB0 40 00\n");
}

// Against the exact time of each tick, the error spread stays within 1.5 ms over many tempo changes.
TEST_F(PlayerTest, ManyTempoChangesKeepTicksOnTime) {
    const uint32_t tempos[] = {97, 131, 113, 149, 89};
    constexpr int kChanges = 150, kEvery = 37, kNoteEvery = 10, kLastTick = kEvery * (kChanges + 1);
    song.tempoTrack->events.pushBack(tempo(120, kEvery));
    for (int i = 0; i < kChanges; ++i) song.tempoTrack->events.pushBack(tempo(tempos[i % 5], kEvery));
    Track& t = track({note(0, kNoteEvery)});  // a rest up to the first note
    t.events.back().setRest();
    for (int tick = kNoteEvery; tick < kLastTick; tick += kNoteEvery) t.events.pushBack(note(60, kNoteEvery, 2));
    setSong(&song);
    startPlay();
    passes(int(kLastTick * 1.5));

    std::vector<double> exact(size_t(kLastTick) + 1);
    double ms = 0, perTick = 60000.0 / 480 / 120;
    for (int tick = 1; tick <= kLastTick; ++tick) {
        exact[size_t(tick)] = ms += perTick;
        if (tick % kEvery == 0 && tick / kEvery <= kChanges) perTick = 60000.0 / 480 / tempos[(tick / kEvery - 1) % 5];
    }
    const std::vector<Sent> ons = rec.withStatus(0x90);
    ASSERT_GE(ons.size(), size_t(kLastTick / kNoteEvery - 2));
    std::vector<double> errors;
    for (size_t k = 0; k < ons.size(); ++k) errors.push_back(ons[k].ms - exact[(k + 1) * kNoteEvery]);
    const auto [lo, hi] = std::minmax_element(errors.begin(), errors.end());
    EXPECT_LE(*hi - *lo, 1.5);
}

TEST_F(PlayerTest, LoopWrapsBeforeItsEndUnlessEmptyOrFollowingTimeCode) {
    track({note(60, 480), note(62, 480), note(64, 480), note(65, 480)});
    setSong(&song);
    setLoop(960, 0);  // given in either order
    setLoopOn(true);
    startPlay();
    int32_t highest = 0;
    for (int i = 0; i < 2500; ++i) highest = std::max(highest, (passes(1), playerPosition()));
    EXPECT_GE(highest, 900);
    EXPECT_LT(highest, 960);
    const std::vector<int> played = notesOn(rec);
    ASSERT_GE(played.size(), 4u);
    EXPECT_EQ(std::vector<int>(played.begin(), played.begin() + 4), (std::vector<int>{60, 62, 60, 62}));

    // An empty loop, and a loop while following MTC, play straight on.
    auto playsPast = [&](int32_t from, int32_t to) {
        stopPlay();
        setLoop(from, to);
        locate(0);
        startPlay();
        passes(1200);
        return playerPosition() > 960;
    };
    EXPECT_TRUE(playsPast(480, 480));
    setSyncSource(kSyncMtc);
    setMtcTimeSource(&followPlayTime);
    EXPECT_TRUE(playsPast(0, 960));
}

TEST_F(PlayerTest, StopAtStopsAtItsTickAndZeroMeansNone) {
    track({note(60, 4000)});
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

// A stop from the thread that holds the suspension is refused at once: the clock thread would
// have to answer it, and answers nothing while suspended.
// A recording's pre-count that reaches before the song's start: that part is a count-in of
// clicks, heard with the metronome off as well, while the song waits; then the song starts at
// tick 0 on time, and the take at the punch-in point. At 120 BPM a beat is 500 ms.
TEST_F(PlayerTest, CountInBeforeTheStartClicksThenTheSongAndTheTakeBegin) {
    track({note(60, 480), note(62, 0)});
    setSong(&song);
    struct Case {
        int32_t punch, countIn;
        std::vector<int> clicks;  // a count-in starting between beats waits for the next one
        uint32_t firstClickToNote;
    };
    for (const Case& c : {Case{0, 1920, {34, 33, 33, 33}, 2000}, Case{240, 720, {33}, 500}}) {
        rec.sent.clear();
        locate(0);
        armPunchIn(c.punch);
        startPlay(0, c.countIn);
        passes(int(c.firstClickToNote) - 10);
        EXPECT_TRUE(playerCountingIn());
        EXPECT_LT(playerPosition(), 0);
        EXPECT_EQ(playTimeMs(), 0u);
        EXPECT_TRUE(rec.withStatus(0x90).empty());
        EXPECT_FALSE(playerRecording());
        passes(520);
        EXPECT_FALSE(playerCountingIn());
        std::vector<int> clicks;
        for (const Sent& x : rec.withStatus(0x99)) clicks.push_back(x.bytes[1]);
        EXPECT_EQ(clicks, c.clicks) << c.countIn;
        const std::vector<Sent> ons = rec.withStatus(0x90);
        ASSERT_FALSE(ons.empty());
        EXPECT_EQ(ons.front().bytes[1], 60);
        EXPECT_NEAR(double(ons.front().ms - rec.withStatus(0x99).front().ms), c.firstClickToNote, 1.0);
        EXPECT_TRUE(playerRecording());
        EXPECT_EQ(recordStartTick(), c.punch);
        stopPlay();
    }

    // Stopped during the count-in, the player stands at the start; playing again counts
    // nothing in.
    locate(0);
    startPlay(0, 1920);
    passes(300);
    stopPlay();
    EXPECT_EQ(playerPosition(), 0);
    startPlay();
    EXPECT_FALSE(playerCountingIn());
    stopPlay();
}

TEST_F(PlayerTest, SuspensionCatchesUpRefusesTheSuspendersStopAndHoldDropsTheTime) {
    track({note(60, 100000)});
    setSong(&song);
    startPlay();
    passes(10);
    int32_t before = playerPosition();
    suspendEngine(false);
    passes(500);
    EXPECT_EQ(playerPosition(), before);  // nothing rendered while the song is edited
    EXPECT_FALSE(stopPlay());
    EXPECT_TRUE(playerPlaying());
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
    uint32_t accumulated = playerState().accountedMs + 500;
    playerState().holdRequested = true;
    EXPECT_FALSE(stepPlayer(accumulated));
    playerState().holdRequested = false;
    before = playerPosition();
    EXPECT_TRUE(stepPlayer(accumulated));
    EXPECT_EQ(playerPosition(), before);
}

TEST_F(PlayerTest, NotePreviewRestrikesTheSameNoteAndCutsTheOthers) {
    struct Case {
        uint8_t note, velocity;
        const char* sent;
    };
    const Case cases[] = {
        {60, 100, "90 3C 00\n90 3C 64\n"},
        {60, 90, "90 3C 00\n90 3C 5A\n"},
        {62, 80, "90 3E 00\n90 3E 50\n90 3C 00\n"},
    };
    for (const Case& c : cases) {
        previewNote(0, 0, c.note, c.velocity, 50);
        passes(1);
        EXPECT_EQ(drain(rec), c.sent);
    }
    passes(60);
    EXPECT_EQ(drain(rec), "90 3E 00\n");
    EXPECT_EQ(playerState().notePreviewCount, 0u);
}

// A phrase previews on its port until cancelled; one started during an edit plays nothing
// then, and every way of ending it clears it.
TEST_F(PlayerTest, TrackPreviewPlaysAPhraseOnItsPortUntilCancelled) {
    Track& phrase = track({note(60, 480, 480), note(62, 480, 480)}, true);
    phrase.port = 1;
    phrase.channel = 2;
    setSong(&song);
    previewTrack(&phrase);
    passes(300);
    ASSERT_EQ(notesOn(rec), std::vector<int>{60});
    EXPECT_EQ(rec.withStatus(0x92).front().port, 1);
    rec.sent.clear();
    cancelPreview();
    EXPECT_EQ(drain(rec), "82 3C 40\nB2 40 00\n");

    for (const std::string way : {"cancelPreview", "startPlay", "setSong"}) {
        suspendEngine(false);
        previewTrack(&phrase);
        passes(5);
        EXPECT_TRUE(notesOn(rec).empty()) << way;
        if (way == "cancelPreview")
            cancelPreview();
        else if (way == "startPlay")
            startPlay();
        else
            setSong(&song);
        EXPECT_EQ(playerState().previewTrack.load(), nullptr) << way;
        stopPlay();
        suspendEngine(true);
    }
}

TEST_F(PlayerTest, MachineControlGoesOutAtStartAndStop) {
    track({});
    setSong(&song);
    setMmcOutput(true, 2, 0x10);
    setMtcOutRate(kMtc25);
    startPlay();
    ASSERT_GE(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].port, 2);
    const std::string locate25fps = "F0 7F 10 06 44 06 01 20 00 00 00 02 F7\n";
    EXPECT_EQ(drain(rec).substr(0, 57), locate25fps + "F0 7F 10 06 03 F7\n");
    stopPlay();
    EXPECT_EQ(drain(rec).substr(0, 18), "F0 7F 10 06 01 F7\n");
}

// Waits a rewind held during playback must not block: a pump that releases rewind after 50
// passes lets an unanswered wait go on, and the check after the request sees it released.
int gRewindPasses = 0;
void pumpReleasingRewind() {
    if (++gRewindPasses > 50) setWindFlags(false, false, false);
    pumpPass();
}

TEST_F(PlayerTest, WaitsAreAnsweredWhileRewindIsHeldDuringPlayback) {
    track({note(60, 100000)});
    setSong(&song);
    struct Case {
        const char* what;
        void (*request)();
        bool playsAfterRelease;
    };
    const Case cases[] = {
        {"stop", [] { stopPlay(); }, false},
        {"edit", [] { suspendEngine(false), suspendEngine(true); }, true},
        {"hold", [] { holdEngine(true), holdEngine(false); }, true},
        {"start", [] { startPlay(); }, true},
    };
    for (const Case& c : cases) {
        setWaitPumpForTests(&pumpPass);
        locate(2000);
        startPlay();
        passes(50);
        setWindFlags(false, false, true);
        passes(2);
        ASSERT_FALSE(playerPlaying()) << c.what;
        gRewindPasses = 0;
        setWaitPumpForTests(&pumpReleasingRewind);
        c.request();
        EXPECT_TRUE(windRewindHeld()) << c.what;
        setWindFlags(false, false, false);
        passes(3);
        EXPECT_EQ(playerPlaying(), c.playsAfterRelease) << c.what;
        setWaitPumpForTests(&pumpPass);
        stopPlay();
    }
}

// After a solo preview, a stop and a take the effective mutes are the user's again: with a solo
// set only the soloed tracks sound, otherwise every unmuted track; the MIDI file export, which
// plays the tracks as they are muted, then writes every unmuted track.
TEST_F(PlayerTest, MutesGoBackToTheUsersAfterPreviewsStopsAndTakes) {
    Track* tracks[3];
    for (int i = 0; i < 3; ++i) {
        tracks[i] = &track({note(uint8_t(60 + i), 480, 100)});
        tracks[i]->channel = uint8_t(i);
    }
    tracks[2]->mute = 1;
    setSong(&song);
    auto mutes = [&] {
        return std::vector<int>{tracks[0]->effectiveMute, tracks[1]->effectiveMute, tracks[2]->effectiveMute};
    };
    struct Case {
        const char* what;
        int solo, record, preview;  // track indexes, -1 none; record mode 1 recording
        std::vector<int> after;
    };
    const Case cases[] = {
        {"preview", -1, -1, 0, {0, 0, 1}},
        {"preview with a solo", 1, -1, 0, {1, 0, 1}},
        {"take on a soloed track", 1, 1, -1, {1, 0, 1}},
        {"take", -1, 0, -1, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        for (Track* t : tracks) t->solo = t->record = 0;
        song.restoreMutes();
        if (c.solo >= 0) song.setSolo(*tracks[c.solo], true);
        if (c.record >= 0) tracks[c.record]->record = 1;
        setRecording(c.record >= 0);
        locate(0);
        startPlay(c.preview >= 0 ? tracks[c.preview]->number : 0);
        passes(20);
        if (c.record >= 0) {
            EXPECT_EQ(tracks[c.record]->effectiveMute, 1) << c.what;
        }
        stopPlay();
        EXPECT_EQ(mutes(), c.after) << c.what;
        if (c.solo >= 0) song.setSolo(*tracks[c.solo], false);
    }
    EXPECT_EQ(mutes(), (std::vector<int>{0, 0, 1}));
    Emitter em;
    const std::vector<uint8_t> smf = exportSmf(song, em);
    std::string sounding;  // the channels whose note is in the file
    for (int i = 0; i < 3; ++i) {
        const uint8_t on[] = {uint8_t(0x90 + i), uint8_t(60 + i)};
        if (std::search(smf.begin(), smf.end(), on, on + 2) != smf.end()) sounding += char('0' + i);
    }
    EXPECT_EQ(sounding, "01");
}

// The chase paces itself with sleeps at every start and loop wrap; the engine lock, which a
// note preview from the user interface takes, is never held across them.
TEST_F(PlayerTest, TheChaseSleepsWithoutTheEngineLock) {
    track({control(1, 100), control(7, 100), control(10, 100), control(11, 100), control(64, 100),
           control(91, 100), note(60, 960)});
    setSong(&song);
    int sleepsUnderLock = 0, sleeps = 0;
    auto previous = clock.onSleep;
    clock.onSleep = [&](uint32_t now) {
        ++sleeps;
        if (engineLock().try_lock())
            engineLock().unlock();
        else
            ++sleepsUnderLock;
        if (previous) previous(now);
    };
    setLoop(0, 480);
    setLoopOn(true);
    startPlay();
    passes(1200);  // two wraps at least
    stopPlay();
    EXPECT_GT(sleeps, 1200);
    EXPECT_EQ(sleepsUnderLock, 0);
    clock.onSleep = previous;
}

uint32_t gMtc = 0;
uint32_t fakeMtc() { return gMtc; }

// Fast forward is capped and slowed while recording; rewind stops at zero and, released, plays on
// with a fresh chase.
TEST_F(PlayerTest, WindWhilePlaying) {
    track({program(7), note(60, 100000)});  // every chase sends one more program change
    setSong(&song);
    startPlay();
    passes(5);
    // Ticks gained by one pass that comes extra milliseconds late (0.96 ticks per ms).
    auto jump = [&](uint32_t lateMs) {
        const int32_t before = playerPosition();
        clock.now += lateMs;
        passes(1);
        return playerPosition() - before;
    };
    setWindFlags(true, true, false);
    EXPECT_EQ(jump(199), 480);  // 200 ms x 4, capped at 500 ms
    setWindFlags(false, true, false);
    EXPECT_EQ(jump(99), 192);  // 100 ms x 2
    setRecording(true);
    EXPECT_EQ(jump(99), 96);  // real time while recording
    setRecording(false);

    setWindFlags(false, false, true);
    clock.now += 100;  // a step of 9 ticks per ms reaches below 0
    passes(1);
    EXPECT_FALSE(playerPlaying());
    passes(5);
    EXPECT_EQ(playerPosition(), 0);
    rec.sent.clear();
    setWindFlags(false, false, false);
    passes(1);
    EXPECT_TRUE(playerPlaying());
    passes(5);
    EXPECT_EQ(rec.withStatus(0xC0).size(), 1u);  // tick 0 plays again
}

TEST_F(PlayerTest, TimeCodeJumpOfASecondRelocatesAndASmallerOneIsAbsorbed) {
    track({program(7), note(60, 100000)});  // every chase sends one more program change
    setSong(&song);
    setSyncSource(kSyncMtc);
    setMtcTimeSource(&fakeMtc);
    gMtc = 0;
    startPlay();
    passes(10);
    EXPECT_EQ(playerPosition(), 0);  // the song waits for the time code

    gMtc = playTimeMs() + 999;
    passes(1);
    EXPECT_EQ(playerPosition(), 959);
    EXPECT_EQ(rec.withStatus(0xC0).size(), 1u);

    gMtc = playTimeMs() + 1000;
    passes(1);
    EXPECT_TRUE(playerPlaying());
    EXPECT_EQ(playerPosition(), int32_t(gMtc * 0.96));
    EXPECT_EQ(rec.withStatus(0xC0).size(), 2u);  // chased again at the new place
}

class MetronomeTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MetronomeSettings m;
        m.on = 1;
        setMetronome(m);
    }
    std::vector<int> clicks() const {
        std::vector<int> out;
        for (const Sent& s : rec.withStatus(0x99)) out.push_back(s.bytes[1]);
        return out;
    }
};

TEST_F(MetronomeTest, ThreeFourClicksStrongWeakWeakAndEndsEachClickFirst) {
    song.initialBeat = {0, 3, 4};
    setSong(&song);
    startPlay();
    passes(2200);
    const std::vector<int> c = clicks();
    ASSERT_GE(c.size(), 5u);
    EXPECT_EQ(std::vector<int>(c.begin(), c.begin() + 5), (std::vector<int>{34, 33, 33, 34, 33}));
    bool first = true;  // every later click ends the one before first
    for (size_t i = 1; i < rec.sent.size(); ++i) {
        if (rec.sent[i].status() == 0x99 && !std::exchange(first, false)) {
            EXPECT_EQ(rec.sent[i - 1].status(), 0x89);
        }
    }
}

TEST_F(MetronomeTest, DownbeatClicksOnlyWhenPlayStartsOnItAndStoppingEndsTheClickAtOnce) {
    setSong(&song);
    locate(490);  // inside the second beat
    startPlay();
    passes(5);
    EXPECT_TRUE(clicks().empty());
    passes(600);
    EXPECT_EQ(clicks(), std::vector<int>{33});
    stopPlay();
    rec.sent.clear();
    locate(1920);
    startPlay();
    passes(10);
    ASSERT_EQ(clicks(), std::vector<int>{34});
    stopPlay();
    EXPECT_EQ(rec.sent.back().bytes, (std::vector<uint8_t>{0x89, 34, 64}));
    const size_t count = rec.sent.size();
    passes(600);
    EXPECT_EQ(rec.sent.size(), count);
}

TEST(MtcTimeRecord, ConvertsForEveryRate) {
    EXPECT_EQ(timeRecordOf(3723550, kMtc24), (TimeRecord{1, 2, 3, 13, 4}));
    EXPECT_EQ(timeRecordOf(3723550, kMtc25), (TimeRecord{1, 2, 3, 13, 7}));
    EXPECT_EQ(timeRecordOf(3723550, kMtc30), (TimeRecord{1, 2, 3, 16, 2}));
    EXPECT_EQ(timeRecordOf(3723550, kMtc30Drop), (TimeRecord{1, 2, 3, 18, 1}));  // minute 2 drops frames
    EXPECT_EQ(timeRecordOf(603550, kMtc30Drop), (TimeRecord{0, 10, 3, 16, 2}));   // minute 10 does not
}

using MtcOutTest = EngineTest;

TEST_F(MtcOutTest, QuarterFramesStartWithPieceZeroAndStartAgainAfterAJump) {
    setMtcOutPort(1);
    setMtcOutRate(kMtc30);
    setMtcOutput(true);
    for (uint32_t ms = 1010; ms <= 1200; ++ms) mtcOutputPass(ms);  // 1010 is in piece 1
    std::vector<Sent> qf = rec.withStatus(0xF1);
    ASSERT_GE(qf.size(), 8u);
    std::vector<int> pieces;  // piece number and nibble: frame 2 of 0:00:01, 30 fps
    for (size_t i = 0; i < 8; ++i) pieces.push_back(qf[i].port * 0x100 + qf[i].bytes[1]);
    EXPECT_EQ(pieces, (std::vector<int>{0x102, 0x110, 0x121, 0x130, 0x140, 0x150, 0x160, 0x176}));

    rec.sent.clear();
    for (uint32_t ms = 1710; ms <= 1800; ++ms) mtcOutputPass(ms);  // 509 ms on: frame 21, piece 5
    qf = rec.withStatus(0xF1);
    ASSERT_FALSE(qf.empty());
    EXPECT_EQ(qf.front().bytes[1], 0x06);  // piece 0 of frame 22
}

}  // namespace
