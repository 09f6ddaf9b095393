// The player on a fake clock: chase, tempo, loop, stop-at, suspend and hold, previews, MMC out,
// waits during rewind, mutes after previews and takes.
#include <algorithm>
#include <string>

#include "engine/emitter.h"
#include "io/smf.h"
#include "player_fixture.h"

using namespace tarvio;
using namespace enginetest;

namespace {

using PlayerTest = EngineTest;
using Msgs = std::vector<std::vector<uint8_t>>;

// The note numbers of the note-ons sent, in order.
std::vector<int> notesOn(const SendRecorder& rec) {
    std::vector<int> out;
    for (const Sent& s : rec.sent)
        if ((s.status() & 0xF0) == 0x90 && s.bytes[2] > 0) out.push_back(s.bytes[1]);
    return out;
}

// The bytes sent so far; forgets them.
Msgs drain(SendRecorder& rec) {
    Msgs out;
    for (const Sent& s : rec.sent) out.push_back(s.bytes);
    rec.sent.clear();
    return out;
}

uint32_t followPlayTime() { return playTimeMs() + 1; }

TEST_F(PlayerTest, StartChasesInListOrderThenPlaysAfterThePauseAndStopReleases) {
    Track& t = song.createTrack();
    Event program, bend;
    program.setProgram(5);
    bend.setBend(100);
    for (const Event& e : {program, control(7, 90), bend, note(60, 960), note(62, 960), note(64, 960, 2000)})
        t.events.pushBack(e);
    setSong(&song);
    locate(1000);
    startPlay();
    ASSERT_TRUE(playerPlaying());

    // Sustain off on the tempo track and the track, then the chased state, one per millisecond.
    ASSERT_GE(rec.sent.size(), 5u);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(rec.sent[i].ms - rec.sent[i - 1].ms, 1u);
    const uint32_t chased = rec.sent[4].ms;
    Msgs start = drain(rec);
    start.resize(5);
    EXPECT_EQ(start, (Msgs{{0xB0, 64, 0}, {0xB0, 64, 0}, {0xC0, 5}, {0xB0, 7, 90}, {0xE0, 100, 64}}));

    locate(0);  // refused while playing
    EXPECT_GE(playerPosition(), 1000);

    passes(1100);
    ASSERT_EQ(notesOn(rec), std::vector<int>{64});  // 60 and 62 lie before the start
    EXPECT_GE(rec.withStatus(0x90).front().ms - chased, 100u);

    rec.sent.clear();
    stopPlay();
    EXPECT_EQ(drain(rec), (Msgs{{0x80, 64, 64}, {0xB0, 64, 0}}));
}

// Against the exact time of each tick, the error spread stays within 1.5 ms over many tempo changes.
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
        exact[size_t(tick)] = ms += perTick;
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
    uint32_t accumulated = playerState().accountedMs + 500;
    playerState().holdRequested = true;
    EXPECT_FALSE(stepPlayer(accumulated));
    playerState().holdRequested = false;
    before = playerPosition();
    EXPECT_TRUE(stepPlayer(accumulated));
    EXPECT_EQ(playerPosition(), before);
}

TEST_F(PlayerTest, NotePreviewRestrikesTheSameNoteAndCutsTheOthers) {
    previewNote(0, 0, 60, 100, 200);
    passes(1);
    EXPECT_EQ(drain(rec), (Msgs{{0x90, 60, 0}, {0x90, 60, 100}}));
    previewNote(0, 0, 60, 90, 200);
    passes(1);
    EXPECT_EQ(drain(rec), (Msgs{{0x90, 60, 0}, {0x90, 60, 90}}));
    previewNote(0, 0, 62, 80, 50);
    passes(1);
    EXPECT_EQ(drain(rec), (Msgs{{0x90, 62, 0}, {0x90, 62, 80}, {0x90, 60, 0}}));
    passes(60);
    EXPECT_EQ(drain(rec), (Msgs{{0x90, 62, 0}}));
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
    EXPECT_EQ(drain(rec), (Msgs{{0x82, 60, 64}, {0xB2, 64, 0}}));
}

