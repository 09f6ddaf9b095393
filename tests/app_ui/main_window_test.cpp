#include <gtest/gtest.h>

// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "app/document.h"
#include "app/fake_transport.h"
#include "model/song.h"
// (the order above is deliberate)
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <memory>

#include "app/ui/main_window.h"
#include "app/ui/main_window_host.h"
#include "app/ui/program_icon.h"
#include "app/ui/track_list_window.h"
#include "app/ui/transport_bar.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

struct FakeHost final : MainWindowHost {
    explicit FakeHost(Transport& t) : transport(t) {}
    Transport& transport;
    std::unique_ptr<Document> doc;
    MainWindow* window = nullptr;
    QStringList calls;

    Document* document() override { return doc.get(); }
    void newDocument() override {
        calls << "new";
        doc = std::make_unique<Document>(transport);
        if (window) window->documentReplaced();
    }
    void openDocument() override { calls << "open"; }
    void openFile(const QString& path) override { calls << "openFile " + path; }
    void saveDocument() override { calls << "save"; }
    void saveDocumentAs() override { calls << "saveAs"; }
    void importSmf() override { calls << "import"; }
    void exportSmf() override { calls << "export"; }
    QStringList recentFiles() override { return {}; }
    bool closeDocument() override {
        calls << "close";
        doc.reset();
        if (window) window->documentReplaced();
        return true;
    }
    void editSongInfo() override { calls << "songInfo"; }
    void changeResolution() override { calls << "resolution"; }
    void portSettings() override { calls << "ports"; }
    void metronomeSettings() override { calls << "metronome"; }
    void recordingSettings() override { calls << "recording"; }
    void syncSettings() override { calls << "sync"; }
    WindowLayout& windowLayout() override { return layout; }
    WindowLayout layout;
};

struct Fixture {
    Fixture() : host(transport) {
        ensureApp();
        window = std::make_unique<MainWindow>(host, transport);
        host.window = window.get();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
    }
    ~Fixture() { host.window = nullptr; }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, k, m);
    }
    FakeTransport transport;
    FakeHost host;
    std::unique_ptr<MainWindow> window;
};

