// What a song plays: cursor walks, emitter rules and message building, checked on the
// messages that come out tick by tick.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "expand/emitter.h"
#include "expand/procedure.h"
#include "expand/song_play.h"
#include "model/song.h"

using namespace tarvio;

namespace {

using Lines = std::vector<std::string>;

// One output record as "tick port bytes", tempo as "tick port tempo bpm".
std::string line(int32_t tick, const Song& song, const OutputRecord& r) {
    std::string s = std::to_string(tick) + " " + std::to_string(r.port);
    if (r.isTempo()) return s + " tempo " + std::to_string(r.tempo());
    const uint8_t st = r.status();
    const uint8_t shortBytes[] = {st, uint8_t(r.message >> 8), uint8_t(r.message >> 16)};
    const bool sysex = st == 0xF0;
    const uint8_t* p = sysex ? song.output.sysexBytes(r) : shortBytes;
    const uint32_t n = sysex ? r.sysexCount : (st & 0xE0) == 0xC0 ? 2 : 3;  // Cn and Dn have one data byte
    for (uint32_t i = 0; i < n; ++i) {
        char buf[4];
        std::snprintf(buf, sizeof buf, " %02X", p[i]);
        s += buf;
    }
    return s;
}

// Plays from the start as the export does (reset with chase, discard, then every tick), or,
// given `from`, locates there (chasing the state before it) and plays on; stops after `to`.
Lines expand(Song& song, int32_t from = -1, int32_t to = 100000) {
    Emitter em;
    Lines out;
    int32_t t = 0;
    if (from < 0) {
        songResetAll(song, 0, em);
    } else {
        songLocate(song, from, em);
        for (const OutputRecord& r : song.output.records) out.push_back(line(from, song, r));
        t = from + 1;
    }
    for (; t <= to; ++t) {
        songAdvance(song, t, em);
        for (const OutputRecord& r : song.output.records) out.push_back(line(t, song, r));
        if (songFinished(song)) break;
    }
    return out;
}

// Only the lines whose status starts with one of `kinds` ("89": note messages, "9": note-ons).
Lines only(const Lines& lines, const std::string& kinds = "89") {
    Lines r;
    for (const std::string& l : lines) {
        const size_t sp = l.find(' ', l.find(' ') + 1);
        if (kinds.find(l[sp + 1]) != std::string::npos) r.push_back(l);
    }
    return r;
}

// Terse event factories; the last argument is always the step.
Event ev(int32_t step, auto set) {
    Event e;
    set(e);
    e.step = step;
    return e;
}
Event N(uint8_t n, uint8_t v, uint16_t gate, int32_t step) {
    return ev(step, [&](Event& e) { e.setNote(n, v, gate); });
}
Event CC(uint8_t n, uint8_t v, int32_t step = 0) { return ev(step, [&](Event& e) { e.setControl(n, v); }); }
Event Reg(EventKind k, uint16_t reg, int16_t operand, int32_t step = 0) {
    return ev(step, [&](Event& e) { e.setRegisterOp(k, reg, operand); });
}
Event Plain(EventKind k) { return ev(0, [&](Event& e) { e.setKindValue(k, 0); }); }
Event Call(uint32_t phrase, int32_t step, int32_t offset = 0, int32_t transpose = 0, KeyMode key = KeyMode(0)) {
    return ev(step, [&](Event& e) { e.setPhraseCall(PhraseCallData{phrase, offset, transpose, 0, uint32_t(key)}); });
}
Event Clone(CloneMode mode, int32_t position, int32_t step, int8_t transpose = 0) {
    return ev(step, [&](Event& e) { e.setClone(CloneData{transpose, uint8_t(mode), position}); });
}
Event Cmd(uint16_t index, uint8_t p1, uint8_t p2) { return ev(0, [&](Event& e) { e.setCommand(index, p1, p2); }); }
Event Sysex(std::vector<uint8_t> bytes, uint8_t p1 = 0, uint8_t p2 = 0) {
    return ev(0, [&](Event& e) { e.setExclusive(std::move(bytes), p1, p2); });
}
void add(EventList& list, std::initializer_list<Event> events) {
    for (const Event& e : events) list.pushBack(e);
}
Track& add(Track& t, std::initializer_list<Event> events) {
    add(t.events, events);
    return t;
}
Track& track(Song& song, std::initializer_list<Event> events) { return add(song.createTrack(), events); }
Track& phrase(Song& song, std::initializer_list<Event> events) { return add(song.createPhrase(), events); }

}  // namespace

