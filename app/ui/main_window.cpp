// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "app/app_config.h"
#include "app/document.h"
#include "editor/ui/editor_window.h"
#include "model/musical_time.h"
#include "model/song.h"
// (the order above is deliberate)
#include "app/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDataStream>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "app/transport.h"
#include "app/port_list.h"
#include "app/ui/about_dialog.h"
#include "app/ui/caps_lock.h"
#include "app/ui/fonts.h"
#include "app/ui/main_window_host.h"
#include "app/ui/track_list_window.h"
#include "app/ui/transport_bar.h"
#include "app/ui/virtual_keys.h"

namespace tarvio {

namespace {

// The view kind and editor slot of a view window.
constexpr const char* kKindProperty = "tarvioViewKind";
constexpr const char* kSlotProperty = "tarvioViewSlot";

QString menuText(const std::string& source) { return QCoreApplication::translate("Menu", source.c_str()); }

QIcon recordIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pm);
}

QIcon loopIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paintLoopSymbol(p, QRectF(5, 9, 22, 14), QColor(40, 110, 200), 2.6);
    return QIcon(pm);
}

// The status bar's visibility travels with the bars' layout under this mark.
constexpr quint32 kBarStateMark = 0x74766273;  // "tvbs"

// A local file among dropped data, empty when none.
QString firstLocalFile(const QMimeData* data) {
    if (!data) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

// The editors' clipboard: the "tarvio sequence" block on the system clipboard.
class SystemEditorClipboard final : public EditorClipboard {
public:
    std::vector<uint8_t> read() override {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        const QString mime = QString::fromLatin1(Document::kClipboardMime);
        if (!data || !data->hasFormat(mime)) return {};
        const QByteArray bytes = data->data(mime);
        return {bytes.begin(), bytes.end()};
    }
    void write(std::vector<uint8_t> block) override {
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(Document::kClipboardMime),
                      QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
        QGuiApplication::clipboard()->setMimeData(data);
    }
};

}  // namespace

struct MainWindow::Listener final : DocumentListener {
    explicit Listener(MainWindow& w) : window(w) {}
    void documentChanged(const std::vector<DocumentChange>& changes) override { window.documentChanged(changes); }
    MainWindow& window;
};

MainWindow::MainWindow(MainWindowHost& host, Transport& transport, QWidget* parent)
    : QMainWindow(parent),
      host_(host),
      transport_(transport),
      mdi_(new QMdiArea(this)),
      transportBar_(new TransportBar(transport, this)),
      keyboardBar_(new KeyboardBar(this)),
      timer_(new QTimer(this)),
      listener_(std::make_unique<Listener>(*this)),
      clipboard_(std::make_unique<SystemEditorClipboard>()) {
    setObjectName(QStringLiteral("MainWindow"));
    setCentralWidget(mdi_);
    setAcceptDrops(true);
    statusBar();  // created here so that it exists before the menus name it
    buildMenus();
    buildToolBar();
    addToolBar(Qt::TopToolBarArea, transportBar_);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, keyboardBar_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { updateMenus(); });
    connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    timer_->start(10);
    qApp->installEventFilter(this);
    documentReplaced();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    // The document may be gone already when the host closed it without telling us.
    Document* current = host_.document();
    closeViews(current, true);
    if (listening_ && listening_ == current) listening_->removeListener(listener_.get());
}

QAction* MainWindow::action(MenuCommand command, int arg) const {
    const auto& table = menuTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].kind == MenuEntry::Kind::Item && table[i].command == command && table[i].arg == arg) return entryActions_[i];
    return nullptr;
}

