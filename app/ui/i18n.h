// The language of the windows. The texts in the code are Japanese; the English translation
// (i18n/tarvio_en.qm in the program folder) is used when the system's language is not
// Japanese. TARVIO_LANG=ja or TARVIO_LANG=en chooses regardless of the system.
#pragma once

#include <QLocale>
#include <QString>

class QApplication;

namespace tarvio {

// "ja" or "en" for the override value (may be null or empty) and the system locale.
QString chooseLanguage(const char* override, const QLocale& system);

// Installs the English translation when chooseLanguage(TARVIO_LANG, system locale) says "en".
// Returns the language in use; a missing translation file leaves the Japanese texts (and says
// so in one line).
QString installTranslation(QApplication& app, const QString& programFolder);

}  // namespace tarvio
