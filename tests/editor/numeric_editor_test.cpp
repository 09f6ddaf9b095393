// The numerical editor driven as the window drives it: key presses, characters, MIDI
// notifications and dialog results; checked by the song it leaves and where the cursor stands.
#include "editor/numeric_editor.h"

#include <gtest/gtest.h>

#include "app/app_settings.h"
#include "app/fake_transport.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "model/song.h"
#include "model/undo.h"

namespace tarvio {
namespace {

struct MemoryClipboard : EditorClipboard {
    std::vector<uint8_t> block;
    std::vector<uint8_t> read() override { return block; }
    void write(std::vector<uint8_t> b) override { block = std::move(b); }
};

Event note(int key, int vel, int gate, int step) {
    Event e;
    e.setNote(uint8_t(key), uint8_t(vel), uint16_t(gate));
    e.step = step;
    return e;
}

struct Fixture : ::testing::Test {
    FakeTransport transport;
    Document doc{transport};
    KeyMap keys;
    FkeyTable fkeys = builtInFkeyTable();
    AppSettings settings;
    MemoryClipboard clipboard;
    Track* track = nullptr;

    void SetUp() override { track = &doc.song().createTrack(); }
    NumericEditor::Env env() { return {&keys, &fkeys, &settings, nullptr, &clipboard}; }
    std::unique_ptr<NumericEditor> editor(Track& t, int slot = 0) {
        return std::make_unique<NumericEditor>(doc, env(), slot, t);
    }
    void add(Track& t, Event e) { t.events.pushBack(std::move(e)); }
    std::vector<int64_t> ticks(const Track& t) {
        std::vector<int64_t> out;
        int64_t at = 0;
        for (const Event& e : t.events) {
            out.push_back(at);
            at += e.step;
        }
        return out;
    }
    const Event& at(const Track& t, size_t i) {
        auto it = t.events.begin();
        std::advance(it, i);
        return *it;
    }
    static void type(NumericEditor& ed, const std::string& s) {
        for (char c : s) ed.character(c);
    }
    static void key(NumericEditor& ed, int k, bool shift = false, bool ctrl = false, bool alt = false) {
        ed.keyDown(k, shift, ctrl, alt);
    }
};

// ---------------------------------------------------------------- typed entry

TEST_F(Fixture, TypedNumbersAndNoteNamesCommitIntoTheCell) {
    add(*track, note(60, 100, 240, 485));
    add(*track, note(62, 100, 240, 480));
    auto ed = editor(*track);
    // The step at input digit 2: "4.80" is 4 x 100 + 80.
    ed->action(kActDigitUp);
    ed->action(kActDigitUp);
    ed->action(kActRight);  // column 1
    type(*ed, "4.80");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 0).step, 480);
    EXPECT_EQ(ed->entryTemplate().step, 480);
    // A note name: E flat with octave code 6 is key 75; the letter puts the cursor in column 0.
    type(*ed, "e-5");
    EXPECT_EQ(ed->column(), 0);
    EXPECT_EQ(ed->typed().text(), "Eb5");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 0).b[0], 75);
    // A key beyond the range stores 127; DOWN commits and moves down.
    type(*ed, "200");
    ed->action(kActDown);
    EXPECT_EQ(at(*track, 0).b[0], 127);
    EXPECT_EQ(ed->row(), 1);
    // Esc discards; Backspace emptying the field ends the entry.
    type(*ed, "5");
    ed->action(kActEscape);
    type(*ed, "7");
    ed->action(kActBackDelete);
    EXPECT_FALSE(ed->typed().active());
    EXPECT_EQ(at(*track, 1).b[0], 62);
}

TEST_F(Fixture, TypedValuesKeepRegisterReferencesAndClampPerKind) {
    Event reg = note(130, 140, 96, 0);  // key $2, velocity $12
    add(*track, std::move(reg));
    Event bend;
    bend.setBend(0);
    add(*track, std::move(bend));
    Event tempo;
    tempo.setTempo(120);
    add(*track, std::move(tempo));
    auto ed = editor(*track);
    type(*ed, "5");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 0).b[0], 133);
    ed->action(kActRight);
    ed->action(kActRight);
    ed->action(kActRight);
    type(*ed, "9");
    ed->action(kActDown);
    EXPECT_EQ(at(*track, 0).b[1], 137);
    // Pitch bend, column 3: a typed number is the signed bend ("-" anywhere sets the sign).
    type(*ed, "8192-");
    ed->action(kActDown);
    EXPECT_EQ(at(*track, 1).signedBend(), -8192);
    // Tempo within 30..240; huge numbers are computed in 64 bits first.
    type(*ed, "999999");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 2).value32(), 240u);
}

TEST_F(Fixture, SemitonesThroughTheBendRangeAndARangeOfZero) {
    Event bend;
    bend.setBend(0);
    add(*track, std::move(bend));
    auto ed = editor(*track);
    ed->action(kActRight);
    ed->action(kActRight);  // column 2: semitones
    settings.bendRange = 12;
    type(*ed, "12");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 0).signedBend(), 8191);
    type(*ed, "6-");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 0).signedBend(), -4096);
    settings.bendRange = 0;
    type(*ed, "3");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 0).signedBend(), 0);
}

