// What a song plays: cursor walks, emitter rules and message building, checked on the
// messages that come out tick by tick.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/emitter.h"
#include "engine/procedure.h"
#include "engine/song_play.h"
#include "model/song.h"

using namespace tarvio;

namespace {

std::string line(int32_t tick, const Song& song, const OutputRecord& r) {
    char buf[64];
    std::string s = std::to_string(tick) + " " + std::to_string(r.port);
    if (r.isTempo()) return s + " tempo " + std::to_string(r.tempo());
    if (r.status() == 0xF0) {
        const uint8_t* p = song.output.sysexBytes(r);
        for (uint32_t i = 0; i < r.sysexCount; ++i) {
            std::snprintf(buf, sizeof buf, " %02X", p[i]);
            s += buf;
        }
        return s;
    }
    uint8_t st = r.status();
    if ((st & 0xF0) == 0xC0 || (st & 0xF0) == 0xD0)
        std::snprintf(buf, sizeof buf, " %02X %02X", st, (r.message >> 8) & 0xFF);
    else
        std::snprintf(buf, sizeof buf, " %02X %02X %02X", st, (r.message >> 8) & 0xFF, (r.message >> 16) & 0xFF);
    return s + buf;
}

void append(std::vector<std::string>& out, int32_t tick, const Song& song) {
    for (const OutputRecord& r : song.output.records) out.push_back(line(tick, song, r));
}

// Plays from the start as the export does: reset with chase, discard, then every tick.
std::vector<std::string> expand(Song& song, int32_t limit = 100000) {
    Emitter em;
    songResetAll(song, 0, em);
    std::vector<std::string> out;
    for (int32_t t = 0; t <= limit; ++t) {
        songAdvance(song, t, em);
        append(out, t, song);
        if (songFinished(song)) break;
    }
    return out;
}

std::vector<std::string> expandFrom(Song& song, int32_t from, int32_t to) {
    Emitter em;
    std::vector<std::string> out;
    songLocate(song, from, em);
    append(out, from, song);
    for (int32_t t = from + 1; t <= to; ++t) {
        songAdvance(song, t, em);
        append(out, t, song);
        if (songFinished(song)) break;
    }
    return out;
}

// Only the note messages (status 8n/9n), for timing checks.
std::vector<std::string> notes(const std::vector<std::string>& lines) {
    std::vector<std::string> r;
    for (auto& l : lines) {
        auto sp = l.find(' ', l.find(' ') + 1);
        char c = l[sp + 1];
        if (c == '8' || c == '9') r.push_back(l);
    }
    return r;
}

Event note(uint8_t n, uint8_t v, uint16_t gate, int32_t step) {
    Event e;
    e.setNote(n, v, gate);
    e.step = step;
    return e;
}

Event with(Event e, int32_t step) {
    e.step = step;
    return e;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(Notes, NoteOnThenOffAfterGateAndRestsAreSilent) {
    Song song;
    Track& t = song.createTrack();
    t.channel = 2;
    t.events.pushBack(note(60, 100, 240, 480));
    t.events.pushBack(note(62, 0, 96, 480));   // velocity 0: rest
    t.events.pushBack(note(64, 100, 0, 480));  // gate 0: rest
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 92 3C 64", "240 0 82 3C 40"}));
}

TEST(Notes, OverlappingSamePitchGivesOneOnAndOffAtEndOfLaterNote) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 960, 240));
    t.events.pushBack(note(60, 90, 240, 0));  // ends at 480, earlier than the first
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 90 3C 64", "480 0 80 3C 40"}));
}

TEST(Notes, NoteOffsAtOneTickComeInAscendingOrderBeforeNewNoteOn) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(67, 100, 100, 0));
    t.events.pushBack(note(60, 100, 100, 0));
    t.events.pushBack(note(64, 100, 100, 100));
    t.events.pushBack(note(60, 100, 50, 0));
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 90 43 64", "0 0 90 3C 64", "0 0 90 40 64", "100 0 80 3C 40",
                                          "100 0 80 40 40", "100 0 80 43 40", "100 0 90 3C 64", "150 0 80 3C 40"}));
}

