// The application: brings the settings, the engine, the plug-ins and the main window up in
// order, carries out the command line, serves the main window's file and settings commands, and
// takes everything down again at exit.
#pragma once

// The song's headers come before Qt's, whose "slots" keyword would hide the track's slots.
#include "app/app_config.h"
#include "app/document.h"
#include "app/engine_transport.h"
#include "app/startup_profile.h"
#include "model/event_list.h"

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <thread>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/main_window_host.h"

namespace tarvio {

class MainWindow;

class Application : public QObject, public MainWindowHost {
    Q_OBJECT
public:
    static constexpr int kRecentFiles = 8;
    // An open, import or export still running after this long shows a progress dialog.
    static constexpr int kProgressDelayMs = 500;

    Application();
    ~Application() override;  // runs shutdown() if it has not run

    // Start-up, on the user-interface thread; status receives the splash texts ("Finish" last).
    // args: the command line without the program. False when the engine cannot start (a message
    // box has said why); the program then ends.
    bool start(const QStringList& args, const std::function<void(const QString&)>& status = {});
    // Exit: stops playback and the clock thread, writes every settings file, unloads the
    // plug-ins. Runs once; later calls do nothing. writeSettings false: the files and the
    // profile stay as they were (pictures taken for review).
    void shutdown(bool writeSettings = true);

    MainWindow* mainWindow() const { return window_.get(); }
    AppConfig& config() { return config_; }
    Transport& transport() { return transport_; }
    const SettingsFolders& folders() const { return folders_; }
    // Ports whose remembered device was not found at start-up.
    const std::vector<int>& unmatchedPorts() const { return deviceMatch_.unmatched; }
    // Opens path in place of the document (asks for the resolution of a .mid); messages on
    // failure, and the document stays as it was. False on failure or cancel.
    bool openPath(const QString& path);

    // ---- MainWindowHost ----
    Document* document() override { return document_.get(); }
    void newDocument() override;
    void openDocument() override;
    void openFile(const QString& path) override;
    void saveDocument() override;
    void saveDocumentAs() override;
    void importSmf() override;
    void exportSmf() override;
    QStringList recentFiles() override { return recent_; }
    bool closeDocument() override;
    void editSongInfo() override;
    void changeResolution() override;
    void portSettings() override;
    void metronomeSettings() override;
    void recordingSettings() override;
    void syncSettings() override;
    WindowLayout& windowLayout() override { return config_.layout; }
    AppConfig* appConfig() override { return &config_; }

protected:
    // What the user is asked and told; tests replace these.
    virtual void showMessage(QMessageBox::Icon icon, const QString& text);
    // Yes, No or Cancel.
    virtual QMessageBox::StandardButton askSaveChanges(const QString& documentTitle);
    // An empty name: cancelled.
    virtual QString askOpenPath(const QString& filter);
    virtual QString askSavePath(const QString& filter, const QString& suffix, const QString& suggested);
    virtual int askTpqn(int current);

private:
    void loadPorts();
    void finishPorts();
    void restorePlacement();
    void writeWindowProfile();
    void writeDeviceNames();
    void addRecent(const QString& path);
    void loadVelocity();
    void storeVelocity();
    bool offerSave();  // false: cancelled
    bool saveCurrent();
    bool saveCurrentAs();
    void ensureDocument();
    void documentReplaced();
    bool report(const FileResult& r);  // shows the message; returns r.ok
    FileResult withProgress(const QString& path, const std::function<FileResult()>& op);
    void engineNotification(int kind, uint32_t value);
    static void engineNotify(int kind, uint32_t value);

    std::string programFolder_;
    SettingsFolders folders_;
    AppConfig config_;
    EngineTransport transport_;
    std::unique_ptr<Document> document_;  // null: no document
    std::unique_ptr<MainWindow> window_;
    std::vector<std::string> storedDeviceNames_;
    DeviceMatch deviceMatch_;
    std::thread portsOpening_;  // the ports opening during start-up
    QStringList recent_;
    bool started_ = false;
    bool engineStarted_ = false;
    bool done_ = false;
    bool showMaximized_ = false;
    bool busy_ = false;  // a file operation runs: queued engine notifications are dropped
    // While a song is being saved: why the save dialog refuses a name (empty: it does not).
    std::function<QString(const QString&)> saveRefusal_;
};

// The clipboard service of the editors: the lists as the "tarvio sequence" block, replacing
// what the clipboard held; and back (false when the clipboard holds no readable block).
void copyToClipboard(const std::vector<EventList>& lists);
bool pasteFromClipboard(std::vector<EventList>& lists);

}  // namespace tarvio