TEST_F(Fixture, TypingOnTheEndRowEntersTheNoteFirst) {
    auto ed = editor(*track);
    type(*ed, "c4");
    ed->action(kActReturn);
    ASSERT_EQ(track->events.size(), 1u);
    EXPECT_EQ(at(*track, 0).b[0], 60);
    EXPECT_TRUE(ed->atEnd());
    EXPECT_EQ(ed->cursorTick(), 480);
    // A step typed on the end row sets the new note's step; the cursor's tick follows.
    ed->action(kActRight);
    ed->action(kActLeft);  // Right entered the pending note and stays on it; back to the end row
    ed->action(kActRight);
    ed->action(kActDown);
    ASSERT_EQ(track->events.size(), 2u);
    ASSERT_TRUE(ed->atEnd());
    type(*ed, "240");
    ed->action(kActReturn);
    ASSERT_EQ(track->events.size(), 3u);
    EXPECT_EQ(at(*track, 2).step, 240);
    EXPECT_EQ(ed->cursorTick(), 1200);
}

TEST_F(Fixture, RightAndSpaceOnTheEndRowEnterThePendingNoteAndStayOnIt) {
    add(*track, note(62, 90, 100, 240));
    auto ed = editor(*track);
    ed->action(kActEnd);
    ed->action(kActRight);
    ASSERT_EQ(track->events.size(), 2u);
    EXPECT_EQ(ed->row(), 1);
    EXPECT_EQ(ed->column(), 1);
    EXPECT_EQ(ed->cursorEvent()->b[0], 62);  // the template from the note before
    // Its step is the cell now: typing goes into the new note, no third one.
    type(*ed, "120");
    ed->action(kActReturn);
    EXPECT_EQ(track->events.size(), 2u);
    EXPECT_EQ(at(*track, 1).step, 120);
    // Space walks the new note's columns and then wraps to the end row.
    ed->action(kActEnd);
    ed->action(kActLeft);  // column 0
    ed->action(kActSpace);
    ASSERT_EQ(track->events.size(), 3u);
    EXPECT_EQ(ed->column(), 1);
    ed->action(kActSpace);
    ed->action(kActSpace);
    EXPECT_EQ(ed->column(), 3);
    EXPECT_FALSE(ed->atEnd());
    ed->action(kActSpace);
    EXPECT_TRUE(ed->atEnd());
    EXPECT_EQ(track->events.size(), 3u);
}

// ---------------------------------------------------------------- keys

TEST_F(Fixture, ModifierRulesAndTrackSwitchingWithShiftDigits) {
    for (int i = 0; i < 4; ++i) add(*track, note(60, 100, 10, 10));
    auto ed = editor(*track);
    key(*ed, vk::Down);
    key(*ed, vk::Down);
    // Alt+UP goes to the top, but with Shift also held Alt is not recognised: Shift+UP moves one row.
    key(*ed, vk::Up, true, false, true);
    EXPECT_EQ(ed->row(), 1);
    EXPECT_TRUE(ed->selecting());
    key(*ed, vk::Up, false, false, true);
    EXPECT_EQ(ed->row(), 0);
    EXPECT_FALSE(ed->selecting());

    // 25 tracks: Shift+3 on the third goes to the 13th, the 23rd, then back to the third.
    std::vector<Track*> tracks{track};
    for (int i = 1; i < 25; ++i) tracks.push_back(&doc.song().createTrack());
    ed->switchTo(*tracks[2]);
    key(*ed, '3', true);
    EXPECT_EQ(ed->list(), tracks[12]);
    key(*ed, '3', true);
    EXPECT_EQ(ed->list(), tracks[22]);
    key(*ed, '3', true);
    EXPECT_EQ(ed->list(), tracks[2]);
    key(*ed, '0', true);
    EXPECT_EQ(ed->list(), tracks[9]);
    // Off the track list (a phrase) the own index counts as -1: Shift+1 is the first track.
    Track& phrase = doc.song().createPhrase();
    auto pe = editor(phrase, 9);
    key(*pe, '1', true);
    EXPECT_EQ(pe->list(), tracks[0]);
}

TEST_F(Fixture, IncrementsWorkAtTheInputDigitAndARunIsOneUndoStep) {
    add(*track, note(60, 100, 240, 485));
    add(*track, note(64, 100, 240, 480));
    auto ed = editor(*track);
    ed->action(kActDigitUp);
    ed->action(kActRight);
    key(*ed, 0x21);  // PAGEUP
    EXPECT_EQ(at(*track, 0).step, 490);
    key(*ed, 0x21);
    key(*ed, 0x21);
    EXPECT_EQ(at(*track, 0).step, 510);
    key(*ed, 'Z', false, true);
    EXPECT_EQ(at(*track, 0).step, 485);
    key(*ed, 'Y', false, true);
    EXPECT_EQ(at(*track, 0).step, 510);
    // Another action closes the run: the next increments are a step of their own, and the
    // song's undo takes a run back at once as well.
    ed->action(kActDown);
    ed->action(kActUp);
    key(*ed, 0x21);
    key(*ed, 0x21);
    EXPECT_EQ(at(*track, 0).step, 530);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(at(*track, 0).step, 510);
    // Octaves on a key with Shift+PAGEUP; the register flag of a key is dropped.
    ed->action(kActLeft);
    key(*ed, 0x21, true);
    EXPECT_EQ(at(*track, 0).b[0], 72);
}

