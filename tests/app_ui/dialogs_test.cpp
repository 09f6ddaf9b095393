// The dialogs' wiring: each opens with the current values, OK writes the edited fields back
// (and to the engine), Cancel changes nothing.
#include <gtest/gtest.h>

// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "app/app_config.h"
#include "app/document.h"
#include "app/fake_transport.h"
#include "engine/input.h"
#include "engine/metronome.h"
#include "model/song.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/ui/dialog_gallery.h"
#include "app/ui/dialogs.h"
#include "app/ui/filter_edit_dialog.h"
#include "app/ui/recording_dialog.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

template <typename W>
W* field(QWidget* dialog, const char* name) {
    W* w = dialog->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Runs `open` with `edit` applied to the dialog it shows, which is then confirmed or cancelled.
template <typename Open>
auto answer(Open open, const std::function<void(QDialog*)>& edit, bool ok) {
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        edit(d);
        ok ? d->accept() : d->reject();
    });
    return open();
}

struct Fixture {
    AppConfig config;
    FakeTransport transport;
    Document doc{transport};
    Fixture() {
        resetInputForTests(), resetMetronomeForTests(), setFilters({});
        config.ports.outputMap[0] = -1;
        config.ports.latencyFix = 5;
        config.settings.metronome.channel = 9;
        config.settings.preCount = 240;
        config.settings.mtcOutPort = -1;
        config.settings.mmcSendId = 127;
        config.filters = {Filter{}};
        doc.setSongInfo("Old", "(c) old");
    }
    ~Fixture() { resetInputForTests(), resetMetronomeForTests(), setFilters({}); }
};

struct Case {
    const char* name;
    std::function<bool(Fixture&)> open;
    std::function<void(QDialog*)> showsAndEdits;  // checks the shown values, then edits
    std::function<void(Fixture&)> checkStored;    // after OK
};