// One track's note messages ("9": only note-ons): gates, rests, order, transposition, registers
// as values, conditions, phrase calls, clones.
TEST(OneTrack, PlaysTheNotesOfEachRule) {
    struct Case {
        const char* name;
        std::vector<Event> events;
        Lines want;
        const char* kinds = "89";
        uint8_t channel = 0;
        int32_t transpose = 0, offset = 0;
        std::vector<Event> phrase = {};  // phrase 1
    };
    using K = EventKind;
    const std::vector<Case> cases = {
        {.name = "off after the gate; velocity 0 and gate 0 are rests",
         .events = {N(60, 100, 240, 480), N(62, 0, 96, 480), N(64, 100, 0, 480)},
         .want = {"0 0 92 3C 64", "240 0 82 3C 40"},
         .channel = 2},
        {"overlapping same pitch: one on, and the off at the end of the later note",
         {N(60, 100, 960, 240), N(60, 90, 240, 0)},
         {"0 0 90 3C 64", "480 0 80 3C 40"}},
        {"offs at one tick in ascending order, before a new on",
         {N(67, 100, 100, 0), N(60, 100, 100, 0), N(64, 100, 100, 100), N(60, 100, 50, 0)},
         {"0 0 90 43 64", "0 0 90 3C 64", "0 0 90 40 64", "100 0 80 3C 40", "100 0 80 40 40",
          "100 0 80 43 40", "100 0 90 3C 64", "150 0 80 3C 40"}},
        {"a gate running past the list end still gets its off",
         {N(60, 100, 2000, 10)},
         {"0 0 90 3C 64", "2000 0 80 3C 40"}},
        {.name = "track transpose (clamped) and offset",
         .events = {N(60, 100, 10, 10)},
         .want = {"100 0 90 7F 64", "110 0 80 7F 40"},
         .transpose = 70,
         .offset = 100},
        {.name = "a call is cut at the caller's next event; a missing phrase plays nothing",
         .events = {Call(99, 480), Call(1, 960), N(70, 100, 10, 10)},
         .want = {"480 0 90 3C 64", "580 0 80 3C 40", "960 0 90 3D 64", "1060 0 80 3D 40", "1440 0 90 46 64",
                  "1450 0 80 46 40"},
         .phrase = {N(60, 100, 100, 480), N(61, 100, 100, 480), N(62, 100, 100, 480)}},
        // Major: 61 -> 62, 64 and 62 stay. Minor: 64 -> 63, 62 stays. Transposed: 64+12, 62+12;
        // the last starts 50 ticks late.
        {.name = "phrase calls with start offset, transposition and key fitting",
         .events = {Call(1, 300, 100, 0, KeyMode::Major), Call(1, 200, 200, 0, KeyMode::Minor), Call(1, 300, 150, 12)},
         .want = {"0 0 90 3E 64", "100 0 90 40 64", "200 0 90 3E 64", "300 0 90 3F 64", "400 0 90 3E 64",
                  "550 0 90 4C 64", "650 0 90 4A 64"},
         .kinds = "9",
         .phrase = {N(59, 100, 10, 100), N(61, 100, 10, 100), N(64, 100, 10, 100), N(62, 100, 10, 100)}},
        {"register references clamp to 0..127",
         {Reg(K::Mov, 0, -5), CC(7, 128), Reg(K::Mov, 1, 200), N(129, 100, 10, 0), Reg(K::Mov, 2, 300),
          CC(10, 130, 10)},
         {"0 0 B0 07 00", "0 0 90 7F 64", "0 0 B0 0A 7F", "10 0 80 7F 40"},
         "89B"},
        {"a nested IF in a skipped branch pushes nothing; unmatched ENDIF and ELSE do nothing",
         {Reg(K::Mov, 1, 1), Reg(K::IfEq, 0, 1), Reg(K::IfEq, 1, 1), N(60, 100, 1, 0), Plain(K::EndIf),
          N(61, 100, 1, 0), Plain(K::EndIf), Plain(K::Else), N(62, 100, 1, 1)},
         {"0 0 90 3D 64", "0 0 90 3E 64", "1 0 80 3D 40", "1 0 80 3E 40"}},
        // The clone's first pass leaves its IF open; on the next the ELSE turns it off, on the
        // third back on, and so on.
        {"a condition left open in a clone holds across its restart",
         {Plain(K::Else), N(62, 100, 10, 120), Reg(K::IfEq, 0, 0), N(60, 100, 10, 120),
          Clone(CloneMode::Relative, -240, 960), N(72, 100, 10, 10)},
         {"0 0 90 3E 64", "120 0 90 3C 64", "240 0 90 3E 64", "360 0 90 3C 64", "720 0 90 3E 64",
          "840 0 90 3C 64", "1200 0 90 48 64"},
         "9"},
        {"a relative clone repeats the preceding stretch",
         {N(60, 100, 100, 240), N(62, 100, 100, 240), Clone(CloneMode::Relative, -480, 1920), N(72, 100, 10, 10)},
         {"0 0 90 3C 64", "240 0 90 3E 64", "480 0 90 3C 64", "720 0 90 3E 64", "960 0 90 3C 64",
          "1200 0 90 3E 64", "1440 0 90 3C 64", "1680 0 90 3E 64", "1920 0 90 3C 64", "2160 0 90 3E 64",
          "2400 0 90 48 64"},
         "9"},
        {"a measure clone with transpose (measure 0 ends at 1920) and an absolute clone",
         {N(60, 100, 10, 960), N(64, 100, 10, 960), Clone(CloneMode::Measure, 0, 960, 2),
          Clone(CloneMode::Absolute, 960, 480)},
         {"0 0 90 3C 64", "960 0 90 40 64", "1920 0 90 3E 64", "2880 0 90 40 64"},
         "9"},
        {"a clone starting beyond the list plays nothing",
         {Clone(CloneMode::Absolute, 100000, 100), N(60, 100, 10, 10)},
         {"100 0 90 3C 64", "110 0 80 3C 40"}},
        {"a clone whose stretch restarts without time plays nothing",
         {Clone(CloneMode::Relative, 0, 100), N(60, 100, 10, 10)},
         {"100 0 90 3C 64", "110 0 80 3C 40"}},
    };
    for (const Case& c : cases) {
        Song song;
        ASSERT_EQ(add(song.createPhrase(), {}).number, 1u);
        for (const Event& e : c.phrase) song.phrases.front()->events.pushBack(e);
        Track& t = song.createTrack();
        for (const Event& e : c.events) t.events.pushBack(e);
        t.channel = c.channel;
        t.transpose = c.transpose;
        t.offset = c.offset;
        EXPECT_EQ(only(expand(song), c.kinds), c.want) << c.name;
    }
}

