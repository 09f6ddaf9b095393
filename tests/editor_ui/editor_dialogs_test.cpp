// The editor's dialogs write their fields back, and the entry point hands the choices to the
// controller in its terms (rows, numbers, bytes).
#include <gtest/gtest.h>

// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "app/app_config.h"
#include "app/fake_transport.h"
#include "editor/ui/dialogs/editor_dialogs.h"
#include "model/song.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <cstring>
#include <functional>

#include "app/ui/main_window.h"
#include "app/ui/main_window_host.h"
#include "editor/ui/dialogs/fkey_setting_dialog.h"
#include "editor/ui/dialogs/key_setting_dialog.h"
#include "editor/ui/dialogs/plugin_params_dialog.h"
#include "editor/ui/dialogs/simple_dialogs.h"
#include "editor/ui/dialogs/sysex_dialog.h"
#include "app/ui/idle_host.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

// Runs act on the modal dialog once it is shown (the entry point waits in exec()).
void onModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) w = QApplication::activePopupWidget();
        ASSERT_NE(w, nullptr);
        act(w);
    });
}

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

int keyRow(int vk) {
    const auto keys = KeySettings::keys();
    return int(std::find(keys.begin(), keys.end(), vk) - keys.begin());
}

TEST(KeySettingDialogTest, ChoicesGoToTheCopyAndRefusedOnesShowUnassigned) {
    ensureApp();
    KeySettingDialog d{KeyMap()};
    auto* keys = child<QListWidget>(&d, "keys");
    auto* action = child<QComboBox>(&d, "action");
    keys->setCurrentRow(keyRow('H'));
    EXPECT_EQ(action->currentText(), "サーチ");
    child<QCheckBox>(&d, "ctrl")->setChecked(true);
    EXPECT_EQ(action->currentText(), "未定義");
    const int jump = KeySettings::actionRowOf(kActJump);
    action->setCurrentIndex(jump);
    emit action->activated(jump);
    EXPECT_EQ(d.map().action('H', kModCtrl), kActJump);
    keys->setCurrentRow(keyRow('S'));  // Ctrl+S belongs to the menu
    action->setCurrentIndex(jump);
    emit action->activated(jump);
    EXPECT_EQ(action->currentText(), "未定義");
    EXPECT_EQ(d.map().action('S', kModCtrl), kActNone);
}

// In English the action names are English too, as the program installs its translation.
TEST(KeySettingDialogTest, ActionNamesFollowTheLanguage) {
    ensureApp();
    QTranslator english;
    ASSERT_TRUE(english.load(QCoreApplication::applicationDirPath() + QStringLiteral("/i18n/tarvio_en.qm")));
    QCoreApplication::installTranslator(&english);
    {
        KeySettingDialog d{KeyMap()};
        child<QListWidget>(&d, "keys")->setCurrentRow(keyRow('H'));
        auto* action = child<QComboBox>(&d, "action");
        EXPECT_EQ(action->currentText(), "Search");
        EXPECT_EQ(action->itemText(0), "Unassigned");
        EXPECT_EQ(action->itemText(KeySettings::actionRowOf(kActShiftF1)), "Shift + F1");
    }
    QCoreApplication::removeTranslator(&english);
}

TEST(FkeySettingDialogTest, GridAndTemplatesWriteBack) {
    ensureApp();
    FkeyTable stored = builtInFkeyTable();
    stored.current[47] = -3;  // "nothing" passes through the grid unchanged
    FkeySettingDialog d(stored);
    auto* f0 = child<QSpinBox>(&d, "f0");
    EXPECT_EQ(f0->value(), 3840);
    EXPECT_EQ(d.table().current[47], -3);
    auto* templates = child<QComboBox>(&d, "templates");
    templates->setCurrentIndex(4);
    emit templates->activated(4);  // 48 TPQN
    EXPECT_EQ(f0->value(), 192);
    f0->setValue(100);
    d.setNameAsker([] { return QStringLiteral("mine"); });
    child<QPushButton>(&d, "create")->click();
    EXPECT_EQ(templates->count(), 6);
    EXPECT_EQ(templates->currentText(), "mine");
    d.setNameAsker([] { return QString(); });
    child<QPushButton>(&d, "create")->click();  // no name: nothing added
    EXPECT_EQ(templates->count(), 6);
    const FkeyTable t = d.table();
    EXPECT_EQ(t.current[0], 100);
    EXPECT_EQ(t.templates[5].values[0], 100);
    EXPECT_EQ(t.templates[4].values[0], 192);
    EXPECT_EQ(t.currentName, "mine");
}

