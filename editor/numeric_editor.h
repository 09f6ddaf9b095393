// The numerical editor's controller: the cursor over the rows of one track, phrase or the tempo
// track, the keys and characters that drive it, typed entry, step entry of notes, the data-entry
// lists and the editing commands. No widget: the window feeds it key presses, characters and
// MIDI notifications, draws what it reports, and shows the dialogs it asks for (a request it
// returns), handing the outcome back (complete()).
//
// Every change goes through the Document, one DocumentEdit per command; the controller follows
// the Document's change notices, so another editor on the same list follows an edit at once.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/document.h"
#include "editor/typed_entry.h"
#include "model/event_list.h"
#include "model/track.h"
#include "ops/range_edit.h"

namespace tarvio {

class KeyMap;
struct FkeyTable;
struct AppSettings;
struct ControllerNames;
class Transport;

// Virtual-key codes the controller knows by value (Windows codes, which the key map stores).
namespace vk {
constexpr int Backspace = 0x08, Tab = 0x09, Return = 0x0D, Escape = 0x1B, Space = 0x20;
constexpr int Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
}  // namespace vk

// The system clipboard as the editor sees it: the "tarvio sequence" block or nothing.
class EditorClipboard {
public:
    virtual ~EditorClipboard() = default;
    virtual std::vector<uint8_t> read() = 0;
    virtual void write(std::vector<uint8_t> block) = 0;
};

// A dialog, list or file chooser the window should show. The controller stays as it was until
// complete() brings the outcome.
struct EditorRequest {
    enum class Kind {
        None,
        ControllerList,   // items; choose → insert (500) or change the row's controller (Tab)
        ProcedureList,    // the song's defined command entries (501, Tab on a command)
        PhraseList,       // the song's phrases (502, Tab on a phrase call)
        InstructionList,  // the register instructions MOV..ENDIF (503)
        CloneList,        // the four clone modes (Tab on a clone)
        ProgramList,      // the track's bank set; the result gives program, bank MSB and LSB
        PluginParams,     // params: a copy of the slot's block; OK → params
        SysEx,            // bytes: a copy of the message; OK → bytes
        CommentText,      // text, caption "コメントの編集"
        PhraseName,       // text, caption "フレーズ名称の入力" (600)
        SavePhraseFile,   // a file name to save the selection to (601)
        LoadPhraseFile,   // a phrase file to read (602)
        OpenPhraseEditor, // number: the phrase to open in the phrase editor (no result)
        GridEditor,       // tick: open the grid editor there (no result)
        Jump,             // number = measure + 1, tick = tick in measure, items = tracks, index
        BendRange,        // NumberInputDialog "ピッチベンド入力レンジの変更", number, 0..48
        BankSetList,      // 1000: text = current bank set name
        PortList,         // 1001: number = current port
        ChannelNumber,    // 1002: number = channel + 1, 1..16
    };
    Kind kind = Kind::None;
    std::string caption;
    std::vector<std::string> items;
    int index = -1;  // the selected item
    int64_t number = 0, min = 0, max = 0;
    int64_t tick = 0;
    std::string text;
    std::vector<uint8_t> bytes;
    std::shared_ptr<ParameterBlock> params;
    uint8_t bankMsb = 0, bankLsb = 0;  // ProgramList: the row's bank select
    EditorRequest() = default;
    explicit EditorRequest(Kind k) : kind(k) {}
    explicit operator bool() const { return kind != Kind::None; }
};

struct EditorResult {
    bool ok = false;  // false: cancelled, nothing changes
    int index = -1;
    int64_t number = 0, tick = 0;
    uint8_t bankMsb = 0, bankLsb = 0;  // ProgramList
    uint32_t track = 0;                // Jump: the chosen track's number
    std::string text;                  // text dialogs, file paths, bank set name
    std::vector<uint8_t> bytes;
    std::shared_ptr<ParameterBlock> params;
};

class NumericEditor final : public DocumentListener {
public:
    struct Env {
        const KeyMap* keys = nullptr;
        const FkeyTable* fkeys = nullptr;
        AppSettings* settings = nullptr;           // slot records, bend range, global link
        const ControllerNames* controllers = nullptr;  // list texts (null: numbers only)
        EditorClipboard* clipboard = nullptr;
    };
    // slot: 0..2 track editors, 9 the phrase editor. The slot's settings are read (clamped).
    NumericEditor(Document& doc, Env env, int slot, Track& list);
    // Writes the slot's settings back.
    ~NumericEditor() override;
    NumericEditor(const NumericEditor&) = delete;
    NumericEditor& operator=(const NumericEditor&) = delete;

