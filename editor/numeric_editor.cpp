#include "editor/numeric_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_settings.h"
#include "app/definitions.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "app/transport.h"
#include "editor/list_history.h"
#include "editor/song_link.h"
#include "io/phrase_file.h"
#include "model/song.h"
#include "model/undo.h"
#include "ops/clipboard.h"
#include "ops/phrase_edit.h"
#include "ops/range_edit.h"

namespace tarvio {

namespace {

int64_t clampTo(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

bool soundingNote(const Event& e) { return e.kind() == EventKind::Note && e.b[1] > 0 && e.gate() > 0; }

constexpr int kDefaultKey = 64, kDefaultVelocity = 100;
constexpr int64_t kMaxStep = 268435455;
constexpr int kLeadingControllerEntries = 4;
constexpr int kControllerEntries = kLeadingControllerEntries + 128;

// The register instructions of the instruction list, in list order.
constexpr EventKind kInstructions[] = {EventKind::Mov,  EventKind::MovVar, EventKind::Add,  EventKind::Sub,
                                       EventKind::Mul,  EventKind::Div,    EventKind::Sin,  EventKind::Cos,
                                       EventKind::Tan,  EventKind::IfEq,   EventKind::IfGt, EventKind::IfLt,
                                       EventKind::IfGe, EventKind::IfLe,   EventKind::IfNe, EventKind::Else,
                                       EventKind::EndIf};
constexpr const char* kInstructionNames[] = {"MOV",   "MOV VAR", "ADD",   "SUB",   "MUL",   "DIV",
                                             "SIN",   "COS",     "TAN",   "IF ==", "IF >",  "IF <",
                                             "IF >=", "IF <=",   "IF !=", "ELSE",  "ENDIF"};
constexpr const char* kCloneModeNames[] = {"CloneMeas", "CloneAbs.", "CloneRel.", "CloneMeasRel."};

std::string numbered(int n, const std::string& name) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d ", n);
    return buf + name;
}

// The clone position ranges by mode.
void clampClonePosition(CloneData& c) {
    switch (c.mode) {
    case 0: c.position = int32_t(clampTo(c.position, 0, 65535)); break;
    case 1: c.position = int32_t(clampTo(c.position, 0, 16777215)); break;
    default: c.position = int32_t(clampTo(c.position, -16777215, 16777215)); break;
    }
}

}  // namespace

// Marks the edits this editor makes itself, so that their change notices do not move the
// cursor a second time (the editor moves it as the command says).
struct OwnEdit {
    explicit OwnEdit(bool& f) : f_(f), was_(f) { f_ = true; }
    ~OwnEdit() { f_ = was_; }
    bool& f_;
    bool was_;
};

// One undo step of the list for a command that pushes several edit commands.
struct ListGroup {
    explicit ListGroup(Track& t) : t_(t) { t_.openGroup(); }
    ~ListGroup() { t_.closeGroup(); }
    Track& t_;
};

NumericEditor::NumericEditor(Document& doc, Env env, int slot, Track& list)
    : doc_(doc), env_(env), slot_(slot), list_(&list), listType_(list.type), listNumber_(list.historyNumber()) {
    if (env_.settings) {
        if (const EditorWindowSettings* s = env_.settings->editorWindow(slot)) {
            midiMode_ = int(clampTo(s->midiInputMode, 0, 6));
            gateRate_ = int(clampTo(s->gateRate, -999, 999));
            setCharHeight(s->charHeight);
        }
    }
    template_.setNote(kDefaultKey, kDefaultVelocity, 0);
    template_.step = doc_.song().tpqn;
    resetCursorToTop();
    doc_.addListener(this);
}

NumericEditor::~NumericEditor() {
    doc_.removeListener(this);
    if (env_.settings) {
        if (EditorWindowSettings* s = env_.settings->editorWindow(slot_)) {
            s->midiInputMode = midiMode_;
            s->gateRate = gateRate_;
            s->charHeight = charHeight_;
        }
    }
}

void NumericEditor::setCharHeight(int h) {
    // 12, 14 or 16: a stored value in between goes to the size below it.
    h = int(clampTo(h, 12, 16));
    charHeight_ = h - (h % 2);
}

Track* NumericEditor::list() const { return list_; }

bool NumericEditor::atEnd() const { return !list_ || cur_.it == list_->events.end(); }

const Event* NumericEditor::cursorEvent() const { return atEnd() || cur_.into > 0 ? nullptr : &*cur_.it; }

int64_t NumericEditor::cursorPosition() const { return cur_.tick + (list_ ? list_->offset : 0); }

// ---------------------------------------------------------------- cursor

// 0 when the measure takes no time (a phrase of length 0): no bar line ends it.
int32_t NumericEditor::measureLength(int64_t measure) const {
    // A phrase is one measure as long as the phrase.
    if (list_ && list_->isPhrase()) return std::max<int32_t>(0, list_->phraseLength);
    return std::max<int32_t>(0, doc_.song().measureLength(uint32_t(std::max<int64_t>(0, measure))));
}

void NumericEditor::settleForward(Spot& s) const {
    for (int64_t len = measureLength(s.measure); len > 0 && s.tick >= s.measureStart + len; len = measureLength(s.measure)) {
        s.measureStart += len;
        ++s.measure;
    }
}

void NumericEditor::settleBack(Spot& s) const {
    while (s.tick < s.measureStart && s.measure > 0) s.measureStart -= measureLength(--s.measure);
}

bool NumericEditor::firstAtItsTick(const Spot& s) const {
    if (s.row == 0) return true;
    Spot above = s;
    up(above);
    return above.tick < s.tick;
}

bool NumericEditor::onLabel(const Spot& s) const {
    return list_ && s.it != list_->events.end() && s.into == 0 && s.it->kind() == EventKind::Label;
}

NumericEditor::Spot NumericEditor::top() const {
    Spot s;
    if (list_) s.it = list_->events.begin();
    return s;
}

void NumericEditor::down(Spot& s) const {
    if (!list_ || s.it == list_->events.end()) return;
    const int64_t stepEnd = s.tick - s.into + std::max<int64_t>(0, s.it->step);
    ++s.row;
    if (ghost_) {
        // A bar line inside the step is a row of its own.
        const int64_t len = measureLength(s.measure);
        if (len > 0 && s.measureStart + len < stepEnd) {
            const int64_t bar = s.measureStart + len;
            s.into += bar - s.tick;
            s.tick = s.measureStart = bar;
            ++s.measure;
            return;
        }
    }
    s.tick = stepEnd;
    s.into = 0;
    ++s.it;
    settleForward(s);
}

void NumericEditor::up(Spot& s) const {
    if (!list_ || s.row == 0) return;
    --s.row;
    if (s.into == 0) {
        --s.it;
        s.into = std::max<int64_t>(0, s.it->step);  // from the tick back to the event's start
    }
    const int64_t start = s.tick - s.into;
    if (ghost_) {
        // The last bar line inside (start, tick): the start of this measure, or of the one before
        // when the row stands on this measure's bar line.
        int64_t bar = s.measureStart, measure = s.measure;
        if (bar == s.tick && measure > 0) {
            const int64_t len = measureLength(measure - 1);
            bar = len > 0 ? bar - len : start;
            --measure;
        }
        if (bar > start && bar < s.tick) {
            s.into = bar - start;
            s.tick = s.measureStart = bar;
            s.measure = measure;
            return;
        }
    }
    s.tick = start;
    s.into = 0;
    settleBack(s);
}

int64_t NumericEditor::rowCount() const {
    if (!list_) return 1;
    if (!ghost_) return int64_t(list_->events.size()) + 1;
    if (rowCount_ < 0) {
        Spot s = top();
        while (s.it != list_->events.end()) down(s);
        rowCount_ = s.row + 1;
    }
    return rowCount_;
}

NumericEditor::RowPlace NumericEditor::placeOfRow(int64_t row) const {
    RowPlace p;
    if (!list_) return p;
    Spot s = cur_;
    while (s.row > row && s.row > 0) up(s);
    while (s.row < row && s.it != list_->events.end()) down(s);
    p.event = s.it;
    p.row = s.row;
    p.into = s.into;
    p.tick = s.tick;
    p.measure = s.measure;
    p.tickInMeasure = s.tick - s.measureStart;
    // A bar line lies above a row that starts a later measure than the row before it, also when
    // the step before crossed the bar line (without ghost rows the row starts past it).
    if (s.row > 0) {
        Spot before = s;
        up(before);
        p.barLineAbove = before.measure < s.measure;
    }
    return p;
}

void NumericEditor::resetCursorToTop() {
    cur_ = top();
    noteSerial();
}

void NumericEditor::stepDown() {
    down(cur_);
    noteSerial();
}

void NumericEditor::stepUp() {
    up(cur_);
    noteSerial();
}

void NumericEditor::moveRows(int64_t n) {
    for (; n > 0 && !atEnd(); --n) down(cur_);
    for (; n < 0 && cur_.row > 0; ++n) up(cur_);
    noteSerial();
}

void NumericEditor::moveToRow(int64_t row) { moveRows(row - cur_.row); }

// The row that starts at tick (the first of those), else the last one starting before it (the
// end row past the list). Walks from where the cursor is: following the song moves only a little.
void NumericEditor::moveToTick(int64_t t) {
    if (!list_) return;
    while (cur_.row > 0) {
        Spot p = cur_;
        up(p);
        if (cur_.tick > t || p.tick == t) cur_ = p;
        else break;
    }
    while (!atEnd() && cur_.tick < t) {
        Spot n = cur_;
        down(n);
        if (n.tick > t) break;
        cur_ = n;
    }
    noteSerial();
}

// After a change the cursor cannot follow step by step: a walk from the top to the event it
// was on, or to the same row when that event is gone.
void NumericEditor::resync(uint32_t serial, int64_t fallbackRow) {
    if (!list_) return;
    rowCount_ = -1;
    resetCursorToTop();
    const bool found = serial != 0 && list_->events.contains(serial);
    if (found) {
        while (!atEnd() && (cur_.into > 0 || cur_.it->serial() != serial)) down(cur_);
        noteSerial();
    } else {
        moveRows(fallbackRow);
    }
    if (selecting_) anchor_ = std::min(anchor_, rowCount() - 1);
    scrollToCursor();
}

void NumericEditor::setVisibleRows(int n) {
    visibleRows_ = std::max(2, n);
    scrollToCursor();
}

void NumericEditor::scrollToCursor() {
    const int64_t down = std::max(1, visibleRows_ / 2), up = std::max(1, visibleRows_ / 3);
    if (cur_.row >= firstVisible_ + visibleRows_) {
        const int64_t k = (cur_.row - (firstVisible_ + visibleRows_)) / down + 1;
        firstVisible_ += k * down;
    }
    if (cur_.row < firstVisible_) {
        const int64_t k = (firstVisible_ - cur_.row + up - 1) / up;
        firstVisible_ -= k * up;
    }
    // Scrolling leaves the cursor's row visible, so it never passes the last row either.
    firstVisible_ = clampTo(firstVisible_, 0, cur_.row);
}

void NumericEditor::cursorMoved() {
    scrollToCursor();
    if (!list_ || list_->isPhrase()) return;
    // The player follows the cursor while the song stands; other views follow the link position.
    const TransportSnapshot s = doc_.transport().snapshot();
    if (s.playing || s.starting || s.recording) return;
    const int32_t at = int32_t(clampTo(cursorPosition(), 0, INT32_MAX));
    doc_.transport().locate(at);
    if (!env_.settings || env_.settings->globalLink) publishLink(at);
}

void NumericEditor::followSongPosition(int64_t position) {
    if (!list_ || list_->isPhrase()) return;
    moveToTick(position - list_->offset);
    scrollToCursor();
}

void NumericEditor::pointAt(int64_t row, int column, bool shift) {
    if (!list_) return;
    closeRun();
    typed_.reset();
    if (shift && !selecting_) {
        selecting_ = true;
        anchor_ = cur_.row;
    } else if (!shift) {
        selecting_ = false;
    }
    moveToRow(clampTo(row, 0, rowCount() - 1));
    if (column >= 0 && column <= 3) column_ = column;
    cursorMoved();
}

void NumericEditor::dragAnchorTo(int64_t row) {
    if (!list_) return;
    row = clampTo(row, 0, rowCount() - 1);
    if (!selecting_ && row == cur_.row) return;
    selecting_ = true;
    anchor_ = row;
}

void NumericEditor::setGateRate(int rate) { gateRate_ = int(clampTo(rate, -999, 999)); }

void NumericEditor::publishLink(int64_t position) { songlink::publish(position); }

bool NumericEditor::linkTimer(bool activeView, bool scrollLock) {
    if (!list_ || list_->isPhrase()) return false;
    const int64_t row = cur_.row, tick = cur_.tick;
    const TransportSnapshot s = doc_.transport().snapshot();
    if (scrollLock && (s.playing || s.recording || !activeView)) {
        followSongPosition(s.position);
    } else if (!activeView && (!env_.settings || env_.settings->globalLink)) {
        const std::optional<int64_t> link = songlink::position();
        if (link && *link != cursorPosition()) followSongPosition(*link);
    }
    return cur_.row != row || cur_.tick != tick;
}

void NumericEditor::wheel(int delta, bool shift) {
    if (!list_) return;
    if (!shift) selecting_ = false;
    // (delta / 64) squared rows: one notch (120) is one row, a fast turn moves much further.
    const int64_t n = int64_t(delta / 64) * int64_t(delta / 64);
    if (n == 0) return;
    moveRows(delta < 0 ? n : -n);
    cursorMoved();
}

int NumericEditor::controllerListEntryForKey(int key) {
    switch (key) {
    case 'G': case 'O': return 1;  // "--- ProgramChange"
    case 'P': return 3;            // "--- PitchBend"
    case '5': case 'M': return kLeadingControllerEntries + 1;
    case 'B': return kLeadingControllerEntries + 2;
    case 'F': return kLeadingControllerEntries + 4;
    case '6': case 'V': return kLeadingControllerEntries + 7;
    case '7': return kLeadingControllerEntries + 10;
    case '8': case 'E': return kLeadingControllerEntries + 11;
    case '9': case 'D': return kLeadingControllerEntries + 64;
    case 'R': return kLeadingControllerEntries + 71;
    case 'C': return kLeadingControllerEntries + 74;
    default: return -1;
    }
}

// ---------------------------------------------------------------- keys

EditorRequest NumericEditor::keyDown(int key, bool shift, bool ctrl, bool alt) {
    if (!list_) return {};
    // Track switching with Shift and a digit comes before everything else.
    if (shift && key >= '0' && key <= '9') {
        closeRun();
        Song& song = doc_.song();
        std::vector<Track*> tracks;
        for (auto& t : song.tracks) tracks.push_back(t.get());
        int64_t own = -1;
        for (size_t k = 0; k < tracks.size(); ++k)
            if (tracks[k] == list_) own = int64_t(k);
        const int64_t i = (key - '0' + 9) % 10;
        int64_t target = own >= 0 && own % 10 == i ? own + 10 : i;
        if (target >= int64_t(tracks.size())) target = i;
        if (target < int64_t(tracks.size()) && tracks[size_t(target)] != list_) switchTo(*tracks[size_t(target)]);
        return {};
    }
    int state = 0;
    if (ctrl && shift) state = kModShift | kModCtrl;
    else if (ctrl) state = kModCtrl;
    else if (shift) state = kModShift;
    else if (alt) state = kModAlt;
    int code = env_.keys ? env_.keys->action(key, state) : 0;
    if (state == 0) {
        switch (key) {
        case vk::Backspace: code = kActBackDelete; break;
        case vk::Tab: code = kActTab; break;
        case vk::Return: code = kActReturn; break;
        case vk::Escape: code = kActEscape; break;
        case vk::Up: code = kActUp; break;
        case vk::Down: code = kActDown; break;
        case vk::Left: code = kActLeft; break;
        case vk::Right: code = kActRight; break;
        default: break;
        }
    } else if (state == kModShift && key == vk::Tab) {
        code = kActTab;
    }
    if (key >= '0' && key <= '9') code = kActNone;
    if (key >= 'A' && key <= 'G' && (state == 0 || state == kModShift)) code = kActNone;  // note names
    if (state == kModCtrl && (key == 'L' || key == 'N' || key == 'S')) code = kActNone;   // the menus'
    // Any key with Shift starts a selection at the cursor.
    if (shift && !selecting_) {
        selecting_ = true;
        anchor_ = cur_.row;
    }
    return action(code, shift);
}

EditorRequest NumericEditor::action(int code, bool shift) {
    if (!list_) return {};
    if (runAction_ != 0 && code != runAction_) closeRun();
    if (typed_.active()) {
        if (code == kActReturn || code == kActDown) {
            commitTyped();
            if (code == kActDown) {
                stepDown();
                cursorMoved();
            }
        } else if (code == kActEscape) {
            typed_.reset();
        } else if (code == kActBackDelete) {
            typed_.backspace();
        }
        return {};
    }
    return dispatch(code, shift);
}

void NumericEditor::closeRun() { runAction_ = 0; }

void NumericEditor::focusLost() { closeRun(); }

EditorRequest NumericEditor::dispatch(int code, bool shift) {
    const bool movement = (code >= kActUp && code <= kActRight) || (code >= kActPageUp && code <= kActEnd);
    if (movement && !shift) selecting_ = false;
    switch (code) {
    case kActReturn: returnKey(); break;
    case kActSpace: spaceKey(); break;
    case kActTab: return tab(shift);
    case kActUp: stepUp(); cursorMoved(); break;
    case kActDown: stepDown(); cursorMoved(); break;
    case kActLeft:
        if (column_ > 0) {
            --column_;
        } else if (cur_.row > 0) {
            column_ = 3;
            stepUp();
            cursorMoved();
        }
        break;
    case kActRight:
        // The end row's pending note is entered before the cursor leaves its data column.
        if (atEnd()) enterAtEndIfPending();
        if (column_ < 3) {
            ++column_;
        } else if (!atEnd()) {
            column_ = 0;
            stepDown();
            cursorMoved();
        }
        break;
    case kActPageUp: moveRows(-10); cursorMoved(); break;
    case kActPageDown: moveRows(10); cursorMoved(); break;
    case kActPageUp10: moveRows(-100); cursorMoved(); break;
    case kActPageDown10: moveRows(100); cursorMoved(); break;
    case kActPrevMeasure: {
        // The start of this measure when the cursor is inside it, else of the one before.
        const bool firstOfMeasure = cur_.tick == cur_.measureStart && firstAtItsTick(cur_);
        const int64_t target = firstOfMeasure && cur_.measure > 0 ? cur_.measureStart - measureLength(cur_.measure - 1) : cur_.measureStart;
        bool moved = false;
        while (cur_.row > 0) {
            if (moved && onLabel(cur_)) break;
            if (cur_.tick <= target && firstAtItsTick(cur_)) break;
            up(cur_);
            moved = true;
        }
        noteSerial();
        cursorMoved();
        break;
    }
    case kActNextMeasure: {
        const int64_t target = cur_.measureStart + measureLength(cur_.measure);
        bool moved = false;
        while (!atEnd()) {
            if (moved && (onLabel(cur_) || cur_.tick >= target)) break;
            down(cur_);
            moved = true;
        }
        noteSerial();
        cursorMoved();
        break;
    }
    case kActTop: resetCursorToTop(); cursorMoved(); break;
    case kActEnd: moveRows(INT64_MAX / 2); cursorMoved(); break;
    case kActJump: return jumpRequest();
    case kActDigitUp: inputDigit_ = std::min(4, inputDigit_ + 1); break;
    case kActDigitDown: inputDigit_ = std::max(0, inputDigit_ - 1); break;
    case kActGatePlus1: gateRate_ = int(clampTo(gateRate_ + 1, -999, 999)); break;
    case kActGateMinus1: gateRate_ = int(clampTo(gateRate_ - 1, -999, 999)); break;
    case kActGatePlus10: gateRate_ = int(clampTo(gateRate_ + 10, -999, 999)); break;
    case kActGateMinus10: gateRate_ = int(clampTo(gateRate_ - 10, -999, 999)); break;
    case kActInc1: case kActInc10: case kActInc100: case kActInc1000:
    case kActDec1: case kActDec10: case kActDec100: case kActDec1000:
        increment(code);
        break;
    case kActDelete: deleteSelection(true); break;
    case kActErase: deleteSelection(false); break;
    case kActBackDelete:
        if (cur_.row > 0) {
            selecting_ = false;
            stepUp();
            deleteSelection(true);
        }
        break;
    case kActCopy: copySelection(); break;
    case kActCut:
        copySelection();
        deleteSelection(true);
        break;
    case kActPaste: paste(0); break;
    case kActPasteMix: paste(1); break;
    case kActPasteReplace: paste(2); break;
    case kActSelectAll:
        resetCursorToTop();
        selecting_ = true;
        anchor_ = rowCount() - 2 < 0 ? 0 : rowCount() - 2;  // the last event
        scrollToCursor();
        break;
    case kActUndo: listUndo(false); break;
    case kActRedo: listUndo(true); break;
    case kActInsertController: case kActInsertProcedure: case kActInsertPhrase: case kActInsertCommand:
    case kActInsertExclusive: case kActInsertClone: case kActInsertComment: case kActInsertLabel:
        return dataEntry(code);
    case kActMakePhrase:
        if (selectedSerials().empty()) break;
        pending_ = EditorRequest::Kind::PhraseName;
        {
            EditorRequest r;
            r.kind = pending_;
            r.caption = "フレーズ名称の入力";
            return r;
        }
    case kActSaveSelection:
        if (selectedSerials().empty()) break;
        pending_ = EditorRequest::Kind::SavePhraseFile;
        return EditorRequest{EditorRequest::Kind::SavePhraseFile};
    case kActLoadPhrase:
        pending_ = EditorRequest::Kind::LoadPhraseFile;
        return EditorRequest{EditorRequest::Kind::LoadPhraseFile};
    case kActPointPlayMeasure: case kActPointPlayHere: case kActSoloPreviewMeasure: case kActSoloPreviewHere:
    case kActMeasurePlayMeasure: case kActMeasurePlayHere: case kActPointRecordMeasure: case kActPointRecordHere:
    case kActPointMixRecordMeasure: case kActPointMixRecordHere: case kActPlayStop: case kActHearNote:
    case kActHearChord:
        play(code);
        break;
    case kActInsertMode: insertMode_ = (insertMode_ + 1) % 3; break;
    case kActMidiInputNext: midiMode_ = (midiMode_ + 1) % 7; break;
    case kActMidiInputOnOff:
        if (midiMode_ != 0) {
            rememberedMidiMode_ = midiMode_;
            midiMode_ = 0;
        } else {
            midiMode_ = rememberedMidiMode_;
        }
        break;
    case kActGhost: {
        // The cursor stays on its event (a ghost row's: the one it lies in); row numbers change.
        const bool end = atEnd();
        const uint32_t serial = end ? 0 : cur_.it->serial();
        ghost_ = !ghost_;
        selecting_ = false;
        if (end) {
            resetCursorToTop();
            moveRows(INT64_MAX / 2);
            rowCount_ = cur_.row + 1;
        } else {
            resync(serial, 0);
        }
        scrollToCursor();
        break;
    }
    case kActBendRange: {
        EditorRequest r;
        r.kind = pending_ = EditorRequest::Kind::BendRange;
        r.caption = "ピッチベンド入力レンジの変更";
        r.number = env_.settings ? env_.settings->bendRange : 12;
        r.min = 0;
        r.max = 48;
        return r;
    }
    case kActGridEditor: {
        EditorRequest r;
        r.kind = EditorRequest::Kind::GridEditor;
        r.tick = cursorPosition();
        return r;
    }
    case kActToRegister: toRegister(); break;
    case kActBankSet: case kActPort: case kActChannel: {
        if (list_->type != TrackType::Normal) break;
        EditorRequest r;
        if (code == kActBankSet) {
            r.kind = EditorRequest::Kind::BankSetList;
            r.text = list_->bankSet;
        } else if (code == kActPort) {
            r.kind = EditorRequest::Kind::PortList;
            r.number = list_->port;
        } else {
            r.kind = EditorRequest::Kind::ChannelNumber;
            r.number = list_->channel + 1;
            r.min = 1;
            r.max = 16;
        }
        pending_ = r.kind;
        return r;
    }
    default:
        if (code >= kActMidiInputOff && code <= kActMidiInputOff + 6) midiMode_ = code - kActMidiInputOff;
        else if ((code >= kActF1 && code < kActF1 + 12) || (code >= kActShiftF1 && code < kActShiftF1 + 12) ||
                 (code >= kActCtrlF1 && code < kActCtrlF1 + 12) || (code >= kActShiftCtrlF1 && code < kActShiftCtrlF1 + 12))
            functionKey(code);
        break;
    }
    return {};
}

// ---------------------------------------------------------------- typed entry

// The event a typed value or an increment goes into: the cursor's event; on a ghost row, which
// has no cells of its own, the event that follows it; end() on the end row.
EventList::iterator NumericEditor::cellTarget() const {
    if (!list_ || atEnd()) return list_ ? list_->events.end() : EventList::iterator{};
    return cur_.into > 0 ? std::next(cur_.it) : cur_.it;
}

bool NumericEditor::cellKindIs(EventKind k) const {
    const EventList::iterator t = cellTarget();
    return list_ && t != list_->events.end() && t->kind() == k;
}

bool NumericEditor::cellAcceptsNoteName() const {
    return column_ == 0 || (column_ == 3 && cellKindIs(EventKind::PitchBend));
}

bool NumericEditor::dotToSecond() const {
    if (column_ == 1) return inputDigit_ > 0;
    return column_ == 2 && cellKindIs(EventKind::Note);
}

void NumericEditor::character(char c, bool alt) {
    if (!list_) return;
    closeRun();
    if (typed_.state() == TypedEntry::Idle) {
        if (c >= '0' && c <= '9') {
            typed_.startNumber(c);
        } else if (c >= 'a' && c <= 'g') {
            if (cellKindIs(EventKind::Note)) column_ = 0;
            if (cellAcceptsNoteName() && !alt) typed_.startNoteName(c);
        }
        return;
    }
    if (typed_.state() == TypedEntry::NoteName) typed_.noteNameChar(c);
    else typed_.numberChar(c, dotToSecond());
}

void NumericEditor::commitTyped() {
    const TypedEntry t = typed_;
    typed_.reset();
    const bool noteName = t.state() == TypedEntry::NoteName;
    const int col = column_;
    if (noteName && !cellAcceptsNoteName()) return;
    int64_t value;
    if (noteName) {
        value = t.noteKey(template_.b[0]);
    } else {
        bool scaled = col == 1;
        if (col == 2 && cellTarget() != list_->events.end()) {
            const Event& e = *cellTarget();
            scaled = e.kind() == EventKind::Note ||
                     (e.kind() == EventKind::Clone && e.clone() && (e.clone()->mode == 1 || e.clone()->mode == 2));
        }
        value = t.number(scaled, inputDigit_);
    }
    OwnEdit own(ownEdit_);
    DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
    // On the end row the typed value goes into the note it brings.
    if (atEnd()) enterNotes({}, true);
    if (col != 1) {
        commitValue(col, value, noteName, true);
        return;
    }
    EventList::iterator target = cellTarget();
    const bool aboveEnd = atEnd();
    if (aboveEnd) {
        if (cur_.row == 0) return;
        target = std::prev(cur_.it);
    }
    if (target == list_->events.end()) return;
    const int32_t step = int32_t(clampTo(value, 0, kMaxStep));
    template_.step = step;
    if (step == target->step) return;
    // The note above the end row: the end row moves with its step, so the cursor goes back to
    // the note and down again (over the ghost rows the new step holds).
    if (aboveEnd)
        while (cur_.it != target || cur_.into > 0) up(cur_);
    list_->push(makeSetStep(*list_, {target->serial()}, step));
    if (aboveEnd) {
        while (!atEnd()) down(cur_);
        noteSerial();
    }
}

// Builds the new content of the cell's event and stores it through one edit command (the
// caller's DocumentEdit). Returns whether the event changed.
bool NumericEditor::commitValue(int col, int64_t v, bool noteName, bool keepRegister) {
    // The target is the cell's event, or on the end row the note just entered above it.
    EventList::iterator target = cellTarget();
    if (atEnd()) {
        if (cur_.row == 0) return false;
        target = std::prev(cur_.it);
    }
    if (target == list_->events.end()) return false;
    const Event& e = *target;
    Event n(e);
    const EventKind kind = e.kind();
    const int32_t range = env_.settings ? env_.settings->bendRange : 12;
    auto literal = [&](uint8_t old, int64_t value) {
        const uint8_t b = uint8_t(clampTo(value, 0, 127));
        return keepRegister && old >= 128 ? uint8_t(b + 128) : b;
    };
    auto setBend14 = [&](int64_t raw) {
        raw = clampTo(raw, 0, 16383);
        n.setBendBytes(uint8_t(raw >> 7), uint8_t(raw & 127));
    };
    const CommandDef* def = nullptr;
    if (kind == EventKind::Command && e.word0() < doc_.song().commands.size()) def = &doc_.song().commands[e.word0()];
    switch (col) {
    case 0:
        if (kind == EventKind::Note) {
            uint8_t key = uint8_t(clampTo(v, 0, 127));
            template_.b[0] = key;
            if (!noteName && keepRegister && e.b[0] >= 128) key = uint8_t(key + 128);
            n.b[0] = key;
        } else if (kind == EventKind::PhraseCall && e.phraseCall()) {
            PhraseCallData d = *e.phraseCall();
            v = clampTo(v, -1, 23);
            if (v < 0) {
                d.mode = 0;
            } else {
                d.root = uint32_t(v % 12);
                d.mode = uint32_t(v / 12 + 1);
            }
            n.setPhraseCall(d);
        } else if (kind == EventKind::Clone && e.clone()) {
            CloneData d = *e.clone();
            d.mode = uint8_t(clampTo(v, 0, 3));
            clampClonePosition(d);
            n.setClone(d);
        }
        break;
    case 2:
        switch (kind) {
        case EventKind::Note: {
            const uint16_t gate = uint16_t(clampTo(v, 0, 65535));
            template_.b[2] = uint8_t(gate & 0xFF);
            template_.b[3] = uint8_t(gate >> 8);
            n.b[2] = uint8_t(gate & 0xFF);
            n.b[3] = uint8_t(gate >> 8);
            break;
        }
        case EventKind::Control: n.b[0] = uint8_t(clampTo(v, 0, 127)); break;
        case EventKind::PitchBend: {
            // Semitones through the input range; a range of 0 gives the centre.
            int64_t bend = 0;
            if (range > 0) {
                const double x = v >= 0 ? double(v) * 8191.0 / range + 0.5 : double(v) * 8192.0 / range - 0.5;
                bend = int64_t(std::trunc(std::clamp(x, -1e9, 1e9)));
            }
            setBend14(bend + 8192);
            break;
        }
        case EventKind::Exclusive: n.b[2] = uint8_t(clampTo(v, 0, 127)); break;
        case EventKind::Command:
            if (def && def->type == 2) {
                n.b[2] = uint8_t(clampTo(v, 0, 127));
            } else if (def && def->type == 1) {
                int64_t raw = v * 128 + (e.b[3] & 127);
                raw = clampTo(clampTo(raw, def->min, def->max), 0, 16383);
                n.b[2] = uint8_t(raw >> 7);
                n.b[3] = uint8_t(raw & 127);
            }
            break;
        case EventKind::PhraseCall:
            if (e.phraseCall()) {
                PhraseCallData d = *e.phraseCall();
                d.offset = int32_t(clampTo(v, 0, 65535));
                n.setPhraseCall(d);
            }
            break;
        case EventKind::PluginSwitch:
        case EventKind::PluginParams: n.b[0] = uint8_t(clampTo(v, 0, 3)); break;
        case EventKind::Clone:
            if (e.clone()) {
                CloneData d = *e.clone();
                switch (d.mode) {
                case 0: d.position = int32_t(clampTo(v, 1, 65536) - 1); break;
                case 1: d.position = int32_t(clampTo(v, 0, 16777215)); break;
                case 2: d.position = int32_t(clampTo(v, -16777215, 16777215)); break;
                default: d.position = int32_t(clampTo(v, 1, 16777215) - (cur_.measure + 1)); break;
                }
                n.setClone(d);
            }
            break;
        default: break;
        }
        break;
    case 3:
        switch (kind) {
        case EventKind::Note:
            n.b[1] = literal(e.b[1], v);
            template_.b[1] = uint8_t(clampTo(v, 0, 127));
            break;
        case EventKind::Control: n.b[1] = literal(e.b[1], v); break;
        case EventKind::ChannelPressure: n.b[0] = uint8_t(clampTo(v, 0, 127)); break;
        case EventKind::PolyPressure: n.b[1] = uint8_t(clampTo(v, 0, 127)); break;
        case EventKind::Program: n.b[0] = uint8_t(clampTo(v, 0, 127)); break;
        case EventKind::PitchBend:
            if (noteName) {
                const int64_t bend = range > 0 ? (v - (template_.b[0] & 127)) * 8192 / range : 0;
                setBend14(bend + 8192);
            } else if (e.b[1] >= 128) {
                n.b[1] = uint8_t(clampTo(v, 0, 127) + 128);
            } else {
                setBend14(v + 8192);
            }
            break;
        case EventKind::Command:
            if (!def) break;
            if (e.b[3] >= 128 && def->type != 1) {
                n.b[3] = uint8_t(clampTo(v, 0, 127) + 128);
            } else if (def->type == 1) {
                const int64_t raw = clampTo(clampTo(v - def->base, def->min, def->max), 0, 16383);
                n.b[2] = uint8_t(raw >> 7);
                n.b[3] = uint8_t(raw & 127);
            } else {
                n.b[3] = uint8_t(clampTo(clampTo(v - def->base, def->min, def->max), 0, 127));
            }
            break;
        case EventKind::Tempo: n.setTempo(uint32_t(clampTo(v, 30, 240))); break;
        case EventKind::PhraseCall:
            if (e.phraseCall()) {
                PhraseCallData d = *e.phraseCall();
                d.transpose = int32_t(clampTo(v, -48, 48));
                n.setPhraseCall(d);
            }
            break;
        case EventKind::Clone:
            if (e.clone()) {
                CloneData d = *e.clone();
                d.transpose = int8_t(clampTo(v, -48, 48));
                n.setClone(d);
            }
            break;
        case EventKind::PluginSwitch: n.b[1] = uint8_t(clampTo(v, 0, 1)); break;
        case EventKind::Exclusive: n.b[3] = uint8_t(clampTo(v, 0, 127)); break;
        default:
            if (kind == EventKind::Mov || isIf(kind)) {
                n.setRegisterOp(kind, e.word0(), int16_t(clampTo(v, -32768, 32767)));
            } else if (isRegisterOp(kind)) {
                n.setRegisterOp(kind, e.word0(), int16_t(clampTo(v, 0, 127)));
            }
            break;
        }
        break;
    default: break;
    }
    if (n.sameContent(e)) return false;
    list_->push(makeSetContent(*list_, {e.serial()}, n));
    return true;
}

// The value a cell shows, as typing it would give it; false for a cell without one.
static bool cellValue(const Song& song, const Event& e, int col, int64_t measure, int64_t& v) {
    const EventKind k = e.kind();
    if (col == 1) {
        v = e.step;
        return true;
    }
    const CommandDef* def = k == EventKind::Command && e.word0() < song.commands.size() ? &song.commands[e.word0()] : nullptr;
    switch (k) {
    case EventKind::Note:
        if (col == 0) v = e.b[0] & 127;
        else if (col == 2) v = e.gate();
        else v = e.b[1] & 127;
        return true;
    case EventKind::Control:
        if (col == 2) v = e.b[0];
        else if (col == 3) v = e.b[1] & 127;
        else return false;
        return true;
    case EventKind::ChannelPressure: v = e.b[0]; return col == 3;
    case EventKind::PolyPressure: v = e.b[1]; return col == 3;
    case EventKind::Program: v = e.b[0]; return col == 3;
    case EventKind::PitchBend:
        v = e.b[1] >= 128 ? e.b[1] - 128 : e.signedBend();
        return col == 3;
    case EventKind::Command:
        if (!def) return false;
        if (col == 2) v = e.b[2];
        else if (col == 3) v = e.b[3] >= 128 ? e.b[3] - 128 : (def->type == 1 ? e.b[2] * 128 + e.b[3] : e.b[3]) + def->base;
        else return false;
        return true;
    case EventKind::Tempo: v = e.value32(); return col == 3;
    case EventKind::PhraseCall:
        if (!e.phraseCall()) return false;
        if (col == 0) v = e.phraseCall()->mode == 0 ? -1 : int64_t(e.phraseCall()->root) + (int64_t(e.phraseCall()->mode) - 1) * 12;
        else if (col == 2) v = e.phraseCall()->offset;
        else v = e.phraseCall()->transpose;
        return true;
    case EventKind::Clone: {
        if (!e.clone()) return false;
        const CloneData& c = *e.clone();
        if (col == 0) v = c.mode;
        else if (col == 3) v = c.transpose;
        else v = c.mode == 0 ? c.position + 1 : c.mode == 3 ? c.position + measure + 1 : c.position;
        return true;
    }
    case EventKind::PluginSwitch:
        if (col == 0) return false;
        v = col == 2 ? e.b[0] : e.b[1];
        return true;
    case EventKind::PluginParams: v = e.b[0]; return col == 2;
    case EventKind::Exclusive:
        if (col == 2) v = e.b[2];
        else if (col == 3) v = e.b[3];
        else return false;
        return true;
    default:
        if (isRegisterOp(k) || isIf(k)) {
            v = e.operand();
            return col == 3;
        }
        return false;
    }
}

void NumericEditor::increment(int code) {
    if (cellTarget() == list_->events.end()) return;
    int64_t delta = 0;
    switch (code) {
    case kActInc1: delta = 1; break;
    case kActInc10: delta = 10; break;
    case kActInc100: delta = 100; break;
    case kActInc1000: delta = 1000; break;
    case kActDec1: delta = -1; break;
    case kActDec10: delta = -10; break;
    case kActDec100: delta = -100; break;
    default: delta = -1000; break;
    }
    const Event& e = *cellTarget();
    const EventKind k = e.kind();
    if (column_ == 0 && (k == EventKind::Note || k == EventKind::PhraseCall) && (code == kActInc10 || code == kActDec10))
        delta = delta > 0 ? 12 : -12;  // an octave
    // A run of the same increment is one undo step: its entries in the song's history are joined,
    // as long as nothing else came between (another edit, an undo).
    auto& history = doc_.song().undoHistory;
    const bool continues = runAction_ == code && runHistorySize_ == history.size() && !history.empty() &&
                           history.back().type == uint16_t(list_->type) && history.back().number == list_->historyNumber();
    bool changed = false;
    {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::eventSerials(*list_, {e.serial()}));
        if (column_ == 1) {
            int64_t p = 1;
            for (int i = 0; i < inputDigit_; ++i) p *= 10;
            const int32_t step = int32_t(clampTo((e.step / p + delta) * p, 0, kMaxStep));
            template_.step = step;
            if (step != e.step) {
                list_->push(makeSetStep(*list_, {e.serial()}, step));
                changed = true;
            }
        } else if (column_ == 0 && k == EventKind::Command) {
            const uint16_t index = uint16_t(clampTo(int64_t(e.word0()) + delta, 0, 999));
            if (index != e.word0()) {
                list_->push(makeSetCommand(*list_, {e.serial()}, index, e.b[2], e.b[3]));
                changed = true;
            }
        } else if (column_ == 0 && k == EventKind::Note) {
            changed = commitValue(0, (e.b[0] & 127) + delta, false, false);
        } else {
            int64_t v = 0;
            if (cellValue(doc_.song(), e, column_, cur_.measure, v)) changed = commitValue(column_, v + delta, false, true);
        }
    }
    if (!changed) return;
    if (continues) joinLastStep(doc_, *list_);
    runAction_ = code;
    runHistorySize_ = history.size();
}