TEST(SysExDialogTest, TypedDigitsAndFunctionKeysEnterBytes) {
    ensureApp();
    SysExDialog d({0xF0, 0xF7});
    d.show();
    SysExHexEdit* edit = d.edit();
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClicks(edit, "41z");
    QTest::keyClick(edit, Qt::Key_F1);
    QTest::keyClick(edit, Qt::Key_F2, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_F12);
    EXPECT_EQ(edit->text(), "F0 41 D0 C1 FF F7");
    EXPECT_EQ(d.bytes(), (std::vector<uint8_t>{0xF0, 0x41, 0xD0, 0xC1, 0xFF, 0xF7}));
    EXPECT_EQ(child<QLabel>(&d, "cell")->text(), "[6] F7");
}

TEST(PluginParamsDialogTest, ValuesEditedInPlaceStayInRange) {
    ensureApp();
    ParameterBlock block;
    block.count = 1;
    const int32_t ints[3] = {1, 1920, 240};
    std::strcpy(reinterpret_cast<char*>(block.records[0].raw + 4), "Delay");
    std::memcpy(block.records[0].raw + 40, ints, 12);
    PluginParamsDialog d(block, QStringLiteral("Echo"));
    QTableWidget* table = d.table();
    EXPECT_EQ(table->item(0, 0)->text(), "Delay");
    EXPECT_EQ(table->item(0, 2)->text(), "number");
    EXPECT_FALSE(table->item(0, 0)->flags() & Qt::ItemIsEditable);
    table->item(0, 1)->setText(QStringLiteral("9999"));
    EXPECT_EQ(table->item(0, 1)->text(), "1920");
    table->item(0, 1)->setText(QStringLiteral("x"));
    EXPECT_EQ(table->item(0, 1)->text(), "1920");
    int32_t v = 0;
    std::memcpy(&v, d.block().records[0].raw + 48, 4);
    EXPECT_EQ(v, 1920);
}

TEST(TextInputDialogTest, ACommentKeepsWholeCharactersWithinItsBytes) {
    ensureApp();
    TextInputDialog d(QStringLiteral("コメントの編集"), QString(), 4);
    d.show();
    QLineEdit* edit = child<QLineEdit>(&d, "text");
    QTest::keyClicks(edit, "a");
    for (const QString& ch : {QStringLiteral("あ"), QStringLiteral("い")}) {  // 3 bytes each
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch);
        QApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(d.text(), "aあ");
}

