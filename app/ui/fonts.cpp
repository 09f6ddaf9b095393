#include "app/ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <QtGlobal>

namespace tarvio {

namespace {

constexpr const char* kFace = "Noto Sans Mono CJK JP";

struct SharedFonts {
    QFont fonts[5];

    SharedFonts() {
        const bool found = QFontDatabase::families().contains(QString::fromLatin1(kFace));
        if (!found) qWarning("tarvio: font \"%s\" not found; using the system's fixed-pitch font", kFace);
        for (int i = 0; i < 5; ++i) {
            QFont f = found ? QFont(QString::fromLatin1(kFace)) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
            f.setPixelSize(kSharedFontHeights[i]);
            f.setWeight(QFont::Normal);
            f.setStyleHint(QFont::Monospace);
            f.setFixedPitch(true);
            // Keep the grid: no kerning, and hinting that snaps advances to whole pixels.
            f.setKerning(false);
            f.setHintingPreference(QFont::PreferFullHinting);
            fonts[i] = f;
        }
    }
};

SharedFonts& shared() {
    static SharedFonts fonts;
    return fonts;
}

}  // namespace

void createSharedFonts() { shared(); }

const QFont& sharedFont(int height) {
    for (int i = 0; i < 5; ++i)
        if (height >= kSharedFontHeights[i]) return shared().fonts[i];
    return shared().fonts[4];
}

}  // namespace tarvio
