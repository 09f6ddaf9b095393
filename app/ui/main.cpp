// The application (with the song's headers) before Qt's, whose "slots" keyword would hide the
// track's slots.
#include "app/ui/application.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>

#include "app/ui/dialog_gallery.h"
#include "app/ui/fonts.h"
#include "app/ui/i18n.h"
#include "app/ui/main_window.h"
#include "app/ui/screenshots.h"
#include "app/ui/splash.h"
#include "app/ui/startup_probe.h"
#include "editor/ui/dialogs/editor_dialogs.h"
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
    app.setOrganizationName(QStringLiteral("ostrand"));
    app.setApplicationName(QStringLiteral("tarvio"));
    QStringList args = app.arguments();
    args.removeFirst();
    const QString screenshotDir = takeScreenshotOption(args);
    const bool startupProbe = tarvio::takeStartupProbeOption(args);
    if (startupProbe) tarvio::markStartupStep("QApplication");
    const QString folder = QString::fromStdString(tarvio::programFolder());
    tarvio::installTranslation(app, folder);

    // Start-up: the splash reports each step while the settings files are read.
    QPointer<tarvio::SplashWindow> splash = new tarvio::SplashWindow;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    tarvio::createSharedFonts();

    tarvio::Application application;
    if (startupProbe) tarvio::markStartupStep("splash and fonts");
    // The probe opens the song itself, after the start, so that the open is timed on its own.
    QString probeSong;
    if (startupProbe && !args.isEmpty()) probeSong = args.takeFirst();
    const bool started = application.start(args, [&](const QString& status) {
        if (startupProbe) tarvio::markStartupStep("status " + status.toStdString());
        if (!splash) return;
        if (status == QLatin1String("Finish")) splash->finish();
        else splash->showStatus(status);
    });
    if (!started) return 1;
    tarvio::connectSettingsMenus(*application.mainWindow(), application.config());
    if (startupProbe) {
        tarvio::markStartupStep("started");
        if (!probeSong.isEmpty()) {
            application.openPath(probeSong);
            tarvio::markStartupStep("song opened");
        }
        tarvio::armStartupProbe(application.mainWindow());
        const int rc = app.exec();
        application.shutdown(false);
        return rc;
    }
    // The splash stays in front for its last second, also where no window manager keeps it there.
    if (splash && screenshotDir.isEmpty()) splash->raise();

    if (!screenshotDir.isEmpty()) {
        std::vector<tarvio::Screenshot> shots{{QStringLiteral("main-window"), application.mainWindow()},
                                              {QStringLiteral("splash"), splash.data()}};
        // The dialogs, with the program's settings and the song named on the command line.
        tarvio::Document* doc = application.document();
        if (doc) {
            for (const tarvio::Screenshot& s : tarvio::dialogsForScreenshots(application.config(), *doc, application.mainWindow()))
                shots.push_back(s);
            for (const tarvio::Screenshot& s :
                 tarvio::editorDialogsForScreenshots(application.config(), doc->song(), application.mainWindow()))
                shots.push_back(s);
        }
        const int rc = tarvio::runScreenshots(screenshotDir, shots);
        application.shutdown(false);
        return rc;
    }
    app.setQuitOnLastWindowClosed(true);
    const int rc = app.exec();
    application.shutdown();
    return rc;
}