void NumericEditor::toRegister() {
    if (!cursorEvent()) return;
    const Event& e = *cur_.it;
    int index = -1;
    switch (e.kind()) {
    case EventKind::Note: index = column_ == 0 ? 0 : column_ == 3 ? 1 : -1; break;
    case EventKind::Control:
    case EventKind::PitchBend: index = column_ == 3 ? 1 : -1; break;
    case EventKind::Command: index = column_ == 3 ? 3 : -1; break;
    default: break;
    }
    if (index < 0) return;
    Event n(e);
    n.b[size_t(index)] = uint8_t(n.b[size_t(index)] + 128);
    OwnEdit own(ownEdit_);
    DocumentEdit edit(doc_, DocumentChange::eventSerials(*list_, {e.serial()}));
    list_->push(makeSetContent(*list_, {e.serial()}, n));
}

// ---------------------------------------------------------------- function keys

void NumericEditor::functionKey(int code) {
    int row = 0, first = kActF1;
    if (code >= kActShiftCtrlF1) row = 3, first = kActShiftCtrlF1;
    else if (code >= kActCtrlF1) row = 2, first = kActCtrlF1;
    else if (code >= kActShiftF1) row = 1, first = kActShiftF1;
    const int key = code - first;
    const int32_t value = env_.fkeys ? env_.fkeys->current[size_t(fkeyIndex(row, key))] : kFkeyNothing;
    if (column_ == 3 && cursorEvent() && cur_.it->kind() == EventKind::Note) {
        Event n(*cur_.it);
        n.b[1] = uint8_t(10 * (key + 1));
        if (!n.sameContent(*cur_.it)) {
            OwnEdit own(ownEdit_);
            DocumentEdit edit(doc_, DocumentChange::eventSerials(*list_, {cur_.it->serial()}));
            list_->push(makeSetContent(*list_, {cur_.it->serial()}, n));
        }
        stepDown();
        cursorMoved();
        return;
    }
    if (value == kFkeyNothing || value < kFkeyRest) {
        // A key that does nothing still moves down, as every function key does after its work.
        stepDown();
        cursorMoved();
        return;
    }
    if (value == kFkeyRest || value == kFkeyTie) {
        if (!cursorEvent()) return;  // needs an event: not the end row, not a ghost row
        if (value == kFkeyRest) {
            if (cur_.it->kind() == EventKind::Note && cur_.it->gate() != 0) {
                Event n(*cur_.it);
                n.b[2] = n.b[3] = 0;
                OwnEdit own(ownEdit_);
                DocumentEdit edit(doc_, DocumentChange::eventSerials(*list_, {cur_.it->serial()}));
                list_->push(makeSetContent(*list_, {cur_.it->serial()}, n));
            }
        } else {
            tie();
        }
        stepDown();
        cursorMoved();
        return;
    }
    // A length: the step of the event in overwrite mode, else a new note of that step.
    template_.step = value;
    const EventList::iterator target = cellTarget();
    if (insertMode_ == 0 && target != list_->events.end()) {
        if (target->step != value) {
            OwnEdit own(ownEdit_);
            DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
            list_->push(makeSetStep(*list_, {target->serial()}, value));
        }
        stepDown();
    } else {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        enterNotes({}, true);
    }
    cursorMoved();
}

