// The shared fonts' cells, the splash window's placement and status line, and the choice of
// language.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include "app/ui/fonts.h"
#include "app/ui/i18n.h"
#include "app/ui/splash.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

TEST(SharedFonts, EachCellIsHalfAsWideAsHighAndEveryHeightMapsToOne) {
    ensureApp();
    for (int h : kSharedFontHeights) {
        SCOPED_TRACE(h);
        const QFont& f = sharedFont(h);
        EXPECT_EQ(QFontInfo(f).family(), QStringLiteral("Noto Sans Mono CJK JP"));
        EXPECT_EQ(f.pixelSize(), h);
        QFontMetrics fm(f);
        // Latin is half a cell of the grid, kana and kanji a whole one.
        for (QChar c : {QChar('M'), QChar('i'), QChar('0'), QChar(' ')}) EXPECT_EQ(fm.horizontalAdvance(c), h / 2) << int(c.unicode());
        EXPECT_EQ(fm.horizontalAdvance(QStringLiteral("音符")), 2 * h);
    }
    // An editor's character height between two sizes takes the smaller; out of range, the end.
    const std::pair<int, int> picks[] = {{13, 12}, {15, 14}, {100, 16}, {9, 8}, {4, 8}, {0, 8}};
    for (auto [asked, got] : picks) EXPECT_EQ(sharedFont(asked).pixelSize(), got) << asked;
}

TEST(Splash, BorderlessCaptionedAndPlacedAboveTheScreenCentre) {
    ensureApp();
    SplashWindow splash;
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(splash.size(), QSize(500, 285));
    EXPECT_EQ(splash.pos(), QPoint(screen.width() / 2 - 250, screen.height() / 2 - 160));
    EXPECT_EQ(splash.windowTitle(), QStringLiteral("tarvio"));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
}

TEST(Splash, StatusLineIsDrawnAtTheTopLeftAndFinishCloses) {
    ensureApp();
    auto* splash = new SplashWindow;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    const QImage plain = splash->grab().toImage();
    splash->showStatus(QStringLiteral("Initializing Layout..."));
    EXPECT_EQ(splash->statusText(), QStringLiteral("Initializing Layout..."));
    const QImage status = splash->grab().toImage();
    ASSERT_EQ(plain.size(), status.size());
    // The text is in the first row of 12 x 6 cells, starting at the corner, and nowhere else.
    EXPECT_NE(plain.copy(0, 0, 6, 17), status.copy(0, 0, 6, 17));
    EXPECT_NE(plain.copy(0, 0, 22 * 6, 17), status.copy(0, 0, 22 * 6, 17));
    EXPECT_EQ(plain.copy(22 * 6 + 2, 0, 500 - 22 * 6 - 2, 285), status.copy(22 * 6 + 2, 0, 500 - 22 * 6 - 2, 285));
    EXPECT_EQ(plain.copy(0, 20, 500, 265), status.copy(0, 20, 500, 265));

    QPointer<SplashWindow> alive(splash);
    splash->finish();
    ASSERT_TRUE(alive);
    EXPECT_EQ(splash->statusText(), QStringLiteral("Finish"));
    EXPECT_TRUE(splash->isVisible());
    // It closes (and, told to, deletes itself) a second later; wait for it with a generous bound.
    for (int waited = 0; alive && waited < 5000; waited += 20) QTest::qWait(20);
    EXPECT_TRUE(alive.isNull());
}

TEST(Language, TarvioLangOverridesElseJapaneseOnlyForAJapaneseSystem) {
    const struct {
        const char* env;
        QLocale system;
        const char* lang;
    } cases[] = {
        {nullptr, QLocale(QLocale::Japanese, QLocale::Japan), "ja"},
        {nullptr, QLocale(QLocale::English, QLocale::UnitedStates), "en"},
        {"", QLocale(QLocale::German, QLocale::Germany), "en"},
        {nullptr, QLocale::c(), "en"},
        {"en", QLocale(QLocale::Japanese, QLocale::Japan), "en"},
        {"ja", QLocale(QLocale::French, QLocale::France), "ja"},
        {"de", QLocale(QLocale::Japanese, QLocale::Japan), "ja"},
    };
    for (const auto& c : cases) EXPECT_EQ(chooseLanguage(c.env, c.system), QString::fromLatin1(c.lang)) << (c.env ? c.env : "(unset)");
}

}  // namespace
}  // namespace tarvio
