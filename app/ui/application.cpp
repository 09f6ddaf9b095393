#include "app/ui/application.h"
#include "model/song.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/app_settings.h"
#include "app/dialog_ranges.h"
#include "app/port_list.h"
#include "app/port_setup.h"
#include "app/ui/dialogs.h"
#include "app/ui/main_window.h"
#include "engine/clock_thread.h"
#include "engine/input.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "io/file_kind.h"
#include "io/file_util.h"
#include "ops/filters.h"
#include "plugin/host.h"

namespace tarvio {

namespace {

constexpr char kSection[] = "Settings/";
constexpr char kRecentSection[] = "Recent File List/";
// Song files and Standard MIDI Files from this size on are read behind a progress dialog shown
// at once: their readers run on this thread and cannot show one after they started.

// The source texts of the song filters, translated where they are shown.
const char* const kSongFilter = QT_TRANSLATE_NOOP("tarvio::Application", "Tarvio Files (*.tvo);;All Files (*)");
const char* const kImportFilter = QT_TRANSLATE_NOOP("tarvio::Application", "Standard MIDI Files (*.mid);;All Files (*)");
const char* const kExportFilter = QT_TRANSLATE_NOOP("tarvio::Application", "Standard MIDI Files (*.mid)");

std::atomic<Application*> g_app{nullptr};

std::string translateDocumentText(const char* source) {
    return QCoreApplication::translate("Document", source).toStdString();
}

QSettings profile() { return QSettings(QStringLiteral("ostrand"), QStringLiteral("tarvio")); }

}  // namespace

Application::Application() = default;

Application::~Application() { shutdown(); }

bool Application::start(const QStringList& args, const std::function<void(const QString&)>& status) {
    started_ = true;
    programFolder_ = programFolder();
    folders_ = settingsFolders(programFolder_,
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString());
    setDocumentTranslator(&translateDocumentText);

    // The settings files, each step named on the splash; the ports open as soon as their
    // set-up is read, the plug-ins load before any song could name them.
    createPorts();
    LoadSteps steps;
    if (status) steps.status = [&](const std::string& s) { status(QString::fromStdString(s)); };
    steps.ports = [this](const PortSetup&) { loadPorts(); };
    steps.plugins = [] { loadProgramPlugins(); };
    config_.load(folders_, programFolder_, steps);
    finishPorts();
    applyEngineSettings(config_.settings);
    setFilters(config_.filters);
    transport_.setPreCount(config_.settings.preCount);
    loadVelocity();

    // Every record is in memory: the clock may run.
    try {
        startEngine();
        engineStarted_ = true;
    } catch (const std::exception& e) {
        showMessage(QMessageBox::Critical, tr("エンジンを開始できません: %1").arg(QString::fromLocal8Bit(e.what())));
        return false;
    }
    g_app = this;
    setInputNotify(&Application::engineNotify);

    QSettings p = profile();
    recent_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString f = p.value(QStringLiteral("%1File%2").arg(QLatin1String(kRecentSection)).arg(i)).toString();
        if (!f.isEmpty()) recent_.append(f);
    }

    window_ = std::make_unique<MainWindow>(*this, transport_);
    connect(window_.get(), &MainWindow::aboutToClose, this, [this] {
        writeWindowProfile();
        writeDeviceNames();
    });
    restorePlacement();

    // The command line: a file to open, else a new document. A file that cannot be opened has
    // said why in a message box; the program then starts with a new document rather than
    // ending, so that a mistyped name does not cost the user the program.
    ensureDocument();
    if (!args.isEmpty()) openPath(args.first());
    documentReplaced();
    if (showMaximized_) window_->showMaximized();
    else window_->show();

    if (!deviceMatch_.unmatched.empty() && window_) {
        QStringList ports;
        for (int port : deviceMatch_.unmatched) ports.append(QString::number(port + 1));  // as the dialogs count
        window_->statusBar()->showMessage(tr("前回のMIDI出力デバイスが見つからないポート: %1").arg(ports.join(QStringLiteral(", "))));
    }
    return true;
}