TEST(Notes, GateRunningPastTheListEndStillGetsItsNoteOff) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 2000, 10));
    Lines out = expand(song);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "2000 0 80 3C 40");
}

TEST(Notes, TrackTransposeAndOffsetApply) {
    Song song;
    Track& t = song.createTrack();
    t.transpose = 70;
    t.offset = 100;
    t.events.pushBack(note(60, 100, 10, 10));
    EXPECT_EQ(notes(expand(song)), (Lines{"100 0 90 7F 64", "110 0 80 7F 40"}));
}

TEST(Messages, ProgramWithAndWithoutBankSelect) {
    Song song;
    Track& t = song.createTrack();
    t.channel = 1;
    t.port = 3;
    Event p;
    p.setProgram(5, 1, 2);
    t.events.pushBack(with(p, 0));
    Event q;
    q.setProgram(6, 128, 128);
    t.events.pushBack(with(q, 0));
    EXPECT_EQ(expand(song), (Lines{"0 3 B1 00 01", "0 3 B1 20 02", "0 3 C1 05", "0 3 C1 06"}));
}

TEST(Messages, ChannelMessagesAndBendByteOrder) {
    Song song;
    Track& t = song.createTrack();
    Event e;
    e.setBend(100);  // 8292 = 64 * 128 + 100
    t.events.pushBack(with(e, 0));
    Event cp;
    cp.setChannelPressure(33);
    t.events.pushBack(with(cp, 0));
    Event pp;
    pp.setPolyPressure(60, 44);
    t.events.pushBack(with(pp, 0));
    EXPECT_EQ(expand(song), (Lines{"0 0 E0 64 40", "0 0 D0 21", "0 0 A0 3C 2C"}));
}

TEST(Messages, ExclusiveTemplateWithChecksumChannelAndParameters) {
    Song song;
    Track& t = song.createTrack();
    t.channel = 9;
    Event x;
    x.setExclusive({0xF0, 0x41, 0xD1, 0x42, 0x12, 0xFA, 0x40, 0xC2, 0xFC, 0xFD, 0xFB, 0xF7}, 0x11, 0x22);
    t.events.pushBack(with(x, 0));
    // D1 -> 0x10 | part (channel 9 has part 0); C2 -> 0x20 | 9; sum 40+29+11+22 = 9C -> 64
    EXPECT_EQ(expand(song), (Lines{"0 0 F0 41 10 42 12 40 29 11 22 64 F7"}));
}

TEST(Messages, CommandBodyWithChecksumAndControlPlaceholders) {
    Song song;
    CommandDef& def = song.commands[5];
    def.type = 0;
    Event body;
    body.setExclusive({0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0x00, 0xFB, 0xF7});
    def.body.pushBack(body);
    Event cc;
    cc.setControl(0xFC, 0xFD);
    def.body.pushBack(cc);
    Track& t = song.createTrack();
    Event c;
    c.setCommand(5, 7, 9);
    t.events.pushBack(with(c, 0));
    Event undefinedCmd;
    undefinedCmd.setCommand(6, 1, 1);
    t.events.pushBack(with(undefinedCmd, 0));
    Event beyond;
    beyond.setCommand(1200, 1, 1);
    t.events.pushBack(with(beyond, 0));
    EXPECT_EQ(expand(song), (Lines{"0 0 F0 41 10 42 12 40 00 7F 00 41 F7", "0 0 B0 07 09"}));
}

TEST(Messages, CommandRegisterParameterClampedToEntryRange) {
    Song song;
    CommandDef& def = song.commands[2];
    def.type = 1;
    def.min = 0;
    def.max = 200;
    Event cc;
    cc.setControl(0xFE, 0xFF);
    def.body.pushBack(cc);
    song.registers[4] = 1000.0f;
    Track& t = song.createTrack();
    Event c;
    c.setCommand(2, 0, 128 + 4);
    t.events.pushBack(with(c, 0));
    EXPECT_EQ(expand(song), (Lines{"0 0 B0 01 48"}));  // 200 = 1 * 128 + 72
}