TEST_F(Fixture, FunctionKeysSetVelocityTieRestAndStep) {
    add(*track, note(60, 100, 100, 960));
    add(*track, note(62, 100, 100, 960));
    add(*track, note(60, 100, 100, 960));
    auto ed = editor(*track);
    // F12 is the tie in the 960 template: gate reaches the next C plus one tick.
    ed->action(kActF1 + 11);
    EXPECT_EQ(at(*track, 0).gate(), 1921);
    EXPECT_EQ(ed->row(), 1);
    // Shift+F12 is the rest.
    key(*ed, 0x7B, true);
    EXPECT_EQ(at(*track, 1).gate(), 0);
    // F5 in column 3 of a note: velocity 50.
    ed->action(kActUp);
    ed->action(kActUp);
    for (int i = 0; i < 3; ++i) ed->action(kActRight);
    ed->action(kActF1 + 4);
    EXPECT_EQ(at(*track, 0).b[1], 50);
    // A length in overwrite mode sets the event's step and moves down.
    ed->action(kActUp);
    for (int i = 0; i < 3; ++i) ed->action(kActLeft);
    ed->action(kActF1 + 4);  // 960
    fkeys.current[4] = 120;
    ed->action(kActUp);
    ed->action(kActF1 + 4);
    EXPECT_EQ(at(*track, 0).step, 120);
    EXPECT_EQ(ed->row(), 1);
}

TEST_F(Fixture, ATieThatWouldPassTheGateRangeClamps) {
    add(*track, note(60, 100, 100, 65535));
    add(*track, note(60, 100, 100, 10));
    auto ed = editor(*track);
    fkeys.current[0] = kFkeyTie;
    ed->action(kActF1);
    EXPECT_EQ(at(*track, 0).gate(), 65535);
}

TEST_F(Fixture, ToRegisterTogglesTheCell) {
    add(*track, note(60, 100, 100, 10));
    auto ed = editor(*track);
    key(*ed, 'V');
    EXPECT_EQ(at(*track, 0).b[0], 188);
    key(*ed, 'V');
    EXPECT_EQ(at(*track, 0).b[0], 60);
}

// ---------------------------------------------------------------- entry

TEST_F(Fixture, ReturnEntersWithTheGateRate) {
    auto ed = editor(*track);
    settings.editorWindows[0].gateRate = 80;
    auto e80 = editor(*track);
    e80->action(kActReturn);
    EXPECT_EQ(at(*track, 0).gate(), 384);
    EXPECT_EQ(e80->row(), 1);
    settings.editorWindows[0].gateRate = -30;
    auto em30 = editor(*track);
    em30->action(kActEnd);
    em30->action(kActReturn);
    EXPECT_EQ(at(*track, 1).gate(), 450);
    // The other editor on the same list followed both edits.
    EXPECT_EQ(ed->rowCount(), 3);
    settings.editorWindows[0].gateRate = 50;
    auto e50 = editor(*track);
    e50->action(kActEnd);
    fkeys.current[0] = 1;
    e50->action(kActF1);
    EXPECT_EQ(at(*track, 2).gate(), 1);
}

TEST_F(Fixture, ChordsInPolyModeAndOverwritingInMonoMode) {
    auto ed = editor(*track);
    ed->action(kActMidiInputOff + 5);  // POLY
    ed->midiNoteOn(60, 90);
    ed->midiNoteOn(64, 90);
    ed->midiNoteOn(67, 90);
    EXPECT_TRUE(track->events.empty());
    ed->midiAllReleased();
    ASSERT_EQ(track->events.size(), 3u);
    EXPECT_EQ(at(*track, 0).step, 0);
    EXPECT_EQ(at(*track, 1).step, 0);
    EXPECT_EQ(at(*track, 2).step, 480);
    EXPECT_EQ(at(*track, 1).b[1], 100);  // the template velocity in POLY
    EXPECT_EQ(ed->row(), 3);
    // MONO on a note row in overwrite mode changes only the key and moves down.
    ed->action(kActTop);
    ed->action(kActMidiInputOff + 3);
    ed->midiNoteOn(72, 30);
    EXPECT_EQ(at(*track, 0).b[0], 72);
    EXPECT_EQ(at(*track, 0).b[1], 100);
    EXPECT_EQ(track->events.size(), 3u);
    EXPECT_EQ(ed->row(), 1);
    // A chord in insert mode goes before the cursor's event; the cursor stays on that event.
    ed->action(kActInsertMode);
    ed->action(kActMidiInputOff + 6);  // PVEL
    ed->midiNoteOn(50, 33);
    ed->midiNoteOn(48, 44);
    ed->midiAllReleased();
    ASSERT_EQ(track->events.size(), 5u);
    EXPECT_EQ(at(*track, 1).b[0], 48);
    EXPECT_EQ(at(*track, 1).b[1], 44);
    EXPECT_EQ(at(*track, 2).b[0], 50);
    EXPECT_EQ(ed->row(), 3);
    EXPECT_EQ(ed->cursorEvent()->b[0], 64);
}

TEST_F(Fixture, NoteModeUsesTheHeldKeys) {
    auto ed = editor(*track);
    ed->action(kActMidiInputOff + 1);  // NOTE
    ed->action(kActReturn);            // no key held: a rest of the template step
    ASSERT_EQ(track->events.size(), 1u);
    EXPECT_TRUE(at(*track, 0).isRest());
    EXPECT_EQ(at(*track, 0).step, 480);
    transport.snap.heldKeys[62] = 70;
    ed->action(kActTop);
    ed->action(kActReturn);  // overwrite mode on an event: the held key replaces the note's key
    EXPECT_EQ(at(*track, 0).b[0], 62);
    EXPECT_EQ(track->events.size(), 1u);
}

TEST_F(Fixture, InsertModeTwoReplacesTheSpan) {
    add(*track, note(60, 100, 10, 240));
    add(*track, note(61, 100, 10, 240));
    add(*track, note(62, 100, 10, 240));
    auto ed = editor(*track);
    ed->action(kActInsertMode);
    ed->action(kActInsertMode);
    ed->action(kActReturn);
    ASSERT_EQ(track->events.size(), 2u);
    EXPECT_EQ(at(*track, 0).b[0], 60);
    EXPECT_EQ(at(*track, 0).step, 480);
    EXPECT_EQ(at(*track, 1).b[0], 62);
    EXPECT_EQ(ticks(*track)[1], 480);
    EXPECT_EQ(ed->cursorEvent()->b[0], 62);
}

