// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "app/document.h"
// (the order above is deliberate)
#include <QApplication>
#include <QPointer>
#include <QStringList>

#include "app/engine_transport.h"
#include "app/ui/fonts.h"
#include "app/ui/i18n.h"
#include "app/ui/main_window.h"
#include "app/ui/main_window_host.h"
#include "app/ui/screenshots.h"
#include "app/ui/splash.h"
#include "io/file_util.h"

namespace {

// The hidden option "--screenshot DIR" (scripts/screenshots.sh): the windows are rendered to
// PNG files in DIR and the program exits. Removed from args; empty when not given.
QString takeScreenshotOption(QStringList& args) {
    const int i = args.indexOf(QStringLiteral("--screenshot"));
    if (i < 0 || i + 1 >= args.size()) return {};
    const QString dir = args.at(i + 1);
    args.remove(i, 2);
    return dir;
}

// Until the application's host arrives: one document, new songs only.
class PlainHost final : public tarvio::MainWindowHost {
public:
    explicit PlainHost(tarvio::Transport& t) : doc_(t) {}
    tarvio::MainWindow* window = nullptr;
    tarvio::Document* document() override { return &doc_; }
    void newDocument() override {
        doc_.newSong();
        if (window) window->documentReplaced();
    }
    void openDocument() override {}
    void openFile(const QString&) override {}
    void saveDocument() override {}
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

private:
    tarvio::Document doc_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    const QString screenshotDir = takeScreenshotOption(args);
    const QString folder = QString::fromStdString(tarvio::programFolder());
    tarvio::installTranslation(app, folder);

    // Start-up: the splash reports each step while the settings files are read.
    QPointer<tarvio::SplashWindow> splash = new tarvio::SplashWindow;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    tarvio::createSharedFonts();
    splash->finish();

    tarvio::EngineTransport transport;
    PlainHost host(transport);
    tarvio::MainWindow window(host, transport);
    host.window = &window;
    window.resize(1024, 720);
    window.show();
    // The splash stays in front for its last second, also where no window manager keeps it there.
    if (splash && screenshotDir.isEmpty()) splash->raise();

    if (!screenshotDir.isEmpty())
        return tarvio::runScreenshots(screenshotDir, {{QStringLiteral("main-window"), &window}, {QStringLiteral("splash"), splash.data()}});
    return app.exec();
}