TEST(Messages, TempoTrackSendsOnlyTempo) {
    Song song;
    Event te;
    te.setTempo(90);
    song.tempoTrack->events.pushBack(with(te, 10));
    Event stray;
    stray.setControl(7, 100);
    song.tempoTrack->events.pushBack(with(stray, 0));
    song.createTrack().events.pushBack(note(60, 1, 5, 5));
    Lines out = expand(song);
    EXPECT_EQ(out[0], "0 0 tempo 90");
    EXPECT_EQ(out.size(), 3u);
}

TEST(Registers, ReferencesAreTruncatedAndClamped) {
    Song song;
    Track& t = song.createTrack();
    Event mov;
    mov.setRegisterOp(EventKind::Mov, 0, -5);
    t.events.pushBack(with(mov, 0));
    Event c;
    c.setControl(7, 128);
    t.events.pushBack(with(c, 0));
    Event mov1;
    mov1.setRegisterOp(EventKind::Mov, 1, 200);
    t.events.pushBack(with(mov1, 0));
    t.events.pushBack(note(129, 100, 10, 0));
    Event c2;
    c2.setControl(10, 130);
    t.events.pushBack(with(c2, 10));
    song.registers[2] = 300.7f;
    Lines out = expand(song);
    EXPECT_EQ(out[0], "0 0 B0 07 00");
    EXPECT_EQ(out[1], "0 0 90 7F 64");
    EXPECT_EQ(out[2], "0 0 B0 0A 7F");

    Song s2;
    s2.registers[2] = -3.9f;
    Track& t2 = s2.createTrack();
    t2.events.pushBack(with(c2, 0));
    EXPECT_EQ(expand(s2), (Lines{"0 0 B0 0A 00"}));
}

TEST(Registers, ArithmeticAndTrigonometryInDegrees) {
    Song song;
    executeRegisterOp(song, EventKind::Mov, 2, 90);
    executeRegisterOp(song, EventKind::Sin, 3, 2);
    EXPECT_NEAR(song.registers[3], 1.0f, 1e-6);
    song.registers[4] = 7.0f;
    executeRegisterOp(song, EventKind::Div, 4, 5);  // $5 is 0.0
    EXPECT_EQ(song.registers[4], 0.0f);
    executeRegisterOp(song, EventKind::Mov, 6, 10);
    executeRegisterOp(song, EventKind::Mov, 7, 4);
    executeRegisterOp(song, EventKind::Sub, 6, 7);  // $6 = $6 - $7
    EXPECT_EQ(song.registers[6], 6.0f);
    executeRegisterOp(song, EventKind::Div, 6, 7);
    EXPECT_EQ(song.registers[6], 1.5f);
    executeRegisterOp(song, EventKind::MovVar, 8, 6);
    executeRegisterOp(song, EventKind::Mul, 8, 7);
    EXPECT_EQ(song.registers[8], 6.0f);
    executeRegisterOp(song, EventKind::Mov, 200, 1);  // destination out of range: ignored
    // A source out of range reads as 0.0, so dividing by it gives 0.
    executeRegisterOp(song, EventKind::Mov, 5, 127);
    executeRegisterOp(song, EventKind::Div, 5, 200);
    EXPECT_EQ(song.registers[5], 0.0f);
    executeRegisterOp(song, EventKind::Mov, 1, 3);
    executeRegisterOp(song, EventKind::MovVar, 1, -3);
    EXPECT_EQ(song.registers[1], 0.0f);
}

TEST(Registers, MutedTrackSkipsOperationsWhileChaseRunsThem) {
    Song song;
    Track& t = song.createTrack();
    t.mute = t.effectiveMute = 1;
    Event mov;
    mov.setRegisterOp(EventKind::Mov, 9, 42);
    t.events.pushBack(with(mov, 100));
    t.events.pushBack(note(60, 100, 10, 10));
    expand(song);
    EXPECT_EQ(song.registers[9], 0.0f);
    Emitter em;
    songLocate(song, 200, em);
    EXPECT_EQ(song.registers[9], 42.0f);
}