TEST(Messages, BytesOfEachKindAndATempoTrackThatSendsOnlyTempo) {
    Song song;
    add(*song.tempoTrack, {ev(10, [](Event& e) { e.setTempo(90); }), CC(7, 100)});
    Track& t = track(song,
                     {ev(0, [](Event& e) { e.setProgram(5, 1, 2); }), ev(0, [](Event& e) { e.setProgram(6, 128, 128); }),
                      ev(0, [](Event& e) { e.setBend(100); }),  // 8292 = 64 * 128 + 100
                      ev(0, [](Event& e) { e.setChannelPressure(33); }),
                      ev(0, [](Event& e) { e.setPolyPressure(60, 44); })});
    t.channel = 1;
    t.port = 3;
    // An exclusive template: D1 -> 0x10 | part (channel 9 has part 0); C2 -> 0x20 | 9;
    // checksum over 40+29+11+22 = 9C -> 64.
    track(song, {Sysex({0xF0, 0x41, 0xD1, 0x42, 0x12, 0xFA, 0x40, 0xC2, 0xFC, 0xFD, 0xFB, 0xF7}, 0x11, 0x22)})
        .channel = 9;
    EXPECT_EQ(expand(song), (Lines{"0 0 tempo 90", "0 3 B1 00 01", "0 3 B1 20 02", "0 3 C1 05", "0 3 C1 06",
                                   "0 3 E1 64 40", "0 3 D1 21", "0 3 A1 3C 2C",
                                   "0 0 F0 41 10 42 12 40 29 11 22 64 F7"}));
}