void NumericEditor::tie() {
    const Event& e = *cur_.it;
    if (!soundingNote(e)) return;
    int64_t distance = e.step;
    for (auto j = std::next(cur_.it); j != list_->events.end() && distance <= 65535; ++j) {
        if (soundingNote(*j) && j->b[0] == e.b[0]) {
            const uint16_t gate = uint16_t(clampTo(distance + 1, 0, 65535));
            if (gate != e.gate()) {
                OwnEdit own(ownEdit_);
                DocumentEdit edit(doc_, DocumentChange::eventSerials(*list_, {e.serial()}));
                list_->push(makeSetNote(*list_, {e.serial()}, e.b[0], e.b[1], gate));
            }
            return;
        }
        distance += j->step;
    }
}

// ---------------------------------------------------------------- entering notes

// The template takes key, velocity and gate of the last sounding note at or before the cursor;
// its step stays (the function keys and typed steps set it).
void NumericEditor::refreshTemplate() {
    if (!list_) return;
    auto j = cur_.it;
    const auto begin = list_->events.begin();
    if (j != list_->events.end() && soundingNote(*j)) {
        template_.setNote(j->b[0], j->b[1], j->gate());
        return;
    }
    while (j != begin) {
        --j;
        if (soundingNote(*j)) {
            template_.setNote(j->b[0], j->b[1], j->gate());
            return;
        }
    }
    template_.setNote(kDefaultKey, kDefaultVelocity, template_.gate());
}