namespace {
void addIf(Track& t, EventKind k, uint16_t reg, int16_t imm) {
    Event e;
    e.setRegisterOp(k, reg, imm);
    t.events.pushBack(with(e, 0));
}
void addPlain(Track& t, EventKind k) {
    Event e;
    e.setKindValue(k, 0);
    t.events.pushBack(with(e, 0));
}
Lines branchRun(float r1, EventKind cmp) {
    Song song;
    song.registers[1] = r1;
    Track& t = song.createTrack();
    addIf(t, cmp, 1, 5);
    t.events.pushBack(note(60, 100, 1, 0));
    addPlain(t, EventKind::Else);
    t.events.pushBack(note(61, 100, 1, 0));
    addPlain(t, EventKind::EndIf);
    t.events.pushBack(note(62, 100, 1, 0));
    Lines r;
    for (auto& l : notes(expand(song)))
        if (l[0] == '0') r.push_back(l);
    return r;
}
}  // namespace

TEST(Conditions, IfElseEndifChoosesOneBranch) {
    EXPECT_EQ(branchRun(5.0f, EventKind::IfEq), (Lines{"0 0 90 3C 64", "0 0 90 3E 64"}));
    EXPECT_EQ(branchRun(4.0f, EventKind::IfEq), (Lines{"0 0 90 3D 64", "0 0 90 3E 64"}));
    EXPECT_EQ(branchRun(5.0f, EventKind::IfNe), (Lines{"0 0 90 3D 64", "0 0 90 3E 64"}));
    EXPECT_EQ(branchRun(5.0f, EventKind::IfGt), (Lines{"0 0 90 3D 64", "0 0 90 3E 64"}));
    EXPECT_EQ(branchRun(5.0f, EventKind::IfGe), (Lines{"0 0 90 3C 64", "0 0 90 3E 64"}));
    EXPECT_EQ(branchRun(4.9f, EventKind::IfLt), (Lines{"0 0 90 3C 64", "0 0 90 3E 64"}));
    EXPECT_EQ(branchRun(5.1f, EventKind::IfLe), (Lines{"0 0 90 3D 64", "0 0 90 3E 64"}));
}

TEST(Conditions, NestedIfInSkippedBranchDoesNotPush) {
    Song song;
    song.registers[0] = 0.0f;
    song.registers[1] = 1.0f;
    Track& t = song.createTrack();
    addIf(t, EventKind::IfEq, 0, 1);  // false
    addIf(t, EventKind::IfEq, 1, 1);  // skipped, pushes nothing
    t.events.pushBack(note(60, 100, 1, 0));
    addPlain(t, EventKind::EndIf);  // closes the outer IF
    t.events.pushBack(note(61, 100, 1, 0));
    addPlain(t, EventKind::EndIf);  // empty stack: nothing
    addPlain(t, EventKind::Else);   // empty stack: nothing
    t.events.pushBack(note(62, 100, 1, 1));
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 90 3D 64", "0 0 90 3E 64", "1 0 80 3D 40", "1 0 80 3E 40"}));
}

TEST(Conditions, ConditionLeftOpenInACloneHoldsAcrossItsRestart) {
    Song song;
    Track& t = song.createTrack();
    addPlain(t, EventKind::Else);
    t.events.pushBack(note(62, 100, 10, 120));
    addIf(t, EventKind::IfEq, 0, 0);  // true, never closed
    t.events.pushBack(note(60, 100, 10, 120));
    Event cl;
    cl.setClone(CloneData{0, uint8_t(CloneMode::Relative), -240});
    t.events.pushBack(with(cl, 960));
    t.events.pushBack(note(72, 100, 10, 10));
    Lines on;
    for (auto& l : notes(expand(song)))
        if (l.find(" 90 ") != std::string::npos) on.push_back(l);
    // The clone's first pass leaves its IF open; on the next the ELSE turns it off, on the
    // third back on, and so on.
    EXPECT_EQ(on, (Lines{"0 0 90 3E 64", "120 0 90 3C 64", "240 0 90 3E 64", "360 0 90 3C 64", "720 0 90 3E 64",
                         "840 0 90 3C 64", "1200 0 90 48 64"}));
}

