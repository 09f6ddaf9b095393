// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "app/app_settings.h"
#include "app/document.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "app/transport.h"
#include "model/song.h"
// (the order above is deliberate)
#include "editor/ui/editor_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <QTimer>

#include "views/ui/strip_document.h"

namespace tarvio {

// ---------------------------------------------------------------- EditorWidget

EditorWidget::EditorWidget(std::unique_ptr<EditorPane> pane, const KeyMap* keys, QWidget* parent)
    : PaneWidget(nullptr, parent), pane_(pane.get()), keys_(keys) {
    view().setRoot(std::move(pane));
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void EditorWidget::setVirtualKeys(std::function<int(const QKeyEvent&)> f) {
    vk_ = f;
    setKeyTranslator(std::move(f));
}

int EditorWidget::virtualKey(const QKeyEvent& e) const { return vk_ ? vk_(e) : defaultVirtualKey(e); }

// Whether a key belongs to the editor rather than to a menu shortcut: every key without Ctrl
// or Alt (but Esc, the stop key, only while something is typed), and the keys the key map
// binds with them, except those the menus keep (Ctrl+L, N, O, S and the digits).
bool EditorWidget::editorTakes(const QKeyEvent& e) const {
    auto& v = const_cast<EditorWidget*>(this)->view();
    if (v.focus() || v.popup()) return true;
    const unsigned mods = modifiersOf(e.modifiers());
    const int vk = virtualKey(e);
    const bool ctrl = mods & kPaneCtrl, alt = mods & kPaneAlt, shift = mods & kPaneShift;
    if (!ctrl && !alt) return vk != 0x1B || pane_->editor().typed().active();
    if (vk == 0 || (vk >= '0' && vk <= '9')) return false;
    if (ctrl && !shift && (vk == 'L' || vk == 'N' || vk == 'O' || vk == 'S')) return false;
    const int state = ctrl && shift ? 6 : ctrl ? 2 : shift ? 4 : 1;
    if (state == 1 && (ctrl || shift)) return false;
    return keys_ && keys_->action(vk, state) != 0;
}

bool EditorWidget::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (editorTakes(*k)) {
            k->accept();
            return true;
        }
    }
    return PaneWidget::event(e);
}

// The key goes to the controller first and its character after it, as a key press and its
// character arrive one after the other; an open field or list takes both as the panes do.
void EditorWidget::keyPressEvent(QKeyEvent* event) {
    if (view().focus() || view().popup()) {
        PaneWidget::keyPressEvent(event);
        return;
    }
    const unsigned mods = modifiersOf(event->modifiers());
    const int vk = virtualKey(*event);
    if (vk != 0) view().key(vk, mods);
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(mods & kPaneCtrl)) view().typed(text.toStdString(), mods);
    event->accept();
    refresh();
}

void EditorWidget::beginMove() {
    QWidget* t = moveTarget_ ? moveTarget_() : nullptr;
    if (!t) return;
    moving_ = true;
    pressGlobal_ = lastPressGlobal_;
    moveFrom_ = t->pos();
}

void EditorWidget::mousePressEvent(QMouseEvent* event) {
    lastPressGlobal_ = event->globalPosition().toPoint();
    moving_ = false;
    PaneWidget::mousePressEvent(event);
}

void EditorWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!moving_) {
        PaneWidget::mouseMoveEvent(event);
        return;
    }
    QWidget* t = moveTarget_ ? moveTarget_() : nullptr;
    if (!t || !t->parentWidget()) return;
    const QPoint d = event->globalPosition().toPoint() - pressGlobal_;
    const QWidget* area = t->parentWidget();
    const Point p = snapEditorWindow({moveFrom_.x(), moveFrom_.y()}, {d.x(), d.y()}, t->width(), t->height(),
                                     area->width(), area->height());
    t->move(p.x, p.y);
}

void EditorWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) moving_ = false;
    PaneWidget::mouseReleaseEvent(event);
}

void EditorWidget::resizeEvent(QResizeEvent* event) {
    PaneWidget::resizeEvent(event);
    pane_->setSize(width(), height());
    update();
}

// ---------------------------------------------------------------- EditorWindow

struct EditorWindow::Listener final : DocumentListener {
    explicit Listener(EditorWindow& w) : window(w) {}
    void documentChanged(const std::vector<DocumentChange>&) override { window.documentChanged(); }
    EditorWindow& window;
};

namespace {
constexpr int kScrollBarWidth = 16;
constexpr int kEntryListWidth = 150;
}