TEST(MainWindow, AcceleratorsReachTheHostAndTheTransportByState) {
    Fixture f;
    EXPECT_EQ(f.window->windowTitle(), "tarvio");
    f.key(Qt::Key_S, Qt::ControlModifier);  // no document: no save
    f.key(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(f.host.calls, QStringList{"new"});
    EXPECT_EQ(f.window->menuState(), MenuState::TrackList);
    EXPECT_EQ(f.window->windowTitle().toStdString(), f.host.doc->windowTitle());
    f.transport.takeCalls();

    f.key(Qt::Key_S, Qt::ControlModifier);
    f.key(Qt::Key_L, Qt::ControlModifier);
    f.key(Qt::Key_Escape);
    f.transport.snap.position = 960;
    f.key(Qt::Key_2, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(f.host.calls, (QStringList{"new", "save"}));
    EXPECT_EQ(f.transport.takeCalls().find("setLoopOn 1\nstop\n"), 0u);
    EXPECT_EQ(f.host.doc->marker(2), 960);

    // Alt+2 without an editor in slot 1 leaves the track list active; Alt+0 brings it back.
    QMdiSubWindow* list = f.window->mdiArea()->activeSubWindow();
    ASSERT_TRUE(list && qobject_cast<TrackListWindow*>(list->widget()));
    f.key(Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(f.window->mdiArea()->activeSubWindow(), list);
    delete list;
    f.key(Qt::Key_0, Qt::AltModifier);
    EXPECT_EQ(f.window->mdiArea()->subWindowList().size(), 1);

    // Machine control from the input thread arrives queued: jump to marker 2 while stopped.
    f.window->postEngineNotification(3, 1);
    EXPECT_EQ(f.transport.takeCalls(), "");
    QCoreApplication::processEvents();
    EXPECT_EQ(f.transport.takeCalls(), "locate 960\n");
    f.transport.snap.playing = true;
    f.window->handleEngineNotification(4, 1500);  // milliseconds: 1.5 s at 120 per quarter
    EXPECT_EQ(f.transport.takeCalls(), "stop\nlocate " + std::to_string(3 * f.host.doc->song().tpqn) + "\n");

    // Closing the window closes the document first; the views let go of it.
    int closing = 0;
    QObject::connect(f.window.get(), &MainWindow::aboutToClose, [&] { ++closing; });
    EXPECT_TRUE(f.window->close());
    EXPECT_EQ(closing, 1);
    EXPECT_EQ(f.host.calls.last(), "close");
    EXPECT_EQ(f.window->menuState(), MenuState::NoDocument);
    EXPECT_EQ(f.window->windowTitle(), "tarvio");
}

TEST(MainWindow, PcKeyboardStandInPlaysNotesAndStepsVelocity) {
    Fixture f;
    f.host.newDocument();
    f.transport.takeCalls();
    f.key(Qt::Key_Q);  // Caps Lock cannot be read offscreen and the item is off
    EXPECT_EQ(f.transport.takeCalls(), "");
    f.window->action(MenuCommand::PcKeyboard)->setChecked(true);
    auto* list = static_cast<TrackListWindow*>(f.window->mdiArea()->activeSubWindow()->widget());
    f.host.doc->song().createTrack();
    list->documentChanged({DocumentChange::of(DocumentChange::Kind::Tracks)});
    f.key(Qt::Key_Q);
    f.key(Qt::Key_Down);  // not a note key: the track list still gets it
    EXPECT_EQ(f.transport.takeCalls(), "injectInput 643C90\ninjectInput 403C80\n");
    EXPECT_EQ(list->list().selected(), 0);
    for (int i = 0; i < 3; ++i) f.key(Qt::Key_Period);
    EXPECT_EQ(f.window->pcKeyboardVelocity(), 127);
}

TEST(MainWindow, TimerRefreshesBarsAndTakesRecordingAfterItEnds) {
    Fixture f;
    f.host.newDocument();
    Track& track = f.host.doc->song().createTrack();
    track.record = 1;
    f.transport.snap.tempo = 87;
    f.transport.snap.recording = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.window->transportBar()->view().current().tempo == "     87"; }));
    FakeTransport::Take take;
    Event e;
    e.setNote(64, 90, 200);
    e.step = 480;
    take.events.pushBack(e);
    f.transport.takes.push_back(std::move(take));
    f.transport.snap.recording = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.transport.takes.empty(); }));
    EXPECT_FALSE(track.events.empty());
}

// The titles of the menu bar's menus that show now.
QStringList shownMenus(const MainWindow& w) {
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        if (a->isVisible()) titles << a->text();
    return titles;
}

TEST(MainWindow, MenusOfTheStateShowAndEntriesWithoutTheirWindowAreDisabled) {
    Fixture f;
    EXPECT_EQ(shownMenus(*f.window), (QStringList{"ファイル(&F)", "表示(&V)", "再生(&P)", "設定(&S)", "ヘルプ(&H)"}));
    EXPECT_TRUE(f.window->action(MenuCommand::TransportBar)->isVisible());
    f.host.newDocument();
    EXPECT_EQ(shownMenus(*f.window).size(), 7);
    for (MenuCommand c : {MenuCommand::PhraseManager, MenuCommand::Undo,
                          MenuCommand::Paste, MenuCommand::AddTrack, MenuCommand::FollowPlayback}) {
        ASSERT_TRUE(f.window->action(c)) << int(c);
        EXPECT_TRUE(f.window->action(c)->isVisible()) << int(c);
        EXPECT_FALSE(f.window->action(c)->isEnabled()) << int(c);
    }
    for (MenuCommand c : {MenuCommand::About, MenuCommand::FkeySettings, MenuCommand::KeySettings, MenuCommand::EditTrack})
        EXPECT_TRUE(f.window->action(c)->isEnabled()) << int(c);
    EXPECT_TRUE(f.window->action(MenuCommand::MetronomeSettings)->isEnabled());

    // A modified document is marked in the title, and the mark goes with a save.
    EXPECT_FALSE(f.window->windowTitle().contains(QLatin1Char('*')));
    f.host.doc->setSongInfo("Changed", "");
    EXPECT_TRUE(f.window->windowTitle().contains(QStringLiteral("* - Changed")));
}

