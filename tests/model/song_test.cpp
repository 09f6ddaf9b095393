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

TEST(Song, CreateAndRemoveTracksAndPhrases) {
    uint32_t earlier;
    {
        Song old;
        earlier = old.createTrack().number;
    }
    Song s;
    uint32_t a = s.createTrack().number;
    EXPECT_GT(a, earlier);  // numbers keep counting across songs
    uint32_t b = s.createTrack().number;
    for (auto& t : s.tracks) t->resetFlag = 0;
    uint32_t c = s.createTrack(b).number;       // before b
    uint32_t d = s.createTrack(123456).number;  // unknown: at the end
    EXPECT_EQ(order(s), (std::vector<uint32_t>{a, c, b, d}));
    for (auto& t : s.tracks) EXPECT_EQ(t->resetFlag, 1);
    EXPECT_EQ(s.findTrack(0), nullptr);
    EXPECT_TRUE(s.removeTrack(c));
    EXPECT_FALSE(s.removeTrack(c));
    EXPECT_EQ(order(s), (std::vector<uint32_t>{a, b, d}));
    // Songs may hold tens of thousands of tracks: playback tables are not carried per track.
    EXPECT_LT(sizeof(Track), 4096u);

    // Phrases take the lowest free number.
    for (uint32_t n = 1; n <= 3; ++n) EXPECT_EQ(s.createPhrase().number, n);
    EXPECT_TRUE(s.removePhrase(2));
    Track& p = s.createPhrase(1);
    EXPECT_EQ(p.number, 2u);
    EXPECT_EQ(s.phrases.front()->number, 2u);  // placed before phrase 1
    EXPECT_EQ(s.createPhrase().number, 4u);
    EXPECT_EQ(s.phraseName(9), "Phrase no match");
    EXPECT_EQ(s.findContainer(uint16_t(TrackType::Phrase), 2), &p);
}

TEST(Song, MoveTrack) {
    Song s;
    uint32_t a = s.createTrack().number;
    uint32_t b = s.createTrack().number;
    uint32_t c = s.createTrack().number;
    using Order = std::vector<uint32_t>;
    struct Case {
        uint32_t what, before;
        bool moved;
        Order after;
    };
    // before == 0 means the end.
    for (const Case& k : {Case{a, a, false, {a, b, c}}, Case{a, b, false, {a, b, c}}, Case{c, 0, false, {a, b, c}},
                          Case{999999, a, false, {a, b, c}}, Case{a, 999999, false, {a, b, c}},
                          Case{c, a, true, {c, a, b}}, Case{c, 0, true, {a, b, c}}, Case{a, c, true, {b, a, c}}}) {
        EXPECT_EQ(s.moveTrack(k.what, k.before), k.moved) << k.what << " before " << k.before;
        EXPECT_EQ(order(s), k.after);
    }
}

TEST(Song, BeatList) {
    Song s;
    s.setBeat(5, 3, 4);
    s.setBeat(2, 6, 8);
    s.setBeat(9, 7, 16);
    s.setBeat(5, 5, 4);  // replaces
    s.setBeat(0, 2, 2);  // the initial beat
    EXPECT_EQ(s.beats, (std::vector<BeatEntry>{{2, 6, 8}, {5, 5, 4}, {9, 7, 16}}));
    EXPECT_EQ(s.initialBeat, (BeatEntry{0, 2, 2}));
    for (auto [m, want] : {std::pair{1, s.initialBeat}, {2, s.beats[0]}, {4, s.beats[0]}, {100, s.beats[2]}})
        EXPECT_EQ(s.beatAt(m), want) << m;
    EXPECT_EQ(s.measureLength(9), 7 * 480 * 4 / 16);
}

TEST(Song, SoloRules) {
    Song s;
    Track& t1 = s.createTrack();
    Track& t2 = s.createTrack();
    Track& t3 = s.createTrack();
    t3.mute = 1;
    s.restoreMutes();
    auto mutes = [&] { return std::vector<int>{t1.effectiveMute, t2.effectiveMute, t3.effectiveMute}; };
    EXPECT_EQ(mutes(), (std::vector<int>{0, 0, 1}));
    s.setSolo(t1, true);
    s.setSolo(t2, true);
    EXPECT_EQ(mutes(), (std::vector<int>{0, 0, 1}));
    s.setSolo(t1, false);  // t2 still soloed: t1 falls silent
    EXPECT_EQ(mutes(), (std::vector<int>{1, 0, 1}));
    s.setSolo(t2, false);  // no solo left: own mutes again
    EXPECT_EQ(mutes(), (std::vector<int>{0, 0, 1}));
    t1.solo = 1;
    s.deriveEffectiveMutes();
    EXPECT_EQ(mutes(), (std::vector<int>{0, 1, 1}));
}
