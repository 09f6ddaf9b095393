// The editor dialogs' decisions without a window: key and function-key tables edited on a
// working copy, the exclusive dialog's hex field, the lists and the parameter rows.
#include <gtest/gtest.h>

#include <cstring>

#include "editor/entry_dialogs.h"
#include "editor/fkey_settings.h"
#include "editor/key_settings.h"
#include "editor/sysex_field.h"
#include "app/app_settings.h"
#include "app/document.h"
#include "app/fake_transport.h"
#include "model/song.h"

namespace tarvio {
namespace {

int keyRow(int vk) {
    const auto keys = KeySettings::keys();
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == vk) return int(i);
    return -1;
}

TEST(KeySettingsTest, ListsNamedKeysInCodeOrderAndEditsOnlyTheCopy) {
    const auto keys = KeySettings::keys();
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), 0x20);  // SPACE
    EXPECT_EQ(keys.back(), 0xE2);   // BACKSLASH
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(keyRow(0x30), -1);  // digits have no name
    EXPECT_EQ(KeySettings::actionTexts().front(), "未定義");

    const KeyMap original;
    KeySettings s(original);
    s.selectKey(keyRow('H'));
    EXPECT_EQ(s.actionRow(), KeySettings::actionRowOf(kActSearch));
    s.setModifiers(false, true, false);  // Ctrl+H: unbound
    EXPECT_EQ(s.actionRow(), 0);
    EXPECT_EQ(s.chooseAction(KeySettings::actionRowOf(kActJump)), KeySettings::actionRowOf(kActJump));
    EXPECT_EQ(s.map().action('H', kModCtrl), kActJump);
    EXPECT_EQ(original.action('H', kModCtrl), kActNone);
    s.setModifiers(false, false, false);
    EXPECT_EQ(s.actionRow(), KeySettings::actionRowOf(kActSearch));  // the plain binding is untouched
}

TEST(KeySettingsTest, ReservedBindingsFallBackToUnassigned) {
    KeySettings s{KeyMap()};
    const int jump = KeySettings::actionRowOf(kActJump);
    s.selectKey(keyRow('C'));
    EXPECT_EQ(s.chooseAction(jump), 0);  // plain C types a note name
    EXPECT_EQ(s.map().action('C', 0), kActNone);
    s.setModifiers(true, false, false);
    EXPECT_EQ(s.chooseAction(jump), 0);
    s.setModifiers(false, true, false);
    EXPECT_EQ(s.chooseAction(jump), jump);  // Ctrl+C may be rebound
    for (int key : {'L', 'N', 'S'}) {
        s.selectKey(keyRow(key));
        EXPECT_EQ(s.chooseAction(jump), 0) << char(key);
    }
    s.setModifiers(true, true, false);  // Shift+Ctrl+S is free
    EXPECT_EQ(s.chooseAction(jump), jump);
    s.selectKey(-1);
    EXPECT_EQ(s.chooseAction(jump), -1);  // no key: nothing bound
}

TEST(FkeySettingsTest, TemplatesCreateUpdateChooseAndRemove) {
    const FkeyTable table = builtInFkeyTable();
    FkeySettings s(table);
    EXPECT_EQ(s.selected(), 0);
    EXPECT_EQ(s.value(0), 3840);
    s.setValue(0, 70000);
    EXPECT_EQ(s.value(0), 65535);
    s.setValue(1, -5);
    EXPECT_EQ(s.value(1), -3);
    s.setValue(48, 1);  // out of the grid: ignored
    EXPECT_FALSE(s.create(""));
    ASSERT_TRUE(s.create("mine"));
    EXPECT_EQ(s.selected(), 5);
    EXPECT_EQ(s.templates()[5].values[0], 65535);
    s.chooseTemplate(1);  // 480 TPQN
    EXPECT_EQ(s.value(0), 1920);
    s.setValue(11, 7);
    ASSERT_TRUE(s.update());
    EXPECT_EQ(s.templates()[1].values[11], 7);
    s.chooseTemplate(5);
    ASSERT_TRUE(s.remove());
    EXPECT_EQ(s.selected(), 4);  // the last one was removed: the one before it
    const FkeyTable out = s.result();
    EXPECT_EQ(out.templates.size(), 5u);
    EXPECT_EQ(out.current[0], 65535);
    EXPECT_EQ(out.currentName, "mine");
    EXPECT_EQ(table.templates[1].values[11], -1);  // the original is untouched
}