void MainWindow::buildMenus() {
    const auto& table = menuTable();
    entryActions_.assign(table.size(), nullptr);
    std::vector<QMenu*> open;
    for (size_t i = 0; i < table.size(); ++i) {
        const MenuEntry& e = table[i];
        switch (e.kind) {
        case MenuEntry::Kind::Menu:
            open = {menuBar()->addMenu(menuText(e.text))};
            connect(open.back(), &QMenu::aboutToShow, this, [this] { updateEditorChecks(); });
            if (!fileMenu_) {
                fileMenu_ = open.back();
                connect(fileMenu_, &QMenu::aboutToShow, this, [this] { fillRecentFiles(); });
            }
            entryActions_[i] = open.back()->menuAction();
            break;
        case MenuEntry::Kind::Submenu:
            open.push_back(open.back()->addMenu(menuText(e.text)));
            entryActions_[i] = open.back()->menuAction();
            break;
        case MenuEntry::Kind::EndSubmenu:
            open.pop_back();
            break;
        case MenuEntry::Kind::Separator:
            entryActions_[i] = open.back()->addSeparator();
            break;
        case MenuEntry::Kind::Item: {
            QAction* a = nullptr;
            switch (e.command) {
            case MenuCommand::TransportBar: a = transportBar_->toggleViewAction(); break;
            case MenuCommand::KeyboardBar: a = keyboardBar_->toggleViewAction(); break;
            case MenuCommand::ToolBar:
                toolBar_ = new QToolBar(menuText(e.text), this);
                toolBar_->setObjectName(QStringLiteral("ToolBar"));
                a = toolBar_->toggleViewAction();
                break;
            case MenuCommand::StatusBar:
                a = statusBarAction_ = new QAction(this);
                connect(a, &QAction::toggled, statusBar(), &QWidget::setVisible);
                break;
            case MenuCommand::Loop:
                a = loopAction_ = new QAction(this);
                connect(a, &QAction::triggered, this, [this](bool on) { transport_.setLoopOn(on); });
                break;
            case MenuCommand::PcKeyboard: a = pcKeyboardAction_ = new QAction(this); break;  // read by the key filter
            default:
                a = new QAction(this);
                connect(a, &QAction::triggered, this, [this, c = e.command, arg = e.arg] { runCommand(c, arg); });
                break;
            }
            a->setText(menuText(e.text));
            a->setCheckable(e.checkable);
            if (a == statusBarAction_) a->setChecked(true);
            if (!e.shortcut.empty()) a->setShortcut(QKeySequence(QString::fromStdString(e.shortcut), QKeySequence::PortableText));
            open.back()->addAction(a);
            addAction(a);  // the accelerators work while the menu bar is hidden or elsewhere
            entryActions_[i] = a;
            break;
        }
        }
    }
}

void MainWindow::buildToolBar() {
    QStyle* s = style();
    struct Button {
        MenuCommand command;
        QIcon icon;
    };
    const Button buttons[] = {
        {MenuCommand::New, s->standardIcon(QStyle::SP_FileIcon)},
        {MenuCommand::Open, s->standardIcon(QStyle::SP_DialogOpenButton)},
        {MenuCommand::Save, s->standardIcon(QStyle::SP_DialogSaveButton)},
        {MenuCommand::None, {}},
        {MenuCommand::Play, s->standardIcon(QStyle::SP_MediaPlay)},
        {MenuCommand::Stop, s->standardIcon(QStyle::SP_MediaStop)},
        {MenuCommand::Record, recordIcon()},
        {MenuCommand::Loop, loopIcon()},
    };
    for (const Button& b : buttons) {
        if (b.command == MenuCommand::None) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = action(b.command);
        a->setIcon(b.icon);
        toolBar_->addAction(a);
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

// The recent files go above the last item of the file menu (exit), numbered as in the
// system's own menus.
void MainWindow::fillRecentFiles() {
    for (QAction* a : recentActions_) delete a;
    recentActions_.clear();
    const QStringList files = host_.recentFiles();
    QAction* before = action(MenuCommand::Exit);
    for (int i = 0; i < files.size() && i < 8; ++i) {
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]), fileMenu_);
        connect(a, &QAction::triggered, this, [this, path = files[i]] { host_.openFile(path); });
        fileMenu_->insertAction(before, a);
        recentActions_.push_back(a);
    }
    if (!recentActions_.empty()) recentActions_.push_back(fileMenu_->insertSeparator(before));
}

