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
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

struct EditorHost final : MainWindowHost {
    explicit EditorHost(Transport& t) : doc(std::make_unique<Document>(t)) {}
    std::unique_ptr<Document> doc;
    AppConfig config;
    Document* document() override { return doc.get(); }
    void newDocument() override {}
    void openDocument() override {}
    void openFile(const QString&) override {}
    int saves = 0;
    MainWindow* window = nullptr;
    // As the application does: the window hears of the save.
    void saveDocument() override {
        ++saves;
        if (window) window->documentReplaced();
    }
    void saveDocumentAs() override {}
    void importSmf() override {}
    void exportSmf() override {}
    QStringList recentFiles() override { return {}; }
    bool closeDocument() override { return true; }
    void editSongInfo() override {}
    void changeResolution() override {}
    void portSettings() override {}
    void metronomeSettings() override {}
    void recordingSettings() override {}
    void syncSettings() override {}
    WindowLayout& windowLayout() override { return config.layout; }
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

}  // namespace
}  // namespace tarvio