int32_t NumericEditor::entryGate() const {
    const int64_t step = template_.step;
    const int64_t gate = gateRate_ >= 0 ? step * gateRate_ / 100 : step + gateRate_;
    return int32_t(clampTo(gate, 1, 65535));
}

std::vector<std::pair<int, int>> NumericEditor::heldKeys() const {
    std::vector<std::pair<int, int>> keys;
    const TransportSnapshot s = doc_.transport().snapshot();
    const bool ownVelocity = midiMode_ == 2 || midiMode_ == 4 || midiMode_ == 6;
    for (int k = 0; k < 128; ++k)
        if (s.heldKeys[size_t(k)] != 0) keys.emplace_back(k, ownVelocity ? s.heldKeys[size_t(k)] : template_.b[1] & 127);
    return keys;
}

// Enters notes before the cursor's event (or at the end), in the caller's DocumentEdit. With
// useHeld, the MIDI input mode decides: mode 0 one template note, otherwise the held keys. The
// cursor stays on the event that followed the insertion point.
void NumericEditor::enterNotes(const std::vector<std::pair<int, int>>& keysIn, bool useHeld) {
    refreshTemplate();
    const int32_t step = int32_t(clampTo(template_.step, 0, kMaxStep));
    const uint16_t gate = uint16_t(entryGate());
    std::vector<std::pair<int, int>> keys = keysIn;
    if (useHeld && midiMode_ != 0) keys = heldKeys();
    std::vector<Event> notes;
    if (useHeld && midiMode_ == 0) {
        Event n;
        n.setNote(template_.b[0], template_.b[1], gate);
        n.step = step;
        notes.push_back(std::move(n));
    } else if (keys.empty()) {
        Event n;
        n.setNote(template_.b[0], template_.b[1], 0);  // a rest
        n.step = step;
        notes.push_back(std::move(n));
    } else {
        for (auto [k, v] : keys) {
            Event n;
            n.setNote(uint8_t(k), uint8_t(v), gate);
            n.step = 0;
            notes.push_back(std::move(n));
        }
        notes.back().step = step;
    }
    if (insertMode_ == 2) {
        // The span the notes take is cleared first; the cursor finds its tick again.
        const int64_t t = cur_.tick;
        eraseSpan(*list_, t, t + step);
        resetCursorToTop();
        moveToTick(t);
    }
    insertEvents(std::move(notes), false);
}

