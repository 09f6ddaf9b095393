// The numerical editor window: the editor pane hosted in a widget with a scroll bar, its fixed
// width of 48 characters, the title, the 20 ms link timer, the context menu and the window move
// by its top band. The controller and the pane decide everything; this only paints, forwards
// the keys and the mouse, and shows the dialogs the controller asks for.
#pragma once

// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "editor/editor_pane.h"
#include "editor/numeric_editor.h"
// (the order above is deliberate)

#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "views/ui/pane_widget.h"

class QKeyEvent;
class QMenu;
class QScrollBar;
class QTimer;

namespace tarvio {

class Document;
class EditorWindow;

// What an editor window needs from the program.
struct EditorServices {
    NumericEditor::Env env;
    const std::array<std::string, 128>* controllerNames = nullptr;
    StripNames stripNames;
    std::function<int(const QKeyEvent&)> virtualKey;  // null: the panes' default translation
    std::function<QFont(int charHeight)> font;        // the shared fixed-pitch fonts
    // Shows a dialog or list for a request and returns its outcome; null: every request is
    // answered as cancelled.
    std::function<EditorResult(QWidget* parent, const EditorRequest&)> answer;
    // Requests that open another window (grid editor, phrase editor).
    std::function<void(EditorWindow&, const EditorRequest&)> open;
    std::function<bool()> scrollLock;                       // null: off
    std::function<bool(const EditorWindow&)> isActive;      // null: always active
};

// The pane host: keys reach the controller before the typed text, the editor's own keys win
// over the menus' shortcuts, and a press on the top band moves the whole window.
class EditorWidget : public PaneWidget {
    Q_OBJECT
public:
    EditorWidget(std::unique_ptr<EditorPane> pane, const KeyMap* keys, QWidget* parent = nullptr);
    EditorPane& pane() const { return *pane_; }
    // Qt keys to virtual keys (null: the panes' default translation).
    void setVirtualKeys(std::function<int(const QKeyEvent&)> f);
    int virtualKey(const QKeyEvent& e) const;
    // The window a move drags (the MDI frame), and the area it moves in.
    void setMoveTarget(std::function<QWidget*()> f) { moveTarget_ = std::move(f); }
    void beginMove();
    bool moving() const { return moving_; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool editorTakes(const QKeyEvent& e) const;

    EditorPane* pane_;
    const KeyMap* keys_;
    std::function<int(const QKeyEvent&)> vk_;
    std::function<QWidget*()> moveTarget_;
    bool moving_ = false;
    QPoint pressGlobal_, moveFrom_;
    QPoint lastPressGlobal_;
};

class EditorWindow : public QWidget {
    Q_OBJECT
public:
    EditorWindow(Document& document, EditorServices services, int slot, Track& list, QWidget* parent = nullptr);
    ~EditorWindow() override;

    int slot() const { return slot_; }
    NumericEditor& editor() const { return *editor_; }
    EditorPane& pane() const { return widget_->pane(); }
    EditorWidget& paneWidget() const { return *widget_; }
    Document& document() const { return document_; }

    // Shows another list (opening a track in a slot that has a window), the cursor at tick when
    // given.
    void retarget(Track& list, std::optional<int64_t> tick = std::nullopt);
    // The MIDI input's notifications: note-on, all keys released, reset.
    void noteOn(int key, int velocity);
    void allReleased();
    void inputReset();
    // Character height 12, 14 or 16: the caret and the fixed width follow.
    void setCharHeight(int h);
    // Runs an editor action (menus).
    void runAction(int code);
    // The 20 ms timer's work, callable directly.
    void followTick();
    // "Numerical Editor - Track  - <name>" or "Numerical Editor - Phrase - <name>".
    static QString titleFor(int slot, const Track* list);
    // The window's fixed width for a character height.
    static int fixedWidth(int charHeight) { return EditorLayout::frameWidth(charHeight); }
    QSize sizeHint() const override;

    // Where a data-entry list slides in, in global coordinates: along the left edge from the
    // cursor row to the bottom of the rows.
    QRect listArea() const;

    // The context menu with its actions (for tests: the action of a code).
    QMenu* contextMenu() const { return menu_; }

    // The status line's function-key values for the modifiers held (Shift, Ctrl).
    QString fkeyStatus(Qt::KeyboardModifiers modifiers) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The list left the song: the window should close.
    void listGone();
    // The frame's status line: the function keys of the modifiers now held.
    void statusText(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void changed();
    void answer(const EditorRequest& r);
    void buildContextMenu();
    void updateFrame();
    void updateScrollBar();
    void documentChanged();

    Document& document_;
    EditorServices services_;
    int slot_;
    std::unique_ptr<NumericEditor> editor_;
    EditorWidget* widget_;
    QScrollBar* scroll_;
    QTimer* timer_;
    QMenu* menu_ = nullptr;
    bool updatingScroll_ = false;
    struct Listener;
    std::unique_ptr<Listener> listener_;
};

}  // namespace tarvio
