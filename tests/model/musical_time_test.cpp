#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "model/musical_time.h"
#include "model/song.h"

using namespace tarvio;

namespace {

// "measure.beat.tick" of each tick, counted from 0.
template <class Timeline>
std::vector<std::string> positions(const Timeline& s, std::vector<int32_t> ticks) {
    std::vector<std::string> out;
    for (int32_t t : ticks) {
        MusicalPosition p = tickToPosition(s, t);
        out.push_back(std::to_string(p.measure) + "." + std::to_string(p.beat) + "." + std::to_string(p.tick));
    }
    return out;
}
using Strings = std::vector<std::string>;

// Appends a tempo event gapBefore ticks after the last one (or the start).
void addTempo(Song& s, int32_t gapBefore, uint32_t bpm) {
    auto& ev = s.tempoTrack->events;
    if (ev.empty()) ev.makeBoundary(gapBefore);  // a rest fills the gap
    else ev.back().step = gapBefore;
    Event t;
    t.setTempo(bpm);
    ev.pushBack(t);
}

// Measure by measure, as the rules state them: the reference for the walks that jump over
// stretches of equal measures. Entries are taken in list order, so one behind a later one is
// never reached.
struct MeasureWalk {
    const Song& s;
    size_t next = 0;
    BeatEntry beat = s.initialBeat;
    int64_t enter(int32_t k) {  // the length of measure k, for k = 0, 1, 2, ...
        if (next < s.beats.size() && s.beats[next].measure == uint32_t(k)) beat = s.beats[next++];
        return beat.denominator ? beat.numerator * s.tpqn * 4 / beat.denominator : 0;
    }
};

int32_t measureToTickRef(const Song& s, int32_t m) {
    MeasureWalk w{s};
    int64_t sum = 0;
    for (int32_t k = 0; k < m; ++k) sum += w.enter(k);
    return int32_t(std::min<int64_t>(sum, 0x7FFFFFFF));
}

MusicalPosition tickToPositionRef(const Song& s, int32_t t) {
    if (t <= 0) return {};
    MeasureWalk w{s};
    int64_t L = 0, end = 0;
    int32_t k = 0;
    for (;; ++k) {
        end += L = w.enter(k);
        if (end >= t) break;
        if (L == 0 && (w.next == s.beats.size() || s.beats[w.next].measure <= uint32_t(k)))
            break;  // never reaches t: the rest lies in this measure
    }
    MusicalPosition p{k, 0, 0};
    int64_t offset = L == 0 ? t - end : end == t ? 0 : t - (end - L);
    if (L != 0 && end == t) p.measure = k + 1;
    const int64_t B = w.beat.denominator ? s.tpqn * 4 / w.beat.denominator : 0;
    p.beat = B > 0 ? int32_t(offset / B) : 0;
    p.tick = B > 0 ? int32_t(offset % B) : int32_t(offset);
    return p;
}

}  // namespace

// A few hand-worked positions anchor the reference below, which checks the rest.
TEST(MusicalTime, PositionsAcrossSignatures) {
    Song s;
    s.setBeat(1, 3, 4);
    s.setBeat(3, 6, 8);  // eighth-note beats from measure 3
    EXPECT_EQ(measureToTick(s, -3), 0);
    EXPECT_EQ(measureToTick(s, 5), 1920 + 4 * 1440);
    EXPECT_EQ(positions(s, {-50, 1, 3360, 3359, 1920 + 2 * 1440 + 240 * 5 + 7}),
              (Strings{"0.0.0", "0.0.1", "2.0.0", "1.2.479", "3.5.7"}));
    // Two entries for measure 0 (only a damaged file has them): both directions take the first,
    // and the second holds back what follows it.
    Song twice;
    twice.beats = {{0, 3, 4}, {0, 2, 4}, {2, 5, 4}};
    EXPECT_EQ(measureToTick(twice, 1), 1440);
    EXPECT_EQ(measureToTick(twice, 3), 3 * 1440);
    EXPECT_EQ(positions(twice, {1440, 3 * 1440 + 1}), (Strings{"1.0.0", "3.0.1"}));

    s.tpqn = 48;
    s.setBeat(0, 3, 128);  // beat 1.5 ticks -> 1, measure 4.5 -> 4
    s.beats.clear();
    EXPECT_EQ(measureLength(s, 0), 4);
    EXPECT_EQ(positions(s, {10, 13}), (Strings{"2.2.0", "3.1.0"}));

    // A phrase has one measure, as long as the phrase.
    Track& p = s.createPhrase();
    p.phraseLength = 777;
    EXPECT_EQ(measureToTick(p, 1), 0x7FFFFFFF);
    EXPECT_EQ(measureLength(p, 3), 777);
    EXPECT_EQ(positions(p, {5000}), Strings{"0.0.5000"});
}