void Application::loadPorts() {
    // The stored device numbers are checked against the names they had: the system may number
    // its devices differently since.
    QSettings p = profile();
    const QStringList names = p.value(QStringLiteral("%1OutputDevices").arg(QLatin1String(kSection))).toStringList();
    storedDeviceNames_.clear();
    for (const QString& n : names) storedDeviceNames_.push_back(n.toStdString());
    deviceMatch_ = matchDevicesByName(config_.ports, storedDeviceNames_, currentDeviceNames().out);
    // Opening the devices (the built-in synthesizer takes a good tenth of a second) runs beside
    // the rest of the start-up, whose steps read files and pause for the splash; nothing before
    // finishPorts() touches the ports.
    portsOpening_ = std::thread([this] { applyPortSetup(deviceMatch_.applied); });
}

void Application::finishPorts() {
    if (portsOpening_.joinable()) portsOpening_.join();
}

void Application::restorePlacement() {
    QSettings p = profile();
    const auto placement = parseWindowPos(p.value(QStringLiteral("%1WindowPos").arg(QLatin1String(kSection))).toString().toStdString());
    const bool zoom = parseZoom(p.value(QStringLiteral("%1MainWndZoom").arg(QLatin1String(kSection))).toString().toStdString());
    const QByteArray bars = p.value(QStringLiteral("%1barstate").arg(QLatin1String(kSection))).toByteArray();
    if (!bars.isEmpty()) window_->restoreBarState(bars);

    // The normal rectangle is the window's geometry without its frame (Qt's normalGeometry), so
    // that storing and restoring give the same place; one with no area, or that lies on no
    // screen, is not used.
    QRect normal(0, 0, 1024, 720);
    bool placed = false;
    if (placement) {
        const QRect r(QPoint(placement->left, placement->top), QSize(placement->right - placement->left, placement->bottom - placement->top));
        bool onScreen = false;
        for (const QScreen* s : QGuiApplication::screens()) onScreen = onScreen || s->geometry().intersects(r);
        if (r.width() > 0 && r.height() > 0 && onScreen) {
            normal = r;
            placed = true;
        }
    }
    if (placed) window_->setGeometry(normal);
    else window_->resize(normal.size());
    showMaximized_ = zoom || (placement && (placement->flags & WindowPlacement::kRestoreToMaximized) &&
                              placement->showCommand == WindowPlacement::kShowMaximized);
}