EditorWindow::EditorWindow(Document& document, EditorServices services, int slot, Track& list, QWidget* parent)
    : QWidget(parent),
      document_(document),
      services_(std::move(services)),
      slot_(slot),
      editor_(std::make_unique<NumericEditor>(document, services_.env, slot, list)),
      listener_(std::make_unique<Listener>(*this)) {
    setObjectName(QStringLiteral("NumericEditor%1").arg(slot));
    auto pane = std::make_unique<EditorPane>(*editor_, services_.controllerNames);
    pane->setStripNames(services_.stripNames);
    EditorPane::Callbacks cb;
    cb.request = [this](const EditorRequest& r) { answer(r); };
    cb.strip = [this](const StripCommand& c) { carryOut(document_, c); };
    cb.moveStart = [this] { widget_->beginMove(); };
    cb.contextMenu = [this](Point p) { menu_->popup(widget_->mapToGlobal(QPoint(p.x, p.y))); };
    cb.changed = [this] { changed(); };
    pane->setCallbacks(std::move(cb));

    widget_ = new EditorWidget(std::move(pane), services_.env.keys, this);
    if (services_.virtualKey) widget_->setVirtualKeys(services_.virtualKey);
    if (services_.font) widget_->setFontFor(services_.font);
    widget_->setMoveTarget([this]() -> QWidget* {
        QWidget* frame = parentWidget();
        return qobject_cast<QMdiSubWindow*>(frame) ? frame : nullptr;
    });
    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setFixedWidth(kScrollBarWidth);
    scroll_->setFocusPolicy(Qt::NoFocus);
    connect(scroll_, &QScrollBar::actionTriggered, this, [this](int) {
        if (updatingScroll_) return;
        // The rows follow the cursor: the bar moves the cursor to the row it shows first.
        QTimer::singleShot(0, this, [this] {
            editor_->pointAt(scroll_->value(), -1, false);
            changed();
        });
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(widget_);
    layout->addWidget(scroll_);
    setFocusProxy(widget_);
    widget_->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { followTick(); });
    timer_->start(20);

    buildContextMenu();
    document_.addListener(listener_.get());
    setWindowTitle(titleFor(slot_, editor_->list()));
    updateFrame();
}

EditorWindow::~EditorWindow() {
    document_.removeListener(listener_.get());
    // The pane refers to the controller: it goes first.
    delete widget_;
    widget_ = nullptr;
}

QString EditorWindow::titleFor(int slot, const Track* list) {
    const QString name = list ? QString::fromStdString(list->name) : QString();
    return slot == 9 ? QStringLiteral("Numerical Editor - Phrase - %1").arg(name)
                     : QStringLiteral("Numerical Editor - Track  - %1").arg(name);
}

QSize EditorWindow::sizeHint() const {
    const int h = editor_->charHeight();
    return {EditorLayout::paneWidth(h) + kScrollBarWidth, EditorLayout::rowsTop(h) + 30 * h + 2};
}

// The width is fixed at 48 characters: the frame around it keeps it too.
void EditorWindow::updateFrame() {
    const int w = EditorLayout::paneWidth(editor_->charHeight()) + kScrollBarWidth;
    widget_->setFixedWidth(EditorLayout::paneWidth(editor_->charHeight()));
    setFixedWidth(w);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        const QMargins m = frame->contentsMargins();
        frame->setFixedWidth(w + m.left() + m.right());
    }
    widget_->pane().setSize(widget_->width(), widget_->height());
    updateScrollBar();
}

void EditorWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateFrame();
}

void EditorWindow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    widget_->setFocus();
}

QString EditorWindow::fkeyStatus(Qt::KeyboardModifiers m) const {
    const FkeyTable* table = services_.env.fkeys;
    if (!table) return {};
    const bool shift = m.testFlag(Qt::ShiftModifier), ctrl = m.testFlag(Qt::ControlModifier);
    const int row = shift && ctrl ? 3 : ctrl ? 2 : shift ? 1 : 0;
    return QString::fromStdString(fkeyStatusText(*table, row));
}

