#include "app/ui/application.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QToolBar>
#include <QTemporaryDir>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "app/ui/main_window.h"

#include <QStatusBar>
#include "engine/input.h"
#include "engine/ports.h"
#include "io/file_util.h"
#include "qt_app.h"

namespace tarvio {
namespace {

// Answers every question as a test wants, and keeps what would have been shown.
class QuietApplication : public Application {
public:
    QStringList messages;
    QList<QMessageBox::Icon> icons;
    QString savePath;            // the answer to every save dialog, unless answers are queued
    QStringList saveAnswers;     // the answers to the next save dialogs, in turn
    QStringList suggestions;     // the names the save dialogs offered
    QString openAnswer;  // the answer to every open dialog
    int tpqnAsked = 0;

protected:
    void showMessage(QMessageBox::Icon icon, const QString& text) override {
        messages.append(text);
        icons.append(icon);
    }
    QMessageBox::StandardButton askSaveChanges(const QString&) override { return QMessageBox::No; }
    QString askOpenPath(const QString&) override { return openAnswer; }
    QString askSavePath(const QString&, const QString&, const QString& suggested) override {
        suggestions.append(suggested);
        return saveAnswers.isEmpty() ? savePath : saveAnswers.takeFirst();
    }
    int askTpqn(int) override {
        ++tpqnAsked;
        return 480;
    }
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
        // Named as the port dialog names it: "Port   4".
        EXPECT_TRUE(app.mainWindow()->statusBar()->currentMessage().endsWith(QStringLiteral(": 4")))
            << app.mainWindow()->statusBar()->currentMessage().toStdString();
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

// A port waiting for its missing device plays again once the user picks a device for it in the
// port dialog, even the device the dialog shows for it, and that device's name is remembered.
TEST_F(ApplicationTest, ChoosingADeviceForAWaitingPortMapsIt) {
    PortSetup stored;
    stored.outputMap[3] = 1;  // shown as the loopback, remembered as a device that is gone
    stored.outputMap[5] = 1;
    ASSERT_TRUE(writeFileAtomic(file("port.dat").toStdString(), serializePortSetup(stored)));
    QStringList names;
    for (int p = 0; p < kSetupPorts; ++p) names.append(QString());
    names[3] = names[5] = QStringLiteral("Gone Device");
    QSettings(QStringLiteral("ostrand"), QStringLiteral("tarvio")).setValue(QStringLiteral("Settings/OutputDevices"), names);
    {
        QuietApplication app;
        ASSERT_TRUE(app.start({}));
        ASSERT_EQ(app.unmatchedPorts(), (std::vector<int>{3, 5}));
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            auto* ports = d->findChild<QListWidget*>(QStringLiteral("ports"));
            auto* devices = d->findChild<QListWidget*>(QStringLiteral("devices"));
            ports->setCurrentRow(3);
            ASSERT_EQ(devices->currentRow(), 2);  // the loopback, as the port's number says
            QListWidgetItem* shown = devices->item(2);
            QTest::mouseClick(devices->viewport(), Qt::LeftButton, {}, devices->visualItemRect(shown).center());
            d->accept();
        });
        app.portSettings();
        EXPECT_EQ(app.unmatchedPorts(), std::vector<int>{5});
        EXPECT_EQ(outPortSlot(3)->device, 1);
        EXPECT_EQ(outPortSlot(5)->device, kNoDevice);  // not chosen: still waiting
        app.shutdown();
    }
    const QStringList kept = QSettings(QStringLiteral("ostrand"), QStringLiteral("tarvio")).value(QStringLiteral("Settings/OutputDevices")).toStringList();
    ASSERT_EQ(kept.size(), kSetupPorts);
    EXPECT_EQ(kept[3], QStringLiteral("tarvio Loopback"));
    EXPECT_EQ(kept[5], QStringLiteral("Gone Device"));
}

// A song saved under a .mid name reads back as a song, whichever way the file is opened; an
// imported file is offered for saving under its own name ending in .tvo.
TEST_F(ApplicationTest, ASongSavedUnderAMidiNameOpensAgain) {
    QuietApplication app;
    ASSERT_TRUE(app.start({}));
    const QString demo = file("demo.tvo"), scale = file("scale.mid");
    ASSERT_TRUE(QFile::copy(demoSong(), demo));
    ASSERT_TRUE(app.openPath(demo));
    app.savePath = scale;
    app.exportSmf();
    ASSERT_TRUE(app.openPath(scale));
    EXPECT_EQ(app.tpqnAsked, 1);
    app.saveDocument();
    EXPECT_EQ(app.suggestions.value(1), file("scale.tvo"));
    ASSERT_TRUE(app.messages.isEmpty()) << app.messages.join(QLatin1Char('\n')).toStdString();
    std::vector<uint8_t> saved;
    ASSERT_TRUE(readWholeFile(scale.toStdString(), saved));
    ASSERT_GE(saved.size(), 4u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "emhd");

    app.newDocument();
    EXPECT_TRUE(app.openPath(scale));  // as the recent-files list and a dropped file open it
    EXPECT_EQ(app.document()->path(), scale.toStdString());
    EXPECT_FALSE(app.document()->modified());
    app.openAnswer = scale;
    app.importSmf();
    EXPECT_EQ(app.document()->path(), scale.toStdString());
    EXPECT_EQ(app.tpqnAsked, 1);  // a song file has its own resolution
    EXPECT_TRUE(app.messages.isEmpty()) << app.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(app.recentFiles().value(0), scale);
    app.shutdown();
}

// Saving what was read from a damaged file offers a name beside it; choosing the original
// anyway is refused with one message, and the user is asked again.
TEST_F(ApplicationTest, ADamagedFileIsSavedUnderANewName) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(demoSong().toStdString(), bytes));
    bytes.resize(bytes.size() / 2);
    const QString demo = file("demo.tvo");
    ASSERT_TRUE(writeFileAtomic(demo.toStdString(), bytes));
    QuietApplication app;
    ASSERT_TRUE(app.start({demo}));
    ASSERT_EQ(app.messages.size(), 1);  // the warning that the file is damaged
    ASSERT_TRUE(app.document()->damaged());

    app.saveAnswers = {demo, QString()};
    app.saveDocument();
    EXPECT_EQ(app.suggestions, QStringList({file("demo-recovered.tvo"), file("demo-recovered.tvo")}));
    ASSERT_EQ(app.messages.size(), 2) << app.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(app.icons.value(1), QMessageBox::Information);
    std::vector<uint8_t> now;
    ASSERT_TRUE(readWholeFile(demo.toStdString(), now));
    EXPECT_EQ(now, bytes);

    app.saveAnswers = {file("demo-recovered.tvo")};
    app.saveDocument();
    EXPECT_EQ(app.document()->path(), file("demo-recovered.tvo").toStdString());
    EXPECT_FALSE(app.document()->damaged());
    EXPECT_EQ(app.messages.size(), 2);
    app.shutdown();
}

// The input velocity of the recording settings comes back at the next start.
TEST_F(ApplicationTest, InputVelocitySurvivesARestart) {
    {
        QuietApplication app;
        ASSERT_TRUE(app.start({}));
        setVelocityMode(kVelocityShiftValue);
        setVelocityValue(-20);
        app.shutdown();
    }
    resetInputForTests();
    {
        QuietApplication app;
        ASSERT_TRUE(app.start({}));
        EXPECT_EQ(velocityMode(), kVelocityShiftValue);
        EXPECT_EQ(velocityValue(), -20);
        app.shutdown();
    }
    resetInputForTests();
    // Values no dialog could give are not taken.
    QSettings(QStringLiteral("ostrand"), QStringLiteral("tarvio")).setValue(QStringLiteral("Settings/VelocityMode"), 7);
    QuietApplication app;
    ASSERT_TRUE(app.start({}));
    EXPECT_EQ(velocityMode(), kVelocityThrough);
    app.shutdown();
    resetInputForTests();
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