    // ---- input ----
    EditorRequest keyDown(int key, bool shift, bool ctrl, bool alt);
    // A character typed (digits, '+', '-', '.', a..g); others are ignored.
    void character(char c, bool alt = false);
    // Runs an action as the key dispatch would (the menus); shift: Shift held.
    EditorRequest action(int code, bool shift = false);
    EditorRequest complete(const EditorResult& result);
    // The MIDI input notifications: note-on (kind 0), all keys released (kind 1), reset.
    void midiNoteOn(int key, int velocity);
    void midiAllReleased();
    void midiReset();
    void focusLost();  // closes an increment run
    // Shows another list (the jump dialog's track, Shift+digit) with the cursor at the same tick.
    void switchTo(Track& list);
    // The song position the 20 ms timer follows (play position or link position).
    void followSongPosition(int64_t position);
    // The mouse: a press on row (clamped to the end row) in column (-1: the column stays). An
    // active selection ends without shift and keeps its anchor with it (the click extends it).
    // The cursor scrolls and links like any move.
    void pointAt(int64_t row, int column, bool shift);
    // A drag from the pressed row: the selection's anchor follows the row under the mouse.
    void dragAnchorTo(int64_t row);
    // The gate rate written back from its in-place field (kept within -999..999).
    void setGateRate(int rate);

    // The view's 20 ms timer: with Scroll Lock on, while the song plays or records (or when the
    // view is not the active one), the cursor follows the play position; otherwise an inactive
    // view with global link on follows the position the moving editor published. Only tracks
    // follow, phrases never. Returns whether the cursor moved.
    bool linkTimer(bool activeView, bool scrollLock);

    // The mouse wheel over the rows (delta as the platform gives it, 120 a notch; below 0 down).
    // Without Shift an active selection ends.
    void wheel(int delta, bool shift);
    // The controller list's letter and digit keys (virtual-key codes): the entry each one
    // chooses at once, -1 for other keys.
    static int controllerListEntryForKey(int key);

    // ---- state for drawing ----
    Track* list() const;  // null once the list left the song (the window closes)
    Document& document() const { return doc_; }
    int slot() const { return slot_; }
    // Rows are those shown: events, ghost rows (ghost display on) and the end row.
    int64_t row() const { return cur_.row; }
    int64_t rowCount() const;  // with the end row
    bool atEnd() const;
    bool onGhost() const { return cur_.into > 0; }  // a ghost row: a bar line inside a step
    int column() const { return column_; }
    int64_t cursorTick() const { return cur_.tick; }        // within the list
    int64_t cursorPosition() const;                        // in the song: plus the track's offset
    int64_t cursorMeasure() const { return cur_.measure; }
    int64_t measureStart() const { return cur_.measureStart; }
    // The event of the cursor's row; null on the end row and on a ghost row.
    const Event* cursorEvent() const;
    uint32_t cursorSerial() const { return cursorSerial_; }  // 0 on the end row; a ghost row: the event it lies in
    bool selecting() const { return selecting_; }
    int64_t selectionFirst() const { return selecting_ ? std::min(anchor_, cur_.row) : cur_.row; }
    int64_t selectionLast() const { return selecting_ ? std::max(anchor_, cur_.row) : cur_.row; }
    int inputDigit() const { return inputDigit_; }
    int insertMode() const { return insertMode_; }
    int midiInputMode() const { return midiMode_; }
    int gateRate() const { return gateRate_; }
    bool ghost() const { return ghost_; }
    int charHeight() const { return charHeight_; }
    void setCharHeight(int h);
    const TypedEntry& typed() const { return typed_; }
    const Event& entryTemplate() const { return template_; }
    bool incrementRunOpen() const { return runAction_ != 0; }
    // Visible rows and scrolling (the pane's height in rows).
    void setVisibleRows(int n);
    int64_t firstVisibleRow() const { return firstVisible_; }
    // Where a row lies, found from the cursor (cheap for the rows around it): what a row cursor
    // needs to start painting there. event: the row's event (for a ghost row the one in whose
    // step it lies; end() for the end row); into: ticks into that event's step (above 0 on a
    // ghost row).
    struct RowPlace {
        EventList::const_iterator event;
        int64_t row = 0, into = 0, tick = 0, measure = 0, tickInMeasure = 0;
        bool barLineAbove = false;  // a bar line lies between the row and the one before
    };
    RowPlace placeOfRow(int64_t row) const;