TEST(SysExFieldTest, TypingFunctionKeysAndCellMoves) {
    SysExField f({0xF0, 0xF7});
    EXPECT_EQ(f.text(), "F0 F7");
    EXPECT_EQ(f.cursor(), 2u);
    f.left();
    for (char c : std::string("41x1")) f.typeHex(c);  // x is not a hex digit
    EXPECT_EQ(f.text(), "F0 41 1_ F7");
    EXPECT_EQ(f.textCursor(), 7);
    f.typeHex('0');
    f.insertByte(sysExKeyByte(1, false));
    f.insertByte(sysExKeyByte(9, false));
    f.typeHex('7');  // a lone digit is the low nibble once the cursor moves on
    f.insertByte(sysExKeyByte(12, false));
    f.insertByte(sysExKeyByte(10, false));
    EXPECT_EQ(hexText(f.bytes()), "F0 41 10 D0 FA 07 FF FB F7");
    f.home();
    f.right();
    f.del();
    EXPECT_EQ(hexText(f.bytes()), "F0 10 D0 FA 07 FF FB F7");
    f.backspace();
    EXPECT_EQ(f.cursor(), 0u);
    EXPECT_FALSE(f.left());
    f.setCursor(100);
    EXPECT_EQ(f.cursor(), f.bytes().size());
    EXPECT_EQ(SysExField::cellAt(0), 0u);
    EXPECT_EQ(SysExField::cellAt(2), 1u);
    EXPECT_EQ(SysExField::cellAt(4), 1u);
}

TEST(SysExFieldTest, KeyBytesAndHexText) {
    EXPECT_EQ(sysExKeyByte(1, true), 0xC0);
    EXPECT_EQ(sysExKeyByte(8, true), 0xC7);
    EXPECT_EQ(sysExKeyByte(8, false), 0xD7);
    EXPECT_EQ(sysExKeyByte(11, false), 0xFE);
    EXPECT_EQ(sysExKeyByte(9, true), 0);
    EXPECT_EQ(sysExKeyByte(13, false), 0);
    EXPECT_EQ(sysExByteMeaning(0xD3), "RolandCh.");
    EXPECT_EQ(sysExByteMeaning(0xFC), "gate");
    EXPECT_EQ(sysExByteMeaning(0x41), "");

    EXPECT_EQ(parseHexText("f0 41,10\n42F7"), (std::vector<uint8_t>{0xF0, 0x41, 0x10, 0x42, 0xF7}));
    EXPECT_EQ(parseHexText(""), std::vector<uint8_t>{});
    EXPECT_FALSE(parseHexText("F 0"));
    EXPECT_FALSE(parseHexText("F0 4"));
    EXPECT_FALSE(parseHexText("G0"));
    SysExField f({0xF7});
    f.home();
    EXPECT_FALSE(f.paste("zz"));
    EXPECT_TRUE(f.paste("F0 43"));
    EXPECT_EQ(hexText(f.bytes()), "F0 43 F7");
    EXPECT_EQ(f.cursor(), 2u);
}

TEST(EntryListsTest, ControllerKeysChooseTheirRows) {
    EXPECT_EQ(controllerListShortcut('G'), 1);
    EXPECT_EQ(controllerListShortcut('O'), 1);
    EXPECT_EQ(controllerListShortcut('P'), 3);
    EXPECT_EQ(controllerListShortcut('5'), 5);
    EXPECT_EQ(controllerListShortcut(0x65), 5);  // keypad 5
    EXPECT_EQ(controllerListShortcut('V'), 4 + 7);
    EXPECT_EQ(controllerListShortcut('D'), 4 + 64);
    EXPECT_EQ(controllerListShortcut('C'), 4 + 74);
    EXPECT_EQ(controllerListShortcut('A'), -1);
    EXPECT_EQ(controllerListShortcut('0'), -1);
}

TEST(EntryListsTest, ProgramChoicesOfABankSet) {
    BankSet gm{"GM", {}};
    Bank capital;
    capital.name = "Capital";
    capital.programs[0] = "Piano";
    Bank var;
    var.name = "Var";
    var.msb = 8;
    var.lsb = 1;
    gm.banks = {capital, var};
    const std::vector<BankSet> sets{BankSet{"XG", {}}, gm};

    ProgramChoices c = programChoices(sets, "GM", 8, 1);
    ASSERT_EQ(c.banks.size(), 2u);
    EXPECT_EQ(c.banks[0].text, "Capital  (000:000)");
    EXPECT_EQ(c.rowOf(8, 1), 1);
    const auto programs = c.programs(0);
    ASSERT_EQ(programs.size(), 128u);
    EXPECT_EQ(programs[0], "000 Piano");
    EXPECT_EQ(programs[127], "127");

    // A bank select the set lacks keeps a row of its own; an unknown set lists only it.
    c = programChoices(sets, "GM", 3, 0);
    ASSERT_EQ(c.banks.size(), 3u);
    EXPECT_EQ(c.rowOf(3, 0), 2);
    EXPECT_EQ(c.banks[2].text, "---  (003:000)");
    EXPECT_EQ(programChoices(sets, "none", 0, 0).banks.size(), 1u);
}

