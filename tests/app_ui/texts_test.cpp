#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QTranslator>

#include "app/menu_table.h"
#include "app/program_info.h"
#include "app/ui/about_dialog.h"
#include "app/ui/recording_dialog.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

// The English translation as the program installs it, from beside the test programs.
struct English {
    English() {
        ensureApp();
        loaded = translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/i18n/tarvio_en.qm"));
        if (loaded) QCoreApplication::installTranslator(&translator);
    }
    ~English() { QCoreApplication::removeTranslator(&translator); }
    QTranslator translator;
    bool loaded = false;
};

TEST(Texts, EveryMenuEntryAndTheNewFilterHaveEnglish) {
    English en;
    ASSERT_TRUE(en.loaded);
    for (const MenuEntry& e : menuTable()) {
        const bool number = !e.text.empty() && e.text.find_first_not_of("0123456789") == std::string::npos;
        if (e.text.empty() || number) continue;
        EXPECT_FALSE(en.translator.translate("Menu", e.text.c_str()).isEmpty()) << e.text;
    }
    EXPECT_EQ(QCoreApplication::translate("Menu", "1(Loop Begin)"), QStringLiteral("1 (Loop Begin)"));

    RecordingDialog dialog(RecordingValues{});
    std::string named;
    dialog.editFilter = [&](Filter& f) {
        named = f.name;
        return false;
    };
    dialog.findChild<QPushButton*>(QStringLiteral("newFilter"))->click();
    EXPECT_EQ(named, "New Rule");
}

TEST(Texts, AboutNamesVersionLicenceSoundfontAndFont) {
    ensureApp();
    const QString text = aboutText(QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"), QStringLiteral("Noto Sans Mono CJK JP"));
    for (const QString& part : {QStringLiteral("tarvio ") + QString::fromLatin1(programVersion()), QStringLiteral("MIT"),
                                QStringLiteral("2026 the tarvio developers"), QStringLiteral("TimGM6mb.sf2"),
                                QStringLiteral("GPL-2"), QStringLiteral("Noto Sans Mono CJK JP"),
                                QStringLiteral("SIL Open Font License")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString();
    EXPECT_FALSE(aboutText({}, QStringLiteral("Mono")).contains(QStringLiteral(".sf2")));
}

}  // namespace
}  // namespace tarvio