void Application::writeWindowProfile() {
    if (!window_) return;
    const bool maximized = window_->isMaximized();
    const QRect r = maximized || window_->isMinimized() ? window_->normalGeometry() : window_->geometry();
    QSettings p = profile();
    if (r.isValid()) {
        WindowPlacement w;
        w.flags = maximized ? WindowPlacement::kRestoreToMaximized : 0;
        w.showCommand = maximized ? WindowPlacement::kShowMaximized
                                  : window_->isMinimized() ? WindowPlacement::kShowMinimized : WindowPlacement::kShowNormal;
        w.left = r.left();
        w.top = r.top();
        w.right = r.left() + r.width();
        w.bottom = r.top() + r.height();
        p.setValue(QStringLiteral("%1WindowPos").arg(QLatin1String(kSection)), QString::fromStdString(formatWindowPos(w)));
    }
    p.setValue(QStringLiteral("%1MainWndZoom").arg(QLatin1String(kSection)), maximized ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    p.setValue(QStringLiteral("%1barstate").arg(QLatin1String(kSection)), window_->barState());
}

void Application::writeDeviceNames() {
    if (!started_) return;
    const std::vector<std::string> names = deviceNamesToStore(config_.ports, currentDeviceNames().out, storedDeviceNames_, deviceMatch_);
    QStringList list;
    for (const std::string& n : names) list.append(QString::fromStdString(n));
    QSettings p = profile();
    p.setValue(QStringLiteral("%1OutputDevices").arg(QLatin1String(kSection)), list);
}

// The input velocity of the recording settings: the settings file has no field for it, so the
// profile keeps it. A value no dialog could give leaves the engine's default.
void Application::loadVelocity() {
    QSettings p = profile();
    bool modeOk = false, valueOk = false;
    const int mode = p.value(QStringLiteral("%1VelocityMode").arg(QLatin1String(kSection))).toInt(&modeOk);
    const int value = p.value(QStringLiteral("%1VelocityValue").arg(QLatin1String(kSection))).toInt(&valueOk);
    if (!modeOk || !valueOk || mode < kVelocityThrough || mode > kVelocityShiftValue) return;
    const FieldRange range = velocityValueRange(mode);
    setVelocityMode(mode);
    setVelocityValue(range.used ? std::clamp(value, range.min, range.max) : 0);
}

void Application::storeVelocity() {
    QSettings p = profile();
    p.setValue(QStringLiteral("%1VelocityMode").arg(QLatin1String(kSection)), velocityMode());
    p.setValue(QStringLiteral("%1VelocityValue").arg(QLatin1String(kSection)), velocityValue());
}

void Application::shutdown(bool writeSettings) {
    if (done_ || !started_) return;
    done_ = true;
    finishPorts();
    setInputNotify(nullptr);
    g_app = nullptr;
    // Nothing plays or runs while the records are written.
    if (engineStarted_) {
        transport_.stop();
        shutdownEngine();
    }
    if (writeSettings) {
        captureEngineState(config_);
        for (const std::string& path : config_.save(folders_))
            std::fprintf(stderr, "tarvio: could not write %s\n", path.c_str());
        writeDeviceNames();
        storeVelocity();
        QSettings p = profile();
        for (int i = 1; i <= kRecentFiles; ++i) {
            const QString key = QStringLiteral("%1File%2").arg(QLatin1String(kRecentSection)).arg(i);
            if (i <= recent_.size()) p.setValue(key, recent_.at(i - 1));
            else p.remove(key);
        }
        p.sync();
    }
    // The song's plug-in instances go before their libraries.
    window_.reset();
    document_.reset();
    // Every port closes; the device lists stay for a later start in the same process.
    for (int port = 0; port < kPortCount; ++port) {
        closeIn(port);
        closeOut(port);
    }
    unloadPlugins();
}

// ---- documents ----

void Application::ensureDocument() {
    if (!document_) document_ = std::make_unique<Document>(transport_);
}

void Application::documentReplaced() {
    if (window_) window_->documentReplaced();
}

void Application::addRecent(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent_.removeAll(full);
    recent_.prepend(full);
    while (recent_.size() > kRecentFiles) recent_.removeLast();
}

bool Application::report(const FileResult& r) {
    if (!r.message.empty())
        showMessage(r.ok ? QMessageBox::Warning : QMessageBox::Critical, QString::fromStdString(r.message));
    return r.ok;
}

bool Application::offerSave() {
    if (!document_ || !document_->needsSavePrompt()) return true;
    switch (askSaveChanges(QString::fromStdString(document_->title()))) {
    case QMessageBox::Yes: return saveCurrent();
    case QMessageBox::No: return true;
    default: return false;
    }
}

bool Application::saveCurrent() {
    if (!document_) return false;
    // A document without a file, or read from a damaged one (whose warning said so when it
    // opened), is saved under a name the user gives.
    const FileResult r = document_->save();
    if (r.needsName) return saveCurrentAs();
    documentReplaced();
    return report(r);
}

bool Application::saveCurrentAs() {
    if (!document_) return false;
    const QString suggested = QString::fromStdString(document_->saveAsName());
    // The dialog refuses the damaged original itself, before it asks about replacing it.
    saveRefusal_ = [this](const QString& path) {
        return document_ ? QString::fromStdString(document_->whySaveRefused(path.toStdString())) : QString();
    };
    for (;;) {
        const QString path = askSavePath(tr(kSongFilter), QStringLiteral("tvo"), suggested);
        if (path.isEmpty()) break;
        const FileResult r = document_->saveAs(path.toStdString());
        if (r.needsName) {
            // A dialog that could not refuse the name: say why once, and ask again.
            showMessage(QMessageBox::Information, QString::fromStdString(r.message));
            continue;
        }
        saveRefusal_ = nullptr;
        if (r.ok) addRecent(path);
        documentReplaced();
        return report(r);
    }
    saveRefusal_ = nullptr;
    return false;
}

bool Application::openPath(const QString& path) {
    if (path.isEmpty()) return false;
    const std::string p = path.toStdString();
    int tpqn = document_ ? document_->song().tpqn : 480;
    if (Document::opensAsSmf(p)) {
        tpqn = askTpqn(tpqn);
        if (tpqn <= 0) return false;
    }
    ensureDocument();
    // The file is read beside this thread while the window waits; the document takes the song here.
    LoadedSong loaded;
    withProgress(path, [&] {
        loaded = Document::load(p, uint16_t(tpqn));
        return loaded.result;
    });
    const FileResult r = document_->adopt(std::move(loaded));
    // A recent file that cannot be opened any more leaves the list.
    if (r.ok) addRecent(path);
    else recent_.removeAll(QFileInfo(path).absoluteFilePath());
    documentReplaced();
    return report(r);
}

void Application::newDocument() {
    if (!offerSave()) return;
    if (document_) document_->newSong();
    else ensureDocument();
    documentReplaced();
}

void Application::openDocument() {
    if (!offerSave()) return;
    openPath(askOpenPath(tr(kSongFilter)));
}

void Application::openFile(const QString& path) {
    if (!offerSave()) return;
    openPath(path);
}

void Application::saveDocument() { saveCurrent(); }

void Application::saveDocumentAs() { saveCurrentAs(); }

void Application::importSmf() {
    if (!offerSave()) return;
    const QString path = askOpenPath(tr(kImportFilter));
    if (path.isEmpty()) return;
    // A song file chosen here (one saved under a .mid name) opens as a song.
    if (fileKindOf(path.toStdString()) == FileKind::Song) {
        openPath(path);
        return;
    }
    const int tpqn = askTpqn(document_ ? document_->song().tpqn : 480);
    if (tpqn <= 0) return;
    ensureDocument();
    LoadedSong loaded;
    withProgress(path, [&] {
        loaded = Document::loadSmf(path.toStdString(), uint16_t(tpqn));
        return loaded.result;
    });
    const FileResult r = document_->adopt(std::move(loaded));
    documentReplaced();
    report(r);
}

void Application::exportSmf() {
    if (!document_) return;
    QString suggested = QString::fromStdString(document_->title());
    if (const qsizetype dot = suggested.lastIndexOf(QLatin1Char('.')); dot > 0) suggested.truncate(dot);
    const QString path = askSavePath(tr(kExportFilter), QStringLiteral("mid"), suggested + QStringLiteral(".mid"));
    if (path.isEmpty()) return;
    // The export only reads the song, so it may run beside this thread while the window waits.
    report(withProgress(path, [&] { return document_->exportSmf(path.toStdString()); }));
}

bool Application::closeDocument() {
    if (!offerSave()) return false;
    document_.reset();
    documentReplaced();
    return true;
}

// Runs op (a read of a file, or an export, which only reads the song) beside this thread; a
// progress dialog appears when it takes longer than half a second. Meanwhile this thread only
// paints: no input and no timers, which would reach the document.
FileResult Application::withProgress(const QString& path, const std::function<FileResult()>& op) {
    QProgressDialog progress(tr("%1 を処理しています...").arg(QFileInfo(path).fileName()), QString(), 0, 0, window_.get());
    progress.setWindowTitle(QStringLiteral("tarvio"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.hide();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    constexpr auto kPaintOnly = QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers;
    FileResult r;
    busy_ = true;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        r = op();
        done = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!done) {
        if (!progress.isVisible() && waited.elapsed() >= kProgressDelayMs && window_) progress.show();
        QCoreApplication::processEvents(kPaintOnly);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    busy_ = false;
    QGuiApplication::restoreOverrideCursor();
    return r;
}

// ---- dialogs ----

void Application::showMessage(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QStringLiteral("tarvio"), text, QMessageBox::Ok, window_.get());
    box.exec();
}

QMessageBox::StandardButton Application::askSaveChanges(const QString& documentTitle) {
    return QMessageBox::question(window_.get(), QStringLiteral("tarvio"), tr("%1 への変更を保存しますか?").arg(documentTitle),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
}

QString Application::askOpenPath(const QString& filter) {
    return QFileDialog::getOpenFileName(window_.get(), QString(), QString(), filter);
}

namespace {

// A save dialog that refuses a name with a message and stays open, before Qt's own question
// whether to replace the file, which would otherwise be answered for nothing.
class RefusingFileDialog : public QFileDialog {
public:
    RefusingFileDialog(QWidget* parent, const QString& suggested, const QString& filter)
        : QFileDialog(parent, QString(), suggested, filter), suggested_(suggested) {}
    std::function<QString(const QString&)> refusal;

    void accept() override {
        const QStringList files = selectedFiles();
        if (refusal && !files.isEmpty()) {
            if (const QString why = refusal(files.first()); !why.isEmpty()) {
                QMessageBox::information(this, QStringLiteral("tarvio"), why);
                // Back to the name offered, with the refused file no longer selected in the
                // list: a selection there would stand for whatever name is typed next.
                selectFile(suggested_);
                if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                    name->setText(QFileInfo(suggested_).fileName());
                    name->selectAll();
                    name->setFocus();
                }
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    QString suggested_;
};

}  // namespace

QString Application::askSavePath(const QString& filter, const QString& suffix, const QString& suggested) {
    RefusingFileDialog dialog(window_.get(), suggested, filter);
    dialog.refusal = saveRefusal_;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);  // the dialog asks before replacing a file
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

int Application::askTpqn(int current) { return askImportResolution(window_.get(), current); }

void Application::editSongInfo() {
    if (document_ && tarvio::editSongInfo(window_.get(), *document_)) documentReplaced();
}

void Application::changeResolution() {
    if (!document_) return;
    const int tpqn = askResolution(window_.get(), -1);
    if (tpqn > 0) document_->setResolution(uint16_t(tpqn));
}

void Application::portSettings() {
    // A port still waiting for its remembered device stays silent until the user gives it one.
    editPortSetup(window_.get(), config_, &deviceMatch_);
}

void Application::metronomeSettings() {
    if (editMetronome(window_.get(), config_)) applyEngineSettings(config_.settings);
}

void Application::recordingSettings() {
    if (editRecording(window_.get(), config_)) transport_.setPreCount(config_.settings.preCount);
}

void Application::syncSettings() {
    if (editSync(window_.get(), config_)) applyEngineSettings(config_.settings);
}

// ---- engine notification ----

void Application::engineNotify(int kind, uint32_t value) {
    // The MIDI input's thread: only a queued call to the window thread.
    Application* app = g_app.load();
    if (!app || kind < 0 || kind > 5) return;
    QMetaObject::invokeMethod(app, [app, kind, value] { app->engineNotification(kind, value); }, Qt::QueuedConnection);
}

void Application::engineNotification(int kind, uint32_t value) {
    // Nothing reaches the window while a file command replaces or writes the song.
    if (!window_ || busy_ || done_) return;
    window_->handleEngineNotification(kind, int(std::min<uint32_t>(value, INT32_MAX)));
}

// ---- clipboard ----

void copyToClipboard(const std::vector<EventList>& lists) {
    const std::vector<uint8_t> block = Document::clipboardBlock(lists);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(Document::kClipboardMime), QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
    QGuiApplication::clipboard()->setMimeData(data);  // replaces whatever the clipboard held
}

bool pasteFromClipboard(std::vector<EventList>& lists) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QString::fromLatin1(Document::kClipboardMime))) return false;
    const QByteArray bytes = data->data(QString::fromLatin1(Document::kClipboardMime));
    return Document::readClipboardBlock(std::vector<uint8_t>(bytes.begin(), bytes.end()), lists);
}

}  // namespace tarvio
