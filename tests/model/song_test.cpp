#include <gtest/gtest.h>

#include <vector>

#include "model/song.h"

using namespace tarvio;

namespace {

std::vector<uint32_t> order(const Song& s) {
    std::vector<uint32_t> v;
    for (auto& t : s.tracks) v.push_back(t->number);
    return v;
}

}  // namespace

TEST(Song, NewSongDefaults) {
    Song s;
    EXPECT_EQ(s.tpqn, 480);
    EXPECT_EQ(s.tempo, 120);
    EXPECT_EQ(s.initialBeat, (BeatEntry{0, 4, 4}));
    ASSERT_NE(s.tempoTrack, nullptr);
    EXPECT_EQ(s.tempoTrack->name, "Tempo Trk.");
    EXPECT_TRUE(s.tempoTrack->isTempoTrack());
    EXPECT_TRUE(s.tempoTrack->events.empty());
    EXPECT_TRUE(s.tracks.empty());
    EXPECT_TRUE(s.phrases.empty());
    EXPECT_EQ(s.findContainer(uint16_t(TrackType::TempoTrack), 1), s.tempoTrack.get());
}

TEST(Song, TrackNumbersKeepCountingAcrossSongs) {
    uint32_t first;
    {
        Song a;
        first = a.createTrack().number;
    }
    Song b;
    Track& t = b.createTrack();
    EXPECT_GT(t.number, first);
    EXPECT_EQ(t.name, defaultTrackName(t.number));
    EXPECT_EQ(t.owner, &b);
    EXPECT_EQ(t.type, TrackType::Normal);
}

TEST(Song, CreateTrackPlacesAndFlagsReset) {
    Song s;
    uint32_t a = s.createTrack().number;
    uint32_t b = s.createTrack().number;
    for (auto& t : s.tracks) t->resetFlag = 0;
    uint32_t c = s.createTrack(b).number;
    uint32_t d = s.createTrack(123456).number;  // unknown: at the end
    EXPECT_EQ(order(s), (std::vector<uint32_t>{a, c, b, d}));
    for (auto& t : s.tracks) EXPECT_EQ(t->resetFlag, 1);
    EXPECT_EQ(s.findTrack(c)->number, c);
    EXPECT_EQ(s.findTrack(0), nullptr);
    EXPECT_TRUE(s.removeTrack(c));
    EXPECT_FALSE(s.removeTrack(c));
    EXPECT_EQ(order(s), (std::vector<uint32_t>{a, b, d}));
}

TEST(Song, PhrasesTakeLowestFreeNumber) {
    Song s;
    EXPECT_EQ(s.createPhrase().number, 1u);
    EXPECT_EQ(s.createPhrase().number, 2u);
    EXPECT_EQ(s.createPhrase().number, 3u);
    EXPECT_TRUE(s.removePhrase(2));
    Track& p = s.createPhrase(1);
    EXPECT_EQ(p.number, 2u);
    EXPECT_TRUE(p.isPhrase());
    EXPECT_EQ(s.phrases.front()->number, 2u);  // placed before phrase 1
    EXPECT_EQ(s.createPhrase().number, 4u);
    p.name = "Intro";
    EXPECT_EQ(s.phraseName(2), "Intro");
    EXPECT_EQ(s.phraseName(9), "Phrase no match");
    EXPECT_EQ(s.findContainer(uint16_t(TrackType::Phrase), 2), &p);
}

TEST(Song, MoveTrackRefusals) {
    Song s;
    uint32_t a = s.createTrack().number;
    uint32_t b = s.createTrack().number;
    uint32_t c = s.createTrack().number;
    EXPECT_FALSE(s.moveTrack(a, a));
    EXPECT_FALSE(s.moveTrack(a, b));       // already directly before b
    EXPECT_FALSE(s.moveTrack(c, 0));       // already last
    EXPECT_FALSE(s.moveTrack(999999, a));  // a does not exist
    EXPECT_FALSE(s.moveTrack(a, 999999));  // b does not exist
    EXPECT_EQ(order(s), (std::vector<uint32_t>{a, b, c}));
    EXPECT_TRUE(s.moveTrack(c, a));
    EXPECT_EQ(order(s), (std::vector<uint32_t>{c, a, b}));
    EXPECT_TRUE(s.moveTrack(c, 0));
    EXPECT_EQ(order(s), (std::vector<uint32_t>{a, b, c}));
    EXPECT_TRUE(s.moveTrack(a, c));
    EXPECT_EQ(order(s), (std::vector<uint32_t>{b, a, c}));
}

TEST(Song, BeatList) {
    Song s;
    s.setBeat(5, 3, 4);
    s.setBeat(2, 6, 8);
    s.setBeat(9, 7, 16);
    s.setBeat(5, 5, 4);  // updates
    s.setBeat(0, 2, 2);  // initial
    ASSERT_EQ(s.beats.size(), 3u);
    EXPECT_EQ(s.beats[0], (BeatEntry{2, 6, 8}));
    EXPECT_EQ(s.beats[1], (BeatEntry{5, 5, 4}));
    EXPECT_EQ(s.beats[2], (BeatEntry{9, 7, 16}));
    EXPECT_EQ(s.initialBeat, (BeatEntry{0, 2, 2}));

    EXPECT_EQ(s.beatAt(0), s.initialBeat);
    EXPECT_EQ(s.beatAt(1), s.initialBeat);
    EXPECT_EQ(s.beatAt(2), s.beats[0]);
    EXPECT_EQ(s.beatAt(4), s.beats[0]);
    EXPECT_EQ(s.beatAt(5), s.beats[1]);
    EXPECT_EQ(s.beatAt(100), s.beats[2]);
    EXPECT_EQ(s.measureLength(0), 1920);
    EXPECT_EQ(s.measureLength(3), 6 * 480 * 4 / 8);
    EXPECT_EQ(s.measureLength(9), 7 * 480 * 4 / 16);
}

TEST(Song, SoloRules) {
    Song s;
    Track& t1 = s.createTrack();
    Track& t2 = s.createTrack();
    Track& t3 = s.createTrack();
    t3.mute = 1;
    s.restoreMutes();
    EXPECT_EQ(t3.effectiveMute, 1);

    s.setSolo(t1, true);
    s.setSolo(t2, true);
    EXPECT_EQ(t1.effectiveMute, 0);
    EXPECT_EQ(t2.effectiveMute, 0);
    EXPECT_EQ(t3.effectiveMute, 1);

    s.setSolo(t1, false);  // t2 still soloed: t1 falls silent
    EXPECT_EQ(t1.effectiveMute, 1);
    EXPECT_EQ(t2.effectiveMute, 0);

    s.setSolo(t2, false);  // no solo left: own mutes again
    EXPECT_EQ(t1.effectiveMute, 0);
    EXPECT_EQ(t2.effectiveMute, 0);
    EXPECT_EQ(t3.effectiveMute, 1);

    t1.solo = 1;
    s.deriveEffectiveMutes();
    EXPECT_EQ(t1.effectiveMute, 0);
    EXPECT_EQ(t2.effectiveMute, 1);
    EXPECT_EQ(t3.effectiveMute, 1);
}