// Inserts before the cursor's event, or at the cursor's position on a ghost row or the end row.
// The cursor goes to the first inserted event, or stays on the row that followed them.
void NumericEditor::insertEvents(std::vector<Event> events, bool cursorOnFirst) {
    int64_t length = 0;
    for (const Event& e : events) length += std::max<int64_t>(0, e.step);
    rowCount_ = -1;
    if (cur_.into > 0) {
        // A ghost row lies inside a step: the step is split at the bar line (a rest keeps its
        // remainder) and the events go in there.
        EventList clip;
        for (const Event& e : events) {
            Event c(0);
            c.setContent(e);
            c.step = e.step;
            clip.pushBack(std::move(c));
        }
        const int64_t at = cur_.tick;
        pasteAt(*list_, clip, at, PasteMode::Insert);
        resetCursorToTop();
        moveToTick(cursorOnFirst ? at : at + length);
        return;
    }
    const EventList::iterator following = cur_.it;
    const uint32_t before = atEnd() ? 0 : cur_.it->serial();
    auto cmd = makeInsert(*list_, std::move(events), before);
    auto* insert = static_cast<InsertCommand*>(cmd.get());
    list_->push(std::move(cmd));
    const std::vector<uint32_t> serials = insert->serials();
    if (serials.empty()) return;
    // The first inserted event starts where the cursor's row did.
    cur_.it = list_->events.find(serials.front());
    if (!cursorOnFirst)
        while (cur_.it != following) down(cur_);
    noteSerial();
}