// Pressing or releasing Shift or Ctrl shows the function keys of the new state.
bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_) {
        const QEvent::Type t = event->type();
        if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Shift || k->key() == Qt::Key_Control) emit statusText(fkeyStatus(k->modifiers()));
        } else if (t == QEvent::FocusIn) {
            emit statusText(fkeyStatus(QGuiApplication::queryKeyboardModifiers()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EditorWindow::setCharHeight(int h) {
    editor_->setCharHeight(h);
    updateFrame();
    changed();
}

void EditorWindow::runAction(int code) { pane().runAction(code); }

void EditorWindow::retarget(Track& list, std::optional<int64_t> tick) {
    editor_->switchTo(list);
    if (tick) editor_->followSongPosition(*tick);
    pane().listChanged();
    changed();
}

void EditorWindow::noteOn(int key, int velocity) {
    editor_->midiNoteOn(key, velocity);
    changed();
}

void EditorWindow::allReleased() {
    editor_->midiAllReleased();
    changed();
}

void EditorWindow::inputReset() { editor_->midiReset(); }

void EditorWindow::changed() {
    if (!editor_->list()) {
        emit listGone();
        return;
    }
    setWindowTitle(titleFor(slot_, editor_->list()));
    updateScrollBar();
    widget_->update();
}

void EditorWindow::documentChanged() {
    if (!editor_->list()) {
        // Closing from inside the document's notice would pull the listener from under it.
        QTimer::singleShot(0, this, [this] { emit listGone(); });
        return;
    }
    setWindowTitle(titleFor(slot_, editor_->list()));
    updateScrollBar();
    widget_->update();
}

void EditorWindow::followTick() {
    if (!editor_->list()) return;
    const bool active = !services_.isActive || services_.isActive(*this);
    const bool scrollLock = services_.scrollLock && services_.scrollLock();
    if (editor_->linkTimer(active, scrollLock)) {
        updateScrollBar();
        widget_->update();
    }
}

void EditorWindow::updateScrollBar() {
    updatingScroll_ = true;
    scroll_->setRange(0, int(std::max<int64_t>(0, std::min<int64_t>(editor_->rowCount() - 1, INT32_MAX))));
    scroll_->setPageStep(pane().visibleRowCount());
    scroll_->setValue(int(std::min<int64_t>(editor_->firstVisibleRow(), INT32_MAX)));
    updatingScroll_ = false;
}

QRect EditorWindow::listArea() const {
    const int h = editor_->charHeight();
    const int64_t shown = std::clamp<int64_t>(editor_->row() - editor_->firstVisibleRow(), 0, pane().visibleRowCount());
    const int top = EditorLayout::rowsTop(h) + int(shown) * h;
    const QPoint at = widget_->mapToGlobal(QPoint(0, top));
    return {at.x(), at.y(), kEntryListWidth, std::max(h, widget_->height() - top)};
}

void EditorWindow::answer(const EditorRequest& r) {
    if (r.kind == EditorRequest::Kind::GridEditor || r.kind == EditorRequest::Kind::OpenPhraseEditor) {
        if (services_.open) services_.open(*this, r);
        return;
    }
    EditorResult result;  // cancelled unless a dialog says otherwise
    if (services_.answer) result = services_.answer(this, r);
    pane().complete(result);
}

void EditorWindow::buildContextMenu() {
    menu_ = new QMenu(tr("編集(&E)"), this);
    const auto add = [this](QMenu* m, const QString& text, int code) {
        QAction* a = m->addAction(text);
        a->setData(code);
        connect(a, &QAction::triggered, this, [this, code] { runAction(code); });
        return a;
    };
    add(menu_, tr("元に戻す"), kActUndo);
    add(menu_, tr("やり直す"), kActRedo);
    menu_->addSeparator();
    add(menu_, tr("消去"), kActErase);
    add(menu_, tr("サーチ"), kActSearch);
    add(menu_, tr("ジャンプ"), kActJump);
    add(menu_, tr("全て選択"), kActSelectAll);
    menu_->addSeparator();
    add(menu_, tr("切り取り"), kActCut);
    add(menu_, tr("コピー"), kActCopy);
    add(menu_, tr("貼り付け"), kActPaste);
    add(menu_, tr("貼り付け（ミックス）"), kActPasteMix);
    add(menu_, tr("貼り付け（上書き）"), kActPasteReplace);
    menu_->addSeparator();
    add(menu_, tr("フレーズ化"), kActMakePhrase);
    add(menu_, tr("クオンタイズ"), kActQuantize);
    add(menu_, tr("グラフィカルデータセット"), kActControlCurve);
    add(menu_, tr("シフト/トランポーズ"), kActShift);
    add(menu_, tr("コンプレス/エキスパンド"), kActCompress);
    QMenu* entry = menu_->addMenu(tr("データ入力"));
    add(entry, tr("コントローラ"), kActInsertController);
    add(entry, tr("プロシージャ"), kActInsertProcedure);
    add(entry, tr("フレーズ呼び出し"), kActInsertPhrase);
    add(entry, tr("演算コマンド"), kActInsertCommand);
    add(entry, tr("クローン"), kActInsertClone);
    add(entry, tr("エクスクルーシヴ"), kActInsertExclusive);
}

}  // namespace tarvio
