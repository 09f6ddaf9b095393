// Search and sort over a range of one list. A search request is one line of text, the script:
//   [/d | /c | /t | /m ] TYPE[:NEWTYPE] , DATA[:EXPR] , STEP[:EXPR] , GATE[:EXPR] , VEL[:EXPR]
// It selects the events of the range whose type and four values match, then deletes, copies,
// cuts, converts (no prefix) or mixes them. Sort reorders the notes of a range.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/event_list.h"

namespace tarvio {

class Song;
class Track;

enum class SearchAction { Delete, Copy, Cut, Convert, Mix };
// In the dialog's order: "All", "Note", "Pitch", "Ch.Press", "Key.Press", "CC", "Procedure".
enum class SearchType { All, Note, Pitch, ChPress, KeyPress, CC, Procedure };
// The four value fields of an event. Data and Vel are the first and the last value the editor
// shows: key and velocity of a note, controller number and value, pressure key and value,
// channel pressure (Data only), pitch bend as -8192..8191 (Data only), Command parameters 1
// and 2. A field an event does not have reads as 0 and is never written.
enum SearchField { kData = 0, kStep = 1, kGate = 2, kVel = 3 };
inline constexpr int kSearchFields = 4;

// The dialog's fields as text, so that the script can be rebuilt from them when one changes
// and they can be refilled from a typed script.
struct SearchForm {
    SearchAction action = SearchAction::Convert;
    SearchType type = SearchType::All;
    std::optional<SearchType> newType;       // convert and mix; never All
    std::array<std::string, 4> conditions;   // by SearchField; a Data text "007[Volume]" counts up to "["
    std::array<std::string, 4> expressions;  // convert and mix; empty: the field stays
};

// The script for the form: conversions appear only for convert and mix.
std::string formatSearchScript(const SearchForm& form);
// Splits a script into the form's fields; false with a reason when it cannot be split or
// one of its parts is invalid.
bool parseSearchForm(std::string_view script, SearchForm& form, std::string& err);

struct SearchCondition {
    static constexpr int64_t kAny = 268435455;
    int64_t low = -kAny, high = kAny;
    bool negate = false;
    bool matches(int64_t v) const { return (v >= low && v <= high) != negate; }
};
bool parseCondition(std::string_view text, SearchCondition& out, std::string& err);

// A term ($k/$0 data, $s/$1 step, $g/$2 gate, $v/$3 velocity, or a number) followed by
// operator-number pairs, evaluated left to right in double precision.
struct SearchExpression {
    int variable = -1;  // SearchField, or -1 for the number
    double number = 0;
    std::vector<std::pair<char, double>> ops;
    double evaluate(const std::array<int64_t, 4>& values) const;
};
bool parseExpression(std::string_view text, SearchExpression& out, std::string& err);

struct SearchScript {
    SearchAction action = SearchAction::Convert;
    SearchType type = SearchType::All;
    std::optional<SearchType> newType;
    std::array<SearchCondition, 4> conditions;
    std::array<std::optional<SearchExpression>, 4> expressions;
};
bool compileSearch(const SearchForm& form, SearchScript& out, std::string& err);
bool parseSearchScript(std::string_view script, SearchScript& out, std::string& err);

// The event's four fields as the search sees them.
std::array<int64_t, 4> searchValues(const Event& e);
bool searchSelects(const SearchScript& s, const Event& e);

struct SearchResult {
    int selected = 0;
    // Copy and cut: the selected events as one list, led by a rest from the range start to the
    // first of them, each step reaching the next one and the last reaching the range end (or
    // the list's end). Empty when nothing was selected.
    EventList copied;
};

// Runs the script on the events starting in [start, end) of the track's list: one pass, one
// undo group (none for copy or when nothing is selected). Delete keeps the ticks of the other
// events. Convert changes the selected events in place (a new type makes an event of that
// type); mix puts each converted copy right after its original. A converted step is a step
// change: the events after it move with it. Ranges apply to the field of the resulting kind
// (data and velocity 0..127, pitch bend -8192..8191, gate 1..65535, step 0 and above).
SearchResult runSearch(Song& song, Track& track, const SearchScript& script, int64_t start, int64_t end);
// Parses and runs; an invalid script changes nothing and returns false with the reason.
bool runSearch(Song& song, Track& track, std::string_view script, int64_t start, int64_t end, SearchResult& result,
               std::string& err);

// rand()-style numbers 0..32767 from the classic linear congruential recurrence; seedable.
class SearchRandom {
public:
    explicit SearchRandom(uint32_t seed = 1) : state_(seed) {}
    int next() {
        state_ = state_ * 1103515245u + 12345u;
        return int((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

enum class SortOrder { Ascending, Descending, Shuffle };

// Reorders the sounding notes that start in [start, end): positions and steps stay, the
// notes' contents (key, velocity, gate) move between them. Ascending and descending give what
// a selection sort picking the first smallest (largest) key and exchanging gives; shuffle
// takes r = rand() mod (notes left) and exchanges the note at i with the one r - 1 places after
// it (none for r = 0). Rests keep their places. One undo group; returns the notes changed.
int sortNotes(Song& song, Track& track, int64_t start, int64_t end, SortOrder order, SearchRandom& random);

}  // namespace tarvio
