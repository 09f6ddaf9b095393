// The application (with the song's headers) before Qt's, whose "slots" keyword would hide the
// track's slots.
#include "app/document.h"
#include "app/keymap.h"
#include "editor/ui/editor_window.h"
#include "model/song.h"
#include "app/ui/application.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

#include "app/program_info.h"

#include "app/ui/dialog_gallery.h"
#include "app/ui/fonts.h"
#include "app/ui/i18n.h"
#include "app/ui/main_window.h"
#include "app/ui/program_icon.h"
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
    // --help and --version are answered before any window (or display) is needed.
    {
        const tarvio::CommandLine line = tarvio::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        switch (line.action) {
        case tarvio::CommandLine::Action::Help: std::fputs(tarvio::commandLineHelp().c_str(), stdout); return 0;
        case tarvio::CommandLine::Action::Version: std::fputs(tarvio::versionText().c_str(), stdout); return 0;
        case tarvio::CommandLine::Action::Error:
            std::fprintf(stderr, "tarvio: %s\nTry 'tarvio --help' for more information.\n", line.message.c_str());
            return 2;
        case tarvio::CommandLine::Action::Run: break;
        }
    }
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("ostrand"));
    app.setApplicationName(QStringLiteral("tarvio"));
    app.setApplicationVersion(QString::fromLatin1(tarvio::programVersion()));
    tarvio::installProgramIcon();
    QStringList args = app.arguments();
    args.removeFirst();
    const QString screenshotDir = takeScreenshotOption(args);
    const bool startupProbe = tarvio::takeStartupProbeOption(args);
    // What is left is the file to open (Qt took its own options; "--" may stand before it).
    {
        std::vector<std::string> rest;
        for (const QString& a : args) rest.push_back(a.toStdString());
        const std::string file = tarvio::parseCommandLine(rest).file;
        args.clear();
        if (!file.empty()) args.append(QString::fromStdString(file));
    }
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
    tarvio::connectSettingsMenus(*application.mainWindow(), application.config(), [&application]() -> const tarvio::Song* {
        tarvio::Document* doc = application.document();
        return doc ? &doc->song() : nullptr;
    });
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
        // The numerical editor on the song's last track, the cursor a few rows down.
        if (doc && !doc->song().tracks.empty()) {
            if (tarvio::EditorWindow* editor = application.mainWindow()->openEditor(0, *doc->song().tracks.back())) {
                for (int i = 0; i < 12; ++i) editor->runAction(tarvio::kActDown);
                if (QWidget* frame = editor->parentWidget()) frame->resize(frame->width(), 560);
                shots.push_back({QStringLiteral("numerical-editor"), editor->parentWidget()});
            }
        }
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