TEST(RunEditorRequestTest, ListsJumpAndNumbersAnswerInTheControllersTerms) {
    ensureApp();
    Song song;
    song.createTrack().name = "Bass";
    Track& second = song.createTrack();
    EditorDialogContext context;
    context.song = &song;

    EditorRequest list(EditorRequest::Kind::ControllerList);
    list.items = {"--- KeyPressure", "--- ProgramChange", "--- Ch.Pressure", "--- PitchBend"};
    for (int n = 0; n < 128; ++n) list.items.push_back(std::to_string(n));
    list.index = 0;
    onModal([](QWidget* w) { QTest::keyClick(w->findChild<QListWidget*>(), Qt::Key_V); });
    EditorResult r = runEditorRequest(nullptr, list, context);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.index, 4 + 7);

    onModal([](QWidget* w) { QTest::keyClick(w->findChild<QListWidget*>(), Qt::Key_Escape); });
    EXPECT_FALSE(runEditorRequest(nullptr, list, context).ok);

    // Over the editor the list is a pop-up at the cursor row; Return takes the selected row.
    context.listArea = QRect(40, 60, 150, 300);
    list.kind = EditorRequest::Kind::PhraseList;
    list.index = 2;
    onModal([](QWidget* w) {
        EXPECT_TRUE(w->windowFlags() & Qt::Popup);
        EXPECT_EQ(w->y(), 60);
        QTest::keyClick(w->findChild<QListWidget*>(), Qt::Key_V);  // not the controller list: no choice
        QTest::keyClick(w->findChild<QListWidget*>(), Qt::Key_Return);
    });
    r = runEditorRequest(nullptr, list, context);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.index, 2);
    context.listArea = {};

    EditorRequest jump(EditorRequest::Kind::Jump);
    jump.number = 3;
    jump.tick = 10;
    jump.items = {"Bass", ""};
    jump.index = 0;
    onModal([](QWidget* w) {
        w->findChild<QListWidget*>("tracks")->setCurrentRow(1);
        w->findChild<QSpinBox*>("measure")->setValue(7);
        w->findChild<QPushButton*>("ok")->click();
    });
    r = runEditorRequest(nullptr, jump, context);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.number, 7);
    EXPECT_EQ(r.tick, 10);
    EXPECT_EQ(r.index, 1);
    EXPECT_EQ(r.track, second.number);

    EditorRequest bend(EditorRequest::Kind::BendRange);
    bend.caption = "ピッチベンド入力レンジの変更";
    bend.number = 12;
    bend.max = 48;
    onModal([](QWidget* w) {
        auto* spin = w->findChild<QSpinBox*>("number");
        spin->setValue(99);  // above the limit: kept at 48
        w->findChild<QPushButton*>("ok")->click();
    });
    r = runEditorRequest(nullptr, bend, context);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.number, 48);

    EXPECT_FALSE(runEditorRequest(nullptr, EditorRequest(EditorRequest::Kind::GridEditor), context).ok);
}

TEST(RunEditorRequestTest, ProgramListGivesProgramAndBankSelect) {
    ensureApp();
    BankSet set{"GM", {}};
    Bank a;
    a.name = "Capital";
    Bank b;
    b.name = "Var";
    b.msb = 8;
    b.lsb = 1;
    set.banks = {a, b};
    const std::vector<BankSet> sets{set};
    EditorDialogContext context;
    context.banks = &sets;
    EditorRequest req(EditorRequest::Kind::ProgramList);
    req.text = "GM";
    req.number = 5;
    req.bankMsb = 8;
    req.bankLsb = 1;
    onModal([](QWidget* w) {
        auto* banks = w->findChild<QListWidget*>("banks");
        auto* programs = w->findChild<QListWidget*>("programs");
        EXPECT_EQ(banks->currentRow(), 1);
        EXPECT_EQ(programs->currentRow(), 5);
        banks->setCurrentRow(0);
        EXPECT_EQ(programs->currentRow(), 5);  // the program stays while the bank changes
        programs->setCurrentRow(9);
        w->findChild<QPushButton*>("ok")->click();
    });
    const EditorResult r = runEditorRequest(nullptr, req, context);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.number, 9);
    EXPECT_EQ(r.bankMsb, 0);
    EXPECT_EQ(r.bankLsb, 0);
}

struct NoHost final : IdleHost {};

TEST(SettingsMenusTest, MenuEntriesOpenTheDialogsOnTheProcessTables) {
    ensureApp();
    FakeTransport transport;
    NoHost host;
    MainWindow window(host, transport);
    AppConfig config;
    connectSettingsMenus(window, config);

    onModal([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "FKey Settings");
        w->findChild<QSpinBox*>("f13")->setValue(77);
        w->findChild<QPushButton*>("ok")->click();
    });
    window.action(MenuCommand::FkeySettings)->trigger();
    EXPECT_EQ(config.fkeys.current[13], 77);

    onModal([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "数値入力エディタのキーカスタマイズ");
        w->findChild<QListWidget*>("keys")->setCurrentRow(keyRow('H'));
        auto* action = w->findChild<QComboBox*>("action");
        emit action->activated(0);
        w->findChild<QPushButton*>("cancel")->click();
    });
    window.action(MenuCommand::KeySettings)->trigger();
    EXPECT_EQ(config.keys.action('H', 0), kActSearch);  // cancelled: unchanged
}

}  // namespace
}  // namespace tarvio