TEST(EntryListsTest, TabOnAProgramRowAsksWithItsBankSelect) {
    FakeTransport transport;
    Document doc{transport};
    KeyMap keys;
    FkeyTable fkeys = builtInFkeyTable();
    AppSettings settings;
    Track& track = doc.song().createTrack();
    track.bankSet = "GM";
    Event program;
    program.setProgram(5, 8, 1);
    track.events.pushBack(std::move(program));
    NumericEditor editor(doc, {&keys, &fkeys, &settings, nullptr, nullptr}, 0, track);
    const EditorRequest r = editor.keyDown(vk::Tab, false, false, false);
    ASSERT_EQ(r.kind, EditorRequest::Kind::ProgramList);
    EXPECT_EQ(r.text, "GM");
    EXPECT_EQ(r.number, 5);
    EXPECT_EQ(r.bankMsb, 8);
    EXPECT_EQ(r.bankLsb, 1);
    // The choice comes back as program and bank select.
    EditorResult res;
    res.ok = true;
    res.number = 9;
    res.bankMsb = 0;
    res.bankLsb = 3;
    editor.complete(res);
    EXPECT_EQ(track.events.begin()->b, (std::array<uint8_t, 4>{9, 0, 3, 0}));
}

TEST(EntryListsTest, JumpTracksAreNumberedInListOrder) {
    Song song;
    Track& a = song.createTrack();
    Track& b = song.createTrack();
    EXPECT_EQ(trackNumberAt(song, 0), a.number);
    EXPECT_EQ(trackNumberAt(song, 1), b.number);
    EXPECT_EQ(trackNumberAt(song, 2), 0u);
    EXPECT_EQ(trackNumberAt(song, -1), 0u);
    EXPECT_EQ(jumpTrackTexts({"Piano", ""}), (std::vector<std::string>{"1  Piano", "2  "}));
}

ParameterRecord intRecord(const char* name, int32_t lo, int32_t hi, int32_t v) {
    ParameterRecord r;
    std::strncpy(reinterpret_cast<char*>(r.raw + 4), name, 32);
    std::memcpy(r.raw + 40, &lo, 4);
    std::memcpy(r.raw + 44, &hi, 4);
    std::memcpy(r.raw + 48, &v, 4);
    return r;
}

ParameterRecord realRecord(const char* name, double lo, double hi, double v) {
    ParameterRecord r;
    const int32_t type = 1;
    std::memcpy(r.raw, &type, 4);
    std::memcpy(r.raw + 4, name, std::min<size_t>(std::strlen(name), 32));
    std::memcpy(r.raw + 40, &lo, 8);
    std::memcpy(r.raw + 48, &hi, 8);
    std::memcpy(r.raw + 56, &v, 8);
    return r;
}

TEST(ParameterRowsTest, ShowsAndEditsWithinTheRecordsRange) {
    ParameterBlock block;
    block.count = 2;
    block.records[0] = intRecord("Delay", 1, 1920, 240);
    // A 32-character name fills its field without a terminator.
    block.records[1] = realRecord("FeedbackFeedbackFeedbackFeedback", 0.0, 1.0, 0.5);
    auto rows = parameterRows(block);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "Delay");
    EXPECT_EQ(rows[0].value, "240");
    EXPECT_EQ(rows[0].type, "number");
    EXPECT_EQ(rows[1].name.size(), 32u);
    EXPECT_EQ(rows[1].value, "0.500000");
    EXPECT_EQ(rows[1].type, "float");

    EXPECT_TRUE(setParameterText(block, 0, " 5000 "));
    EXPECT_TRUE(setParameterText(block, 1, "-3"));
    rows = parameterRows(block);
    EXPECT_EQ(rows[0].value, "1920");
    EXPECT_EQ(rows[1].value, "0.000000");
    EXPECT_TRUE(setParameterText(block, 0, "12.9"));
    EXPECT_EQ(parameterRows(block)[0].value, "12");
    EXPECT_FALSE(setParameterText(block, 0, "abc"));
    EXPECT_FALSE(setParameterText(block, 0, ""));
    EXPECT_FALSE(setParameterText(block, 2, "1"));
    EXPECT_EQ(parameterRows(block)[0].value, "12");

    block.count = 300;  // a count past the block is read as the block's size
    EXPECT_EQ(parameterRows(block).size(), 256u);
}

TEST(TextLimitTest, CommentsCutAtACharacterBoundary) {
    EXPECT_EQ(textLimit(EditorRequest::Kind::CommentText), 32u);
    EXPECT_EQ(textLimit(EditorRequest::Kind::PhraseName), 0u);
    EXPECT_EQ(cutUtf8("abc", 32), "abc");
    const std::string kana = "あいうえおかきくけこさ";  // 11 characters of 3 bytes
    EXPECT_EQ(cutUtf8(kana, 32), "あいうえおかきくけこ");
    EXPECT_EQ(cutUtf8(kana, 2), "");
}

}  // namespace
}  // namespace tarvio