const Case kCases[] = {
    {"ports", [](Fixture& f) { return editPortSetup(nullptr, f.config); },
     [](QDialog* d) {
         EXPECT_EQ(field<QSpinBox>(d, "latency")->value(), 5);
         EXPECT_EQ(field<QListWidget>(d, "ports")->item(0)->text(), "Port   1  未割当");
         auto* ports = field<QListWidget>(d, "ports");
         auto* devices = field<QListWidget>(d, "devices");
         ports->setCurrentRow(2);
         devices->setCurrentRow(0);
         emit devices->itemClicked(devices->item(0));
         field<QCheckBox>(d, "through")->setChecked(true);
         field<QSpinBox>(d, "latency")->setValue(25);
         field<QSpinBox>(d, "latency")->setValue(5000);  // limited to the range
     },
     [](Fixture& f) {
         EXPECT_EQ(f.config.ports.through, 1);
         EXPECT_EQ(f.config.ports.latencyFix, 1000);
         EXPECT_EQ(f.config.ports.outputMap[2], -1);
         EXPECT_TRUE(thruOn());
         EXPECT_EQ(latencyFix(), 1000);
     }},
    {"metronome", [](Fixture& f) { return editMetronome(nullptr, f.config); },
     [](QDialog* d) {
         EXPECT_EQ(field<QSpinBox>(d, "channel")->value(), 10);
         field<QCheckBox>(d, "on")->setChecked(true);
         field<QSpinBox>(d, "channel")->setValue(3);
         field<QSpinBox>(d, "strongNote")->setValue(40);
         field<QComboBox>(d, "port")->setCurrentIndex(4);
     },
     [](Fixture& f) {
         const MetronomeSettings m = f.config.settings.metronome;
         EXPECT_EQ(m.on, 1);
         EXPECT_EQ(m.channel, 2);
         EXPECT_EQ(m.strongNote, 40);
         EXPECT_EQ(m.port, 4);
         EXPECT_EQ(metronome(), m);
     }},
    {"recording", [](Fixture& f) { return editRecording(nullptr, f.config); },
     [](QDialog* d) {
         EXPECT_EQ(field<QSpinBox>(d, "preCount")->value(), 240);
         EXPECT_EQ(field<QListWidget>(d, "filters")->count(), 1);
         // The filter editor's answer: a rule added.
         qobject_cast<RecordingDialog*>(d)->editFilter = [](Filter& filter) {
             filter.rules.push_back({kActionDelete, 0, 0});
             return true;
         };
         field<QPushButton>(d, "newFilter")->click();
         field<QListWidget>(d, "filters")->item(1)->setCheckState(Qt::Checked);
         field<QPushButton>(d, "filterUp")->click();
         field<QSpinBox>(d, "preCount")->setValue(480);
         field<QComboBox>(d, "velocityMode")->setCurrentIndex(1);
         field<QSpinBox>(d, "velocityValue")->setValue(90);
     },
     [](Fixture& f) {
         EXPECT_EQ(f.config.settings.preCount, 480);
         ASSERT_EQ(f.config.filters.size(), 2u);
         EXPECT_EQ(f.config.filters[0].enabled, 1);
         EXPECT_EQ(f.config.filters[0].rules.size(), 1u);
         EXPECT_EQ(*currentFilters(), f.config.filters);
         EXPECT_EQ(velocityMode(), 1);
         EXPECT_EQ(velocityValue(), 90);
     }},
    {"sync", [](Fixture& f) { return editSync(nullptr, f.config); },
     [](QDialog* d) {
         EXPECT_EQ(field<QComboBox>(d, "mtcOutPort")->currentText(), "[---]");
         EXPECT_EQ(field<QComboBox>(d, "frameFormat")->currentText(), "30drop fps");
         field<QComboBox>(d, "mtcOutPort")->setCurrentIndex(3);
         field<QComboBox>(d, "frameFormat")->setCurrentIndex(0);
         field<QCheckBox>(d, "sendMmc")->setChecked(true);
         field<QSpinBox>(d, "mmcSendId")->setValue(16);
         field<QSpinBox>(d, "syncOffset")->setValue(-30);
     },
     [](Fixture& f) {
         EXPECT_EQ(f.config.settings.mtcOutPort, 2);
         EXPECT_EQ(f.config.settings.mtcFrameFormat, 0);
         EXPECT_EQ(f.config.settings.sendMmc, 1);
         EXPECT_EQ(f.config.settings.mmcSendId, 16);
         EXPECT_EQ(f.config.settings.mmcInPort, -1);
         EXPECT_EQ(mtcOffset(), -30);
     }},
    {"song info", [](Fixture& f) { return editSongInfo(nullptr, f.doc); },
     [](QDialog* d) {
         EXPECT_EQ(field<QLineEdit>(d, "title")->text(), "Old");
         field<QLineEdit>(d, "title")->setText("曲");
         field<QLineEdit>(d, "rights")->setText("(c) new");
     },
     [](Fixture& f) {
         EXPECT_EQ(f.doc.song().title, "曲");
         EXPECT_EQ(f.doc.song().rights, "(c) new");
     }},
};

TEST(Dialogs, ShowCurrentValuesOkWritesBackCancelChangesNothing) {
    ensureApp();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        {
            Fixture f;
            const AppConfig before = f.config;
            const MetronomeSettings engineMetronome = metronome();
            EXPECT_FALSE(answer([&] { return c.open(f); }, c.showsAndEdits, false));
            EXPECT_EQ(f.config.ports, before.ports);
            EXPECT_EQ(f.config.settings, before.settings);
            EXPECT_EQ(f.config.filters, before.filters);
            EXPECT_EQ(f.doc.song().title, "Old");
            EXPECT_FALSE(thruOn());
            EXPECT_EQ(metronome(), engineMetronome);
            EXPECT_EQ(velocityMode(), 0);
        }
        Fixture f;
        EXPECT_TRUE(answer([&] { return c.open(f); }, c.showsAndEdits, true));
        c.checkStored(f);
    }
}