TEST_F(Fixture, SpaceWalksTheColumnsAndEntersAtTheEnd) {
    auto ed = editor(*track);
    ed->action(kActSpace);
    EXPECT_EQ(track->events.size(), 1u);
    EXPECT_EQ(ed->column(), 1);
}

// ---------------------------------------------------------------- commands

TEST_F(Fixture, CutAndPasteRestoreEraseAndPasteShift) {
    for (int i = 0; i < 4; ++i) add(*track, note(60 + i, 100, 10, 120));
    auto ed = editor(*track);
    ed->action(kActDown);
    key(*ed, vk::Down, true);  // rows 1..2 selected
    ed->action(kActCut);
    ASSERT_EQ(track->events.size(), 2u);
    EXPECT_EQ(ticks(*track)[1], 120);
    EXPECT_EQ(ed->row(), 1);
    ed->action(kActPaste);
    ASSERT_EQ(track->events.size(), 4u);
    EXPECT_EQ(ticks(*track), (std::vector<int64_t>{0, 120, 240, 360}));
    EXPECT_EQ(at(*track, 1).b[0], 61);
    EXPECT_EQ(at(*track, 3).b[0], 63);
    // Erase keeps the time; pasting then moves the later events later by the clip.
    ed->action(kActTop);
    ed->action(kActCopy);
    ed->action(kActErase);
    EXPECT_EQ(ticks(*track).back(), 360);
    ed->action(kActPaste);
    EXPECT_EQ(ticks(*track).back(), 480);
    // Empty clipboard: nothing.
    clipboard.block.clear();
    const size_t n = track->events.size();
    ed->action(kActPaste);
    EXPECT_EQ(track->events.size(), n);
}

TEST_F(Fixture, ShiftTabExpandsARelativeCloneAndUndoRestoresIt) {
    add(*track, note(60, 100, 10, 960));
    add(*track, note(62, 100, 10, 960));
    Event c;
    c.setClone(CloneData{0, 2, -1920});
    c.step = 1920;
    add(*track, std::move(c));
    add(*track, note(64, 100, 10, 480));
    auto ed = editor(*track);
    ed->action(kActDown);
    ed->action(kActDown);
    EXPECT_FALSE(ed->action(kActTab, true));
    ASSERT_EQ(track->events.size(), 5u);
    EXPECT_EQ(at(*track, 2).b[0], 60);
    EXPECT_EQ(at(*track, 3).b[0], 62);
    EXPECT_EQ(ticks(*track)[4], 3840);
    ed->action(kActUndo);
    ASSERT_EQ(track->events.size(), 4u);
    EXPECT_EQ(at(*track, 2).kind(), EventKind::Clone);
}

TEST_F(Fixture, TabOnAControlChangesItsController) {
    Event cc;
    cc.setControl(7, 90);
    add(*track, std::move(cc));
    Event label;
    label.setLabel();
    add(*track, std::move(label));
    auto ed = editor(*track);
    EditorRequest r = ed->action(kActTab);
    ASSERT_EQ(r.kind, EditorRequest::Kind::ControllerList);
    EXPECT_EQ(r.index, 11);
    EditorResult pick;
    pick.ok = true;
    pick.index = 14;  // controller 10
    ed->complete(pick);
    EXPECT_EQ(at(*track, 0).b[0], 10);
    EXPECT_EQ(at(*track, 0).b[1], 90);
    ed->action(kActTab);
    pick.index = 3;  // "--- PitchBend": no change
    ed->complete(pick);
    EXPECT_EQ(at(*track, 0).kind(), EventKind::Control);
    EXPECT_EQ(at(*track, 0).b[0], 10);
    ed->action(kActDown);
    EXPECT_FALSE(ed->action(kActTab));
}

TEST_F(Fixture, DataEntryListsInsertAtTheCursor) {
    add(*track, note(60, 100, 10, 480));
    auto ed = editor(*track);
    EditorRequest r = ed->action(kActInsertController);
    ASSERT_EQ(r.kind, EditorRequest::Kind::ControllerList);
    EditorResult pick;
    pick.ok = true;
    pick.index = 4 + 64;
    ed->complete(pick);
    ASSERT_EQ(track->events.size(), 2u);
    EXPECT_EQ(at(*track, 0).kind(), EventKind::Control);
    EXPECT_EQ(at(*track, 0).b[0], 64);
    EXPECT_EQ(at(*track, 0).step, 0);
    r = ed->action(kActInsertCommand);
    ASSERT_EQ(r.kind, EditorRequest::Kind::InstructionList);
    pick.index = 9;  // IF ==
    ed->complete(pick);
    EXPECT_EQ(at(*track, 0).kind(), EventKind::IfEq);
    // Cancel changes nothing.
    ed->action(kActInsertController);
    ed->complete(EditorResult{});
    EXPECT_EQ(track->events.size(), 3u);
    ed->action(kActInsertLabel);
    EXPECT_EQ(at(*track, 0).kind(), EventKind::Label);
}

TEST_F(Fixture, MakingAPhraseFromTheSelection) {
    for (int i = 0; i < 3; ++i) add(*track, note(60 + i, 100, 10, 120));
    auto ed = editor(*track);
    key(*ed, vk::Down, true);
    EditorRequest r = ed->action(kActMakePhrase);
    ASSERT_EQ(r.kind, EditorRequest::Kind::PhraseName);
    EditorResult name;
    name.ok = true;
    name.text = "riff";
    ed->complete(name);
    ASSERT_EQ(doc.song().phrases.size(), 1u);
    EXPECT_EQ(doc.song().phrases.front()->name, "riff");
    EXPECT_EQ(doc.song().phrases.front()->events.size(), 2u);
    EXPECT_EQ(track->events.size(), 3u);
}

