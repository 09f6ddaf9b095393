#include "app/ui/virtual_keys.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace tarvio {

namespace {

constexpr KeyPosition kPositions[] = {
    {10, 0x02, '1', "1", "1"}, {11, 0x03, '2', "2", "2"}, {12, 0x04, '3', "3", "3"},
    {13, 0x05, '4', "4", "4"}, {14, 0x06, '5', "5", "5"}, {15, 0x07, '6', "6", "6"},
    {16, 0x08, '7', "7", "7"}, {17, 0x09, '8', "8", "8"}, {18, 0x0A, '9', "9", "9"},
    {19, 0x0B, '0', "0", "0"},
    {20, 0x0C, 0xBD, "-", "-"},
    {21, 0x0D, 0xDE, "=", "^"},
    {132, 0x7D, 0xDC, "", "\xC2\xA5"},  // the yen key right of ^
    {34, 0x1A, 0xC0, "[", "@"},
    {35, 0x1B, 0xDB, "]", "["},
    {47, 0x27, 0xBB, ";", ";"},
    {48, 0x28, 0xBA, "'", ":"},
    {51, 0x2B, 0xDD, "\\", "]"},
    {49, 0x29, 0xF3, "`", "\xE5\x8D\x8A\xE8\xA7\x92/\xE5\x85\xA8\xE8\xA7\x92"},  // 半角/全角
    {59, 0x33, 0xBC, ",", ","},
    {60, 0x34, 0xBE, ".", "."},
    {61, 0x35, 0xBF, "/", "/"},
    {97, 0x73, 0xE2, "", "\\"},     // left of the right Shift
    {94, 0x56, 0xE2, "", ""},       // an ISO keyboard's key left of Z: Windows gives it 0xE2 too
};

struct Pair {
    int qt;
    int vk;
};

// Keys that are not letters, digits or function keys, by meaning.
constexpr Pair kKeys[] = {
    {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Escape, 0x1B}, {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09}, {Qt::Key_Backspace, 0x08}, {Qt::Key_Delete, 0x2E}, {Qt::Key_Insert, 0x2D},
    {Qt::Key_Home, 0x24}, {Qt::Key_End, 0x23}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26}, {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28},
    {Qt::Key_Space, 0x20}, {Qt::Key_Shift, 0x10}, {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14},
};

// Characters without a known position: the 109-key keyboard's key that types them.
constexpr Pair kCharacters[] = {
    {Qt::Key_Minus, 0xBD}, {Qt::Key_Equal, 0xBD},
    {Qt::Key_AsciiCircum, 0xDE}, {Qt::Key_AsciiTilde, 0xDE},
    {Qt::Key_yen, 0xDC}, {Qt::Key_Bar, 0xDC},
    {Qt::Key_At, 0xC0}, {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Semicolon, 0xBB}, {Qt::Key_Plus, 0xBB},
    {Qt::Key_Colon, 0xBA}, {Qt::Key_Asterisk, 0xBA},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Comma, 0xBC}, {Qt::Key_Less, 0xBC}, {Qt::Key_Period, 0xBE}, {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF}, {Qt::Key_Question, 0xBF},
    {Qt::Key_Backslash, 0xE2}, {Qt::Key_Underscore, 0xE2},
    {Qt::Key_Exclam, '1'}, {Qt::Key_QuoteDbl, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_Ampersand, '6'}, {Qt::Key_Apostrophe, '7'}, {Qt::Key_ParenLeft, '8'},
    {Qt::Key_ParenRight, '9'},
};

// The numeric keypad: digits, operators and the decimal point.
int keypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 0x60 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period: case Qt::Key_Comma: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    default: return 0;
    }
}

int positionKey(uint32_t scanCode, ScanCodes kind) {
    if (scanCode == 0 || kind == ScanCodes::None) return 0;
    for (const KeyPosition& p : kPositions)
        if ((kind == ScanCodes::X11 ? p.x11 : p.windows) == scanCode) return p.vk;
    return 0;
}

}  // namespace

std::span<const KeyPosition> keyPositions() { return kPositions; }

ScanCodes platformScanCodes() {
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("windows")) return ScanCodes::Windows;
    if (name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"))) return ScanCodes::X11;
    return ScanCodes::None;
}

int virtualKeyOf(int qtKey, bool keypad, uint32_t scanCode, ScanCodes kind) {
    if (keypad) {
        if (const int vk = keypadKey(qtKey)) return vk;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;  // the same codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 0x70 + (qtKey - Qt::Key_F1);
    for (const Pair& p : kKeys)
        if (p.qt == qtKey) return p.vk;
    if (!keypad) {
        if (const int vk = positionKey(scanCode, kind)) return vk;
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
    for (const Pair& p : kCharacters)
        if (p.qt == qtKey) return p.vk;
    return 0;
}

int virtualKeyOf(const QKeyEvent& event) {
    return virtualKeyOf(event.key(), event.modifiers().testFlag(Qt::KeypadModifier), event.nativeScanCode(),
                        platformScanCodes());
}

}  // namespace tarvio