    void documentChanged(const std::vector<DocumentChange>& changes) override;

private:
    // The cursor's place: the event of its row (end() on the end row), how far into that event's
    // step the row lies (above 0: a ghost row on a bar line inside the step), the row number, and
    // the row's tick and measure. Moving keeps the running position, so a move costs the rows
    // it passes, never a walk from the list start.
    struct Spot {
        EventList::iterator it;
        int64_t into = 0, row = 0, tick = 0, measure = 0, measureStart = 0;
    };
    void down(Spot& s) const;
    void up(Spot& s) const;
    void settleForward(Spot& s) const;
    void settleBack(Spot& s) const;
    Spot top() const;

    // cursor
    int32_t measureLength(int64_t measure) const;
    void resetCursorToTop();
    void stepDown();
    void stepUp();
    void moveRows(int64_t n);
    void moveToRow(int64_t row);
    void moveToTick(int64_t tick);
    void noteSerial() { cursorSerial_ = atEnd() ? 0 : cur_.it->serial(); }
    void resync(uint32_t serial, int64_t fallbackRow);
    void cursorMoved();
    void publishLink(int64_t position);
    void scrollToCursor();
    void beginSelection(bool shift);

    EditorRequest dispatch(int code, bool shift);
    void closeRun();

    // typed entry and cells
    EventList::iterator cellTarget() const;
    bool cellKindIs(EventKind k) const;
    bool firstAtItsTick(const Spot& s) const;  // no row above it starts at its tick
    bool onLabel(const Spot& s) const;
    bool cellAcceptsNoteName() const;
    bool dotToSecond() const;
    void commitTyped();
    bool commitValue(int col, int64_t value, bool noteName, bool keepRegister);
    bool storeContent(const Event& content);
    bool storeStep(int32_t step);
    void increment(int code);
    void toRegister();
    void functionKey(int code);
    void tie();

    // entry
    void refreshTemplate();
    int32_t entryGate() const;
    std::vector<std::pair<int, int>> heldKeys() const;
    void enterNotes(const std::vector<std::pair<int, int>>& keys, bool useHeld);
    void overwriteNotes(const std::vector<std::pair<int, int>>& keys);
    void insertEvents(std::vector<Event> events, bool cursorOnFirst);
    void enterAtEndIfPending();
    void returnKey();
    void spaceKey();

    // commands
    std::vector<uint32_t> selectedSerials() const;
    void deleteSelection(bool closeGap);
    void copySelection();
    void paste(int mode);
    void pasteClip(const EventList& clip, PasteMode mode);
    void makePhrase(const std::string& name);
    void listUndo(bool redo);
    EditorRequest tab(bool shift);
    EditorRequest dataEntry(int code);
    void play(int code);
    EditorRequest jumpRequest();
    void changed(std::vector<uint32_t> serials = {});

    Document& doc_;
    Env env_;
    int slot_;
    Track* list_;
    TrackType listType_;
    uint32_t listNumber_;

    Spot cur_;
    mutable int64_t rowCount_ = -1;  // with ghost rows: counted when asked after a change
    int column_ = 0;
    bool selecting_ = false;
    int64_t anchor_ = 0;
    int visibleRows_ = 20;
    int64_t firstVisible_ = 0;

    int inputDigit_ = 0, insertMode_ = 0, midiMode_ = 0, rememberedMidiMode_ = 1, gateRate_ = 100;
    int charHeight_ = 12;
    bool ghost_ = false;
    TypedEntry typed_;
    Event template_;
    std::array<uint8_t, 128> chord_{};
    int runAction_ = 0;  // the increment action of the open run, 0 when none
    size_t runHistorySize_ = 0;  // the song's history after the run's last step
    uint32_t cursorSerial_ = 0;  // the cursor's event, kept apart: a foreign edit may remove it
    bool ownEdit_ = false;
    // The request waiting for its result, and what it acts on.
    EditorRequest::Kind pending_ = EditorRequest::Kind::None;
    uint32_t pendingSerial_ = 0;
    int pendingCode_ = 0;
    std::vector<uint32_t> pendingMap_;  // list entry → command index, phrase or track number
};

}  // namespace tarvio
