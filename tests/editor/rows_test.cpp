// The numerical editor's rows: the text of every kind, the running measure and tick, the
// marks, the input digit, ghost rows and bar lines, and the index that finds a window of rows.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "editor/rows.h"
#include "model/song.h"

using namespace tarvio;
using namespace tarvio::rows;

namespace {

std::string fmt(const char* f, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

template <class F>
uint32_t add(Track& t, int32_t step, F&& set) {
    Event e;
    set(e);
    e.step = step;
    return t.events.pushBack(std::move(e))->serial();
}

void note(Track& t, int32_t step, uint8_t key, uint16_t gate = 100, uint8_t vel = 100) {
    add(t, step, [&](Event& e) { e.setNote(key, vel, gate); });
}

std::vector<std::string> lines(const Song& song, const Track& t, RowOptions o = {},
                               const std::array<std::string, 128>* names = nullptr) {
    std::vector<std::string> out;
    for (RowCursor c({&song, &t, names}, o);; c.next()) {
        if (c.barLineAbove()) out.push_back("=");
        if (c.atEnd()) return out;
        out.push_back(cells(c.row()));
    }
}

// Texts of a row at an origin, in the order drawn.
std::vector<std::pair<std::string, ColorRole>> textsAt(const Row& r, int column) {
    std::vector<std::pair<std::string, ColorRole>> out;
    for (const RowText& t : r.texts)
        if (t.column == column) out.emplace_back(std::string(t.text()), t.role);
    return out;
}

}  // namespace

// Each kind's data text, written as the row layout's formats give it.
TEST(Rows, DataTextOfEveryKind) {
    Song song;
    song.commands[3].name = "Vol", song.commands[3].type = 0, song.commands[3].base = 1;
    song.commands[4].name = "Bend14", song.commands[4].type = 1;
    song.commands[5].name = "Two", song.commands[5].type = 2, song.commands[5].base = -1;
    song.createPhrase().name = "Riff";
    std::array<std::string, 128> names;
    names[7] = "Volume";
    const auto on = [](Event& e, EventKind k, uint16_t reg, int16_t v) { e.setRegisterOp(k, reg, v); };
    struct Case {
        std::string text;
        ColorRole role;
        std::function<void(Event&)> set;
        int32_t step = 0;
    };
    using R = ColorRole;
    const std::vector<Case> cases = {
        {fmt("%-4s %3d", "C 4", 60), R::Text, [](Event& e) { e.setNote(60, 100, 96); }},
        {fmt("%-4s %3d", "C -1", 0), R::Text, [](Event& e) { e.setNote(0, 1, 1); }},
        {fmt("Note$%3d", 2), R::Text, [](Event& e) { e.setNote(130, 100, 96); }},
        {fmt("rest                           %5d", 0), R::Rest, [](Event& e) { e.setNote(60, 0, 96); }},
        {fmt("rest                           %5d", 100), R::Rest, [](Event& e) { e.setNote(60, 100, 0); }},
        {fmt("Pitch                          %5d", -8192), R::PitchBend, [](Event& e) { e.setBend(-8192); }},
        {fmt("Pitch                           $%3d", 5), R::PitchBend, [](Event& e) { e.setBendBytes(64, 133); }},
        {fmt("Program                %s:%s %5d", "  1", "---", 5), R::Program, [](Event& e) { e.setProgram(5, 1, 128); }},
        {fmt("%-16s       %7d   %3d", "Volume", 7, 100), R::Controller, [](Event& e) { e.setControl(7, 100); }},
        {fmt("%-16s       %7d  $%3d", "", 11, 2), R::Controller, [](Event& e) { e.setControl(11, 130); }},
        {fmt("ChPressure                     %5d", 40), R::Pressure, [](Event& e) { e.setChannelPressure(40); }},
        {fmt("PolyPresshure          %7d %5d", 60, 50), R::Pressure, [](Event& e) { e.setPolyPressure(60, 50); }},
        {fmt("%-16s                 %3d", "Vol", 11), R::Command, [](Event& e) { e.setCommand(3, 0, 10); }},
        {fmt("%-16s                $%3d", "Vol", 2), R::Command, [](Event& e) { e.setCommand(3, 0, 130); }},
        {fmt("%-16s              %6d", "Bend14", 261), R::Command, [](Event& e) { e.setCommand(4, 2, 5); }},
        {fmt("%-16s                $%3d", "Bend14", 1), R::Command, [](Event& e) { e.setCommand(4, 2, 129); }},
        {fmt("%-16s           %3d   %3d", "Two", 3, 9), R::Command, [](Event& e) { e.setCommand(5, 3, 10); }},
        {fmt("%-16s           %3d  $%3d", "Two", 3, 3), R::Command, [](Event& e) { e.setCommand(5, 3, 131); }},
        {"Procedure [  6]", R::Command, [](Event& e) { e.setCommand(6, 0, 0); }},
        {"Procedure [1200]", R::Command, [](Event& e) { e.setCommand(1200, 0, 0); }},
        {fmt("SysEx.                     %3d   %3d", 3, 4), R::Exclusive, [](Event& e) { e.setExclusive({0xF0, 0xF7}, 3, 4); }},
        {fmt("%-10sNoKey         %6d %5d", "Riff", 120, -2), R::Call,
         [](Event& e) { e.setPhraseCall({1, 120, -2, 0, 0}); }},
        {fmt("%-10s%-2s%-4s        %6d %5d", "Riff", "C#", "Maj", 0, 3), R::Call,
         [](Event& e) { e.setPhraseCall({1, 0, 3, 1, 1}); }},
        {fmt("%-10s%-2s%-4s        %6d %5d", "Phrase no match", "A", "m", 0, 0), R::Call,
         [](Event& e) { e.setPhraseCall({9, 0, 0, 9, 2}); }},
        {fmt("CloneMeas               %6d %5d", 4, -1), R::Call, [](Event& e) { e.setClone({-1, 0, 3}); }},
        {fmt("CloneAbs.               %6d %5d", 960, 0), R::Call, [](Event& e) { e.setClone({0, 1, 960}); }},
        {fmt("CloneRel.               %6d %5d", -480, 2), R::Call, [](Event& e) { e.setClone({2, 2, -480}); }},
        {fmt("CloneMeasRel.           %6d %5d", 3, 0), R::Call, [](Event& e) { e.setClone({0, 3, 2}); }},
        {"------------------------------------", R::Rest, [](Event& e) { e.setLabel(); }},
        {"-------------          -------------", R::Rest, [](Event& e) { e.setLabel(); }, 480},
        {fmt("> %-32s <", "Theme"), R::Comment, [](Event& e) { e.setComment("Theme"); }},
        {fmt("Tempo                          %5d", 140), R::Text, [](Event& e) { e.setTempo(140); }},
        {fmt("P.Sw>%11s        slot:%1d   %3s", "tarvioEchoL", 2, "on"), R::Plugin, [](Event& e) { e.setPluginSwitch(2, true); }},
        {fmt("P.Sw>%11s        slot:%1d   %3s", "", 1, "off"), R::Plugin, [](Event& e) { e.setPluginSwitch(1, false); }},
        {fmt("PluginParams            slot:%1d      ", 3), R::Plugin, [](Event& e) { e.setPluginParamsEmpty(3); }},
        {fmt("MOV                       $%3d %5d", 5, -300), R::Text, [&](Event& e) { on(e, EventKind::Mov, 5, -300); }},
        {fmt("MOV VAR                   $%3d  $%3d", 1, 2), R::Text, [&](Event& e) { on(e, EventKind::MovVar, 1, 2); }},
        {fmt("ADD                       $%3d  $%3d", 1, 2), R::Text, [&](Event& e) { on(e, EventKind::Add, 1, 2); }},
        {fmt("TAN                       $%3d  $%3d", 127, 0), R::Text, [&](Event& e) { on(e, EventKind::Tan, 127, 0); }},
        {fmt("IF                        $%3d==%4d", 7, 10), R::Text, [&](Event& e) { on(e, EventKind::IfEq, 7, 10); }},
        {fmt("IF                        $%3d >%4d", 7, -5), R::Text, [&](Event& e) { on(e, EventKind::IfGt, 7, -5); }},
        {fmt("IF                        $%3d <%4d", 7, 10), R::Text, [&](Event& e) { on(e, EventKind::IfLt, 7, 10); }},
        {fmt("IF                        $%3d>=%4d", 7, 10), R::Text, [&](Event& e) { on(e, EventKind::IfGe, 7, 10); }},
        {fmt("IF                        $%3d<=%4d", 7, 10), R::Text, [&](Event& e) { on(e, EventKind::IfLe, 7, 10); }},
        {fmt("IF                        $%3d!=%4d", 7, 10), R::Text, [&](Event& e) { on(e, EventKind::IfNe, 7, 10); }},
        {"ELSE", R::Text, [](Event& e) { e.setKindValue(EventKind::Else, 0); }},
        {"ENDIF", R::Text, [](Event& e) { e.setKindValue(EventKind::EndIf, 0); }},
        {"  |Ghost              ", R::Rest, [](Event& e) { e.setKindValue(EventKind::Ghost, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Track& t = song.createTrack();
        t.slots[2].name = "tarvioEchoLongName";  // not loaded: the stored name is shown
        add(t, c.step, c.set);
        const Row r = RowCursor({&song, &t, &names}, {}).row();
        const auto data = textsAt(r, kDataOrigin);
        ASSERT_FALSE(data.empty());
        EXPECT_EQ(data[0].first, c.text);
        EXPECT_EQ(data[0].second, c.role);
    }
}

// A note's velocity and gate, register references in them, and the overlap mark.
TEST(Rows, NoteColumnsRegistersAndOverlap) {
    Song song;
    Track& t = song.createTrack();
    note(t, 0, 60, 500);        // sounds past the next C 4
    note(t, 480, 64, 100, 130); // velocity from register 2
    note(t, 240, 60, 96);       // C 4 again, 480 after the first
    note(t, 240, 60, 0);        // a rest of the same key does not count as an overlap
    const auto rows = lines(song, t);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "   1:    0 C 4   60             0|    500*  100");
    EXPECT_EQ(rows[1], "         0 E 4   64           480     100  $  2");
    EXPECT_EQ(rows[2], "       480 C 4   60           240      96   100");
    EXPECT_EQ(rows[3], "       720 rest               240           100");
    // The gate is split like the step.
    const Row r = RowCursor({&song, &t, nullptr}, {false, 3}).row();
    EXPECT_EQ(textsAt(r, kDataOrigin)[5], std::make_pair(std::string(23, ' ') + "   0", ColorRole::StepGate));
    EXPECT_EQ(textsAt(r, kDataOrigin)[6], std::make_pair(std::string(27, ' ') + "500", ColorRole::LowDigit));
}

// Measure numbers on the first row of each measure, ticks only where time passes, steps and the
// zero-step mark, across a change to 3/4; a comment or label without a step shows none.
TEST(Rows, MeasuresTicksAndStepsAcrossASignatureChange) {
    Song song;  // TPQN 480: measure 1 is 1920 ticks, measure 2 on 1440
    song.setBeat(1, 3, 4);
    Track& t = song.createTrack();
    note(t, 0, 60);
    note(t, 0, 64);
    note(t, 480, 67);                                     // the chord's tick only on its last row
    add(t, 1440, [](Event& e) { e.setTempo(90); });      // ends on the bar line
    add(t, 0, [](Event& e) { e.setComment("intro"); });  // no step, no mark
    add(t, 1200, [](Event& e) { e.setLabel(); });
    add(t, 600, [](Event& e) { e.setClone({0, 3, -1}); });  // crosses 3360 into measure 3
    add(t, 0, [](Event& e) { e.setLabel(); });
    EXPECT_EQ(lines(song, t), (std::vector<std::string>{
                                  "   1:    0 C 4   60             0|    100   100",
                                  "           E 4   64             0|    100   100",
                                  "         0 G 4   67           480     100   100",
                                  "       480 Tempo             1440            90",
                                  "=",
                                  "   2:    0 > intro                            <",
                                  "         0 -------------     1200 -------------",
                                  "      1200 CloneMeasRel.      600       1     0",
                                  "=",
                                  "   3:  360 ------------------------------------",
                              }));
}

// With ghosts on, every bar line inside a step is a row of its own that carries the rest of the
// step, and a row's step runs only to the next row.
TEST(Rows, GhostRowsAndBarLines) {
    Song song;
    Track& t = song.createTrack();
    note(t, 960, 60);
    const uint32_t longNote = add(t, 5760, [](Event& e) { e.setNote(62, 90, 1920); });
    note(t, 0, 64);
    EXPECT_EQ(lines(song, t, {true, 0}), (std::vector<std::string>{
                                             "   1:    0 C 4   60           960     100   100",
                                             "       960 D 4   62           960    1920    90",
                                             "=",
                                             "   2:    0   |Ghost          1920",
                                             "=",
                                             "   3:    0   |Ghost          1920",
                                             "=",
                                             "   4:    0   |Ghost           960",
                                             "           E 4   64             0|    100   100",
                                         }));
    // Without ghosts the step is whole and one separator stands where the row crosses bar lines.
    EXPECT_EQ(lines(song, t)[1], "       960 D 4   62          5760    1920    90");
    EXPECT_EQ(lines(song, t)[2], "=");
    EXPECT_EQ(lines(song, t)[3], "   4:  960 E 4   64             0|    100   100");

    RowCursor c({&song, &t, nullptr}, {true, 2});
    c.next(), c.next();
    const Row ghost = c.row();
    EXPECT_EQ(ghost.kind, RowKind::Ghost);
    EXPECT_EQ(ghost.serial, longNote);
    EXPECT_EQ(ghost.tick, 1920);
    EXPECT_EQ(ghost.measure, 1);
    EXPECT_EQ(ghost.step, 1920);
    EXPECT_TRUE(ghost.barLineAbove);
    // Input digit 2: the tick and the step of the ghost row are split too.
    EXPECT_EQ(textsAt(ghost, kLeftOrigin),
              (std::vector<std::pair<std::string, ColorRole>>{{"   2:", ColorRole::Text},
                                                               {"       0", ColorRole::Text},
                                                               {"        00", ColorRole::LowDigit}}));
    EXPECT_EQ(textsAt(ghost, kDataOrigin)[1], std::make_pair(std::string(15, ' ') + "   19", ColorRole::StepGate));
    EXPECT_EQ(textsAt(ghost, kDataOrigin)[2], std::make_pair(std::string(20, ' ') + "20", ColorRole::LowDigit));
}

// A phrase is one measure as long as its phrase length: no bar line or ghost before it.
TEST(Rows, PhraseIsOneMeasure) {
    Song song;
    Track& p = song.createPhrase();
    for (int i = 0; i < 5; ++i) note(p, 1234, uint8_t(60 + i));
    const auto whole = lines(song, p, {true, 0});
    EXPECT_EQ(whole.size(), 5u);
    EXPECT_EQ(whole[0].substr(0, 10), "   1:    0");
    EXPECT_EQ(whole[4].substr(0, 10), "      4936");
    p.phraseLength = 3085;
    const auto cut = lines(song, p);
    ASSERT_EQ(cut.size(), 7u);
    EXPECT_EQ(cut[3], "=");
    EXPECT_EQ(cut[4].substr(0, 10), "   2:  617");
    EXPECT_EQ(cut[6], "=");  // the list ends on a bar line
}

// The index answers like a walk from the first row, for windows anywhere in the list.
TEST(Rows, IndexMatchesAWalkFromTheStart) {
    Song song;
    song.setBeat(3, 5, 8);
    song.setBeat(7, 7, 4);
    Track& t = song.createTrack();
    std::mt19937 rng(7);
    std::vector<uint32_t> serials;
    for (int i = 0; i < 3000; ++i)
        serials.push_back(add(t, int32_t(rng() % 4 == 0 ? 0 : rng() % 3000), [&](Event& e) { e.setNote(uint8_t(rng() % 128), 100, uint16_t(rng() % 900)); }));
    const RowOptions opts{true, 1};
    std::vector<Row> walk;
    for (RowCursor c({&song, &t, nullptr}, opts);; c.next()) {
        walk.push_back(c.row());
        // The running position agrees with the song's own conversion.
        ASSERT_EQ(formatPosition(c.musicalPosition()), formatPosition(tickToPosition(song, int32_t(c.tick()))));
        if (c.atEnd()) break;
    }
    const RowIndex index({&song, &t, nullptr}, opts, 50);
    ASSERT_EQ(index.rowCount() + 1, int64_t(walk.size()));
    ASSERT_GT(walk.size(), serials.size() + 100);  // ghost rows among them
    for (int64_t first : {int64_t(0), int64_t(49), int64_t(50), int64_t(1777), index.rowCount() - 3}) {
        const auto window = index.rows(first, 40);
        ASSERT_EQ(window.size(), size_t(std::min<int64_t>(40, index.rowCount() + 1 - first)));
        for (size_t i = 0; i < window.size(); ++i) {
            EXPECT_EQ(cells(window[i]), cells(walk[size_t(first) + i]));
            EXPECT_EQ(window[i].barLineAbove, walk[size_t(first) + i].barLineAbove);
        }
    }
    for (size_t i : {size_t(0), size_t(1234), serials.size() - 1}) {
        const int64_t row = index.rowOf(serials[i]);
        ASSERT_GE(row, 0);
        EXPECT_EQ(walk[size_t(row)].serial, serials[i]);
        EXPECT_EQ(walk[size_t(row)].kind, RowKind::Event);
        // The first row at an event's tick.
        const int64_t atTick = index.rowAtTick(walk[size_t(row)].tick);
        EXPECT_EQ(walk[size_t(atTick)].tick, walk[size_t(row)].tick);
        EXPECT_TRUE(atTick == 0 || walk[size_t(atTick) - 1].tick < walk[size_t(row)].tick);
        // Inside a step: the row that spans the tick.
        const int64_t inside = index.rowAtTick(walk[size_t(row)].tick + walk[size_t(row)].step / 2);
        if (walk[size_t(row)].step > 1) {
            EXPECT_EQ(walk[size_t(inside)].serial, serials[i]);
        }
    }
    EXPECT_EQ(index.rowOf(0xFFFFFFF0u), -1);
    EXPECT_EQ(index.rowAtTick(t.events.length() + 10), index.rowCount());
}

// Texts cover each other only where they are not blank; wide characters take two cells.
TEST(Rows, CellsLayTextOverText) {
    Song song;
    Track& t = song.createTrack();
    add(t, 7, [](Event& e) { e.setComment("abcdefghijklmnopqrstuvwxyz"); });
    add(t, 0, [](Event& e) { e.setComment("日本語"); });
    const auto rows = lines(song, t);
    EXPECT_EQ(rows[0], "   1:    0 > abcdefghijklmnopqrs7uvwxyz       <");
    EXPECT_EQ(rows[1], std::string(11, ' ') + "> 日本語" + std::string(27, ' ') + "<");
}
