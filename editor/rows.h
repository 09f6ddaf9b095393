// The rows of the numerical editor: what each row of a track, the tempo track or a phrase
// shows, as texts placed in character columns with a colour role, ready to be painted with a
// transparent background. No window code: the editor widget only paints these, and tarvio-cli
// prints them.
//
// Rows are produced by a RowCursor walking the list with the running position (measure, tick
// in the measure); a RowIndex keeps a copy of the cursor every so many rows, so that a window
// of rows anywhere in a long list costs a few rows of walking instead of the list up to it.
// Both refer to the list's events: they are valid until the list changes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/event_list.h"
#include "model/musical_time.h"

namespace tarvio {

class Song;
class Track;

namespace rows {

// Character columns of a row and the two origins its texts start from.
constexpr int kRowColumns = 47;  // cells 0..46
constexpr int kLeftOrigin = 0;   // measure and tick
constexpr int kDataOrigin = 11;  // data, step, gate, marks

enum class ColorRole : uint8_t {
    Text,        // notes, tempo, procedure instructions, measure and tick numbers, the overlap mark
    Rest,        // rests, ghost rows, label lines
    Controller,  // controller rows; Row::controller picks the colour of the number
    Call,        // phrase calls and clones
    Command,     // command rows, "Procedure [...]" included
    Program,
    Pressure,    // channel and poly pressure
    PitchBend,
    Exclusive,
    Plugin,      // plug-in switch and parameter rows
    Comment,
    StepGate,    // step and gate numbers
    LowDigit,    // digits below the input digit, the zero-step mark
};

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
// The editor's default colours.
Rgb defaultColor(ColorRole role);
constexpr Rgb kBackgroundColor{0, 0, 0};
constexpr Rgb kBarLineColor{172, 192, 172};
constexpr Rgb kCursorBarColor{0, 64, 128};     // insert mode 0
constexpr Rgb kCursorInsertColor{127, 64, 0};  // insert modes 1 and 2

// One text of a row, drawn from its column. Texts are padded with leading spaces as the row
// layout gives them; spaces paint nothing, so a later text shows through an earlier one's gaps.
struct RowText {
    int8_t column = 0;
    ColorRole role = ColorRole::Text;
    uint8_t size = 0;
    char bytes[100];  // UTF-8; comments and names may hold wide characters
    std::string_view text() const { return {bytes, size}; }
};

enum class RowKind : uint8_t {
    Event,  // one event of the list
    Ghost,  // a bar line inside an event's step (ghost display on)
    End,    // after the last event: where appended events go; it shows nothing
};

struct Row {
    RowKind kind = RowKind::End;
    // The event of the row and its kind; for a ghost row the event in whose step it lies; 0 and
    // None for the end row.
    uint32_t serial = 0;
    EventKind eventKind = EventKind::None;
    int64_t tick = 0;           // start of the row in the list
    int32_t measure = 0;        // measure index, from 0
    int32_t tickInMeasure = 0;
    int32_t step = 0;           // the step as shown: up to the next row when ghosts are on
    bool barLineAbove = false;  // a bar-line separator is drawn between this row and the one before
    bool firstOfMeasure = false;
    int controller = -1;        // controller number of a Control row
    std::vector<RowText> texts;
};

// What the row texts are made from. The song (required) gives the measures, the command table
// and the phrase names; the list (required) is one of its tracks, its tempo track or one of its
// phrases (which is one measure as long as its phrase length).
struct RowSource {
    const Song* song = nullptr;
    const Track* list = nullptr;
    const std::array<std::string, 128>* controllerNames = nullptr;  // null: every name empty
};

struct RowOptions {
    bool ghost = false;   // ghost rows at bar lines that fall inside a step
    int inputDigit = 0;   // 0..4: digits of tick, step and gate below 10^k are set apart
};

// A position in the rows, moved forward one row at a time. Copying one is cheap: it is the
// running position, not a list of rows.
class RowCursor {
public:
    RowCursor(const RowSource& source, RowOptions options);  // at the first row
    // On a row whose running position is already known (the editor's cursor keeps it), so that
    // a screen of rows anywhere costs no walk from the list start. at: the row's event (for a
    // ghost row the one in whose step it lies); into: ticks into that step (above 0: a ghost
    // row); index: the row number to count on from; barLineAbove: a bar line lies between the
    // row and the one before.
    static RowCursor startingAt(const RowSource& source, RowOptions options, EventList::const_iterator at,
                                int64_t into, int64_t index, int64_t tick, int64_t measure,
                                int64_t tickInMeasure, bool barLineAbove);

    int64_t index() const { return index_; }
    bool atEnd() const { return it_ == list().end(); }
    RowKind kind() const;
    const Event* event() const { return atEnd() ? nullptr : &*it_; }
    EventList::const_iterator position() const { return it_; }
    int64_t tick() const { return tick_; }
    int32_t measure() const { return int32_t(measure_); }
    int32_t tickInMeasure() const { return int32_t(pos_); }
    // Measure, beat and tick in the beat of the row's start, each from 0 (a phrase: measure 0,
    // beat 0 and the tick itself).
    MusicalPosition musicalPosition() const;
    bool barLineAbove() const { return barAbove_; }
    bool firstOfMeasure() const { return barAbove_ || index_ == 0; }
    int32_t shownStep() const;

    void next();  // to the following row; stays on the end row
    // The current row with its texts. The overload reuses the row's text storage.
    Row row() const;
    void fill(Row& out) const;

private:
    const EventList& list() const;
    int64_t measureLength() const;
    void enterMeasure();  // loads the length of measure_ and where it may next change
    bool settle();        // moves on past the bar lines that pos_ has reached
    int64_t eventStep() const;

    RowSource source_;
    RowOptions options_;
    bool sortedBeats_ = true;  // the song's signature list is ascending, as it is kept
    size_t beat_ = 0;          // in a sorted list: the first entry after the current measure
    EventList::const_iterator it_;
    int64_t into_ = 0;  // ticks into the event's step where this row starts (ghost rows)
    int64_t tick_ = 0;
    int64_t measure_ = 0;
    int64_t pos_ = 0;  // ticks into the measure
    int64_t length_ = 0;
    int64_t beatLength_ = 0;
    int64_t nextChange_ = 0;
    int64_t index_ = 0;
    bool barAbove_ = false;
    friend class RowIndex;
};

// The rows of a list with a cursor kept every `spacing` rows. Building walks the list once.
class RowIndex {
public:
    RowIndex(const RowSource& source, RowOptions options, int spacing = 128);
    RowIndex(const RowIndex&) = delete;
    RowIndex& operator=(const RowIndex&) = delete;

    // Rows of events and ghosts; the end row is row rowCount().
    int64_t rowCount() const { return count_; }
    // A cursor at row (clamped to 0..rowCount()).
    RowCursor at(int64_t row) const;
    // Up to count rows from first (the end row included when reached).
    std::vector<Row> rows(int64_t first, int count) const;
    // The row of an event, -1 when it is not in the list.
    int64_t rowOf(uint32_t serial) const;
    // The first row starting at tick, else the last row starting before it (the end row past
    // the end of the list).
    int64_t rowAtTick(int64_t tick) const;

private:
    std::vector<RowCursor> marks_;
    int spacing_;
    int64_t count_ = 0;
};

// The character cells of a row as they appear, text over text, trailing spaces removed; wide
// characters fill two cells. Appended to out.
void appendCells(const Row& row, std::string& out);
std::string cells(const Row& row);

// "C 4" for key 60, "C -1" for key 0.
std::string noteName(int key);

}  // namespace rows
}  // namespace tarvio