TEST(PhraseCalls, CallIsCutAtTheCallersNextEvent) {
    Song song;
    Track& ph = song.createPhrase();
    for (int i = 0; i < 4; ++i) ph.events.pushBack(note(uint8_t(60 + i), 100, 100, 480));
    Track& t = song.createTrack();
    Event call;
    call.setPhraseCall(PhraseCallData{ph.number, 0, 0, 0, 0});
    t.events.pushBack(with(call, 960));
    t.events.pushBack(note(70, 100, 10, 10));
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 90 3C 64", "100 0 80 3C 40", "480 0 90 3D 64", "580 0 80 3D 40",
                                          "960 0 90 46 64", "970 0 80 46 40"}));
}

TEST(PhraseCalls, MissingPhrasePlaysNothingAndLaterEventsStayOnTime) {
    Song song;
    Track& t = song.createTrack();
    Event call;
    call.setPhraseCall(PhraseCallData{99, 0, 0, 0, 0});
    t.events.pushBack(with(call, 480));
    t.events.pushBack(note(70, 100, 10, 10));
    EXPECT_EQ(notes(expand(song)), (Lines{"480 0 90 46 64", "490 0 80 46 40"}));
    EXPECT_EQ(song.phraseName(99), "Phrase no match");
}

TEST(PhraseCalls, StartOffsetTransposeAndKeyFitting) {
    Song song;
    Track& ph = song.createPhrase();
    ph.events.pushBack(note(59, 100, 10, 100));
    ph.events.pushBack(note(61, 100, 10, 100));
    ph.events.pushBack(note(64, 100, 10, 100));
    ph.events.pushBack(note(62, 100, 10, 100));
    Track& t = song.createTrack();
    Event call;
    call.setPhraseCall(PhraseCallData{ph.number, 100, 0, 0, uint32_t(KeyMode::Major)});
    t.events.pushBack(with(call, 300));
    call.setPhraseCall(PhraseCallData{ph.number, 200, 0, 0, uint32_t(KeyMode::Minor)});
    t.events.pushBack(with(call, 200));
    call.setPhraseCall(PhraseCallData{ph.number, 150, 12, 0, 0});  // starts 50 ticks late
    t.events.pushBack(with(call, 300));
    Lines on;
    for (auto& l : notes(expand(song)))
        if (l.find(" 90 ") != std::string::npos) on.push_back(l);
    // Major: 61 -> 62, 64 and 62 stay. Minor: 64 -> 63, 62 stays. Transposed: 64+12, 62+12.
    EXPECT_EQ(on, (Lines{"0 0 90 3E 64", "100 0 90 40 64", "200 0 90 3E 64", "300 0 90 3F 64", "400 0 90 3E 64",
                         "550 0 90 4C 64", "650 0 90 4A 64"}));
}

TEST(PhraseCalls, SelfCallingPhraseIsBoundedByNesting) {
    Song song;
    Track& ph = song.createPhrase();
    Event call;
    call.setPhraseCall(PhraseCallData{ph.number, 0, 0, 0, 0});
    ph.events.pushBack(with(call, 0));
    ph.events.pushBack(note(60, 100, 10, 10));
    Track& t = song.createTrack();
    Event outer;  // a distinct event: the phrase's own call must not look like its creator
    outer.setPhraseCall(PhraseCallData{ph.number, 0, 0, 0, 0});
    t.events.pushBack(with(outer, 20));
    Lines out = expand(song, 1000);  // must terminate
    EXPECT_FALSE(out.empty());
}