// For each key (ascending): the note row from the cursor on takes the key (and the velocity in
// the velocity modes); at the end row a new note is entered; the cursor moves on to the next
// note row.
void NumericEditor::overwriteNotes(const std::vector<std::pair<int, int>>& keys) {
    refreshTemplate();
    OwnEdit own(ownEdit_);
    DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
    ListGroup group(*list_);
    const bool ownVelocity = midiMode_ == 2 || midiMode_ == 4 || midiMode_ == 6;
    auto toNoteRow = [&] {
        while (!atEnd() && (cur_.into > 0 || cur_.it->kind() != EventKind::Note)) stepDown();
    };
    toNoteRow();
    for (auto [k, v] : keys) {
        if (atEnd()) {
            // The template's gate, from the last note; the gate rate's when it has none.
            Event n;
            n.setNote(uint8_t(k), uint8_t(v), uint16_t(template_.gate() > 0 ? template_.gate() : entryGate()));
            n.step = int32_t(template_.step);
            insertEvents({std::move(n)}, false);
            continue;
        }
        Event n(*cur_.it);
        n.b[0] = uint8_t(k);
        if (ownVelocity) n.b[1] = uint8_t(v);
        if (!n.sameContent(*cur_.it)) list_->push(makeSetContent(*list_, {cur_.it->serial()}, n));
        stepDown();
        toNoteRow();
    }
}

// The end row stands for the note it would enter. Space and Right enter it first and stay on
// it, so that their next column is the new note's.
void NumericEditor::enterAtEndIfPending() {
    if (!list_ || !atEnd()) return;
    {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        enterNotes({}, true);
    }
    do up(cur_);
    while (cur_.into > 0);
    noteSerial();
}

void NumericEditor::returnKey() {
    if (atEnd() || insertMode_ != 0) {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        enterNotes({}, true);
    } else if (midiMode_ == 1 || midiMode_ == 2) {
        const auto keys = heldKeys();
        if (keys.empty()) stepDown();
        else overwriteNotes(keys);
    } else {
        stepDown();
    }
    cursorMoved();
}

void NumericEditor::spaceKey() {
    enterAtEndIfPending();
    if (column_ < 3) {
        ++column_;
        return;
    }
    column_ = 0;
    if (atEnd()) return;
    stepDown();
    if (insertMode_ != 0) {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        enterNotes({}, true);
    }
    cursorMoved();
}

void NumericEditor::midiNoteOn(int key, int velocity) {
    if (!list_ || key < 0 || key > 127) return;
    closeRun();
    velocity = int(clampTo(velocity, 1, 127));
    if (midiMode_ == 3 || midiMode_ == 4) {
        refreshTemplate();
        const std::vector<std::pair<int, int>> one{{key, midiMode_ == 4 ? velocity : template_.b[1] & 127}};
        if (insertMode_ == 0 && !atEnd()) {
            overwriteNotes(one);
        } else {
            OwnEdit own(ownEdit_);
            DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
            enterNotes(one, false);
        }
        cursorMoved();
    } else if (midiMode_ == 5 || midiMode_ == 6) {
        refreshTemplate();
        chord_[size_t(key)] = uint8_t(midiMode_ == 6 ? velocity : template_.b[1] & 127);
    }
}

void NumericEditor::midiAllReleased() {
    if (!list_) return;
    closeRun();
    if (midiMode_ != 5 && midiMode_ != 6) return;
    std::vector<std::pair<int, int>> keys;
    for (int k = 0; k < 128; ++k)
        if (chord_[size_t(k)] != 0) keys.emplace_back(k, chord_[size_t(k)]);
    chord_.fill(0);
    if (keys.empty()) return;
    if (insertMode_ == 0 && !atEnd()) {
        overwriteNotes(keys);
    } else {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        enterNotes(keys, false);
    }
    cursorMoved();
}

void NumericEditor::midiReset() { chord_.fill(0); }

// ---------------------------------------------------------------- selection commands

// The events whose rows are selected (ghost rows have none), walked from the cursor.
std::vector<uint32_t> NumericEditor::selectedSerials() const {
    std::vector<uint32_t> out;
    if (!list_) return out;
    const int64_t first = selectionFirst(), last = selectionLast();
    Spot s = cur_;
    while (s.row > first) up(s);
    for (; s.row <= last && s.it != list_->events.end(); down(s))
        if (s.into == 0) out.push_back(s.it->serial());
    return out;
}

void NumericEditor::deleteSelection(bool closeGap) {
    const std::vector<uint32_t> serials = selectedSerials();
    if (serials.empty()) return;
    const int64_t first = selectionFirst();
    // The event after the selection keeps the cursor.
    uint32_t after = 0;
    {
        auto j = list_->events.find(serials.back());
        if (++j != list_->events.end()) after = j->serial();
    }
    {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_));
        ListGroup group(*list_);
        if (closeGap) {
            // With no step left, removing them moves the later events earlier by what they took.
            std::vector<SetStepCommand::Change> steps;
            for (uint32_t s : serials) steps.push_back({s, 0});
            list_->push(std::make_unique<SetStepCommand>(*list_, std::move(steps)));
        }
        list_->push(makeDelete(*list_, serials));
    }
    selecting_ = false;
    resync(after, first);
    cursorMoved();
}