TEST(Messages, CommandBodiesFillPlaceholdersAndClampRegisterParameters) {
    Song song;
    CommandDef& body = song.commands[5];
    body.type = 0;
    add(body.body, {Sysex({0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0x00, 0xFB, 0xF7}), CC(0xFC, 0xFD)});
    CommandDef& ranged = song.commands[2];
    ranged.type = 1;
    ranged.min = 0;
    ranged.max = 200;
    add(ranged.body, {CC(0xFE, 0xFF)});
    song.registers[4] = 1000.0f;
    // Undefined and out-of-range commands send nothing; 200 = 1 * 128 + 72.
    track(song, {Cmd(5, 7, 9), Cmd(6, 1, 1), Cmd(1200, 1, 1), Cmd(2, 0, 128 + 4)});
    EXPECT_EQ(expand(song), (Lines{"0 0 F0 41 10 42 12 40 00 7F 00 41 F7", "0 0 B0 07 09", "0 0 B0 01 48"}));
}

TEST(Registers, ArithmeticAndTrigonometryInDegrees) {
    struct Step {
        EventKind op;
        int16_t a, b;
        float want;  // $a afterwards
    };
    const Step steps[] = {
        {EventKind::Mov, 2, 90, 90.0f},
        {EventKind::Sin, 3, 2, 1.0f},
        {EventKind::Mov, 4, 7, 7.0f},
        {EventKind::Div, 4, 5, 0.0f},  // $5 is 0.0
        {EventKind::Mov, 6, 10, 10.0f},
        {EventKind::Mov, 7, 4, 4.0f},
        {EventKind::Sub, 6, 7, 6.0f},
        {EventKind::Div, 6, 7, 1.5f},
        {EventKind::MovVar, 8, 6, 1.5f},
        {EventKind::Mul, 8, 7, 6.0f},
        {EventKind::Mov, 5, 127, 127.0f},
        {EventKind::Div, 5, 200, 0.0f},  // a source out of range reads as 0.0
        {EventKind::Mov, 1, 3, 3.0f},
        {EventKind::MovVar, 1, -3, 0.0f},
    };
    Song song;
    for (size_t i = 0; i < std::size(steps); ++i) {
        executeRegisterOp(song, steps[i].op, steps[i].a, steps[i].b);
        EXPECT_NEAR(song.registers[size_t(steps[i].a)], steps[i].want, 1e-6) << "step " << i;
    }
    executeRegisterOp(song, EventKind::Mov, 200, 1);  // destination out of range: ignored
}

TEST(Registers, MutedTrackSkipsOperationsWhileChaseRunsThem) {
    Song song;
    Track& t = track(song, {Reg(EventKind::Mov, 9, 42, 100), N(60, 100, 10, 10)});
    t.mute = t.effectiveMute = 1;
    expand(song);
    EXPECT_EQ(song.registers[9], 0.0f);
    Emitter em;
    songLocate(song, 200, em);
    EXPECT_EQ(song.registers[9], 42.0f);
}

TEST(Conditions, IfElseEndifChoosesOneBranch) {
    struct Case {
        float r1;
        EventKind cmp;
        bool taken;  // $1 against 5
    };
    const Case cases[] = {
        {5.0f, EventKind::IfEq, true},  {4.0f, EventKind::IfEq, false}, {5.0f, EventKind::IfNe, false},
        {5.0f, EventKind::IfGt, false}, {5.0f, EventKind::IfGe, true},  {4.9f, EventKind::IfLt, true},
        {5.1f, EventKind::IfLe, false},
    };
    for (const Case& c : cases) {
        Song song;
        song.registers[1] = c.r1;
        track(song, {Reg(c.cmp, 1, 5), N(60, 100, 1, 0), Plain(EventKind::Else), N(61, 100, 1, 0),
                     Plain(EventKind::EndIf), N(62, 100, 1, 0)});
        const Lines want = {c.taken ? "0 0 90 3C 64" : "0 0 90 3D 64", "0 0 90 3E 64"};
        EXPECT_EQ(only(expand(song), "9"), want) << int(c.cmp) << " with $1 = " << c.r1;
    }
}