TEST_F(Fixture, UndoInTwoEditorsKeepsTheSongsHistoryConsistent) {
    Track& other = doc.song().createTrack();
    auto a = editor(*track, 0);
    auto b = editor(other, 1);
    a->action(kActReturn);  // track: 1 note
    b->action(kActReturn);  // other: 1 note
    a->action(kActReturn);  // track: 2 notes
    b->action(kActReturn);  // other: 2 notes
    a->action(kActUndo);
    EXPECT_EQ(track->events.size(), 1u);
    a->action(kActUndo);
    EXPECT_EQ(track->events.size(), 0u);
    EXPECT_EQ(other.events.size(), 2u);
    // The song's undo now takes back only the other editor's steps.
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(other.events.size(), 1u);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(other.events.size(), 0u);
    EXPECT_FALSE(doc.undo());
    // Redo in the list brings its step back into the song's history.
    a->action(kActRedo);
    EXPECT_EQ(track->events.size(), 1u);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(track->events.size(), 0u);
}

TEST_F(Fixture, JumpIsIgnoredInThePhraseEditorAndMovesInATrack) {
    Track& phrase = doc.song().createPhrase();
    auto pe = editor(phrase, 9);
    EXPECT_FALSE(pe->action(kActJump));
    for (int i = 0; i < 8; ++i) add(*track, note(60, 100, 10, 480));
    auto ed = editor(*track);
    EditorRequest r = ed->action(kActJump);
    ASSERT_EQ(r.kind, EditorRequest::Kind::Jump);
    EXPECT_EQ(r.number, 1);
    EditorResult res;
    res.ok = true;
    res.track = track->number;
    res.number = 2;
    res.tick = 480;
    ed->complete(res);
    EXPECT_EQ(ed->cursorTick(), 1920 + 480);
    EXPECT_EQ(ed->row(), 5);
    EXPECT_EQ(ed->cursorMeasure(), 1);
}

TEST_F(Fixture, PlaybackCommandsStopFirstAndGoThroughTheTransport) {
    for (int i = 0; i < 8; ++i) add(*track, note(60, 100, 10, 480));
    track->offset = 100;
    auto ed = editor(*track);
    ed->action(kActDown);
    ed->action(kActDown);
    ed->action(kActDown);
    ed->action(kActDown);
    ed->action(kActDown);  // tick 2400, measure 1
    transport.snap.playing = true;
    transport.takeCalls();
    ed->action(kActMeasurePlayMeasure);
    EXPECT_EQ(transport.takeCalls(),
              "stop\nstopAt 0\nlocate 2020\nstopAt 3940\nplaySolo " + std::to_string(track->number) + "\n");
    ed->action(kActPlayStop);
    EXPECT_EQ(transport.takeCalls(), "stop\n");
    ed->action(kActHearNote);
    EXPECT_EQ(transport.takeCalls(), "previewNote 0 0 60 100 1000\n");
    // The chord at the cursor: the notes before it on the same tick as well.
    ed->action(kActUp);
    ed->action(kActTop);
    ed->action(kActInsertMode);
    ed->action(kActMidiInputOff + 5);
    ed->midiNoteOn(64, 1);
    ed->midiNoteOn(67, 1);
    ed->midiAllReleased();
    ed->action(kActUp);
    transport.snap.playing = false;
    transport.takeCalls();
    ed->action(kActHearChord);
    EXPECT_EQ(transport.takeCalls(), "previewChord 0 0 64/100 67/100 1000\n");
}

}  // namespace
}  // namespace tarvio

namespace tarvio {
namespace {

TEST_F(Fixture, AnotherEditorFollowsARemovalOfItsCursorEvent) {
    for (int i = 0; i < 4; ++i) add(*track, note(60 + i, 100, 10, 120));
    auto a = editor(*track, 0);
    auto b = editor(*track, 1);
    a->action(kActDown);
    a->action(kActDown);
    b->action(kActDown);
    b->action(kActDown);
    b->action(kActDelete);
    EXPECT_EQ(a->row(), 2);
    ASSERT_NE(a->cursorEvent(), nullptr);
    EXPECT_EQ(a->cursorEvent()->b[0], 63);
    EXPECT_EQ(a->cursorTick(), 240);
    // An insertion above it moves it down with its event.
    b->action(kActTop);
    b->action(kActInsertMode);
    b->action(kActReturn);
    EXPECT_EQ(a->row(), 3);
    EXPECT_EQ(a->cursorEvent()->b[0], 63);
}

TEST_F(Fixture, PasteReplaceKeepsTheLaterTicks) {
    for (int i = 0; i < 4; ++i) add(*track, note(60 + i, 100, 10, 120));
    auto ed = editor(*track);
    ed->action(kActCopy);  // one row of 120
    ed->action(kActDown);
    ed->action(kActPasteReplace);
    ASSERT_EQ(track->events.size(), 4u);
    EXPECT_EQ(at(*track, 1).b[0], 60);
    EXPECT_EQ(ticks(*track), (std::vector<int64_t>{0, 120, 240, 360}));
}

TEST_F(Fixture, AListUndoTakesOnlyItsPartOfASongStep) {
    Track& other = doc.song().createTrack();
    add(*track, note(60, 100, 10, 120));
    add(other, note(60, 100, 10, 120));
    {
        // One command over both lists (as a paste over several tracks is).
        DocumentEdit edit(doc, DocumentChange::events(*track));
        track->push(makeSetStep(*track, {track->events.front().serial()}, 240));
        other.push(makeSetStep(other, {other.events.front().serial()}, 360));
    }
    auto ed = editor(*track);
    ed->action(kActUndo);
    EXPECT_EQ(track->events.front().step, 120);
    EXPECT_EQ(other.events.front().step, 360);
    // What remains of the step is still one step of the song.
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(other.events.front().step, 120);
    EXPECT_FALSE(doc.undo());
    ASSERT_TRUE(doc.redo());
    EXPECT_EQ(other.events.front().step, 360);
    EXPECT_EQ(track->events.front().step, 120);
    ed->action(kActRedo);
    EXPECT_EQ(track->events.front().step, 240);
}

TEST_F(Fixture, SettingsOfTheSlotAreClampedOnReadingAndStoredBack) {
    settings.editorWindows[1].midiInputMode = 42;
    settings.editorWindows[1].gateRate = -5000;
    settings.editorWindows[1].charHeight = 99;
    {
        auto ed = editor(*track, 1);
        EXPECT_EQ(ed->midiInputMode(), 6);
        EXPECT_EQ(ed->gateRate(), -999);
        EXPECT_EQ(ed->charHeight(), 16);
        ed->action(kActMidiInputOnOff);
        EXPECT_EQ(ed->midiInputMode(), 0);
        ed->action(kActMidiInputOnOff);
        EXPECT_EQ(ed->midiInputMode(), 6);
        ed->action(kActGatePlus10);
    }
    EXPECT_EQ(settings.editorWindows[1].gateRate, -989);
    EXPECT_EQ(settings.editorWindows[1].midiInputMode, 6);
}

}  // namespace
}  // namespace tarvio