void NumericEditor::copySelection() {
    if (!env_.clipboard) return;
    const std::vector<uint32_t> serials = selectedSerials();
    if (serials.empty()) return;
    EventList clip;
    for (uint32_t s : serials) {
        Event e(0);
        const Event& src = *list_->events.find(s);
        e.setContent(src);
        e.step = src.step;
        clip.pushBack(std::move(e));
    }
    env_.clipboard->write(encodeClipboard({clip}));
}

void NumericEditor::paste(int mode) {
    if (!env_.clipboard) return;
    std::vector<EventList> lists;
    const std::vector<uint8_t> block = env_.clipboard->read();
    if (block.empty() || !decodeClipboard(block.data(), block.size(), lists) || lists.empty() || lists[0].empty()) return;
    pasteClip(lists[0], mode == 0 ? PasteMode::Insert : mode == 1 ? PasteMode::Mix : PasteMode::Replace);
    cursorMoved();
}

// The cursor stays on the event it was on (an insert moves it down with the clip); after a
// replacing paste it keeps its row number. On a ghost row it goes to the row at the tick after
// an inserted clip, else to the clip's first row.
void NumericEditor::pasteClip(const EventList& clip, PasteMode mode) {
    const uint32_t at = atEnd() || cur_.into > 0 ? 0 : cur_.it->serial();
    const bool ghostRow = cur_.into > 0;
    const int64_t row = cur_.row, tick = cur_.tick;
    {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, tick));
        pasteAt(*list_, clip, tick, mode);
    }
    selecting_ = false;
    if (ghostRow) {
        rowCount_ = -1;
        resetCursorToTop();
        moveToTick(mode == PasteMode::Insert ? tick + clip.length() : tick);
        scrollToCursor();
        return;
    }
    resync(mode == PasteMode::Replace ? 0 : at, row);
}

void NumericEditor::makePhrase(const std::string& name) {
    const std::vector<uint32_t> serials = selectedSerials();
    if (serials.empty()) return;
    OwnEdit own(ownEdit_);
    DocumentEdit edit(doc_, DocumentChange::of(DocumentChange::Kind::Phrases));
    rowsToPhrase(doc_.song(), *list_, serials.front(), serials.back(), name, false);
}

void NumericEditor::listUndo(bool redo) {
    closeRun();
    const int64_t row = cur_.row;
    {
        OwnEdit own(ownEdit_);
        if (redo) redoList(doc_, *list_);
        else undoList(doc_, *list_);
    }
    selecting_ = false;
    resync(0, row);
}

// ---------------------------------------------------------------- data entry and Tab

EditorRequest NumericEditor::dataEntry(int code) {
    Song& song = doc_.song();
    EditorRequest r;
    pendingCode_ = code;
    pendingSerial_ = 0;
    switch (code) {
    case kActInsertController:
        r.kind = EditorRequest::Kind::ControllerList;
        r.items = {"--- KeyPressure", "--- ProgramChange", "--- Ch.Pressure", "--- PitchBend"};
        for (int c = 0; c < 128; ++c) r.items.push_back(numbered(c, env_.controllers ? env_.controllers->name(c) : ""));
        // Kinds with no list of their own come after the controllers.
        r.items.insert(r.items.end(), {"--- Tempo", "--- PluginSwitch", "--- PluginParams"});
        r.index = list_->isTempoTrack() ? kControllerEntries : 0;
        break;
    case kActInsertProcedure:
        r.kind = EditorRequest::Kind::ProcedureList;
        pendingMap_.clear();
        for (size_t i = 0; i < song.commands.size(); ++i) {
            if (!song.commands[i].defined()) continue;
            pendingMap_.push_back(uint32_t(i));
            r.items.push_back(numbered(int(i), song.commands[i].name));
        }
        r.index = r.items.empty() ? -1 : 0;
        break;
    case kActInsertPhrase:
        r.kind = EditorRequest::Kind::PhraseList;
        pendingMap_.clear();
        for (auto& p : song.phrases) {
            pendingMap_.push_back(p->number);
            r.items.push_back(numbered(int(p->number), p->name));
        }
        r.index = r.items.empty() ? -1 : 0;
        break;
    case kActInsertCommand:
        r.kind = EditorRequest::Kind::InstructionList;
        r.items.assign(std::begin(kInstructionNames), std::end(kInstructionNames));
        r.index = 0;
        break;
    default: {
        Event e;
        switch (code) {
        case kActInsertExclusive:
            e.setExclusive({0xF0, 0xF7});
            e.step = int32_t(template_.step);
            break;
        case kActInsertClone:
            e.setClone(CloneData{});
            e.step = int32_t(template_.step);
            break;
        case kActInsertComment: e.setComment("Comment"); break;
        default: e.setLabel(); break;
        }
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        insertEvents({std::move(e)}, true);
        return {};
    }
    }
    pending_ = r.kind;
    return r;
}

EditorRequest NumericEditor::tab(bool shift) {
    if (!cursorEvent()) return {};
    const Event& e = *cur_.it;
    Song& song = doc_.song();
    EditorRequest r;
    pendingCode_ = kActTab;
    pendingSerial_ = e.serial();
    switch (e.kind()) {
    case EventKind::Control:
        r = dataEntry(kActInsertController);
        r.index = kLeadingControllerEntries + e.b[0];
        break;
    case EventKind::Command:
        r = dataEntry(kActInsertProcedure);
        r.index = -1;
        for (size_t i = 0; i < pendingMap_.size(); ++i)
            if (pendingMap_[i] == e.word0()) r.index = int(i);
        break;
    case EventKind::Program:
        r.kind = EditorRequest::Kind::ProgramList;
        r.text = list_->bankSet;
        r.number = e.b[0];
        r.bankMsb = e.b[1];
        r.bankLsb = e.b[2];
        break;
    case EventKind::PhraseCall:
        if (shift) {
            r.kind = EditorRequest::Kind::OpenPhraseEditor;
            r.number = e.phraseCall() ? e.phraseCall()->number : 0;
            pendingSerial_ = 0;
            return r;
        }
        r = dataEntry(kActInsertPhrase);
        r.index = -1;
        for (size_t i = 0; i < pendingMap_.size(); ++i)
            if (e.phraseCall() && pendingMap_[i] == e.phraseCall()->number) r.index = int(i);
        break;
    case EventKind::Clone:
        if (shift) {
            OwnEdit own(ownEdit_);
            const int64_t row = cur_.row;
            {
                DocumentEdit edit(doc_, DocumentChange::events(*list_));
                expandClone(song, *list_, e.serial());
            }
            resync(0, row);
            return {};
        }
        r.kind = EditorRequest::Kind::CloneList;
        r.items.assign(std::begin(kCloneModeNames), std::end(kCloneModeNames));
        r.index = e.clone() ? e.clone()->mode : 0;
        break;
    case EventKind::PluginParams:
        r.kind = EditorRequest::Kind::PluginParams;
        r.params = std::make_shared<ParameterBlock>(list_->slotBlock(e.b[0]));
        break;
    case EventKind::Exclusive:
        r.kind = EditorRequest::Kind::SysEx;
        if (e.bytes()) r.bytes = *e.bytes();
        break;
    case EventKind::Comment:
        r.kind = EditorRequest::Kind::CommentText;
        r.caption = "コメントの編集";
        if (e.comment()) r.text = std::string(e.comment()->view());
        break;
    default:
        return {};
    }
    pendingCode_ = kActTab;
    pendingSerial_ = e.serial();
    pending_ = r.kind;
    return r;
}