TEST(PhraseCalls, SelfCallingPhraseIsBoundedByNesting) {
    Song song;
    Track& ph = song.createPhrase();
    add(ph, {Call(ph.number, 0), N(60, 100, 10, 10)});
    // A distinct event: the phrase's own call must not look like its creator.
    track(song, {Call(ph.number, 20)});
    EXPECT_FALSE(expand(song, -1, 1000).empty());  // and it terminates
}

TEST(Chase, LocateReplaysStateBeforeAnyNote) {
    Song song;
    add(*song.tempoTrack, {ev(0, [](Event& e) { e.setTempo(100); })});
    // Data entry (6) is not chased; the later volume wins.
    track(song, {ev(0, [](Event& e) { e.setProgram(10, 0, 128); }), CC(7, 90), CC(6, 64), CC(101, 0),
                 ev(0, [](Event& e) { e.setBend(0); }), ev(0, [](Event& e) { e.setChannelPressure(20); }),
                 CC(7, 100, 10), N(60, 100, 10, 500), N(62, 100, 10, 10)});
    EXPECT_EQ(expand(song, 100, 600),
              (Lines{"100 0 B0 40 00", "100 0 tempo 100", "100 0 B0 40 00", "100 0 B0 00 00", "100 0 C0 0A",
                     "100 0 B0 07 64", "100 0 E0 00 40", "100 0 D0 14", "510 0 90 3E 64", "520 0 80 3E 40"}));
    EXPECT_EQ(song.startPosition, 100);
}

TEST(Chase, RegisterValuesAreChasedAndMutedTracksReplayNothing) {
    Song song;
    track(song, {Reg(EventKind::Mov, 3, 300), CC(11, 128 + 3), ev(50, [](Event& e) { e.setBendBytes(0, 128 + 3); }),
                 N(60, 100, 10, 100)});
    track(song, {CC(11, 128 + 3, 100)}).effectiveMute = 1;
    EXPECT_EQ(expand(song, 60, 60),
              (Lines{"60 0 B0 40 00", "60 0 B0 40 00", "60 0 B0 0B 7F", "60 0 E0 2C 42", "60 0 B0 40 00"}));
}

TEST(Chase, PhraseContentBeforeTheStartIsChased) {
    Song song;
    const Track& ph = phrase(song, {CC(10, 33), N(60, 100, 10, 1000)});
    track(song, {Call(ph.number, 2000)});
    EXPECT_EQ(expand(song, 500, 500), (Lines{"500 0 B0 40 00", "500 0 B0 40 00", "500 0 B0 0A 21"}));
}

// A locate far into a clone loop passes over whole repeats; what it chases must be what
// playing every repeat would leave. Here the loop is two ticks long and its register flips sign
// on each pass, so the state comes round every second pass.
TEST(Chase, LocatingFarIntoALoopChasesWhatEveryRepeatWouldLeave) {
    Song song;
    track(song, {Reg(EventKind::Mov, 0, 1), Reg(EventKind::Mov, 2, -1, 1),
                 CC(7, 10, 1),  // the loop starts here, at tick 1
                 Reg(EventKind::Mul, 0, 2), Reg(EventKind::IfGt, 0, 0), CC(10, 1), Plain(EventKind::Else), CC(10, 2),
                 Plain(EventKind::EndIf), CC(7, 20, 1), Clone(CloneMode::Relative, -2, INT32_MAX)});
    std::vector<int32_t> ticks;
    for (int32_t t = 3; t < 40; ++t) ticks.push_back(t);
    for (int32_t t : {2000000000, 2000000001, INT32_MAX - 2, INT32_MAX - 1}) ticks.push_back(t);
    for (int32_t t : ticks) {
        // Chased up to t - 1: the volume of the last tick, the flips of the even ticks from 2.
        const int64_t flips = (int64_t(t) - 1) / 2;
        const std::string at = std::to_string(t) + " 0 ";
        const Lines want = {at + "B0 07 " + ((t - 1) % 2 ? "0A" : "14"), at + "B0 0A " + (flips % 2 ? "02" : "01")};
        Lines got;
        for (const std::string& l : expand(song, t, t))
            if (l.find("B0 07") != std::string::npos || l.find("B0 0A") != std::string::npos) got.push_back(l);
        EXPECT_EQ(got, want) << t;
        EXPECT_EQ(song.registers[0], flips % 2 ? -1.0f : 1.0f) << t;
    }
}

