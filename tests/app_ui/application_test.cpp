#include "app/ui/application.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QToolBar>
#include <QTemporaryDir>

#include "app/ui/main_window.h"

#include <QStatusBar>
#include "engine/ports.h"
#include "io/file_util.h"
#include "qt_app.h"

namespace tarvio {
namespace {

// Answers every question as a test wants, and keeps what would have been shown.
class QuietApplication : public Application {
public:
    QStringList messages;
    QString savePath;

protected:
    void showMessage(QMessageBox::Icon, const QString& text) override { messages.append(text); }
    QMessageBox::StandardButton askSaveChanges(const QString&) override { return QMessageBox::No; }
    QString askOpenPath(const QString&) override { return {}; }
    QString askSavePath(const QString&, const QString&, const QString&) override { return savePath; }
    int askTpqn(int) override { return 480; }
};

// Each test starts in an empty program folder with an empty profile.
class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApp();
        ASSERT_TRUE(home.isValid());
        savedHome = qgetenv("TARVIO_HOME");
        qputenv("TARVIO_HOME", home.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("profile")));
    }
    void TearDown() override { qputenv("TARVIO_HOME", savedHome); }

    QString file(const char* name) const { return home.filePath(QString::fromLatin1(name)); }
    static QString demoSong() {
        return QFileInfo(QStringLiteral(__FILE__)).dir().absoluteFilePath(QStringLiteral("../../data/songs/demo.tvo"));
    }

    QTemporaryDir home;
    QByteArray savedHome;
};

TEST_F(ApplicationTest, FirstStartHasDefaultsAndExitWritesEverySettingsFile) {
    {
        QuietApplication app;
        ASSERT_TRUE(app.start({}));
        ASSERT_NE(app.document(), nullptr);
        EXPECT_EQ(app.document()->path(), "");
        EXPECT_EQ(app.config().settings.mtcFrameFormat, 2);
        for (int32_t device : app.config().ports.outputMap) EXPECT_EQ(device, 0);
        ASSERT_NE(outPortSlot(5), nullptr);
        EXPECT_EQ(outPortSlot(5)->device, 0);
        EXPECT_TRUE(app.messages.isEmpty());
        app.mainWindow()->close();
        app.shutdown();
    }
    for (const char* name : {"tarvio.dat", "filter.dat", "keymap.dat", "layout.dat", "port.dat", "fkey.dat"})
        EXPECT_TRUE(QFile::exists(file(name))) << name;
    QSettings profile(QStringLiteral("ostrand"), QStringLiteral("tarvio"));
    EXPECT_EQ(profile.value(QStringLiteral("Settings/MainWndZoom")).toString(), QStringLiteral("FALSE"));
    EXPECT_TRUE(parseWindowPos(profile.value(QStringLiteral("Settings/WindowPos")).toString().toStdString()));
    EXPECT_EQ(profile.value(QStringLiteral("Settings/OutputDevices")).toStringList().size(), kSetupPorts);
}

TEST_F(ApplicationTest, PortsFollowTheirDeviceByName) {
    PortSetup stored;
    stored.outputMap[3] = 1;  // remembered as a device that is gone
    stored.outputMap[4] = 0;  // remembered as the loopback, which is device 1
    ASSERT_TRUE(writeFileAtomic(file("port.dat").toStdString(), serializePortSetup(stored)));
    QStringList names;
    for (int p = 0; p < kSetupPorts; ++p) names.append(QString());
    names[3] = QStringLiteral("Gone Device");
    names[4] = QStringLiteral("tarvio Loopback");
    QSettings(QStringLiteral("ostrand"), QStringLiteral("tarvio")).setValue(QStringLiteral("Settings/OutputDevices"), names);
    {
        QuietApplication app;
        ASSERT_TRUE(app.start({}));
        ASSERT_EQ(outDeviceName(1), "tarvio Loopback");
        EXPECT_EQ(app.unmatchedPorts(), std::vector<int>{3});
        EXPECT_TRUE(app.mainWindow()->statusBar()->currentMessage().contains(QStringLiteral("3")));
        EXPECT_EQ(outPortSlot(3)->device, kNoDevice);
        EXPECT_EQ(outPortSlot(4)->device, 1);
        EXPECT_EQ(app.config().ports.outputMap[3], 1);
        app.shutdown();
    }
    const QStringList kept = QSettings(QStringLiteral("ostrand"), QStringLiteral("tarvio")).value(QStringLiteral("Settings/OutputDevices")).toStringList();
    ASSERT_EQ(kept.size(), kSetupPorts);
    EXPECT_EQ(kept[3], QStringLiteral("Gone Device"));
    EXPECT_EQ(kept[4], QStringLiteral("tarvio Loopback"));
}

