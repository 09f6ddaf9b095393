// What the editor's small dialogs decide, without a widget: the keys of the controller list,
// the bank and program list of a track's bank set, the jump dialog's fields, the plug-in
// parameter rows and their edits, and the length limits of the text dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/definitions.h"
#include "app/dialog_ranges.h"
#include "editor/numeric_editor.h"
#include "model/event.h"

namespace tarvio {

class Song;

// The controller list's one-key choices (a virtual key, top row or keypad digits alike): the
// list row the key chooses, -1 for a key without one. G or O ProgramChange, P PitchBend, 5 or M
// controller 1, B 2, F 4, 6 or V 7, 7 10, 8 or E 11, 9 or D 64, R 71, C 74.
int controllerListShortcut(int virtualKey);

// The list dialogs: their window titles and whether a key chooses at once.
const char* entryListTitle(EditorRequest::Kind kind);

// The banks of a bank set and the programs of each, for the program list.
struct ProgramChoices {
    struct BankRow {
        std::string text;  // "name  (MSB:LSB)"
        uint8_t msb = 0, lsb = 0;
        const Bank* bank = nullptr;  // null: a bank select the set does not name
    };
    std::vector<BankRow> banks;
    // "%03d name" for programs 0..127 of a bank row (names empty for a bank the set lacks).
    std::vector<std::string> programs(int bankRow) const;
    // The first row with that bank select, -1 when none.
    int rowOf(uint8_t msb, uint8_t lsb) const;
};
// The banks of the set named setName (none when there is no such set); a bank select the set
// does not name (current msb, lsb) gets a row of its own at the end, so that it stays shown.
ProgramChoices programChoices(const std::vector<BankSet>& sets, const std::string& setName, uint8_t msb, uint8_t lsb);

// The jump dialog: "Meas" counted from 1, "Tick" within the measure.
struct JumpRanges {
    static constexpr FieldRange measure{true, 1, 999999};
    static constexpr FieldRange tick{true, 0, 999999};
};
// "%d  name" per track (counted from 1 in list order, as Shift+digit counts them).
std::vector<std::string> jumpTrackTexts(const std::vector<std::string>& names);
// The number of the track at a row of the song's list; 0 when the row is out of range.
uint32_t trackNumberAt(const Song& song, int row);

// The plug-in parameter list: "Param", "Value", "Type".
struct ParameterRow {
    std::string name, value, type;  // value "%d" or "%f"; type "number" or "float"
};
std::vector<ParameterRow> parameterRows(const ParameterBlock& block);
// A value typed into a row, clamped into the record's minimum..maximum; false (nothing
// changes) for a row out of range or text that is not a number.
bool setParameterText(ParameterBlock& block, int row, std::string_view text);

// The byte limit of a text dialog's text (0: none): a comment holds 32 bytes.
size_t textLimit(EditorRequest::Kind kind);
// The text cut to at most maxBytes bytes without splitting a UTF-8 character.
std::string cutUtf8(std::string_view text, size_t maxBytes);

}  // namespace tarvio