// A locate must leave what playing every tick up to it leaves: each controller's last value and
// the registers. Random tracks of controllers (some from registers), register arithmetic, IF
// blocks and clone loops, located at ticks near and far, check the seek (which passes over the
// repeats of loops) against plain playing.
TEST(Chase, LocateLeavesWhatPlayingUpToItLeaves) {
    std::mt19937 rng(20261207);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    constexpr int32_t kEnd = 3000;
    const std::vector<int32_t> locates = {1, 2, 3, 5, 8, 13, 40, 41, 100, 333, 1000, 2047, 2999, kEnd};
    using State = std::pair<std::map<int, int>, std::array<float, kRegisterCount>>;
    auto cc = [](const Song& song, std::map<int, int>& last) {
        for (const OutputRecord& r : song.output.records)
            if ((r.status() & 0xF0) == 0xB0) last[int(r.message >> 8) & 0x7F] = int(r.message >> 16) & 0x7F;
    };
    // Controllers (some from registers), register arithmetic, IF blocks, notes, clones and, on
    // tracks, calls of the phrase.
    auto fill = [&](Track& t, uint32_t phrase) {
        const int n = pick(3, 14);
        for (int i = 0; i < n; ++i) {
            const int32_t step = pick(0, 3) == 0 ? 0 : pick(1, 6);
            const uint16_t r = uint16_t(pick(0, 2));
            switch (pick(0, phrase ? 10 : 9)) {
                case 0: case 1: t.events.pushBack(CC(uint8_t(pick(7, 9)), uint8_t(pick(0, 127)), step)); break;
                case 2: t.events.pushBack(CC(uint8_t(pick(7, 9)), uint8_t(128 + r), step)); break;
                case 3: t.events.pushBack(Reg(EventKind::Mov, r, int16_t(pick(-2, 2)), step)); break;
                case 4: {
                    const EventKind ops[] = {EventKind::Add, EventKind::Sub, EventKind::Mul, EventKind::MovVar};
                    t.events.pushBack(Reg(ops[pick(0, 3)], r, int16_t(pick(0, 2)), step));
                    break;
                }
                case 5: t.events.pushBack(Reg(pick(0, 1) ? EventKind::IfGt : EventKind::IfEq, r, int16_t(pick(-1, 1)), step)); break;
                case 6: t.events.pushBack(Plain(pick(0, 1) ? EventKind::Else : EventKind::EndIf)); break;
                case 7: t.events.pushBack(N(uint8_t(pick(40, 80)), 100, uint16_t(pick(1, 5)), step)); break;
                case 10: t.events.pushBack(Call(phrase, pick(0, 40), pick(0, 8))); break;
                default: {
                    const bool relative = pick(0, 2) != 0;
                    const int32_t pos = relative ? -pick(0, 30) : pick(0, 30);
                    t.events.pushBack(Clone(relative ? CloneMode::Relative : CloneMode::Absolute, pos,
                                            pick(0, 3) == 0 ? INT32_MAX : pick(0, 80)));
                }
            }
        }
    };
    for (int round = 0; round < 150; ++round) {
        Song song;
        Track& ph = song.createPhrase();
        fill(ph, 0);
        fill(song.createTrack(), ph.number);
        // Playing: the state before each locate tick.
        std::map<int32_t, State> want;
        Emitter em;
        songResetAll(song, 0, em);
        std::map<int, int> last;
        for (int32_t tick = 0; tick <= kEnd; ++tick) {
            if (std::find(locates.begin(), locates.end(), tick) != locates.end()) want[tick] = {last, song.registers};
            songAdvance(song, tick, em);
            cc(song, last);
        }
        for (int32_t at : locates) {
            song.registers = {};
            songLocate(song, at, em);
            std::map<int, int> chased;
            cc(song, chased);
            chased.erase(64);  // the release before the chase
            EXPECT_EQ(chased, want[at].first) << "round " << round << " at " << at;
            EXPECT_EQ(std::memcmp(song.registers.data(), want[at].second.data(), sizeof song.registers), 0)
                << "round " << round << " at " << at << ": $0 " << song.registers[0] << " for "
                << want[at].second[0];
        }
    }
}