namespace tarvio {
namespace {

TEST_F(Fixture, AnEditorWhoseListLeavesTheSongIgnoresInput) {
    add(*track, note(60, 100, 10, 120));
    auto ed = editor(*track);
    doc.newSong();  // the list is gone with its song
    EXPECT_EQ(ed->list(), nullptr);
    EXPECT_EQ(ed->rowCount(), 1);
    ed->action(kActReturn);
    ed->character('5');
    ed->midiNoteOn(60, 100);
    EXPECT_FALSE(ed->action(kActTab));
}

}  // namespace
}  // namespace tarvio

// ---------------------------------------------------------------- ghost rows

#include "editor/rows.h"

namespace tarvio {
namespace {

// Every row the editor's cursor can reach is the row the display shows at that index.
void expectRowsAsShown(Fixture& f, NumericEditor& ed, const Track& t) {
    rows::RowIndex index(rows::RowSource{&f.doc.song(), &t, nullptr}, rows::RowOptions{ed.ghost(), 0});
    ASSERT_EQ(ed.rowCount(), index.rowCount() + 1);
    for (int64_t r = 0; r <= index.rowCount(); ++r) {
        const rows::RowCursor c = index.at(r);
        const NumericEditor::RowPlace p = ed.placeOfRow(r);
        EXPECT_EQ(p.tick, c.tick()) << r;
        EXPECT_EQ(p.measure, c.measure()) << r;
        EXPECT_EQ(p.tickInMeasure, c.tickInMeasure()) << r;
        EXPECT_EQ(p.into > 0, c.kind() == rows::RowKind::Ghost) << r;
        EXPECT_EQ(p.barLineAbove, c.barLineAbove()) << r;
    }
}

TEST_F(Fixture, GhostRowsAreRowsOfTheCursor) {
    add(*track, note(60, 100, 10, 960));       // 0
    add(*track, note(62, 100, 10, 1920));      // 960: a bar line at 1920 inside
    add(*track, note(64, 100, 10, 3 * 1920));  // 2880: bar lines at 3840, 5760, 7680
    add(*track, note(65, 100, 10, 0));         // 8640
    auto ed = editor(*track);
    ed->action(kActDown);
    ed->action(kActGhost);
    EXPECT_TRUE(ed->ghost());
    EXPECT_EQ(ed->row(), 1);  // still on its event
    EXPECT_EQ(ed->rowCount(), 9);
    expectRowsAsShown(*this, *ed, *track);
    ed->action(kActDown);
    EXPECT_TRUE(ed->onGhost());
    EXPECT_EQ(ed->cursorEvent(), nullptr);
    EXPECT_EQ(ed->cursorTick(), 1920);
    EXPECT_EQ(ed->cursorMeasure(), 1);
    EXPECT_EQ(transport.calls.back(), "locate 1920");
    // Up and down through a long step: every bar line inside it is a stop.
    ed->action(kActEnd);
    EXPECT_EQ(ed->row(), 8);
    std::vector<int64_t> up;
    for (int i = 0; i < 8; ++i) {
        ed->action(kActUp);
        up.push_back(ed->cursorTick());
    }
    EXPECT_EQ(up, (std::vector<int64_t>{8640, 7680, 5760, 3840, 2880, 1920, 960, 0}));
    // Paging, measures and the song position count ghost rows too.
    ed->action(kActPageDown);
    EXPECT_TRUE(ed->atEnd());
    ed->action(kActTop);
    ed->action(kActNextMeasure);
    EXPECT_EQ(ed->row(), 2);
    ed->action(kActNextMeasure);
    EXPECT_EQ(ed->cursorTick(), 3840);
    ed->action(kActPrevMeasure);
    EXPECT_EQ(ed->cursorTick(), 1920);
    ed->followSongPosition(6000);
    EXPECT_EQ(ed->cursorTick(), 5760);
    EXPECT_TRUE(ed->onGhost());
    // Scrolling works over the shown rows.
    ed->setVisibleRows(2);
    ed->action(kActTop);
    ed->action(kActEnd);
    EXPECT_EQ(ed->firstVisibleRow(), 7);
    // Select all reaches the last row before the end row; the ghost rows select no event.
    ed->action(kActSelectAll);
    EXPECT_EQ(ed->selectionLast(), 7);
    // Off again: the cursor keeps the event its ghost row lies in.
    ed->action(kActTop);
    ed->action(kActDown);
    ed->action(kActDown);
    ed->action(kActGhost);
    EXPECT_EQ(ed->row(), 1);
    EXPECT_EQ(ed->rowCount(), 5);
}

TEST_F(Fixture, OnAGhostRowEntryGoesInAtTheBarLineAndEventCommandsDoNothing) {
    add(*track, note(60, 100, 10, 960));
    add(*track, note(62, 100, 10, 1920));  // 960..2880, bar line at 1920
    add(*track, note(64, 100, 10, 480));   // 2880
    auto ed = editor(*track);
    ed->action(kActGhost);
    ed->action(kActDown);
    ed->action(kActDown);
    ASSERT_TRUE(ed->onGhost());
    // Tie, rest, hearing and Tab need an event: nothing happens, the cursor stays.
    fkeys.current[0] = kFkeyTie;
    ed->action(kActF1);
    fkeys.current[0] = kFkeyRest;
    ed->action(kActF1);
    transport.takeCalls();
    ed->action(kActHearNote);
    EXPECT_FALSE(ed->action(kActTab));
    EXPECT_EQ(transport.takeCalls(), "");
    EXPECT_EQ(ed->row(), 2);
    EXPECT_EQ(at(*track, 1).gate(), 10);
    // A typed value goes into the event that follows the ghost row.
    type(*ed, "g4");
    ed->action(kActReturn);
    EXPECT_EQ(at(*track, 2).b[0], 67);
    EXPECT_EQ(ed->row(), 2);
    // Return in overwrite mode moves on; in insert mode a note goes in at the bar line and the
    // later events move later by its step.
    ed->action(kActReturn);
    EXPECT_EQ(ed->row(), 3);
    ed->action(kActUp);
    ed->action(kActInsertMode);
    ed->action(kActReturn);
    EXPECT_EQ(ticks(*track), (std::vector<int64_t>{0, 960, 1920, 2400, 3360}));
    EXPECT_EQ(at(*track, 2).b[0], 62);  // the template: the note the bar line lay in
    EXPECT_EQ(at(*track, 2).step, 480);
    EXPECT_TRUE(at(*track, 3).isRest());  // the rest of the split step
    EXPECT_EQ(ed->cursorTick(), 2400);
    expectRowsAsShown(*this, *ed, *track);
    // A data entry there goes in at the bar line too, and the cursor is on it.
    ASSERT_TRUE(doc.undo());
    ed->action(kActTop);
    ed->action(kActDown);
    ed->action(kActDown);
    ASSERT_TRUE(ed->onGhost());
    ed->action(kActInsertLabel);
    EXPECT_EQ(ticks(*track), (std::vector<int64_t>{0, 960, 1920, 1920, 2880}));
    EXPECT_EQ(ed->cursorEvent()->kind(), EventKind::Label);
}

TEST_F(Fixture, APhraseWithoutLengthHasNoGhostRows) {
    Track& phrase = doc.song().createPhrase();
    phrase.phraseLength = 0;
    add(phrase, note(60, 100, 10, 100000));
    add(phrase, note(60, 100, 10, 10));
    auto ed = editor(phrase, 9);
    ed->action(kActGhost);
    EXPECT_EQ(ed->rowCount(), 3);
    ed->action(kActEnd);
    EXPECT_EQ(ed->cursorTick(), 100010);
    EXPECT_EQ(ed->cursorMeasure(), 0);
    phrase.phraseLength = 1920 * 4;
    auto e2 = editor(phrase, 9);
    e2->action(kActGhost);
    expectRowsAsShown(*this, *e2, phrase);
}

}  // namespace
}  // namespace tarvio

