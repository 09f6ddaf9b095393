// "同期の設定": time code in (port and correction), time code out (switch, port, frame
// format), and machine control out and in (switch, device id, port).
#pragma once

#include <QDialog>

#include "app/app_settings.h"
#include "app/port_list.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace tarvio {

class SyncDialog : public QDialog {
    Q_OBJECT
public:
    SyncDialog(const AppSettings& settings, const PortChoices& outputs, const PortChoices& inputs, QWidget* parent = nullptr);
    // Writes the dialog's fields into the record; the other fields stay.
    void store(AppSettings& settings) const;

private:
    struct PortField {
        PortChoices choices;
        QComboBox* combo = nullptr;
        int32_t port() const;
    };
    PortField portField(const PortChoices& list, int32_t stored, const char* name);

    PortField mtcIn_, mtcOut_, mmcOut_, mmcIn_;
    QSpinBox *offset_, *mmcSendId_, *mmcReceiveId_;
    QCheckBox *sendMtc_, *sendMmc_, *acceptMmc_;
    QComboBox* frameFormat_;
};

}  // namespace tarvio