TEST(Dialogs, ResolutionListPreselectsOnlyForImport) {
    ensureApp();
    auto pick = [](const char* value) {
        return [value](QDialog* d) {
            auto* list = field<QListWidget>(d, "tpqn");
            QStringList texts;
            for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
            EXPECT_EQ(texts, QStringList({"960", "480", "192", "96", "48"}));
            EXPECT_EQ(list->selectedItems().size(), value ? 0 : 1);
            EXPECT_EQ(field<QPushButton>(d, "ok")->isEnabled(), value == nullptr);
            if (value) list->setCurrentItem(list->findItems(QString::fromLatin1(value), Qt::MatchExactly).value(0));
        };
    };
    EXPECT_EQ(answer([] { return askResolution(nullptr, -1); }, pick("96"), true), 96);
    EXPECT_EQ(answer([] { return askImportResolution(nullptr, 192); }, pick(nullptr), true), 192);
    EXPECT_EQ(answer([] { return askImportResolution(nullptr, 192); }, pick(nullptr), false), -1);
}

// A click on a value chooses it, as the keyboard does: OK stays offered and gives that value.
TEST(Dialogs, ResolutionChosenWithTheMouse) {
    ensureApp();
    auto click = [](const char* value) {
        return [value](QDialog* d) {
            auto* list = field<QListWidget>(d, "tpqn");
            QListWidgetItem* item = list->findItems(QString::fromLatin1(value), Qt::MatchExactly).value(0);
            ASSERT_NE(item, nullptr);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
            EXPECT_TRUE(field<QPushButton>(d, "ok")->isEnabled());
            // Clicking the chosen value again keeps it.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
            EXPECT_TRUE(field<QPushButton>(d, "ok")->isEnabled());
        };
    };
    EXPECT_EQ(answer([] { return askResolution(nullptr, -1); }, click("192"), true), 192);
    EXPECT_EQ(answer([] { return askImportResolution(nullptr, 480); }, click("48"), true), 48);
}

TEST(Dialogs, FilterEditorOffersOnlyRulesThatApply) {
    ensureApp();
    Filter f;
    f.source = kSourceNoteOn;
    f.parameter = 9;
    FilterEditDialog d(f);
    EXPECT_FALSE(field<QSpinBox>(&d, "parameter")->isEnabled());
    field<QComboBox>(&d, "action")->setCurrentIndex(kActionDivVal);
    field<QSpinBox>(&d, "value")->setValue(0);
    EXPECT_FALSE(field<QPushButton>(&d, "addRule")->isEnabled());
    field<QSpinBox>(&d, "value")->setValue(2);
    field<QPushButton>(&d, "addRule")->click();
    field<QComboBox>(&d, "action")->setCurrentIndex(kActionConvert);
    EXPECT_TRUE(field<QComboBox>(&d, "option")->isEnabled());
    field<QComboBox>(&d, "option")->setCurrentIndex(kConvertPitch);
    EXPECT_FALSE(field<QSpinBox>(&d, "value")->isEnabled());
    field<QPushButton>(&d, "addRule")->click();
    field<QComboBox>(&d, "source")->setCurrentIndex(kSourceCC);
    EXPECT_TRUE(field<QSpinBox>(&d, "parameter")->isEnabled());
    field<QSpinBox>(&d, "parameter")->setValue(7);
    field<QLineEdit>(&d, "name")->setText("x");
    const Filter out = d.filter();
    EXPECT_EQ(out.name, "x");
    EXPECT_EQ(out.source, kSourceCC);
    EXPECT_EQ(out.parameter, 7);
    EXPECT_EQ(out.rules, (std::vector<FilterRule>{{kActionDivVal, 0, 2}, {kActionConvert, kConvertPitch, 0}}));
    EXPECT_EQ(field<QListWidget>(&d, "rules")->item(1)->text(), "<convert> to <Pitch>");
}

TEST(Dialogs, GalleryShowsEveryDialog) {
    ensureApp();
    Fixture f;
    QWidget owner;
    const auto shots = dialogsForScreenshots(f.config, f.doc, {{"Synth"}, {"Keys"}, "none"}, &owner);
    EXPECT_EQ(shots.size(), 7u);
    for (const Screenshot& s : shots) EXPECT_FALSE(s.widget->grab().isNull()) << s.name.toStdString();
    // Pictures for review: TARVIO_DIALOG_PICTURES=DIR writes them.
    if (!qEnvironmentVariableIsEmpty("TARVIO_DIALOG_PICTURES")) {
        EXPECT_EQ(runScreenshots(qEnvironmentVariable("TARVIO_DIALOG_PICTURES"), shots), 0);
    }
}

}  // namespace
}  // namespace tarvio
