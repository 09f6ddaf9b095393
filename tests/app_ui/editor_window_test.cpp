// The numerical editor window's wiring on the offscreen platform: the track list's Enter keys
// open and retarget it, Qt keys reach the controller's actions, clicks reach the pane's areas,
// and the MIDI input's notifications reach the active editor.
#include <gtest/gtest.h>

// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "app/app_config.h"
#include "app/document.h"
#include "app/fake_transport.h"
#include "editor/ui/editor_window.h"
#include "model/song.h"
// (the order above is deliberate)
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <memory>

#include "app/ui/main_window.h"
#include "app/ui/main_window_host.h"
#include "app/ui/track_list_window.h"
#include "app/ui/idle_host.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

struct EditorHost final : IdleHost {
    explicit EditorHost(Transport& t) : doc(std::make_unique<Document>(t)) {}
    std::unique_ptr<Document> doc;
    Document* document() override { return doc.get(); }
    int saves = 0;
    MainWindow* window = nullptr;
    // As the application does: the window hears of the save.
    void saveDocument() override {
        ++saves;
        if (window) window->documentReplaced();
    }
    AppConfig* appConfig() override { return &config; }
};

struct Fixture {
    Fixture() : host(transport) {
        ensureApp();
        Song& song = host.doc->song();
        for (int i = 0; i < 3; ++i) song.createTrack().name = "Track" + std::to_string(i + 1);
        window = std::make_unique<MainWindow>(host, transport);
        host.window = window.get();
        window->resize(1000, 800);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
    }
    TrackListWindow* trackList() const {
        for (QMdiSubWindow* w : window->mdiArea()->subWindowList())
            if (auto* l = qobject_cast<TrackListWindow*>(w->widget())) return l;
        return nullptr;
    }
    Track& track(int i) { return **std::next(host.doc->song().tracks.begin(), i); }
    FakeTransport transport;
    EditorHost host;
    std::unique_ptr<MainWindow> window;
};

TEST(EditorWindow, TrackListEnterOpensAndRetargetsTheSlots) {
    Fixture f;
    TrackListWindow* list = f.trackList();
    ASSERT_NE(list, nullptr);
    QTest::keyClick(list, Qt::Key_Down);  // the first track
    QTest::keyClick(list, Qt::Key_Return);
    EditorWindow* view1 = f.window->editorWindow(0);
    ASSERT_NE(view1, nullptr);
    EXPECT_EQ(view1->editor().list(), &f.track(0));
    EXPECT_EQ(f.window->activeEditor(), view1);
    EXPECT_EQ(view1->windowTitle(), "Numerical Editor - Track  - Track1");
    EXPECT_EQ(view1->parentWidget()->width(), view1->parentWidget()->maximumWidth());  // the fixed width

    // Another track in view1 reuses the window; Shift+Enter opens view2.
    f.window->mdiArea()->setActiveSubWindow(list->parentWidget() ? qobject_cast<QMdiSubWindow*>(list->parentWidget()) : nullptr);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(f.window->editorWindow(0), view1);
    EXPECT_EQ(view1->editor().list(), &f.track(1));
    EXPECT_EQ(view1->windowTitle(), "Numerical Editor - Track  - Track2");
    QTest::keyClick(list, Qt::Key_Return, Qt::ShiftModifier);
    EditorWindow* view2 = f.window->editorWindow(1);
    ASSERT_NE(view2, nullptr);
    EXPECT_EQ(view2->editor().list(), &f.track(1));
    EXPECT_EQ(f.window->editorWindow(2), nullptr);

    // Alt+1 brings view1 back to the front; Alt+3 without a window does nothing.
    f.window->runCommand(MenuCommand::Editor, 0);
    EXPECT_EQ(f.window->activeEditor(), view1);
    f.window->runCommand(MenuCommand::Editor, 2);
    EXPECT_EQ(f.window->activeEditor(), view1);
}

// Keys typed into the window reach the controller: a note entered with Return, a step typed
// into its cell, Ctrl+Z undoing it ahead of any menu shortcut.
TEST(EditorWindow, QtKeysReachTheActions) {
    Fixture f;
    EditorWindow* ed = f.window->openEditor(0, f.track(0));
    ASSERT_NE(ed, nullptr);
    QWidget* w = &ed->paneWidget();
    QTest::keyClick(w, Qt::Key_Return);  // at the end row: a note of the template
    ASSERT_EQ(f.track(0).events.size(), 1u);
    EXPECT_EQ(f.track(0).events.begin()->b[0], 64);
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_Right);  // the step column
    QTest::keyClicks(w, "120");
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(f.track(0).events.begin()->step, 120);
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.track(0).events.begin()->step, 480);
    // A note name typed in the data column.
    QTest::keyClick(w, Qt::Key_Left);
    QTest::keyClicks(w, "e-5");
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(f.track(0).events.begin()->b[0], 75);
    // F-keys give the step and enter at the end row.
    QTest::keyClick(w, Qt::Key_Down);
    QTest::keyClick(w, Qt::Key_F4);
    EXPECT_EQ(f.track(0).events.size(), 2u);
    // The menus keep their own keys.
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(f.host.saves, 1);
    EXPECT_EQ(f.window->editorWindow(0), ed);  // a save keeps the editors open
}

TEST(EditorWindow, ClicksReachTheAreas) {
    Fixture f;
    for (int i = 0; i < 10; ++i) {
        Event e;
        e.setNote(60, 100, 100);
        e.step = 240;
        f.track(0).events.pushBack(e);
    }
    EditorWindow* ed = f.window->openEditor(0, f.track(0));
    QWidget* w = &ed->paneWidget();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(270, 20));  // the MIDI box
    EXPECT_EQ(ed->editor().midiInputMode(), 1);
    const int h = ed->editor().charHeight();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(1 + 25 * h / 2, EditorLayout::rowsTop(h) + 4 * h + 2));
    EXPECT_EQ(ed->editor().row(), 4);
    EXPECT_EQ(ed->editor().column(), 1);
    const Rect mute = ed->pane().strip().areaRect(kAreaMute);
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(mute.x + 3, mute.y + 3));
    EXPECT_EQ(f.track(0).mute, 1);
}