// A counter that climbs on every pass of a one-tick loop comes round only when the float stops
// growing, 2^24 passes on. A locate that far gives up on that track, which then plays nothing;
// the other tracks chase in full, one of them through 150,000 events of phrase calls.
TEST(Chase, ALocateGivesUpOnALoopThatNeverComesRound) {
    Song song;
    Track& runaway = track(song, {Reg(EventKind::Mov, 1, 1, 1), Reg(EventKind::Add, 0, 1), N(60, 100, 1, 1),
                                  Clone(CloneMode::Relative, -1, INT32_MAX)});
    runaway.offset = -2000000000;
    Track& ramp = song.createPhrase();
    for (int i = 0; i < 200; ++i) ramp.events.pushBack(CC(7, uint8_t(i % 128), 1));
    Track& calls = song.createTrack();
    for (int i = 0; i < 1000; ++i) calls.events.pushBack(Call(ramp.number, 200));
    track(song, {CC(10, 99, 10), N(62, 100, 10, 10)});
    const Lines at = expand(song, 150100, 150102);
    for (const char* chased : {"150100 0 B0 07 63", "150100 0 B0 0A 63"})
        EXPECT_NE(std::find(at.begin(), at.end(), chased), at.end()) << chased << " in " << ::testing::PrintToString(at);
    EXPECT_TRUE(only(at, "9").empty());
    EXPECT_TRUE(cursorFinished(runaway));
}

// Two phrases calling each other twice on one tick would double their walk at every level of
// nesting; the tick stops at its budget, and the track plays nothing more.
TEST(PhraseCalls, PhrasesCallingEachOtherSeveralTimesOnATickEnd) {
    Song song;
    Track& p = song.createPhrase();
    Track& q = song.createPhrase();
    add(p, {Call(q.number, 0), Call(q.number, 0), N(60, 100, 10, 10)});
    add(q, {Call(p.number, 0), Call(p.number, 0), N(61, 100, 10, 10)});
    Track& t = track(song, {Call(p.number, 20), N(62, 100, 10, 10)});
    track(song, {N(64, 100, 10, 30)});
    EXPECT_EQ(only(expand(song, -1, 1000), "9").back(), "0 0 90 40 64");
    EXPECT_TRUE(cursorFinished(t));
}

TEST(Cursor, FinishedOnlyAfterLastGateAndTicksToNext) {
    Song song;
    Track& t = track(song, {N(60, 100, 50, 20)});
    Emitter em;
    songResetAll(song, 0, em);
    EXPECT_EQ(cursorTicksToNext(t), 0);
    int32_t finishedAt = -1;
    for (int32_t tick = 0; tick < 200 && finishedAt < 0; ++tick) {
        songAdvance(song, tick, em);
        if (songFinished(song)) finishedAt = tick;
    }
    EXPECT_EQ(finishedAt, 50);
    EXPECT_EQ(cursorTicksToNext(t), -1);
}

