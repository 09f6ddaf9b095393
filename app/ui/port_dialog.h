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

private:
    void showDevice();
    void mapSelectedPorts();

    PortSetup setup_;
    DeviceNames names_;
    QListWidget* ports_;
    QListWidget* devices_;
    QListWidget* inputs_;
    QCheckBox* through_;
    QSpinBox* latency_;
};

}  // namespace tarvio
