// The metronome's settings: on, port, channel, and note and velocity of the strong (first) and
// weak beats.
#pragma once

#include <QDialog>

#include "app/port_list.h"
#include "engine/metronome.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace tarvio {

class MetronomeDialog : public QDialog {
    Q_OBJECT
public:
    MetronomeDialog(const MetronomeSettings& settings, PortChoices ports, QWidget* parent = nullptr);
    MetronomeSettings settings() const;

private:
    MetronomeSettings initial_;
    PortChoices ports_;
    QCheckBox* on_;
    QComboBox* port_;
    QSpinBox *channel_, *strongNote_, *strongVelocity_, *weakNote_, *weakVelocity_;
};

}  // namespace tarvio
