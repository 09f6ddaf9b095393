// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "app/app_config.h"
#include "app/document.h"
#include "app/fake_transport.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>

#include "app/ui/fonts.h"
#include "app/ui/dialog_gallery.h"
#include "app/ui/i18n.h"
#include "app/ui/main_window.h"
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

    tarvio::MainWindow window;
    window.resize(1024, 720);
    window.show();
    // The splash stays in front for its last second, also where no window manager keeps it there.
    if (splash && screenshotDir.isEmpty()) splash->raise();

    if (!screenshotDir.isEmpty()) {
        std::vector<tarvio::Screenshot> shots{{QStringLiteral("main-window"), &window}, {QStringLiteral("splash"), splash.data()}};
        // The dialogs, with the settings of a first start and the song named on the command line.
        tarvio::AppConfig config;
        tarvio::FakeTransport transport;
        tarvio::Document document(transport);
        if (!args.isEmpty()) document.open(args.first().toStdString());
        for (const tarvio::Screenshot& s : tarvio::dialogsForScreenshots(config, document, &window)) shots.push_back(s);
        return tarvio::runScreenshots(screenshotDir, shots);
    }
    return app.exec();
}
