#include "app/ui/dialogs.h"

// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "app/app_config.h"
#include "app/document.h"
#include "app/startup_profile.h"
#include "engine/input.h"
#include "model/song.h"

#include <QCoreApplication>

#include "app/ui/dialog_util.h"
#include "app/ui/metronome_dialog.h"
#include "app/ui/port_dialog.h"
#include "app/ui/recording_dialog.h"
#include "app/ui/sync_dialog.h"
#include "app/ui/title_dialog.h"
#include "app/ui/tpqn_dialog.h"

namespace tarvio {

namespace {

DeviceNames deviceNames() {
    return currentDeviceNames(QCoreApplication::translate("PortList", PortListTexts::unassigned).toStdString());
}

}  // namespace

bool editPortSetup(QWidget* parent, AppConfig& config, DeviceMatch* waiting) {
    PortDialog dialog(config.ports, deviceNames(), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    config.ports = dialog.setup();
    if (waiting) portsChosen(*waiting, dialog.chosenPorts());
    applyPortSetup(waiting ? setupToApply(config.ports, *waiting) : config.ports);
    return true;
}

bool editMetronome(QWidget* parent, AppConfig& config) {
    MetronomeDialog dialog(config.settings.metronome, outputPortChoices(config.ports, deviceNames(), false), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    config.settings.metronome = dialog.settings();
    applyEngineSettings(config.settings);
    return true;
}

bool editRecording(QWidget* parent, AppConfig& config) {
    // The velocity mode lives only in the engine; the settings file has no field for it.
    RecordingDialog dialog({config.settings.preCount, config.filters, velocityMode(), velocityValue()}, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const RecordingValues v = dialog.values();
    config.settings.preCount = v.preCount;
    config.filters = v.filters;
    setFilters(config.filters);
    setVelocityMode(v.velocityMode);
    setVelocityValue(v.velocityValue);
    return true;
}

bool editSync(QWidget* parent, AppConfig& config) {
    const DeviceNames names = deviceNames();
    SyncDialog dialog(config.settings, outputPortChoices(config.ports, names, true), inputPortChoices(names), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.store(config.settings);
    applyEngineSettings(config.settings);
    return true;
}

bool editSongInfo(QWidget* parent, Document& doc) {
    TitleDialog dialog(doc.song().title, doc.song().rights, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    doc.setSongInfo(dialog.title(), dialog.rights());
    return true;
}

int askResolution(QWidget* parent, int current) {
    TpqnDialog dialog(current, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.choice() : -1;
}

int askImportResolution(QWidget* parent, int current) { return askResolution(parent, current); }

}  // namespace tarvio
