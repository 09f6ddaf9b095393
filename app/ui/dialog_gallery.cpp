// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "app/app_config.h"
#include "app/document.h"
#include "engine/input.h"
#include "model/song.h"

#include "app/ui/dialog_gallery.h"

#include <QCoreApplication>

#include "app/ui/filter_edit_dialog.h"
#include "app/ui/metronome_dialog.h"
#include "app/ui/port_dialog.h"
#include "app/ui/recording_dialog.h"
#include "app/ui/sync_dialog.h"
#include "app/ui/title_dialog.h"
#include "app/ui/tpqn_dialog.h"

namespace tarvio {

std::vector<Screenshot> dialogsForScreenshots(AppConfig& config, Document& doc, QWidget* owner) {
    const DeviceNames names =
        currentDeviceNames(QCoreApplication::translate("PortList", PortListTexts::unassigned).toStdString());
    return dialogsForScreenshots(config, doc, names, owner);
}

std::vector<Screenshot> dialogsForScreenshots(AppConfig& config, Document& doc, const DeviceNames& names, QWidget* owner) {
    // A filter with a rule of each kind of text, so that the editor's picture shows them.
    Filter sample;
    sample.name = "Volume x2";
    sample.enabled = 1;
    sample.source = kSourceCC;
    sample.parameter = 7;
    sample.rules = {{kActionLayer, 0, 0}, {kActionMulVal, 0, 2}, {kActionConvert, kConvertCC, 1}};
    RecordingValues recording{config.settings.preCount, config.filters, velocityMode(), velocityValue()};
    if (recording.filters.empty()) recording.filters = {sample};

    std::vector<std::pair<const char*, QDialog*>> dialogs{
        {"dialog-ports", new PortDialog(config.ports, names, owner)},
        {"dialog-metronome", new MetronomeDialog(config.settings.metronome, outputPortChoices(config.ports, names, false), owner)},
        {"dialog-recording", new RecordingDialog(recording, owner)},
        {"dialog-filter", new FilterEditDialog(sample, owner)},
        {"dialog-sync", new SyncDialog(config.settings, outputPortChoices(config.ports, names, true), inputPortChoices(names), owner)},
        {"dialog-title", new TitleDialog(doc.song().title, doc.song().rights, owner)},
        {"dialog-tpqn", new TpqnDialog(doc.song().tpqn, owner)},
    };
    return showDialogs(dialogs);
}

}  // namespace tarvio