TEST_F(PlayerTest, MachineControlGoesOutAtStartAndStop) {
    song.createTrack();
    setSong(&song);
    setMmcOutput(true, 2, 0x10);
    setMtcOutRate(kMtc25);
    startPlay();
    ASSERT_GE(rec.sent.size(), 2u);
    EXPECT_EQ(rec.sent[0].port, 2);
    Msgs start = drain(rec);
    start.resize(2);
    EXPECT_EQ(start, (Msgs{{0xF0, 0x7F, 0x10, 0x06, 0x44, 0x06, 0x01, 0x20, 0, 0, 0, 0x02, 0xF7},  // locate 25 fps
                           {0xF0, 0x7F, 0x10, 0x06, 0x03, 0xF7}}));
    stopPlay();
    EXPECT_EQ(drain(rec).at(0), (std::vector<uint8_t>{0xF0, 0x7F, 0x10, 0x06, 0x01, 0xF7}));
}

// Waits a rewind held during playback must not block: a pump that releases rewind after 50
// passes lets an unanswered wait go on, and the check after the request sees it released.
int gRewindPasses = 0;
void pumpReleasingRewind() {
    if (++gRewindPasses > 50) setWindFlags(false, false, false);
    pumpPass();
}

TEST_F(PlayerTest, WaitsAreAnsweredWhileRewindIsHeldDuringPlayback) {
    song.createTrack().events.pushBack(note(60, 100000));
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

TEST_F(PlayerTest, APreviewStartedDuringAnEditCanBeCancelled) {
    Track& phrase = song.createPhrase();
    phrase.events.pushBack(note(60, 480, 480));
    setSong(&song);
    const char* ways[] = {"cancelPreview", "startPlay", "setSong"};
    for (const std::string way : ways) {
        suspendEngine(false);
        previewTrack(&phrase);
        passes(5);
        EXPECT_TRUE(notesOn(rec).empty()) << way;  // nothing plays during the edit
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

// After a solo preview, a stop and a take the effective mutes are the user's again: with a solo
// set only the soloed tracks sound, otherwise every unmuted track; the MIDI file export, which
// plays the tracks as they are muted, then writes every unmuted track.
TEST_F(PlayerTest, MutesGoBackToTheUsersAfterPreviewsStopsAndTakes) {
    Track* tracks[3];
    for (int i = 0; i < 3; ++i) {
        tracks[i] = &song.createTrack();
        tracks[i]->channel = uint8_t(i);
        tracks[i]->events.pushBack(note(uint8_t(60 + i), 480, 100));
    }
    tracks[2]->mute = 1;
    song.restoreMutes();
    setSong(&song);
    auto mutes = [&] {
        return std::vector<int>{tracks[0]->effectiveMute, tracks[1]->effectiveMute, tracks[2]->effectiveMute};
    };
    struct Case {
        const char* what;
        int solo;     // track index, -1 none
        int record;   // track index in record mode 1 recording, -1 none
        int preview;  // track index previewed, -1 none
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
        if (c.record >= 0) {
            tracks[c.record]->record = 1;
            setRecording(true);
        }
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
    auto has = [&](std::vector<uint8_t> bytes) {
        return std::search(smf.begin(), smf.end(), bytes.begin(), bytes.end()) != smf.end();
    };
    EXPECT_TRUE(has({0x90, 60}));
    EXPECT_TRUE(has({0x91, 61}));
    EXPECT_FALSE(has({0x92, 62}));
}

// The chase paces itself with sleeps at every start and loop wrap; the engine lock, which a
// note preview from the user interface takes, is never held across them.
TEST_F(PlayerTest, TheChaseSleepsWithoutTheEngineLock) {
    Track& t = song.createTrack();
    for (uint8_t c : {1, 7, 10, 11, 64, 91}) t.events.pushBack(control(c, 100));
    t.events.pushBack(note(60, 960));
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

}  // namespace