void MainWindow::runCommand(MenuCommand command, int arg) {
    Document* doc = host_.document();
    switch (command) {
    case MenuCommand::New: host_.newDocument(); break;
    case MenuCommand::Open: host_.openDocument(); break;
    case MenuCommand::Close: host_.closeDocument(); break;
    case MenuCommand::Save: host_.saveDocument(); break;
    case MenuCommand::SaveAs: host_.saveDocumentAs(); break;
    case MenuCommand::ImportSmf: host_.importSmf(); break;
    case MenuCommand::ExportSmf: host_.exportSmf(); break;
    case MenuCommand::Exit: close(); break;
    case MenuCommand::SongInfo: host_.editSongInfo(); break;
    case MenuCommand::Resolution: host_.changeResolution(); break;
    case MenuCommand::Play: transport_.play(); break;
    case MenuCommand::Stop: transport_.stop(); break;  // ends a recording first
    case MenuCommand::Record: transport_.record(); break;
    case MenuCommand::CueToTop: transport_.cueToTop(); break;
    case MenuCommand::Loop: transport_.setLoopOn(!transport_.snapshot().loopOn); break;
    case MenuCommand::MarkerSet:
        if (doc) doc->setMarker(arg);
        break;
    case MenuCommand::MarkerJump:
        if (doc) doc->jumpToMarker(arg);
        break;
    case MenuCommand::TrackList: showTrackList(); break;
    case MenuCommand::Editor: activateView(findView(MenuState::Editor, arg)); break;
    case MenuCommand::EditTrack:
        // The track list's selected track, as its Enter keys open it.
        if (QMdiSubWindow* w = findView(MenuState::TrackList))
            if (auto* list = qobject_cast<TrackListWindow*>(w->widget()))
                openFromTrackList(int(SimpleTrackList::Target::View1) + arg, list->list().selected(), {});
        break;
    case MenuCommand::GridEditor: activateView(findView(MenuState::Grid)); break;
    case MenuCommand::PhraseManager: emit phraseManagerRequested(); break;
    case MenuCommand::PortSettings: host_.portSettings(); break;
    case MenuCommand::MetronomeSettings: host_.metronomeSettings(); break;
    case MenuCommand::RecordingSettings: host_.recordingSettings(); break;
    case MenuCommand::SyncSettings: host_.syncSettings(); break;
    case MenuCommand::FkeySettings: emit fkeySettingsRequested(); break;
    case MenuCommand::KeySettings: emit keySettingsRequested(); break;
    case MenuCommand::ResetDevices: transport_.resetAllDevices(); break;
    case MenuCommand::About: showAbout(this); break;
    case MenuCommand::Undo: case MenuCommand::Redo: case MenuCommand::Cut: case MenuCommand::Copy:
    case MenuCommand::Paste: case MenuCommand::Delete: case MenuCommand::EditorAction:
        if (EditorWindow* e = activeEditor()) e->runAction(command == MenuCommand::EditorAction ? arg : editorActionOf(command));
        updateEditorChecks();
        break;
    case MenuCommand::FontSize:
        if (EditorWindow* e = activeEditor()) e->setCharHeight(arg);
        updateEditorChecks();
        break;
    default: break;  // the bars and the PC keyboard are toggled by their own actions
    }
}

// ---- document and views ----

void MainWindow::documentReplaced() {
    Document* doc = host_.document();
    // A save keeps the document and its song: the views stay open.
    const Song* song = doc ? &doc->song() : nullptr;
    if (doc && doc == listening_ && song == shownSong_) {
        updateMenus();
        updateTitle();
        return;
    }
    shownSong_ = song;
    closeViews(doc, false);
    // The previous document may have been destroyed: it is called only when it is still the one.
    if (listening_ && listening_ == doc) listening_->removeListener(listener_.get());
    listening_ = doc;
    if (doc) {
        doc->addListener(listener_.get());
        showTrackList();
    }
    updateMenus();
    updateTitle();
}

void MainWindow::closeViews(Document* current, bool now) {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        storePlacement(w);
        if (auto* list = qobject_cast<TrackListWindow*>(w->widget())) list->detach(list->document() == current);
        if (now) {
            delete w;
            continue;
        }
        // Deleted later: the command that replaced the document may have come from this window.
        w->hide();
        mdi_->removeSubWindow(w);
        w->deleteLater();
    }
}

QMdiSubWindow* MainWindow::addView(QWidget* view, MenuState kind, int slot) {
    QMdiSubWindow* w = mdi_->addSubWindow(view);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setProperty(kKindProperty, int(kind));
    w->setProperty(kSlotProperty, slot);
    placeView(w, view);
    w->show();
    return w;
}

