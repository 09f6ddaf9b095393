// The main window: an MDI frame holding the document's views, with the menus, the tool bar,
// the transport and keyboard bars, the status bar and the 10 ms timer. Everything that opens,
// saves or replaces the document, and the settings dialogs, goes through the host; the
// transport, markers, view switching and the PC keyboard's notes are handled here.
#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/menu_table.h"
#include "app/pc_keyboard.h"
#include "app/window_layout.h"

class QAction;
class QMenu;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QToolBar;

namespace tarvio {

struct EditorRequest;
struct EditorResult;

class Document;
struct DocumentChange;
class EditorWindow;
class EditorClipboard;
class Song;
class Track;
class KeyboardBar;
class MainWindowHost;
class Transport;
class TransportBar;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The host and the transport outlive the window.
    MainWindow(MainWindowHost& host, Transport& transport, QWidget* parent = nullptr);
    ~MainWindow() override;

    QMdiArea* mdiArea() const { return mdi_; }
    TransportBar* transportBar() const { return transportBar_; }
    KeyboardBar* keyboardBar() const { return keyboardBar_; }
    // The action of a menu command (arg: marker 1..10 or editor slot 0..2), null when none.
    QAction* action(MenuCommand command, int arg = 0) const;
    MenuState menuState() const { return state_; }
    int pcKeyboardVelocity() const { return pc_.velocity(); }

    // Called by the host after the document was created, opened, replaced or closed: the old
    // document's windows close, the new one gets its track list, menus and title follow.
    void documentReplaced();
    // Shows the dialog an editor asks for (set by the program, which links the dialogs);
    // without one every request is answered as cancelled. Editors opened later use it.
    using EditorAnswer = std::function<EditorResult(QWidget* parent, const EditorRequest&)>;
    void setEditorAnswer(EditorAnswer answer) { editorAnswer_ = std::move(answer); }

    // A view window of the document. kind is the view's menu state; slot the editor slot (0..2,
    // 9 for the phrase editor) or -1.
    QMdiSubWindow* addView(QWidget* view, MenuState kind, int slot = -1);
    QMdiSubWindow* findView(MenuState kind, int slot = -1) const;

    void runCommand(MenuCommand command, int arg = 0);

    // Opens list in the numerical editor of slot (0..2, 9 the phrase editor): a window of that
    // slot is retargeted to it, else one is created; either is activated. tick: where the
    // cursor goes (the song position), else the window's own.
    EditorWindow* openEditor(int slot, Track& list, std::optional<int64_t> tick = std::nullopt);
    EditorWindow* editorWindow(int slot) const;
    // The numerical editor of the active child window, null when that is another kind.
    EditorWindow* activeEditor() const;

    // From any thread (the MIDI input's notification): queued to the user-interface thread. The
    // caller stops posting before the window is destroyed.
    void postEngineNotification(int kind, int value);
    void handleEngineNotification(int kind, int value);

    // The docking bars' layout with the status bar's visibility; restoring also takes the bars'
    // layout alone, as earlier versions stored it.
    QByteArray barState() const;
    bool restoreBarState(const QByteArray& state);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The window is closing (the document is closed): the application saves the placement.
    void aboutToClose();
    // Dialogs the host does not offer; the application connects them.
    void fkeySettingsRequested();
    void keySettingsRequested();
    void phraseManagerRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void fillRecentFiles();
    void tick();
    void updateMenus();
    void updateEditorChecks();
    static int editorActionOf(MenuCommand command);
    void updateTitle();
    void activateView(QMdiSubWindow* window);
    void showTrackList();
    void openFromTrackList(int target, int row, const QString& message);
    void closeViews(Document* current, bool now);
    // The stored rectangle of a view window's kind and slot, null when none is kept.
    LayoutRect* layoutRect(const QMdiSubWindow* window) const;
    void placeView(QMdiSubWindow* window, QWidget* view);
    void storePlacement(QMdiSubWindow* window);
    bool capsLock() const;
    void documentChanged(const std::vector<DocumentChange>& changes);

    MainWindowHost& host_;
    Transport& transport_;
    QMdiArea* mdi_;
    TransportBar* transportBar_;
    KeyboardBar* keyboardBar_;
    QToolBar* toolBar_ = nullptr;
    QTimer* timer_;
    std::vector<QAction*> entryActions_;  // by menu-table index (null for submenu ends)
    QAction* statusBarAction_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    std::vector<QAction*> recentActions_;  // the recent files and their separator
    QAction* loopAction_ = nullptr;
    QAction* pcKeyboardAction_ = nullptr;
    MenuState state_ = MenuState::NoDocument;
    struct Listener;
    std::unique_ptr<Listener> listener_;
    Document* listening_ = nullptr;
    const Song* shownSong_ = nullptr;  // the song the views show
    PcKeyboard pc_;
    bool wasRecording_ = false;
    std::unique_ptr<EditorClipboard> clipboard_;
    EditorAnswer editorAnswer_;
};

}  // namespace tarvio