EditorRequest NumericEditor::complete(const EditorResult& res) {
    const EditorRequest::Kind kind = pending_;
    pending_ = EditorRequest::Kind::None;
    if (!list_ || !res.ok) return {};
    Song& song = doc_.song();
    // A Tab edit changes the row it was opened on, if it is still there.
    const bool onRow = pendingCode_ == kActTab;
    EventList::iterator target = list_->events.end();
    if (onRow) {
        if (!list_->events.contains(pendingSerial_)) return {};
        target = list_->events.find(pendingSerial_);
    }
    auto store = [&](const Event& n) {
        if (n.sameContent(*target)) return;
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::eventSerials(*list_, {target->serial()}));
        list_->push(makeSetContent(*list_, {target->serial()}, n));
    };
    auto insert = [&](Event e) {
        OwnEdit own(ownEdit_);
        DocumentEdit edit(doc_, DocumentChange::events(*list_, cur_.tick));
        insertEvents({std::move(e)}, true);
    };
    switch (kind) {
    case EditorRequest::Kind::ControllerList: {
        const int i = res.index;
        if (onRow) {
            if (i < kLeadingControllerEntries || i >= kControllerEntries || i - kLeadingControllerEntries == target->b[0]) break;
            Event n(*target);
            n.b[0] = uint8_t(i - kLeadingControllerEntries);
            store(n);
            break;
        }
        Event e;
        if (i == 0) e.setPolyPressure(64, 0);
        else if (i == 1) e.setProgram(0, 0, 0);
        else if (i == 2) e.setChannelPressure(0);
        else if (i == 3) e.setBend(0);
        else if (i < kControllerEntries) e.setControl(uint8_t(i - kLeadingControllerEntries), 0);
        else if (i == kControllerEntries) e.setTempo(song.tempo);
        else if (i == kControllerEntries + 1) e.setPluginSwitch(0, true);
        else if (i == kControllerEntries + 2) e.setPluginParams(0, list_->slotBlock(0));
        else break;
        e.step = 0;
        insert(std::move(e));
        break;
    }
    case EditorRequest::Kind::ProcedureList: {
        if (res.index < 0 || size_t(res.index) >= pendingMap_.size()) break;
        const uint16_t index = uint16_t(pendingMap_[size_t(res.index)]);
        if (onRow) {
            Event n(*target);
            n.setCommand(index, target->b[2], target->b[3]);
            store(n);
        } else {
            Event e;
            e.setCommand(index, 0, 0);
            e.step = 0;
            insert(std::move(e));
        }
        break;
    }
    case EditorRequest::Kind::PhraseList: {
        if (res.index < 0 || size_t(res.index) >= pendingMap_.size()) break;
        const uint32_t number = pendingMap_[size_t(res.index)];
        if (onRow) {
            PhraseCallData d = target->phraseCall() ? *target->phraseCall() : PhraseCallData{};
            d.number = number;
            Event n(*target);
            n.setPhraseCall(d);
            store(n);
        } else {
            PhraseCallData d;
            d.number = number;
            Event e;
            e.setPhraseCall(d);
            e.step = 0;
            insert(std::move(e));
        }
        break;
    }
    case EditorRequest::Kind::InstructionList: {
        if (res.index < 0 || size_t(res.index) >= std::size(kInstructions)) break;
        Event e;
        e.setRegisterOp(kInstructions[res.index], 0, 0);
        e.step = 0;
        insert(std::move(e));
        break;
    }
    case EditorRequest::Kind::CloneList: {
        if (!onRow || !target->clone() || res.index < 0 || res.index > 3 || res.index == target->clone()->mode) break;
        CloneData d = *target->clone();
        d.mode = uint8_t(res.index);
        Event n(*target);
        n.setClone(d);
        store(n);
        break;
    }
    case EditorRequest::Kind::ProgramList: {
        Event n(*target);
        n.setProgram(uint8_t(clampTo(res.number, 0, 127)), res.bankMsb, res.bankLsb);
        store(n);
        break;
    }
    case EditorRequest::Kind::PluginParams:
        if (res.params) {
            Event n(*target);
            n.setPluginParams(target->b[0], *res.params);
            store(n);
        }
        break;
    case EditorRequest::Kind::SysEx: {
        Event n(*target);
        n.setExclusive(res.bytes, target->b[2], target->b[3]);
        store(n);
        break;
    }
    case EditorRequest::Kind::CommentText: {
        Event n(*target);
        n.setComment(res.text);
        store(n);
        break;
    }
    case EditorRequest::Kind::PhraseName:
        if (!res.text.empty()) makePhrase(res.text);
        break;
    case EditorRequest::Kind::SavePhraseFile: {
        std::vector<const Event*> events;
        for (uint32_t s : selectedSerials()) events.push_back(&*list_->events.find(s));
        if (!events.empty()) writePhraseFile(res.text, events);
        break;
    }
    case EditorRequest::Kind::LoadPhraseFile: {
        std::vector<Event> read;
        if (!readPhraseFile(res.text, read) || read.empty()) break;
        EventList clip;
        for (Event& e : read) {
            Event c(0);
            c.setContent(e);
            c.step = e.step;
            clip.pushBack(std::move(c));
        }
        pasteClip(clip, PasteMode::Insert);
        break;
    }
    case EditorRequest::Kind::Jump: {
        Track* t = song.findTrack(res.track);
        if (!t) break;
        if (t != list_) switchTo(*t);
        int64_t start = 0;
        for (int64_t m = 0; m + 1 < std::max<int64_t>(1, res.number); ++m) start += measureLength(m);
        moveToTick(start + std::max<int64_t>(0, res.tick));
        cursorMoved();
        break;
    }
    case EditorRequest::Kind::BendRange:
        if (env_.settings) env_.settings->bendRange = int32_t(clampTo(res.number, 0, 48));
        break;
    case EditorRequest::Kind::BankSetList:
    case EditorRequest::Kind::PortList:
    case EditorRequest::Kind::ChannelNumber: {
        DocumentEdit edit(doc_, DocumentChange::of(DocumentChange::Kind::Tracks));
        if (kind == EditorRequest::Kind::BankSetList) list_->bankSet = res.text;
        else if (kind == EditorRequest::Kind::PortList) list_->port = uint8_t(clampTo(res.number, 0, 255));
        else list_->channel = uint8_t(clampTo(res.number, 1, 16) - 1);
        break;
    }
    default: break;
    }
    return {};
}

EditorRequest NumericEditor::jumpRequest() {
    if (slot_ > 2) return {};  // not in the phrase editor
    EditorRequest r;
    r.kind = pending_ = EditorRequest::Kind::Jump;
    pendingCode_ = kActJump;
    r.number = cur_.measure + 1;
    r.tick = cur_.tick - cur_.measureStart;
    pendingMap_.clear();
    int i = 0;
    for (auto& t : doc_.song().tracks) {
        if (t.get() == list_) r.index = i;
        pendingMap_.push_back(t->number);
        r.items.push_back(t->name);
        ++i;
    }
    return r;
}

// ---------------------------------------------------------------- playback

void NumericEditor::play(int code) {
    Transport& tr = doc_.transport();
    const TransportSnapshot s = tr.snapshot();
    const bool playing = s.playing || s.starting || s.recording;
    const int32_t offset = list_->offset;
    const auto pos = [&](int64_t t) { return int32_t(clampTo(t + offset, 0, INT32_MAX)); };
    if (code == kActPlayStop) {
        if (playing) tr.stop();
        else tr.play();
        return;
    }
    if (code == kActHearNote || code == kActHearChord) {
        if (!cursorEvent()) return;
        if (code == kActHearNote) {
            if (soundingNote(*cur_.it)) tr.previewNote(list_->port, list_->channel, cur_.it->b[0] & 127, cur_.it->b[1] & 127, 1000);
            return;
        }
        // Every note that starts at the cursor's tick: back over the zero steps, then forward.
        auto j = cur_.it;
        while (j != list_->events.begin() && std::prev(j)->step == 0) --j;
        std::vector<std::pair<int, int>> chord;
        for (; j != list_->events.end(); ++j) {
            if (soundingNote(*j)) chord.emplace_back(j->b[0] & 127, j->b[1] & 127);
            if (j->step != 0) break;
        }
        tr.previewChord(list_->port, list_->channel, chord, 1000);
        return;
    }
    if (playing) tr.stop();
    const bool fromMeasure = (code - kActPointPlayMeasure) % 2 == 0;
    const int32_t at = pos(fromMeasure ? cur_.measureStart : cur_.tick);
    tr.setStopAt(0);
    tr.locate(at);
    switch (code) {
    case kActPointPlayMeasure:
    case kActPointPlayHere: tr.play(); break;
    case kActMeasurePlayMeasure:
    case kActMeasurePlayHere:
        tr.setStopAt(pos(cur_.measureStart + measureLength(cur_.measure)));
        [[fallthrough]];
    case kActSoloPreviewMeasure:
    case kActSoloPreviewHere:
        if (list_->type == TrackType::Normal) tr.playSolo(list_->number);
        else tr.play();
        break;
    default: {  // recording into the edited track, replacing or mixing
        if (list_->type != TrackType::Normal) return;
        const uint8_t mode = code >= kActPointMixRecordMeasure ? 2 : 1;
        if (list_->record != mode) {
            DocumentEdit edit(doc_, DocumentChange::of(DocumentChange::Kind::Tracks));
            list_->record = mode;
        }
        tr.record();
        break;
    }
    }
}

// ---------------------------------------------------------------- lists and notices

void NumericEditor::switchTo(Track& list) {
    closeRun();
    typed_.reset();
    selecting_ = false;
    const int64_t t = cur_.tick;
    list_ = &list;
    listType_ = list.type;
    listNumber_ = list.historyNumber();
    rowCount_ = -1;
    resetCursorToTop();
    moveToTick(t);
    firstVisible_ = 0;
    scrollToCursor();
}

void NumericEditor::documentChanged(const std::vector<DocumentChange>& changes) {
    rowCount_ = -1;  // ghost rows follow every change of steps and measures
    bool follow = false;
    for (const DocumentChange& c : changes) {
        switch (c.kind) {
        case DocumentChange::Kind::Song:
        case DocumentChange::Kind::Tracks:
        case DocumentChange::Kind::Phrases: {
            Track* now = doc_.song().findContainer(uint16_t(listType_), listNumber_);
            if (now != list_ || c.kind == DocumentChange::Kind::Song) {
                list_ = now;
                follow = true;
            }
            break;
        }
        case DocumentChange::Kind::Events:
            if (!ownEdit_ && c.type == listType_ && c.number == listNumber_) follow = true;
            break;
        default: break;
        }
    }
    if (!follow || !list_) return;
    typed_.reset();
    resync(cursorSerial_, cur_.row);
}

}  // namespace tarvio