LayoutRect* MainWindow::layoutRect(const QMdiSubWindow* w) const {
    const int slot = w->property(kSlotProperty).toInt();
    switch (MenuState(w->property(kKindProperty).toInt())) {
    case MenuState::TrackList: return host_.windowLayout().of(ChildWindow::TrackList);
    case MenuState::Editor: return host_.windowLayout().of(ChildWindow::Editor, slot);
    case MenuState::Grid: return host_.windowLayout().of(ChildWindow::Grid);
    default: return nullptr;
    }
}

// Where the window of this kind stood last; a kind without a rectangle yet gets the view's size.
void MainWindow::placeView(QMdiSubWindow* w, QWidget* view) {
    const LayoutRect* r = layoutRect(w);
    if (r && r->usable()) w->setGeometry(r->left, r->top, r->right - r->left, std::max(1, r->bottom - r->top));
    else w->resize(view->sizeHint());
}

// A maximised or minimised window keeps the rectangle it had before.
void MainWindow::storePlacement(QMdiSubWindow* w) {
    LayoutRect* r = layoutRect(w);
    if (!r || w->isMaximized() || w->isMinimized() || !w->isVisible()) return;
    const QRect g = w->geometry();
    *r = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

QMdiSubWindow* MainWindow::findView(MenuState kind, int slot) const {
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w->property(kKindProperty).toInt() == int(kind) && (slot < 0 || w->property(kSlotProperty).toInt() == slot)) return w;
    return nullptr;
}

void MainWindow::activateView(QMdiSubWindow* w) {
    if (!w) return;
    if (w->isMinimized()) w->showNormal();
    mdi_->setActiveSubWindow(w);
    if (w->widget()) w->widget()->setFocus();
}

void MainWindow::showTrackList() {
    Document* doc = host_.document();
    if (!doc) return;
    if (QMdiSubWindow* w = findView(MenuState::TrackList)) {
        activateView(w);
        return;
    }
    auto* list = new TrackListWindow(*doc);
    connect(list, &TrackListWindow::openRequested, this,
            [this](int target, int row, const QString& message) { openFromTrackList(target, row, message); });
    activateView(addView(list, MenuState::TrackList));
}

// ---- numerical editors ----

// The editor action behind each of the edit menu's commands.
int MainWindow::editorActionOf(MenuCommand command) {
    switch (command) {
    case MenuCommand::Undo: return kActUndo;
    case MenuCommand::Redo: return kActRedo;
    case MenuCommand::Cut: return kActCut;
    case MenuCommand::Copy: return kActCopy;
    case MenuCommand::Paste: return kActPaste;
    case MenuCommand::Delete: return kActDelete;
    default: return kActNone;
    }
}

void MainWindow::openFromTrackList(int target, int row, const QString& message) {
    Document* doc = host_.document();
    const auto t = SimpleTrackList::Target(target);
    if (!doc || t < SimpleTrackList::Target::View1 || t > SimpleTrackList::Target::View3) {
        statusBar()->showMessage(message, 5000);  // the grid editor is still to come
        return;
    }
    Song& song = doc->song();
    Track* list = row < 0 ? song.tempoTrack.get()
                : row < int(song.tracks.size()) ? std::next(song.tracks.begin(), row)->get()
                                                : nullptr;
    if (list) openEditor(int(t) - int(SimpleTrackList::Target::View1), *list);
}

EditorWindow* MainWindow::editorWindow(int slot) const {
    QMdiSubWindow* w = findView(MenuState::Editor, slot);
    return w ? qobject_cast<EditorWindow*>(w->widget()) : nullptr;
}

EditorWindow* MainWindow::activeEditor() const {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    return w ? qobject_cast<EditorWindow*>(w->widget()) : nullptr;
}