TEST(MainWindow, HiddenStatusBarComesBackHidden) {
    QByteArray state;
    {
        Fixture f;
        QAction* status = f.window->action(MenuCommand::StatusBar);
        ASSERT_TRUE(status->isChecked());
        status->trigger();
        EXPECT_TRUE(f.window->statusBar()->isHidden());
        state = f.window->barState();
    }
    Fixture again;
    EXPECT_TRUE(again.window->restoreBarState(state));
    EXPECT_TRUE(again.window->statusBar()->isHidden());
    EXPECT_FALSE(again.window->action(MenuCommand::StatusBar)->isChecked());
    // The bars' layout stored alone, as before, still restores and leaves the status bar shown.
    Fixture plain;
    EXPECT_TRUE(plain.window->restoreBarState(plain.window->saveState()));
    EXPECT_FALSE(plain.window->statusBar()->isHidden());
}

// The track list and the editor windows take their stored rectangle when they open (a zero one
// leaves the size to the view) and store where they stood when they close, unless maximised.
TEST(MainWindow, ViewWindowsTakeAndStoreTheirRectangles) {
    Fixture f;
    f.host.layout.trackList() = {30, 40, 530, 400};
    f.host.newDocument();
    QMdiSubWindow* list = f.window->findView(MenuState::TrackList);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->geometry(), QRect(30, 40, 500, 360));
    list->setGeometry(50, 60, 300, 200);
    f.host.closeDocument();
    EXPECT_EQ(f.host.layout.trackList(), (LayoutRect{50, 60, 350, 260}));

    f.host.newDocument();
    list = f.window->findView(MenuState::TrackList);
    EXPECT_EQ(list->geometry(), QRect(50, 60, 300, 200));
    list->showMaximized();
    f.host.newDocument();
    EXPECT_EQ(f.host.layout.trackList(), (LayoutRect{50, 60, 350, 260}));

    // Any view kind and slot goes the same way: an editor in slot 1 closed by the user.
    QMdiSubWindow* editor = f.window->addView(new QWidget, MenuState::Editor, 1);
    editor->setGeometry(10, 20, 200, 100);
    editor->close();
    EXPECT_EQ(*f.host.layout.editor(1), (LayoutRect{10, 20, 210, 120}));
    EXPECT_EQ(*f.host.layout.editor(0), LayoutRect{});
    QMdiSubWindow* reopened = f.window->addView(new QWidget, MenuState::Editor, 1);
    EXPECT_EQ(reopened->geometry(), QRect(10, 20, 200, 100));
}

TEST(MainWindow, EveryWindowCarriesTheProgramIconAndLoopHasItsOwn) {
    ensureApp();
    installProgramIcon();
    Fixture f;
    f.host.newDocument();
    ASSERT_FALSE(programIcon().isNull());
    const qint64 icon = programIcon().cacheKey();
    EXPECT_EQ(f.window->windowIcon().cacheKey(), icon);
    EXPECT_EQ(f.window->findView(MenuState::TrackList)->windowIcon().cacheKey(), icon);
    QWidget dialog(f.window.get(), Qt::Dialog);
    EXPECT_EQ(dialog.windowIcon().cacheKey(), icon);

    const QImage loop = f.window->action(MenuCommand::Loop)->icon().pixmap(32, 32).toImage();
    EXPECT_FALSE(loop.isNull());
    EXPECT_NE(loop, f.window->style()->standardIcon(QStyle::SP_BrowserReload).pixmap(32, 32).toImage());
}

}  // namespace
}  // namespace tarvio
