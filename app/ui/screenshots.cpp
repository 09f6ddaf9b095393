#include "app/ui/screenshots.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

namespace tarvio {

std::vector<Screenshot> showDialogs(const std::vector<std::pair<const char*, QDialog*>>& dialogs) {
    std::vector<Screenshot> shots;
    for (auto& [name, dialog] : dialogs) {
        dialog->setModal(false);
        dialog->show();
        shots.push_back({QString::fromLatin1(name), dialog});
    }
    return shots;
}

int runScreenshots(const QString& dir, const std::vector<Screenshot>& shots) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "tarvio: cannot create %s\n", qPrintable(dir));
        return 1;
    }
    // Let the windows be shown, laid out and painted before they are grabbed.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    int status = 0;
    for (const Screenshot& s : shots) {
        const QString file = QDir(dir).filePath(s.name + QStringLiteral(".png"));
        if (!s.widget || !s.widget->grab().save(file)) {
            std::fprintf(stderr, "tarvio: cannot write %s\n", qPrintable(file));
            status = 1;
            continue;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return status;
}

}  // namespace tarvio