#include "editor/song_link.h"

namespace tarvio {
namespace {

TEST_F(Fixture, TheGlobalLinkAndScrollLockMoveTheOtherViews) {
    songlink::clear();
    Track& other = doc.song().createTrack();
    for (int i = 0; i < 8; ++i) {
        add(*track, note(60, 100, 10, 480));
        add(other, note(60, 100, 10, 240));
    }
    other.offset = 240;  // its list starts later in the song
    Track& phrase = doc.song().createPhrase();
    add(phrase, note(60, 100, 10, 480));
    auto a = editor(*track, 0);
    auto b = editor(other, 1);
    auto p = editor(phrase, 9);
    EXPECT_FALSE(b->linkTimer(false, false));  // nothing published yet
    a->action(kActDown);
    a->action(kActDown);  // song position 960
    EXPECT_EQ(songlink::position(), 960);
    EXPECT_FALSE(b->linkTimer(true, false));  // the active view does not follow
    EXPECT_TRUE(b->linkTimer(false, false));
    EXPECT_EQ(b->cursorPosition(), 960);
    EXPECT_EQ(b->row(), 3);
    EXPECT_FALSE(p->linkTimer(false, false));
    EXPECT_EQ(songlink::position(), 960);  // following does not publish again
    // Without global link nothing is published or followed.
    settings.globalLink = 0;
    a->action(kActDown);
    EXPECT_EQ(songlink::position(), 960);
    settings.globalLink = 1;
    songlink::publish(1200);
    settings.globalLink = 0;
    EXPECT_FALSE(b->linkTimer(false, false));
    settings.globalLink = 1;
    // While the song plays the cursor neither locates nor publishes; with Scroll Lock every
    // track view follows the play position.
    transport.snap.playing = true;
    transport.snap.position = 1700;
    transport.takeCalls();
    a->action(kActDown);
    EXPECT_EQ(transport.takeCalls(), "");
    EXPECT_EQ(songlink::position(), 1200);
    EXPECT_TRUE(b->linkTimer(true, true));
    EXPECT_EQ(b->cursorTick(), 1440);  // the row at or before 1700 - 240
    EXPECT_FALSE(p->linkTimer(false, true));
    // Stopped, Scroll Lock moves only the inactive views.
    transport.snap.playing = false;
    transport.snap.position = 240;
    EXPECT_FALSE(b->linkTimer(true, true));
    EXPECT_TRUE(b->linkTimer(false, true));
    EXPECT_EQ(b->cursorTick(), 0);
}

}  // namespace
}  // namespace tarvio

