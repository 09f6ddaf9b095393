#include "app/ui/application.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include "app/ui/main_window.h"
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
        qputenv("TARVIO_HOME", home.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("profile")));
    }
    void TearDown() override { qunsetenv("TARVIO_HOME"); }

    QString file(const char* name) const { return home.filePath(QString::fromLatin1(name)); }
    static QString demoSong() {
        return QFileInfo(QStringLiteral(__FILE__)).dir().absoluteFilePath(QStringLiteral("../../data/songs/demo.tvo"));
    }

    QTemporaryDir home;
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
