#include "app/keymap.h"

#include <algorithm>

#include "app/texts.h"
#include "model/event.h"

namespace tarvio {

namespace {

// Virtual-key codes of the keys the bindings name.
enum : int {
    kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkEscape = 0x1B, kVkSpace = 0x20,
    kVkPrior = 0x21, kVkNext = 0x22, kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28,
    kVkInsert = 0x2D, kVkDelete = 0x2E, kVkMultiply = 0x6A, kVkF1 = 0x70, kVkColon = 0xBA, kVkComma = 0xBC,
    kVkPeriod = 0xBE, kVkSlash = 0xBF, kVkGrave = 0xC0, kVkOpenBracket = 0xDB, kVkYen = 0xDC,
    kVkCloseBracket = 0xDD, kVkBackslash = 0xE2,
};
constexpr int kS = kModShift, kC = kModCtrl, kA = kModAlt, kSC = kModShift | kModCtrl;

// The texts the key dialog shows, in code order (translated there in context "EditorAction").
constexpr ActionName kFixedNames[] = {
    {0, QT_TRANSLATE_NOOP("EditorAction", "未定義")},
    {1, QT_TRANSLATE_NOOP("EditorAction", "エスケープ")},
    {2, QT_TRANSLATE_NOOP("EditorAction", "リターン")},
    {3, QT_TRANSLATE_NOOP("EditorAction", "スペース")},
    {4, QT_TRANSLATE_NOOP("EditorAction", "タブ")},
    {10, QT_TRANSLATE_NOOP("EditorAction", "カーソル上移動")},
    {11, QT_TRANSLATE_NOOP("EditorAction", "カーソル下移動")},
    {12, QT_TRANSLATE_NOOP("EditorAction", "カーソル左移動")},
    {13, QT_TRANSLATE_NOOP("EditorAction", "カーソル右移動")},
    {20, QT_TRANSLATE_NOOP("EditorAction", "上ページ移動")},
    {21, QT_TRANSLATE_NOOP("EditorAction", "下ページ移動")},
    {22, QT_TRANSLATE_NOOP("EditorAction", "上ページ移動 x10")},
    {23, QT_TRANSLATE_NOOP("EditorAction", "下ページ移動 x10")},
    {24, QT_TRANSLATE_NOOP("EditorAction", "前小節へ移動")},
    {25, QT_TRANSLATE_NOOP("EditorAction", "次小節へ移動")},
    {26, QT_TRANSLATE_NOOP("EditorAction", "先頭へ移動")},
    {27, QT_TRANSLATE_NOOP("EditorAction", "末尾へ移動")},
    {30, QT_TRANSLATE_NOOP("EditorAction", "ジャンプ")},
    {40, QT_TRANSLATE_NOOP("EditorAction", "入力桁を上げる")},
    {41, QT_TRANSLATE_NOOP("EditorAction", "入力桁を下げる")},
    {50, QT_TRANSLATE_NOOP("EditorAction", "ゲート1増加")},
    {51, QT_TRANSLATE_NOOP("EditorAction", "ゲート1減少")},
    {52, QT_TRANSLATE_NOOP("EditorAction", "ゲート10増加")},
    {53, QT_TRANSLATE_NOOP("EditorAction", "ゲート10減少")},
    {60, QT_TRANSLATE_NOOP("EditorAction", "インクリメント +1")},
    {61, QT_TRANSLATE_NOOP("EditorAction", "インクリメント +10 / oct")},
    {62, QT_TRANSLATE_NOOP("EditorAction", "インクリメント +100")},
    {63, QT_TRANSLATE_NOOP("EditorAction", "インクリメント +1000")},
    {65, QT_TRANSLATE_NOOP("EditorAction", "ディクリメント -1")},
    {66, QT_TRANSLATE_NOOP("EditorAction", "ディクリメント -10 / oct")},
    {67, QT_TRANSLATE_NOOP("EditorAction", "ディクリメント -100")},
    {68, QT_TRANSLATE_NOOP("EditorAction", "ディクリメント -1000")},
    {101, "F1"}, {102, "F2"}, {103, "F3"}, {104, "F4"}, {105, "F5"}, {106, "F6"},
    {107, "F7"}, {108, "F8"}, {109, "F9"}, {110, "F10"}, {111, "F11"}, {112, "F12"},
    {121, "Shift + F1"}, {122, "Shift + F2"}, {123, "Shift + F3"}, {124, "Shift + F4"}, {125, "Shift + F5"}, {126, "Shift + F6"},
    {127, "Shift + F7"}, {128, "Shift + F8"}, {129, "Shift + F9"}, {130, "Shift + F10"}, {131, "Shift + F11"}, {132, "Shift + F12"},
    {141, "Ctrl + F1"}, {142, "Ctrl + F2"}, {143, "Ctrl + F3"}, {144, "Ctrl + F4"}, {145, "Ctrl + F5"}, {146, "Ctrl + F6"},
    {147, "Ctrl + F7"}, {148, "Ctrl + F8"}, {149, "Ctrl + F9"}, {150, "Ctrl + F10"}, {151, "Ctrl + F11"}, {152, "Ctrl + F12"},
    {161, "Shift + Ctrl + F1"}, {162, "Shift + Ctrl + F2"}, {163, "Shift + Ctrl + F3"}, {164, "Shift + Ctrl + F4"}, {165, "Shift + Ctrl + F5"}, {166, "Shift + Ctrl + F6"},
    {167, "Shift + Ctrl + F7"}, {168, "Shift + Ctrl + F8"}, {169, "Shift + Ctrl + F9"}, {170, "Shift + Ctrl + F10"}, {171, "Shift + Ctrl + F11"}, {172, "Shift + Ctrl + F12"},
    {200, QT_TRANSLATE_NOOP("EditorAction", "削除")},
    {201, QT_TRANSLATE_NOOP("EditorAction", "消去")},
    {202, QT_TRANSLATE_NOOP("EditorAction", "後方削除")},
    {210, QT_TRANSLATE_NOOP("EditorAction", "コピー")},
    {211, QT_TRANSLATE_NOOP("EditorAction", "カット")},
    {212, QT_TRANSLATE_NOOP("EditorAction", "貼り付け")},
    {213, QT_TRANSLATE_NOOP("EditorAction", "貼り付け(ミックス)")},
    {214, QT_TRANSLATE_NOOP("EditorAction", "貼り付け(置き換え)")},
    {220, QT_TRANSLATE_NOOP("EditorAction", "全て選択")},
    {300, QT_TRANSLATE_NOOP("EditorAction", "シフト")},
    {301, QT_TRANSLATE_NOOP("EditorAction", "コンプレス/エキスパンド")},
    {302, QT_TRANSLATE_NOOP("EditorAction", "クォンタイズ")},
    {303, QT_TRANSLATE_NOOP("EditorAction", "コントロールカーブ")},
    {304, QT_TRANSLATE_NOOP("EditorAction", "サーチ")},
    {305, QT_TRANSLATE_NOOP("EditorAction", "ソート")},
    {400, QT_TRANSLATE_NOOP("EditorAction", "元に戻す(アンドゥ)")},
    {401, QT_TRANSLATE_NOOP("EditorAction", "やり直す(リドゥ)")},
    {500, QT_TRANSLATE_NOOP("EditorAction", "コントローラ挿入")},
    {501, QT_TRANSLATE_NOOP("EditorAction", "プロシージャ挿入")},
    {502, QT_TRANSLATE_NOOP("EditorAction", "フレーズ挿入")},
    {503, QT_TRANSLATE_NOOP("EditorAction", "コマンド挿入")},
    {504, QT_TRANSLATE_NOOP("EditorAction", "エクスクルーシブ挿入")},
    {505, QT_TRANSLATE_NOOP("EditorAction", "クローン挿入")},
    {506, QT_TRANSLATE_NOOP("EditorAction", "コメント挿入")},
    {507, QT_TRANSLATE_NOOP("EditorAction", "ラベル挿入")},
    {600, QT_TRANSLATE_NOOP("EditorAction", "選択範囲のフレーズ化")},
    {601, QT_TRANSLATE_NOOP("EditorAction", "選択範囲のファイル保存")},
    {602, QT_TRANSLATE_NOOP("EditorAction", "ファイルからフレーズ読み込み")},
    {700, QT_TRANSLATE_NOOP("EditorAction", "ポイントプレイ(小節先頭から)")},
    {701, QT_TRANSLATE_NOOP("EditorAction", "ポイントプレイ(現在位置から)")},
    {702, QT_TRANSLATE_NOOP("EditorAction", "ソロプレビュー(小節先頭から)")},
    {703, QT_TRANSLATE_NOOP("EditorAction", "ソロプレビュー(現在位置から)")},
    {704, QT_TRANSLATE_NOOP("EditorAction", "メジャープレイ(小節先頭から)")},
    {705, QT_TRANSLATE_NOOP("EditorAction", "メジャープレイ(現在位置から)")},
    {706, QT_TRANSLATE_NOOP("EditorAction", "ポイントレコーディング(小節先頭から)")},
    {707, QT_TRANSLATE_NOOP("EditorAction", "ポイントレコーディング(現在位置から)")},
    {708, QT_TRANSLATE_NOOP("EditorAction", "ポイントミックスレコーディング(小節先頭から)")},
    {709, QT_TRANSLATE_NOOP("EditorAction", "ポイントミックスレコーディング(現在位置から)")},
    {710, QT_TRANSLATE_NOOP("EditorAction", "プレイ(再生/停止の切り替え)")},
    {711, QT_TRANSLATE_NOOP("EditorAction", "カーソル位置のノートを確認")},
    {712, QT_TRANSLATE_NOOP("EditorAction", "カーソル位置の和音を確認")},
    {800, QT_TRANSLATE_NOOP("EditorAction", "インサートモード変更")},
    {801, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード変更")},
    {802, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(OFF)")},
    {803, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(NOTE)")},
    {804, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(VEL)")},
    {805, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(MONO)")},
    {806, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(MVEL)")},
    {807, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(POLY)")},
    {808, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード(PVEL)")},
    {809, QT_TRANSLATE_NOOP("EditorAction", "MIDI入力モード ON/OFF")},
    {850, QT_TRANSLATE_NOOP("EditorAction", "ゴーストノート表示切替え")},
    {900, QT_TRANSLATE_NOOP("EditorAction", "入力ピッチベンドレンジ設定")},
    {901, QT_TRANSLATE_NOOP("EditorAction", "グリッドエディタ起動")},
    {902, QT_TRANSLATE_NOOP("EditorAction", "変数化")},
    {1000, QT_TRANSLATE_NOOP("EditorAction", "バンクセット変更")},
    {1001, QT_TRANSLATE_NOOP("EditorAction", "ポート変更")},
    {1002, QT_TRANSLATE_NOOP("EditorAction", "チャンネル変更")},
};

struct Binding {
    int key;
    int state;
    int32_t action;
};

// The built-in bindings. Esc, Return, Tab and Backspace are also fixed by the editor, which
// overrides the map for them; Backspace is bound to erase here and to back-delete there.
constexpr Binding kDefaults[] = {
    {kVkEscape, 0, kActEscape}, {kVkReturn, 0, kActReturn}, {kVkSpace, 0, kActSpace}, {kVkTab, 0, kActTab},
    {kVkUp, 0, kActUp}, {kVkUp, kS, kActUp}, {kVkDown, 0, kActDown}, {kVkDown, kS, kActDown},
    {kVkLeft, 0, kActLeft}, {kVkRight, 0, kActRight},
    {kVkComma, 0, kActPageUp}, {kVkComma, kS, kActPageUp}, {kVkPeriod, 0, kActPageDown}, {kVkPeriod, kS, kActPageDown},
    {kVkComma, kC, kActPageUp10}, {kVkComma, kSC, kActPageUp10},
    {kVkPeriod, kC, kActPageDown10}, {kVkPeriod, kSC, kActPageDown10},
    {kVkUp, kC, kActPrevMeasure}, {kVkUp, kSC, kActPrevMeasure},
    {kVkDown, kC, kActNextMeasure}, {kVkDown, kSC, kActNextMeasure},
    {kVkUp, kA, kActTop}, {kVkDown, kA, kActEnd}, {kVkColon, 0, kActJump}, {kVkMultiply, 0, kActJump},  // the jump command names both
    {kVkLeft, kS, kActDigitUp}, {kVkRight, kS, kActDigitDown},
    {kVkRight, kC, kActGatePlus1}, {kVkLeft, kC, kActGateMinus1},
    {kVkRight, kSC, kActGatePlus10}, {kVkLeft, kSC, kActGateMinus10},
    {kVkPrior, 0, kActInc1}, {kVkPrior, kS, kActInc10}, {kVkPrior, kC, kActInc100}, {kVkPrior, kSC, kActInc1000},
    {kVkNext, 0, kActDec1}, {kVkNext, kS, kActDec10}, {kVkNext, kC, kActDec100}, {kVkNext, kSC, kActDec1000},
    {kVkDelete, 0, kActDelete}, {kVkDelete, kS, kActErase}, {kVkBack, 0, kActErase},
    {'C', kC, kActCopy}, {'K', kS, kActCopy}, {'K', 0, kActCut}, {'X', kC, kActCut},
    {'Y', 0, kActPaste}, {'V', kC, kActPaste}, {'Y', kS, kActPasteMix}, {'V', kSC, kActPasteMix},
    {kVkInsert, kSC, kActPasteReplace}, {'A', kC, kActSelectAll},
    {'T', 0, kActShift}, {'X', 0, kActCompress}, {'Q', 0, kActQuantize}, {'Z', 0, kActControlCurve},
    {'H', 0, kActSearch}, {'O', 0, kActSort}, {'Z', kC, kActUndo}, {'Y', kC, kActRedo}, {'Z', kSC, kActRedo},
    {kVkSlash, 0, kActInsertController}, {kVkBackslash, 0, kActInsertProcedure},
    {kVkCloseBracket, 0, kActInsertPhrase}, {kVkOpenBracket, 0, kActInsertCommand},
    {kVkYen, kS, kActInsertExclusive}, {kVkYen, 0, kActInsertClone}, {kVkGrave, 0, kActInsertComment},
    {kVkColon, kS, kActInsertLabel},
    {'S', kS, kActMakePhrase}, {'S', 0, kActSaveSelection}, {'L', 0, kActLoadPhrase},
    {'P', 0, kActPointPlayMeasure}, {'P', kS, kActPointPlayHere},
    {'J', 0, kActSoloPreviewMeasure}, {'J', kS, kActSoloPreviewHere},
    {'M', 0, kActMeasurePlayMeasure}, {'M', kS, kActMeasurePlayHere},
    {'R', 0, kActPointRecordMeasure}, {'R', kS, kActPointRecordHere},
    {'R', kC, kActPointMixRecordMeasure}, {'R', kSC, kActPointMixRecordHere},
    {kVkSpace, kS, kActHearNote}, {kVkSpace, kC, kActHearChord},
    {kVkInsert, 0, kActInsertMode}, {'M', kC, kActMidiInputNext}, {'M', kA, kActMidiInputOnOff},
    {'G', kC, kActGhost}, {'B', kC, kActBendRange}, {'N', 0, kActGridEditor}, {'V', 0, kActToRegister},
    {'B', kA, kActBankSet}, {'P', kA, kActPort}, {'C', kA, kActChannel},
};

const char* const kLetterNames[26] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                      "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
const char* const kFkeyNames[12] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};

}  // namespace

std::span<const ActionName> actionNames() { return kFixedNames; }

const char* actionName(int32_t code) {
    auto it = std::lower_bound(std::begin(kFixedNames), std::end(kFixedNames), code,
                               [](const ActionName& a, int32_t c) { return a.code < c; });
    return it != std::end(kFixedNames) && it->code == code ? it->name : nullptr;
}

const char* keyName(int key) {
    if (key >= 'A' && key <= 'Z') return kLetterNames[key - 'A'];
    if (key >= kVkF1 && key < kVkF1 + 12) return kFkeyNames[key - kVkF1];
    switch (key) {
        case kVkSpace: return "SPACE";
        case kVkPrior: return "PAGEUP";
        case kVkNext: return "PAGEDOWN";
        case kVkLeft: return "LEFT";
        case kVkUp: return "UP";
        case kVkRight: return "RIGHT";
        case kVkDown: return "DOWN";
        case kVkInsert: return "INS";
        case kVkDelete: return "DEL";
        case 0x6A: return "NUM*";
        case 0x6B: return "NUM+";
        case 0x6D: return "NUM-";
        case 0x6E: return "NUM.";
        case 0x6F: return "NUM/";
        case kVkColon: return ":";
        case 0xBB: return ";";
        case kVkComma: return ",";
        case 0xBD: return "-";
        case kVkPeriod: return ".";
        case kVkSlash: return "SLASH";
        case kVkOpenBracket: return "[";
        case kVkYen: return "\\";
        case kVkCloseBracket: return "]";
        case kVkBackslash: return "BACKSLASH";
        default: return nullptr;
    }
}

KeyMap::KeyMap() {
    for (const Binding& b : kDefaults) set(b.key, b.state, b.action);
    // The function keys: each modifier row has its own block of twelve actions.
    const int rows[4][2] = {{0, kActF1}, {kS, kActShiftF1}, {kC, kActCtrlF1}, {kSC, kActShiftCtrlF1}};
    for (const auto& row : rows)
        for (int k = 0; k < 12; ++k) set(kVkF1 + k, row[0], row[1] + k);
}

int32_t KeyMap::action(int key, int state) const {
    if (key < 0 || key >= kKeyCodeCount || state < 0 || state >= kModifierStates) return kActNone;
    return codes_[size_t(key * kModifierStates + state)];
}

void KeyMap::set(int key, int state, int32_t action) {
    if (key < 0 || key >= kKeyCodeCount || state < 0 || state >= kModifierStates) return;
    codes_[size_t(key * kModifierStates + state)] = action;
}

void KeyMap::serialize(std::vector<uint8_t>& out) const {
    ByteWriter w{out};
    w.i32(kKeyMapFormat);
    w.i32(kKeyMapTableBytes);
    for (int32_t c : codes_) w.i32(c);
}

bool KeyMap::parse(const uint8_t* data, size_t size) {
    ByteReader r(data, size);
    int32_t format = 0, count = 0;
    // Another format is skipped by its byte count; nothing follows it in the file, so
    // skipping leaves nothing more to do.
    if (!r.i32(format) || !r.i32(count) || format != kKeyMapFormat) return false;
    if (r.remaining() < size_t(kKeyMapTableBytes)) return false;
    for (int32_t& c : codes_) r.i32(c);
    return true;
}

}  // namespace tarvio