TEST(Clones, RelativeCloneRepeatsThePrecedingStretch) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 100, 240));
    t.events.pushBack(note(62, 100, 100, 240));
    Event cl;
    cl.setClone(CloneData{0, uint8_t(CloneMode::Relative), -480});
    t.events.pushBack(with(cl, 1920));
    t.events.pushBack(note(72, 100, 10, 10));
    Lines on;
    for (auto& l : notes(expand(song)))
        if (l.find(" 90 ") != std::string::npos) on.push_back(l);
    Lines want{"0 0 90 3C 64", "240 0 90 3E 64"};
    for (int k = 0; k < 4; ++k) {
        want.push_back(std::to_string(480 + 480 * k) + " 0 90 3C 64");
        want.push_back(std::to_string(720 + 480 * k) + " 0 90 3E 64");
    }
    want.push_back("2400 0 90 48 64");
    EXPECT_EQ(on, want);
}

TEST(Clones, MeasureCloneWithTransposeAndAbsoluteClone) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 10, 960));
    t.events.pushBack(note(64, 100, 10, 960));  // measure 0 ends at 1920
    Event cl;
    cl.setClone(CloneData{2, uint8_t(CloneMode::Measure), 0});
    t.events.pushBack(with(cl, 960));
    cl.setClone(CloneData{0, uint8_t(CloneMode::Absolute), 960});
    t.events.pushBack(with(cl, 480));
    Lines on;
    for (auto& l : notes(expand(song)))
        if (l.find(" 90 ") != std::string::npos) on.push_back(l);
    EXPECT_EQ(on, (Lines{"0 0 90 3C 64", "960 0 90 40 64", "1920 0 90 3E 64", "2880 0 90 40 64"}));
}

TEST(Clones, CloneStartingBeyondTheListPlaysNothing) {
    Song song;
    Track& t = song.createTrack();
    Event cl;
    cl.setClone(CloneData{0, uint8_t(CloneMode::Absolute), 100000});
    t.events.pushBack(with(cl, 100));
    t.events.pushBack(note(60, 100, 10, 10));
    EXPECT_EQ(notes(expand(song)), (Lines{"100 0 90 3C 64", "110 0 80 3C 40"}));
}

TEST(Clones, StretchThatRestartsWithoutTimeIsNotPlayed) {
    Song song;
    Track& t = song.createTrack();
    Event cl;
    cl.setClone(CloneData{0, uint8_t(CloneMode::Relative), 0});
    t.events.pushBack(with(cl, 100));
    t.events.pushBack(note(60, 100, 10, 10));
    EXPECT_EQ(notes(expand(song)), (Lines{"100 0 90 3C 64", "110 0 80 3C 40"}));
}

TEST(Mutes, MutedAndSoloedTracks) {
    Song song;
    Track& a = song.createTrack();
    Track& b = song.createTrack();
    a.events.pushBack(note(60, 100, 10, 10));
    b.channel = 1;
    b.events.pushBack(note(61, 100, 10, 10));
    song.setSolo(b, true);
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 91 3D 64", "10 0 81 3D 40"}));
    song.setSolo(b, false);
    a.mute = 1;
    song.restoreMutes();
    EXPECT_EQ(notes(expand(song)), (Lines{"0 0 91 3D 64", "10 0 81 3D 40"}));
}

TEST(Chase, LocateReplaysStateBeforeAnyNote) {
    Song song;
    Event te;
    te.setTempo(100);
    song.tempoTrack->events.pushBack(with(te, 0));
    Track& t = song.createTrack();
    t.channel = 0;
    Event p;
    p.setProgram(10, 0, 128);
    t.events.pushBack(with(p, 0));
    Event c;
    c.setControl(7, 90);
    t.events.pushBack(with(c, 0));
    c.setControl(6, 64);  // data entry is not chased
    t.events.pushBack(with(c, 0));
    c.setControl(101, 0);
    t.events.pushBack(with(c, 0));
    Event b;
    b.setBend(0);
    t.events.pushBack(with(b, 0));
    Event pr;
    pr.setChannelPressure(20);
    t.events.pushBack(with(pr, 0));
    c.setControl(7, 100);  // the later value wins
    t.events.pushBack(with(c, 10));
    t.events.pushBack(note(60, 100, 10, 500));
    t.events.pushBack(note(62, 100, 10, 10));
    Lines out = expandFrom(song, 100, 600);
    EXPECT_EQ(out, (Lines{"100 0 B0 40 00", "100 0 tempo 100", "100 0 B0 40 00", "100 0 B0 00 00", "100 0 C0 0A",
                          "100 0 B0 07 64", "100 0 E0 00 40", "100 0 D0 14", "510 0 90 3E 64", "520 0 80 3E 40"}));
    EXPECT_EQ(song.startPosition, 100);
}