#include <filesystem>

namespace tarvio {
namespace {

TEST_F(Fixture, SavingTheSelectionToAPhraseFileAndReadingItBackAtTheCursor) {
    add(*track, note(60, 100, 10, 120));
    Event cc;
    cc.setControl(7, 90);
    cc.step = 0;
    add(*track, std::move(cc));
    add(*track, note(62, 80, 20, 240));
    add(*track, note(64, 100, 10, 480));
    const std::string path = (std::filesystem::temp_directory_path() / "tarvio_editor_test.tvp").string();
    std::filesystem::remove(path);
    auto ed = editor(*track);
    ed->action(kActDown);
    key(*ed, vk::Down, true);  // rows 1..2: the controller and the D
    EditorRequest r = ed->action(kActSaveSelection);
    ASSERT_EQ(r.kind, EditorRequest::Kind::SavePhraseFile);
    EditorResult file;
    file.ok = true;
    file.text = path;
    ed->complete(file);
    ASSERT_TRUE(std::filesystem::exists(path));
    // Read at the last note: the events go in before it, which moves later by their length.
    ed->action(kActEnd);
    ed->action(kActUp);
    r = ed->action(kActLoadPhrase);
    ASSERT_EQ(r.kind, EditorRequest::Kind::LoadPhraseFile);
    ed->complete(file);
    ASSERT_EQ(track->events.size(), 6u);
    EXPECT_EQ(at(*track, 3).kind(), EventKind::Control);
    EXPECT_EQ(at(*track, 3).b[1], 90);
    EXPECT_EQ(at(*track, 4).b[0], 62);
    EXPECT_EQ(at(*track, 4).gate(), 20);
    EXPECT_EQ(ticks(*track), (std::vector<int64_t>{0, 120, 120, 360, 360, 600}));
    EXPECT_EQ(ed->cursorEvent()->b[0], 64);
    // One undo step takes the read events back; a file that is not there changes nothing.
    ed->action(kActUndo);
    EXPECT_EQ(track->events.size(), 4u);
    std::filesystem::remove(path);
    ed->action(kActLoadPhrase);
    ed->complete(file);
    EXPECT_EQ(track->events.size(), 4u);
    // Without a selection (the end row) there is nothing to save.
    ed->action(kActEnd);
    EXPECT_FALSE(ed->action(kActSaveSelection));
}

TEST_F(Fixture, OverwritingPastTheEndUsesTheTemplateGateAndFunctionKeysAlwaysMoveDown) {
    add(*track, note(60, 100, 77, 480));
    auto ed = editor(*track);
    ed->action(kActMidiInputOff + 5);  // POLY, overwrite mode
    ed->midiNoteOn(50, 90);
    ed->midiNoteOn(55, 90);
    ed->midiAllReleased();
    ASSERT_EQ(track->events.size(), 2u);
    EXPECT_EQ(at(*track, 0).b[0], 50);
    EXPECT_EQ(at(*track, 1).b[0], 55);
    EXPECT_EQ(at(*track, 1).gate(), 77);  // the last note's gate, not the gate rate's 480
    // A function key set to "nothing" changes nothing but still moves down.
    ed->action(kActTop);
    fkeys.current[2] = kFkeyNothing;
    ed->action(kActF1 + 2);
    EXPECT_EQ(ed->row(), 1);
    EXPECT_EQ(at(*track, 0).step, 480);
}

TEST_F(Fixture, TheWheelMovesTheSquareOfItsNotchesAndTheControllerListKeys) {
    for (int i = 0; i < 20; ++i) add(*track, note(60, 100, 10, 10));
    auto ed = editor(*track);
    key(*ed, vk::Down, true);
    ed->wheel(-240, true);  // Shift keeps the selection
    EXPECT_EQ(ed->row(), 10);
    EXPECT_TRUE(ed->selecting());
    ed->wheel(120, false);
    EXPECT_EQ(ed->row(), 9);
    EXPECT_FALSE(ed->selecting());
    ed->wheel(-60, false);
    EXPECT_EQ(ed->row(), 9);
    ed->wheel(-100000, false);
    EXPECT_TRUE(ed->atEnd());
    EXPECT_EQ(NumericEditor::controllerListEntryForKey('P'), 3);
    EXPECT_EQ(NumericEditor::controllerListEntryForKey('O'), 1);
    EXPECT_EQ(NumericEditor::controllerListEntryForKey('9'), 4 + 64);
    EXPECT_EQ(NumericEditor::controllerListEntryForKey('C'), 4 + 74);
    EXPECT_EQ(NumericEditor::controllerListEntryForKey('A'), -1);
}

}  // namespace
}  // namespace tarvio
