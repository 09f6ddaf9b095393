#include <gtest/gtest.h>

#include <vector>

#include "model/song.h"
#include "model/undo.h"

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

// Phrase calls find their phrase through an index by number; after every kind of change it
// finds what a search of the list in order finds.
TEST(Song, PhraseLookupFollowsEveryChangeOfThePhrases) {
    Song s;
    auto expectLookups = [&](const char* after) {
        for (uint32_t n = 0; n <= 12; ++n) {
            const Track* first = nullptr;
            for (auto& p : s.phrases)
                if (!first && p->number == n) first = p.get();
            EXPECT_EQ(s.findPhrase(n), first) << after << ", number " << n;
        }
    };
    for (int i = 0; i < 4; ++i) s.createPhrase();
    s.createPhrase(3);  // 5, before 3
    expectLookups("creating");
    EXPECT_TRUE(s.removePhrase(2));
    EXPECT_EQ(s.createPhrase().number, 2u);
    expectLookups("removing and creating again");

    Track& four = *s.findPhrase(4);
    four.push(makeInsert(four, {Event{}}, 0));
    for (auto& t : s.tracks) t->resetFlag = 0;
    Track& caller = s.createTrack();
    caller.resetFlag = 0;
    EXPECT_TRUE(s.renumberPhrase(four, 9));
    EXPECT_EQ(caller.resetFlag, 1);  // its calls of 4 and 9 play something else now
    expectLookups("renumbering");
    EXPECT_TRUE(s.undo());  // the edit went with the phrase to its new number
    EXPECT_TRUE(four.events.empty());
    EXPECT_TRUE(s.redo());
    EXPECT_EQ(four.events.size(), 1u);

    // Two phrases of one number: the first in the list plays, and the other once it is gone.
    Track& one = *s.findPhrase(1);
    EXPECT_TRUE(s.renumberPhrase(one, 9));
    EXPECT_EQ(s.findPhrase(9), &one);
    EXPECT_TRUE(s.removePhrase(9));
    EXPECT_EQ(s.findPhrase(9), &four);
    Track& again = s.appendPhrase(9);  // as a damaged file would repeat it
    EXPECT_EQ(s.findPhrase(9), &four);
    s.appendPhrase(12);
    expectLookups("appending");
    EXPECT_TRUE(s.removePhrase(9));
    EXPECT_EQ(s.findPhrase(9), &again);

    s.findPhrase(3)->number = 11;  // written straight into the field
    expectLookups("a number set directly");
    Track stray(&s, TrackType::Phrase, 3);
    EXPECT_FALSE(s.renumberPhrase(stray, 4));
    expectLookups("refusing a phrase of no song");
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
