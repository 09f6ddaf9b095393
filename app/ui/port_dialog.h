// "Port Select": which device each logical output port plays on, which input devices are
// opened, MIDI Through and the input latency correction. Selecting a device maps every
// selected port to it.
#pragma once

#include <QDialog>

#include "app/port_list.h"
#include "app/port_setup.h"

class QCheckBox;
class QListWidget;
class QSpinBox;

namespace tarvio {

class PortDialog : public QDialog {
    Q_OBJECT
public:
    PortDialog(const PortSetup& setup, DeviceNames names, QWidget* parent = nullptr);
    // The set-up with the dialog's fields.
    PortSetup setup() const;
    // The ports the user gave a device, ascending, even where it is the one they had.
    std::vector<int> chosenPorts() const;

private:
    void showDevice();
    void mapSelectedPorts();

    PortSetup setup_;
    std::vector<bool> chosen_ = std::vector<bool>(kSetupPorts, false);
    DeviceNames names_;
    QListWidget* ports_;
    QListWidget* devices_;
    QListWidget* inputs_;
    QCheckBox* through_;
    QSpinBox* latency_;
};

}  // namespace tarvio
