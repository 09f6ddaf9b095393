#include "app/ui/port_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ui/dialog_util.h"

namespace tarvio {

PortDialog::PortDialog(const PortSetup& setup, DeviceNames names, QWidget* parent)
    : QDialog(parent), setup_(setup), names_(std::move(names)) {
    setWindowTitle(QStringLiteral("Port Select"));
    auto* outputs = new QGroupBox(QStringLiteral("MIDI output mapping"));
    ports_ = new QListWidget;
    ports_->setObjectName(QStringLiteral("ports"));
    ports_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ports_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));  // "Port %3d" lines up
    for (int port = 0; port < kSetupPorts; ++port)
        ports_->addItem(qs(outputPortRow(port, setup_.outputMap[size_t(port)], names_)));
    devices_ = new QListWidget;
    devices_->setObjectName(QStringLiteral("devices"));
    for (const std::string& d : deviceRows(names_)) devices_->addItem(qs(d));
    auto* outRow = new QHBoxLayout(outputs);
    outRow->addWidget(ports_, 3);
    outRow->addWidget(devices_, 2);

    auto* inputBox = new QGroupBox(QStringLiteral("MIDI input devices"));
    inputs_ = new QListWidget;
    inputs_->setObjectName(QStringLiteral("inputs"));
    for (size_t i = 0; i < names_.in.size() && i < size_t(kSetupPorts); ++i) {
        auto* item = new QListWidgetItem(qs(names_.in[i]), inputs_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(setup_.inputUse[i] == 1 ? Qt::Checked : Qt::Unchecked);
    }
    inputs_->setMaximumHeight(90);
    (new QVBoxLayout(inputBox))->addWidget(inputs_);

    through_ = new QCheckBox(QStringLiteral("MIDI Through"));
    through_->setObjectName(QStringLiteral("through"));
    through_->setChecked(setup_.through != 0);
    latency_ = rangeSpin(DialogRanges::latencyFix, setup_.latencyFix, "latency");
    auto* options = new QHBoxLayout;
    options->addWidget(through_);
    options->addStretch();
    options->addWidget(new QLabel(QStringLiteral("Latency Fix")));
    options->addWidget(latency_);
    options->addWidget(new QLabel(QStringLiteral("ms")));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(outputs, 1);
    layout->addWidget(inputBox);
    layout->addLayout(options);
    layout->addWidget(okCancelButtons(this));
    resize(460, 480);

    connect(ports_, &QListWidget::itemSelectionChanged, this, &PortDialog::showDevice);
    connect(devices_, &QListWidget::itemClicked, this, &PortDialog::mapSelectedPorts);
    ports_->setCurrentRow(0);
}

void PortDialog::showDevice() {
    const QSignalBlocker block(devices_);
    const int port = ports_->currentRow();
    devices_->setCurrentRow(port < 0 ? -1 : deviceRowOf(setup_.outputMap[size_t(port)], names_));
}

void PortDialog::mapSelectedPorts() {
    const int32_t device = deviceOfRow(devices_->currentRow());
    for (QListWidgetItem* item : ports_->selectedItems()) {
        const int port = ports_->row(item);
        setup_.outputMap[size_t(port)] = device;
        chosen_[size_t(port)] = true;
        item->setText(qs(outputPortRow(port, device, names_)));
    }
}

std::vector<int> PortDialog::chosenPorts() const {
    std::vector<int> ports;
    for (int port = 0; port < kSetupPorts; ++port)
        if (chosen_[size_t(port)]) ports.push_back(port);
    return ports;
}

PortSetup PortDialog::setup() const {
    PortSetup s = setup_;
    // Input devices the system does not list now keep their flags.
    for (int i = 0; i < inputs_->count(); ++i) s.inputUse[size_t(i)] = inputs_->item(i)->checkState() == Qt::Checked ? 1 : 0;
    s.through = through_->isChecked() ? 1 : 0;
    s.latencyFix = latency_->value();
    return s;
}

}  // namespace tarvio