TEST(EditorWindow, MidiNotesReachTheActiveEditor) {
    Fixture f;
    EditorWindow* ed = f.window->openEditor(0, f.track(0));
    for (int i = 0; i < 3; ++i) ed->editor().action(kActMidiInputNext);  // MONO
    ASSERT_EQ(ed->editor().midiInputMode(), 3);
    f.window->handleEngineNotification(0, 0x90 | 67 << 8 | 90 << 16);
    ASSERT_EQ(f.track(0).events.size(), 1u);
    EXPECT_EQ(f.track(0).events.begin()->b[0], 67);
}

// With an editor active the main window's menus run its commands: the edit menu's undo and
// delete, the input modes with their check marks, ghost display and the font size with the
// frame's width. Shift+Tab on a phrase call opens the phrase in the phrase editor's slot.
TEST(EditorWindow, MainMenusRunTheActiveEditorsCommands) {
    Fixture f;
    f.window->runCommand(MenuCommand::Undo);  // no editor: nothing to run it
    EXPECT_FALSE(f.window->action(MenuCommand::Undo)->isEnabled());
    EditorWindow* ed = f.window->openEditor(0, f.track(0));
    ASSERT_EQ(f.window->menuState(), MenuState::Editor);
    for (MenuCommand c : {MenuCommand::Undo, MenuCommand::Redo, MenuCommand::Cut, MenuCommand::Copy, MenuCommand::Paste,
                          MenuCommand::Delete}) {
        EXPECT_TRUE(f.window->action(c)->isEnabled()) << int(c);
        EXPECT_TRUE(f.window->action(c)->isVisible()) << int(c);
    }
    ed->runAction(kActReturn);
    ed->runAction(kActReturn);
    ASSERT_EQ(f.track(0).events.size(), 2u);
    f.window->runCommand(MenuCommand::Undo);
    EXPECT_EQ(f.track(0).events.size(), 1u);
    f.window->runCommand(MenuCommand::Redo);
    EXPECT_EQ(f.track(0).events.size(), 2u);
    ed->runAction(kActTop);
    f.window->action(MenuCommand::Delete)->trigger();
    EXPECT_EQ(f.track(0).events.size(), 1u);

    QAction* poly = f.window->action(MenuCommand::EditorAction, kActMidiInputOff + 5);
    ASSERT_TRUE(poly && poly->isVisible() && poly->isCheckable());
    poly->trigger();
    EXPECT_EQ(ed->editor().midiInputMode(), 5);
    EXPECT_TRUE(poly->isChecked());
    EXPECT_FALSE(f.window->action(MenuCommand::EditorAction, kActMidiInputOff)->isChecked());
    f.window->action(MenuCommand::EditorAction, kActGhost)->trigger();
    EXPECT_TRUE(ed->editor().ghost());
    EXPECT_TRUE(f.window->action(MenuCommand::EditorAction, kActGhost)->isChecked());

    const int narrow = ed->parentWidget()->width();
    f.window->action(MenuCommand::FontSize, 16)->trigger();
    EXPECT_EQ(ed->editor().charHeight(), 16);
    EXPECT_EQ(ed->parentWidget()->width() - narrow, (16 / 2 - 12 / 2) * 48);
    EXPECT_TRUE(f.window->action(MenuCommand::FontSize, 16)->isChecked());
    EXPECT_FALSE(f.window->action(MenuCommand::FontSize, 12)->isChecked());

    // The track list's editors are gone from the edit menu's service.
    f.window->runCommand(MenuCommand::TrackList);
    EXPECT_FALSE(f.window->action(MenuCommand::Undo)->isEnabled());
    EXPECT_FALSE(f.window->action(MenuCommand::FontSize, 16)->isVisible());

    // Shift+Tab on a phrase call: the phrase in slot 9.
    Song& song = f.host.doc->song();
    Track& phrase = song.createPhrase();
    phrase.name = "Riff";
    Event call;
    PhraseCallData data;
    data.number = phrase.number;
    call.setPhraseCall(data);
    f.track(1).events.pushBack(call);
    EditorWindow* second = f.window->openEditor(1, f.track(1));
    QTest::keyClick(&second->paneWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.window->editorWindow(9) != nullptr; }));
    EXPECT_EQ(f.window->editorWindow(9)->editor().list(), &phrase);
    EXPECT_EQ(f.window->editorWindow(9)->windowTitle(), "Numerical Editor - Phrase - Riff");
}

// The data-entry lists slide in along the editor's left edge from the cursor row down.
TEST(EditorWindow, ListAreaStartsAtTheCursorRow) {
    Fixture f;
    for (int i = 0; i < 6; ++i) f.track(0).events.pushBack(Event{});
    EditorWindow* ed = f.window->openEditor(0, f.track(0));
    for (int i = 0; i < 3; ++i) ed->runAction(kActDown);
    const int h = ed->editor().charHeight();
    const QWidget& pane = ed->paneWidget();
    const QRect area = ed->listArea();
    EXPECT_EQ(area.topLeft(), pane.mapToGlobal(QPoint(0, EditorLayout::rowsTop(h) + 3 * h)));
    EXPECT_EQ(area.width(), 150);
    EXPECT_EQ(area.bottom() + 1, pane.mapToGlobal(QPoint(0, pane.height())).y());
}

}  // namespace
}  // namespace tarvio