// The placement and the bar layout come back at the next start.
TEST_F(ApplicationTest, MaximisedWindowComesBackMaximised) {
    const QRect normal(100, 80, 700, 500);
    const auto keyboardBar = [](Application& a) { return a.mainWindow()->findChild<QToolBar*>(QStringLiteral("KeyboardBar")); };
    {
        QuietApplication app;
        ASSERT_TRUE(app.start({}));
        ASSERT_TRUE(keyboardBar(app));
        keyboardBar(app)->hide();
        app.mainWindow()->showNormal();
        app.mainWindow()->setGeometry(normal);
        app.mainWindow()->showMaximized();
        app.mainWindow()->close();
        app.shutdown();
    }
    QSettings profile(QStringLiteral("ostrand"), QStringLiteral("tarvio"));
    EXPECT_EQ(profile.value(QStringLiteral("Settings/MainWndZoom")).toString(), QStringLiteral("TRUE"));
    const auto placement = parseWindowPos(profile.value(QStringLiteral("Settings/WindowPos")).toString().toStdString());
    ASSERT_TRUE(placement);
    EXPECT_TRUE(placement->flags & WindowPlacement::kRestoreToMaximized);
    EXPECT_EQ(placement->right - placement->left, 700);

    QuietApplication again;
    ASSERT_TRUE(again.start({}));
    EXPECT_TRUE(again.mainWindow()->isMaximized());
    EXPECT_EQ(again.mainWindow()->normalGeometry().size(), normal.size());
    EXPECT_TRUE(keyboardBar(again)->isHidden());
    again.shutdown();
}

TEST_F(ApplicationTest, DemoSongSavedUnchangedIsTheSameFile) {
    const QString copy = file("demo.tvo");
    ASSERT_TRUE(QFile::copy(demoSong(), copy));
    QuietApplication app;
    ASSERT_TRUE(app.start({copy}));
    ASSERT_NE(app.document(), nullptr);
    EXPECT_EQ(app.document()->path(), copy.toStdString());
    EXPECT_EQ(app.recentFiles().value(0), copy);
    app.saveDocument();
    EXPECT_TRUE(app.messages.isEmpty()) << app.messages.join(QLatin1Char('\n')).toStdString();
    std::vector<uint8_t> original, saved;
    ASSERT_TRUE(readWholeFile(demoSong().toStdString(), original));
    ASSERT_TRUE(readWholeFile(copy.toStdString(), saved));
    EXPECT_EQ(saved, original);
    app.shutdown();
}

TEST_F(ApplicationTest, BadCommandLineFileIsReportedAndANewDocumentOpens) {
    QFile bad(file("bad.tvo"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a song at all");
    bad.close();
    QuietApplication app;
    ASSERT_TRUE(app.start({bad.fileName()}));
    ASSERT_EQ(app.messages.size(), 1);
    EXPECT_TRUE(app.messages.first().contains(QStringLiteral("bad.tvo")));
    ASSERT_NE(app.document(), nullptr);
    EXPECT_EQ(app.document()->path(), "");
    EXPECT_TRUE(app.recentFiles().isEmpty());
    app.shutdown();
}

}  // namespace
}  // namespace tarvio