EditorWindow* MainWindow::openEditor(int slot, Track& list, std::optional<int64_t> tick) {
    Document* doc = host_.document();
    if (!doc) return nullptr;
    if (QMdiSubWindow* w = findView(MenuState::Editor, slot)) {
        auto* editor = qobject_cast<EditorWindow*>(w->widget());
        if (editor) editor->retarget(list, tick);
        activateView(w);
        return editor;
    }
    AppConfig* config = host_.appConfig();
    EditorServices s;
    if (config) {
        s.env = {&config->keys, &config->fkeys, &config->settings, &config->controllers, clipboard_.get()};
        s.controllerNames = &config->controllers.names;
        for (const BankSet& b : config->banks) s.stripNames.bankSets.push_back(b.title);
    } else {
        s.env.clipboard = clipboard_.get();
    }
    if (config) {
        s.stripNames.deviceOfPort = [config, names = currentDeviceNames()](int port) {
            if (port < 0 || port >= int(config->ports.outputMap.size())) return std::string();
            const int32_t device = config->ports.outputMap[size_t(port)];
            return device < 0 ? std::string() : outDeviceLabel(device, names);
        };
    }
    s.virtualKey = [](const QKeyEvent& e) { return virtualKeyOf(e); };
    s.font = [](int h) { return sharedFont(h); };
    s.scrollLock = [] { return readScrollLock() == 1; };
    s.isActive = [this](const EditorWindow& e) { return activeEditor() == &e; };
    s.answer = editorAnswer_;
    // Shift+Tab on a phrase call opens the phrase in the phrase editor's slot; the grid editor
    // has no window yet, so its request is let go.
    s.open = [this](EditorWindow&, const EditorRequest& r) {
        if (r.kind != EditorRequest::Kind::OpenPhraseEditor || r.number < 0) return;
        // After the key that asked: the phrase editor itself may be the one to be retargeted.
        QTimer::singleShot(0, this, [this, number = uint32_t(r.number)] {
            Document* d = host_.document();
            if (Track* phrase = d ? d->song().findPhrase(number) : nullptr) openEditor(9, *phrase);
        });
    };
    auto* editor = new EditorWindow(*doc, std::move(s), slot, list);
    if (tick) editor->retarget(list, tick);
    QMdiSubWindow* w = addView(editor, MenuState::Editor, slot);
    connect(editor, &EditorWindow::listGone, w, &QWidget::close);
    connect(editor, &EditorWindow::statusText, statusBar(), [this](const QString& text) { statusBar()->showMessage(text); });
    activateView(w);
    return editor;
}

void MainWindow::updateMenus() {
    MenuState state = MenuState::NoDocument;
    if (host_.document()) {
        state = MenuState::TrackList;
        if (QMdiSubWindow* w = mdi_->activeSubWindow()) {
            const int kind = w->property(kKindProperty).toInt();
            if (kind == int(MenuState::Editor) || kind == int(MenuState::Grid)) state = MenuState(kind);
        }
    }
    state_ = state;
    const auto& table = menuTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (!entryActions_[i]) continue;
        entryActions_[i]->setVisible(menuEntryShows(table, i, state));
        if (table[i].kind == MenuEntry::Kind::Item) entryActions_[i]->setEnabled(menuEntryServed(table[i], state));
    }
    updateEditorChecks();
}

// The check marks of the active editor's settings: ghost display, font size, MIDI input mode.
void MainWindow::updateEditorChecks() {
    const EditorWindow* e = activeEditor();
    if (!e) return;
    const NumericEditor& ed = e->editor();
    const auto& table = menuTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const MenuEntry& m = table[i];
        if (m.kind != MenuEntry::Kind::Item || !m.checkable || !entryActions_[i]) continue;
        if (m.command == MenuCommand::FontSize) entryActions_[i]->setChecked(ed.charHeight() == m.arg);
        if (m.command != MenuCommand::EditorAction) continue;
        if (m.arg == kActGhost) entryActions_[i]->setChecked(ed.ghost());
        if (m.arg >= kActMidiInputOff && m.arg < kActMidiInputOff + 7)
            entryActions_[i]->setChecked(ed.midiInputMode() == m.arg - kActMidiInputOff);
    }
}

void MainWindow::updateTitle() { setWindowTitle(QString::fromStdString(mainWindowTitle(host_.document()))); }

void MainWindow::documentChanged(const std::vector<DocumentChange>& changes) {
    for (const DocumentChange& c : changes) {
        if (c.kind == DocumentChange::Kind::File || c.kind == DocumentChange::Kind::Info || c.kind == DocumentChange::Kind::Song) {
            updateTitle();
            return;
        }
    }
}