// Zero-length measures (TPQN 0, numerator 0) take no time, and signature changes far out are
// reached at once: neither conversion may step through the measures one by one.
TEST(MusicalTime, ZeroLengthMeasuresAndFarChanges) {
    Song s;
    s.initialBeat = {0, 0, 4};
    s.beats = {{0x7FFFFF00u, 4, 4}};
    EXPECT_EQ(measureToTick(s, 0x7FFFFF00 + 2), 3840);
    EXPECT_EQ(measureToTick(Song(), 0x7FFFFFFF), 0x7FFFFFFF);  // held at the largest tick
    // Held at the largest measure.
    EXPECT_EQ(positions(s, {1000, 0x7FFFFFFF}), (Strings{"2147483392.2.40", "2147483647.0.127"}));
    s.beats = {{0xFFFFFFF0u, 1, 4}};
    s.tpqn = 1;  // measures of one tick beyond a change past the 32-bit measure range
    EXPECT_EQ(positions(s, {100}), Strings{"2147483647.0.0"});
    EXPECT_EQ(formatPosition(MusicalPosition{0x7FFFFFFF, 0x7FFFFFFF, 0}), "2147483648:2147483648:    0");

    s.tpqn = 0;  // nothing has length: every tick lies in measure 0
    s.beats.clear();
    EXPECT_EQ(measureToTick(s, 0x7FFFFFFF), 0);
    EXPECT_EQ(positions(s, {0x7FFFFFFF}), Strings{"0.0.2147483647"});

    // Against the measure-by-measure rules, on small lists with zero lengths, repeated and
    // unsorted entries.
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        Song r;
        r.tpqn = uint16_t(std::array<int, 4>{0, 1, 48, 480}[rng() % 4]);
        r.initialBeat = {0, uint8_t(rng() % 4), uint8_t(1u << (rng() % 4))};
        for (int n = int(rng() % 5); n > 0; --n)
            r.beats.push_back({uint32_t(rng() % 12), uint8_t(rng() % 5), uint8_t(1u << (rng() % 8))});
        if (rng() % 2) std::sort(r.beats.begin(), r.beats.end(), [](auto& x, auto& y) { return x.measure < y.measure; });
        for (int32_t m = 0; m < 16; ++m) ASSERT_EQ(measureToTick(r, m), measureToTickRef(r, m)) << round << " m " << m;
        for (int32_t t = 0; t < 8000; t += 1 + int32_t(rng() % 97)) {
            MusicalPosition got = tickToPosition(r, t), want = tickToPositionRef(r, t);
            ASSERT_EQ((std::array<int, 3>{got.measure, got.beat, got.tick}),
                      (std::array<int, 3>{want.measure, want.beat, want.tick}))
                << round << " t " << t;
        }
    }
}

TEST(MusicalTime, MillisecondsAndFormats) {
    Song s;
    EXPECT_EQ(tickToMs(s, 480), 500);
    addTempo(s, 960, 60);
    addTempo(s, 480, 0x10000 + 240);  // only the low 16 bits count
    for (auto [tick, ms] : {std::pair{960, 1000}, {1440, 2000}, {500, 520}, {1440 + 480, 2250}})
        EXPECT_EQ(tickToMs(s, tick), ms) << tick;
    for (int64_t ms : {0, 1, 499, 500, 1000, 1001, 2000, 2249, 2250, 5000}) {
        int64_t tick = msToTick(s, ms);
        EXPECT_GE(tickToMs(s, tick), ms) << ms;
        if (tick > 0) {
            EXPECT_LT(tickToMs(s, tick - 1), ms) << ms;
        }
    }

    // Each finished segment truncates on its own: a tick at 120/480 lasts 1.04 ms.
    Song t;
    EXPECT_EQ(tickToMs(t, 24), 25);
    addTempo(t, 1, 120);
    EXPECT_EQ(tickToMs(t, 24), 1 + 23);
    Song u;
    u.tpqn = 960;  // the resolution changes how long a tick lasts
    EXPECT_EQ(tickToMs(u, 960), 500);

    EXPECT_EQ(formatPosition(MusicalPosition{122, 3, 479}), "  123: 4:  479");
    EXPECT_EQ(formatTime(61234), "  1:01:234");
    EXPECT_EQ(formatTime(3600000 + 59999), " 60:59:999");
}
