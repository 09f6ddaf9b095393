#include "app/ui/i18n.h"

#include <QApplication>
#include <QTranslator>
#include <QtGlobal>

#include <cstdlib>
#include <cstring>

namespace tarvio {

QString chooseLanguage(const char* override, const QLocale& system) {
    if (override && std::strcmp(override, "ja") == 0) return QStringLiteral("ja");
    if (override && std::strcmp(override, "en") == 0) return QStringLiteral("en");
    return system.language() == QLocale::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

QString installTranslation(QApplication& app, const QString& programFolder) {
    const QString lang = chooseLanguage(std::getenv("TARVIO_LANG"), QLocale::system());
    if (lang == QLatin1String("ja")) return lang;
    auto* translator = new QTranslator(&app);
    const QString file = programFolder + QStringLiteral("/i18n/tarvio_en.qm");
    if (!translator->load(file)) {
        qWarning("tarvio: no English translation at %s; the texts stay Japanese", qPrintable(file));
        delete translator;
        return QStringLiteral("ja");
    }
    app.installTranslator(translator);
    return lang;
}

}  // namespace tarvio