TEST(Chase, RegisterValuesAreChasedAndMutedTracksReplayNothing) {
    Song song;
    Track& t = song.createTrack();
    Event mov;
    mov.setRegisterOp(EventKind::Mov, 3, 300);
    t.events.pushBack(with(mov, 0));
    Event c;
    c.setControl(11, 128 + 3);
    t.events.pushBack(with(c, 0));
    Event b;
    b.setBendBytes(0, 128 + 3);
    t.events.pushBack(with(b, 50));
    t.events.pushBack(note(60, 100, 10, 100));
    Track& m = song.createTrack();
    m.effectiveMute = 1;
    m.events.pushBack(with(c, 100));
    Lines out = expandFrom(song, 60, 60);
    EXPECT_EQ(out, (Lines{"60 0 B0 40 00", "60 0 B0 40 00", "60 0 B0 0B 7F", "60 0 E0 2C 42", "60 0 B0 40 00"}));
}

TEST(Chase, PhraseContentBeforeTheStartIsChased) {
    Song song;
    Track& ph = song.createPhrase();
    Event c;
    c.setControl(10, 33);
    ph.events.pushBack(with(c, 0));
    ph.events.pushBack(note(60, 100, 10, 1000));
    Track& t = song.createTrack();
    Event call;
    call.setPhraseCall(PhraseCallData{ph.number, 0, 0, 0, 0});
    t.events.pushBack(with(call, 2000));
    Lines out = expandFrom(song, 500, 500);
    EXPECT_EQ(out, (Lines{"500 0 B0 40 00", "500 0 B0 40 00", "500 0 B0 0A 21"}));
}

TEST(Cursor, FinishedOnlyAfterLastGateAndTicksToNext) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 50, 20));
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
    Track& ph = song.createPhrase();
    ph.events.pushBack(note(60, 100, 10, 100));
    Track& t = song.createTrack();
    Event call;
    call.setPhraseCall(PhraseCallData{ph.number, 0, 0, 0, 0});
    t.events.pushBack(with(call, 1000));
    Emitter em;
    songResetAll(song, 0, em);
    songAdvance(song, 0, em);
    EXPECT_EQ(song.output.records.size(), 1u);
    ph.resetFlag = 1;
    songAdvance(song, 1, em);  // the track is reset (no chase) and replays from tick 1
    EXPECT_EQ(ph.resetFlag, 0);
    EXPECT_EQ(t.resetFlag, 0);
}

namespace {

// Note-ons of a song reset at 0 and advanced to each of the ticks, in turn.
Lines noteOnsAt(Song& song, const std::vector<int32_t>& ticks) {
    Emitter em;
    songResetAll(song, 0, em);
    Lines out;
    for (int32_t tick : ticks) {
        songAdvance(song, tick, em);
        for (const OutputRecord& r : song.output.records)
            if (r.status() == 0x90) out.push_back(std::to_string(tick) + " " + std::to_string((r.message >> 8) & 0x7F));
    }
    return out;
}

}  // namespace