// ---- timer ----

void MainWindow::tick() {
    const TransportSnapshot s = transport_.snapshot();
    transportBar_->refresh(s);
    keyboardBar_->refresh(s);
    if (loopAction_->isChecked() != s.loopOn) loopAction_->setChecked(s.loopOn);
    const bool ended = wasRecording_ && !s.recording;
    wasRecording_ = s.recording;
    if (ended) {
        if (Document* doc = host_.document()) doc->takeRecordings();
    }
}

// ---- engine notifications ----

void MainWindow::postEngineNotification(int kind, int value) {
    QMetaObject::invokeMethod(this, [this, kind, value] { handleEngineNotification(kind, value); }, Qt::QueuedConnection);
}

void MainWindow::handleEngineNotification(int kind, int value) {
    Document* doc = host_.document();
    switch (kind) {
    case 2: {  // machine control
        const TransportSnapshot s = transport_.snapshot();
        if (value == 1 && (s.playing || s.starting)) transport_.stop();  // ends a recording first
        if (value == 3) transport_.play();
        break;
    }
    case 3:  // marker jump; the document ignores markers out of range
        if (doc) doc->jumpToMarker(value + 1);
        break;
    case 4: {  // locate to a time
        const TransportSnapshot s = transport_.snapshot();
        if (s.playing || s.starting) transport_.stop();
        if (doc) {
            const int64_t tick = msToTick(doc->song(), std::max(0, value));
            transport_.locate(int32_t(std::min<int64_t>(tick, INT32_MAX)));
        }
        break;
    }
    case 0:  // a note-on of the MIDI input: 0x90 | key << 8 | velocity << 16
        if (EditorWindow* e = activeEditor()) e->noteOn((value >> 8) & 0x7F, (value >> 16) & 0x7F);
        break;
    case 1: {  // a note-off: the chord is complete once every key is up
        EditorWindow* e = activeEditor();
        if (!e) break;
        const TransportSnapshot s = transport_.snapshot();
        if (std::all_of(s.heldKeys.begin(), s.heldKeys.end(), [](uint8_t v) { return v == 0; })) e->allReleased();
        break;
    }
    case 5:  // the input was reset
        if (EditorWindow* e = activeEditor()) e->inputReset();
        break;
    default:  // others mean nothing
        break;
    }
}

// ---- PC keyboard ----

bool MainWindow::capsLock() const {
    if (pcKeyboardAction_->isChecked()) return true;
    return readCapsLock() == 1;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Close) {
        if (auto* w = qobject_cast<QMdiSubWindow*>(watched); w && w->mdiArea() == mdi_) storePlacement(w);
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    // A key reaches the platform window first and then each widget up from the focus: take it
    // once, at a widget of this window (dialogs keep their keys).
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool down = type == QEvent::KeyPress;
    // Shortcuts and menu keys keep Ctrl and Alt; a release always ends a held note.
    if (down && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
    const int vk = virtualKeyOf(*key);
    if (vk == 0) return false;
    // The window system repeats a held key as release and press pairs: both count as presses,
    // which the keyboard ignores for a held key.
    const PcKeyboard::Result r = pc_.key(vk, down || key->isAutoRepeat(), capsLock());
    if (r.message) transport_.injectInput(r.message);
    return r.taken;
}

// ---- bars ----

QByteArray MainWindow::barState() const {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s << kBarStateMark << saveState() << statusBarAction_->isChecked();
    return out;
}

bool MainWindow::restoreBarState(const QByteArray& state) {
    QDataStream s(state);
    quint32 mark = 0;
    QByteArray bars;
    bool statusBarShown = true;
    s >> mark;
    if (mark != kBarStateMark) return restoreState(state);
    s >> bars >> statusBarShown;
    if (s.status() != QDataStream::Ok) return false;
    statusBarAction_->setChecked(statusBarShown);
    return restoreState(bars);
}

// ---- closing and dropped files ----

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!host_.closeDocument()) {
        event->ignore();
        return;
    }
    emit aboutToClose();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!firstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = firstLocalFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    host_.openFile(path);
}

}  // namespace tarvio
