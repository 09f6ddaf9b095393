// The numerical editor's key map: for every virtual-key code 0..255 and modifier state 0..7
// an editor action code (0 = unassigned), its built-in bindings, the display names of keys and
// actions, and the stored form of "keymap.dat" (also the tail of "tarvio.dat").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvio {

// Modifier state: 4 for Shift + 2 for Ctrl + 1 for Alt.
constexpr int kModShift = 4;
constexpr int kModCtrl = 2;
constexpr int kModAlt = 1;
constexpr int kKeyCodeCount = 256;
constexpr int kModifierStates = 8;

enum EditorAction : int32_t {
    kActNone = 0,
    kActEscape = 1,
    kActReturn = 2,
    kActSpace = 3,
    kActTab = 4,
    kActUp = 10,
    kActDown = 11,
    kActLeft = 12,
    kActRight = 13,
    kActPageUp = 20,
    kActPageDown = 21,
    kActPageUp10 = 22,
    kActPageDown10 = 23,
    kActPrevMeasure = 24,
    kActNextMeasure = 25,
    kActTop = 26,
    kActEnd = 27,
    kActJump = 30,
    kActDigitUp = 40,
    kActDigitDown = 41,
    kActGatePlus1 = 50,
    kActGateMinus1 = 51,
    kActGatePlus10 = 52,
    kActGateMinus10 = 53,
    kActInc1 = 60,
    kActInc10 = 61,
    kActInc100 = 62,
    kActInc1000 = 63,
    kActDec1 = 65,
    kActDec10 = 66,
    kActDec100 = 67,
    kActDec1000 = 68,
    kActF1 = 101,            // ..112: F1..F12
    kActShiftF1 = 121,       // ..132
    kActCtrlF1 = 141,        // ..152
    kActShiftCtrlF1 = 161,   // ..172
    kActDelete = 200,
    kActErase = 201,
    kActBackDelete = 202,
    kActCopy = 210,
    kActCut = 211,
    kActPaste = 212,
    kActPasteMix = 213,
    kActPasteReplace = 214,
    kActSelectAll = 220,
    kActShift = 300,
    kActCompress = 301,
    kActQuantize = 302,
    kActControlCurve = 303,
    kActSearch = 304,
    kActSort = 305,
    kActUndo = 400,
    kActRedo = 401,
    kActInsertController = 500,
    kActInsertProcedure = 501,
    kActInsertPhrase = 502,
    kActInsertCommand = 503,
    kActInsertExclusive = 504,
    kActInsertClone = 505,
    kActInsertComment = 506,
    kActInsertLabel = 507,
    kActMakePhrase = 600,
    kActSaveSelection = 601,
    kActLoadPhrase = 602,
    kActPointPlayMeasure = 700,
    kActPointPlayHere = 701,
    kActSoloPreviewMeasure = 702,
    kActSoloPreviewHere = 703,
    kActMeasurePlayMeasure = 704,
    kActMeasurePlayHere = 705,
    kActPointRecordMeasure = 706,
    kActPointRecordHere = 707,
    kActPointMixRecordMeasure = 708,
    kActPointMixRecordHere = 709,
    kActPlayStop = 710,
    kActHearNote = 711,
    kActHearChord = 712,
    kActInsertMode = 800,
    kActMidiInputNext = 801,
    kActMidiInputOff = 802,  // ..808: OFF, NOTE, VEL, MONO, MVEL, POLY, PVEL
    kActMidiInputOnOff = 809,
    kActGhost = 850,
    kActBendRange = 900,
    kActGridEditor = 901,
    kActToRegister = 902,
    kActBankSet = 1000,
    kActPort = 1001,
    kActChannel = 1002,
};

struct ActionName {
    int32_t code;
    const char* name;  // UTF-8
};
// Every action in code order (the key dialog's drop-down list), "未定義" first.
std::span<const ActionName> actionNames();
// The name of an action code; nullptr for a code without one.
const char* actionName(int32_t code);
// The display name of a virtual-key code; nullptr for a key that has none (it cannot be chosen
// in the key dialog).
const char* keyName(int key);

// The keymap.dat form: i32 format 2, i32 byte count, then per key the eight states' codes.
constexpr int32_t kKeyMapFormat = 2;
constexpr int32_t kKeyMapTableBytes = kKeyCodeCount * kModifierStates * 4;
constexpr size_t kKeyMapFileBytes = 8 + size_t(kKeyMapTableBytes);

class KeyMap {
public:
    // The built-in bindings.
    KeyMap();
    // 0 for a key or state out of range.
    int32_t action(int key, int state) const;
    // Ignored out of range.
    void set(int key, int state, int32_t action);
    void clear() { codes_.fill(kActNone); }
    bool operator==(const KeyMap&) const = default;

    // Appends the keymap.dat form.
    void serialize(std::vector<uint8_t>& out) const;
    // Reads the keymap.dat form. A table of another format, or one that ends early, leaves the
    // map unchanged (a half-read map would scatter the user's keys among the defaults); false
    // then.
    bool parse(const uint8_t* data, size_t size);

private:
    std::array<int32_t, kKeyCodeCount * kModifierStates> codes_{};
};

}  // namespace tarvio