// Offsets, steps, transpositions and positions come from files as any 32-bit value; none may
// overflow the cursor's arithmetic (checked by the sanitizer build) or make time run backwards.
TEST(Cursor, ExtremeOffsetsStepsAndPositionsPlaySoundly) {
    constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    const std::vector<int32_t> ticks = {0, 1, 2, 500, kMax - 1, kMax};
    struct Case {
        const char* name;
        std::function<void(Song&, Track&)> build;
        Lines want;
    };
    auto phrase = [](Song& song, int32_t offset, int32_t transpose) {
        Track& ph = song.createPhrase();
        ph.events.pushBack(note(60, 100, 10, 100));
        ph.events.pushBack(note(62, 100, 10, 100));
        Event call;
        call.setPhraseCall(PhraseCallData{ph.number, offset, transpose, 0, 0});
        return call;
    };
    auto clone = [](CloneMode mode, int32_t position) {
        Event cl;
        cl.setClone(CloneData{0, uint8_t(mode), position});
        return cl;
    };
    const std::vector<Case> cases = {
        {"offset at the lowest: everything lies before the start",
         [](Song&, Track& t) {
             t.offset = kMin;
             t.events.pushBack(note(60, 100, 10, 10));
         },
         {}},
        {"offset at the highest",
         [](Song&, Track& t) {
             t.offset = kMax;
             t.events.pushBack(note(60, 100, 10, 10));
         },
         {"2147483647 60"}},
        {"steps summing beyond 32 bits",
         [](Song&, Track& t) {
             t.offset = kMin;
             t.events.pushBack(note(60, 100, 10, kMax));
             t.events.pushBack(note(62, 100, 10, kMax));
             t.events.pushBack(note(64, 100, 10, 0));  // at song tick 2^32 - 2 - 2^31
         },
         {"2147483646 64"}},
        {"negative steps count as 0",
         [](Song&, Track& t) {
             t.events.pushBack(note(60, 100, 10, kMin));
             t.events.pushBack(note(62, 100, 10, -5));
             t.events.pushBack(note(64, 100, 10, 1));
         },
         {"0 60", "0 62", "0 64"}},
        {"a clone over negative steps moves on",
         [](Song&, Track& t) {
             t.events.pushBack(note(60, 100, 10, 10));
             t.events.pushBack(note(62, 100, 10, -10));
             Event cl;
             cl.setClone(CloneData{0, uint8_t(CloneMode::Relative), -10});
             t.events.pushBack(with(cl, 25));
         },
         // The stretch replays every 10 ticks until the clone's step runs out at 35.
         {"0 60", "500 62", "500 60", "500 62", "500 60", "500 62", "500 60"}},
        {"a clone stretch that takes no time through a negative step is not replayed",
         [](Song&, Track& t) {
             t.events.pushBack(note(60, 100, 10, -5));
             Event cl;
             cl.setClone(CloneData{0, uint8_t(CloneMode::Relative), 0});
             t.events.pushBack(with(cl, 10));
             t.events.pushBack(note(62, 100, 10, 1));
         },
         {"0 60", "500 62"}},
        {"transpositions at the limits clamp",
         [&](Song& song, Track& t) {
             t.events.pushBack(with(phrase(song, 0, kMax), 1));
             t.events.pushBack(with(phrase(song, 0, kMin), 1));
             Track& u = song.createTrack();
             u.transpose = kMax;
             u.events.pushBack(note(60, 0, 10, 2));  // a rest
             u.events.pushBack(note(60, 100, 10, 0));
         },
         {"0 127", "1 0", "2 127"}},
        {"phrase offsets at the limits: beyond the end, and a start delayed past the call",
         [&](Song& song, Track& t) {
             t.events.pushBack(with(phrase(song, kMax, 0), 1));
             t.events.pushBack(with(phrase(song, kMin, 0), 1));
         },
         {}},
        {"clone positions at the limits",
         [&](Song&, Track& t) {
             t.events.pushBack(note(60, 100, 10, 1));
             for (CloneMode m : {CloneMode::Measure, CloneMode::Absolute, CloneMode::Relative, CloneMode::MeasureRelative})
                 for (int32_t p : {kMin, kMax}) t.events.pushBack(with(clone(m, p), 0));
             t.events.pushBack(note(62, 100, 10, 10));
         },
         {"0 60", "1 62"}},
    };
    for (const Case& c : cases) {
        Song song;
        Track& t = song.createTrack();
        c.build(song, t);
        EXPECT_EQ(noteOnsAt(song, ticks), c.want) << c.name;
    }
}
