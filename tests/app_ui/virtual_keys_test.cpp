// Qt key events to virtual keys: punctuation and the digit row by position as on a Japanese
// 109-key keyboard, whatever the layout types there; the rest by meaning.
#include "app/ui/virtual_keys.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

struct Case {
    uint32_t x11, windows;
    int usKey;  // what a US layout types there (a JIS one types another character)
    int vk;
    const char* name;
};

TEST(VirtualKeys, PunctuationByPositionOnBothScanCodeKinds) {
    const Case cases[] = {
        {47, 0x27, Qt::Key_Semicolon, 0xBB, "right of L"},
        {48, 0x28, Qt::Key_Apostrophe, 0xBA, "next: the colon key"},
        {97, 0x73, Qt::Key_Backslash, 0xE2, "left of the right Shift"},
        {94, 0x56, Qt::Key_Less, 0xE2, "ISO key left of Z"},
        {132, 0x7D, Qt::Key_yen, 0xDC, "yen"},
        {51, 0x2B, Qt::Key_Backslash, 0xDD, "left of Return on JIS"},
        {34, 0x1A, Qt::Key_BracketLeft, 0xC0, "right of P"},
        {35, 0x1B, Qt::Key_BracketRight, 0xDB, "next to it"},
        {21, 0x0D, Qt::Key_Equal, 0xDE, "right of minus"},
        {20, 0x0C, Qt::Key_Minus, 0xBD, "right of 0"},
        {59, 0x33, Qt::Key_Comma, 0xBC, "comma"},
        {60, 0x34, Qt::Key_Period, 0xBE, "period"},
        {61, 0x35, Qt::Key_Slash, 0xBF, "slash"},
        {11, 0x03, Qt::Key_At, '2', "Shift+2 on US"},
        {19, 0x0B, Qt::Key_ParenRight, '0', "Shift+0 on US"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(virtualKeyOf(c.usKey, false, c.x11, ScanCodes::X11), c.vk) << c.name;
        EXPECT_EQ(virtualKeyOf(c.usKey, false, c.windows, ScanCodes::Windows), c.vk) << c.name;
    }
    // Every position of the table reads back through both kinds.
    for (const KeyPosition& p : keyPositions()) {
        EXPECT_EQ(virtualKeyOf(Qt::Key_unknown, false, p.x11, ScanCodes::X11), p.vk) << p.us;
        EXPECT_EQ(virtualKeyOf(Qt::Key_unknown, false, p.windows, ScanCodes::Windows), p.vk) << p.us;
    }
}

TEST(VirtualKeys, MeaningForLettersFunctionAndNavigationAndKeypad) {
    // Scan codes that the table holds do not override a letter, a function or a navigation key.
    EXPECT_EQ(virtualKeyOf(Qt::Key_Q, false, 47, ScanCodes::X11), 'Q');
    EXPECT_EQ(virtualKeyOf(Qt::Key_F12, false, 48, ScanCodes::X11), 0x7B);
    EXPECT_EQ(virtualKeyOf(Qt::Key_PageUp, false, 0, ScanCodes::X11), 0x21);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Backtab, false, 0, ScanCodes::X11), 0x09);
    // The keypad by meaning, whatever its scan code.
    EXPECT_EQ(virtualKeyOf(Qt::Key_Asterisk, true, 63, ScanCodes::X11), 0x6A);
    EXPECT_EQ(virtualKeyOf(Qt::Key_5, true, 84, ScanCodes::X11), 0x65);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Slash, true, 106, ScanCodes::X11), 0x6F);
    // An unknown scan code, or none, falls back to the key that types the character on JIS.
    EXPECT_EQ(virtualKeyOf(Qt::Key_Colon, false, 0, ScanCodes::X11), 0xBA);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Semicolon, false, 0, ScanCodes::None), 0xBB);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Semicolon, false, 47, ScanCodes::None), 0xBB);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Asterisk, false, 0, ScanCodes::X11), 0xBA);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Underscore, false, 999, ScanCodes::X11), 0xE2);
    EXPECT_EQ(virtualKeyOf(Qt::Key_7, false, 0, ScanCodes::Windows), '7');
    EXPECT_EQ(virtualKeyOf(Qt::Key_Eject, false, 0, ScanCodes::X11), 0);
}

TEST(VirtualKeys, EventCarriesItsModifiersAndScanCode) {
    // Offscreen has no scan-code kind: the event reads by meaning. (The application owns the
    // keyboard device a key event names; without one Qt makes a device nobody frees.)
    ensureApp();
    QKeyEvent colon(QEvent::KeyPress, Qt::Key_Colon, Qt::ShiftModifier, 48, 0, 0, QStringLiteral(":"));
    EXPECT_EQ(virtualKeyOf(colon), 0xBA);
    QKeyEvent pad(QEvent::KeyPress, Qt::Key_Asterisk, Qt::KeypadModifier, QStringLiteral("*"));
    EXPECT_EQ(virtualKeyOf(pad), 0x6A);
}

}  // namespace
}  // namespace tarvio