TEST(Cursor, ResetFlagOnPhraseMakesTracksReread) {
    Song song;
    Track& ph = phrase(song, {N(60, 100, 10, 100)});
    Track& t = track(song, {Call(ph.number, 1000)});
    Emitter em;
    songResetAll(song, 0, em);
    songAdvance(song, 0, em);
    EXPECT_EQ(song.output.records.size(), 1u);
    ph.resetFlag = 1;
    songAdvance(song, 1, em);  // the track is reset (no chase) and replays from tick 1
    EXPECT_EQ(ph.resetFlag, 0);
    EXPECT_EQ(t.resetFlag, 0);
}

// Offsets, steps, transpositions and positions come from files as any 32-bit value; none may
// overflow the cursor's arithmetic (checked by the sanitizer build) or make time run backwards.
TEST(Cursor, ExtremeOffsetsStepsAndPositionsPlaySoundly) {
    constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    constexpr uint32_t kPhrase = 1;  // plays 60 and 62, 100 ticks apart
    struct Case {
        const char* name;
        int32_t offset, transpose;  // of the track
        std::vector<Event> events;
        Lines want;  // "tick note" of the note-ons
    };
    std::vector<Event> clones = {N(60, 100, 10, 1)};
    for (CloneMode m : {CloneMode::Measure, CloneMode::Absolute, CloneMode::Relative, CloneMode::MeasureRelative})
        for (int32_t p : {kMin, kMax}) clones.push_back(Clone(m, p, 0));
    clones.push_back(N(62, 100, 10, 10));
    const std::vector<Case> cases = {
        {"offset at the lowest: everything lies before the start", kMin, 0, {N(60, 100, 10, 10)}, {}},
        {"offset at the highest", kMax, 0, {N(60, 100, 10, 10)}, {"2147483647 60"}},
        {"steps summing beyond 32 bits: the last note at 2^31 - 2", kMin, 0,
         {N(60, 100, 10, kMax), N(62, 100, 10, kMax), N(64, 100, 10, 0)}, {"2147483646 64"}},
        {"negative steps count as 0", 0, 0, {N(60, 100, 10, kMin), N(62, 100, 10, -5), N(64, 100, 10, 1)},
         {"0 60", "0 62", "0 64"}},
        // The stretch replays every 10 ticks until the clone's step runs out at 35.
        {"a clone over negative steps moves on", 0, 0,
         {N(60, 100, 10, 10), N(62, 100, 10, -10), Clone(CloneMode::Relative, -10, 25)},
         {"0 60", "500 62", "500 60", "500 62", "500 60", "500 62", "500 60"}},
        {"a clone stretch that takes no time through a negative step is not replayed", 0, 0,
         {N(60, 100, 10, -5), Clone(CloneMode::Relative, 0, 10), N(62, 100, 10, 1)}, {"0 60", "500 62"}},
        {"phrase transpositions at the limits clamp", 0, 0,
         {Call(kPhrase, 1, 0, kMax), Call(kPhrase, 1, 0, kMin)}, {"0 127", "1 0"}},
        {"a track transposition at the limit clamps", 0, kMax, {N(60, 0, 10, 2), N(60, 100, 10, 0)}, {"2 127"}},
        {"phrase offsets at the limits: beyond the end, and a start delayed past the call", 0, 0,
         {Call(kPhrase, 1, kMax), Call(kPhrase, 1, kMin)}, {}},
        {"clone positions at the limits", 0, 0, clones, {"0 60", "1 62"}},
    };
    for (const Case& c : cases) {
        Song song;
        ASSERT_EQ(phrase(song, {N(60, 100, 10, 100), N(62, 100, 10, 100)}).number, kPhrase);
        Track& t = song.createTrack();
        for (const Event& e : c.events) t.events.pushBack(e);
        t.offset = c.offset;
        t.transpose = c.transpose;
        // Reset at 0, then advanced to each of these ticks in turn.
        Emitter em;
        songResetAll(song, 0, em);
        Lines ons;
        for (int32_t tick : {0, 1, 2, 500, kMax - 1, kMax}) {
            songAdvance(song, tick, em);
            for (const OutputRecord& r : song.output.records)
                if (r.status() == 0x90)
                    ons.push_back(std::to_string(tick) + " " + std::to_string((r.message >> 8) & 0x7F));
        }
        EXPECT_EQ(ons, c.want) << c.name;
    }
}
