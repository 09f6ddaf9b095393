#include "app/ui/metronome_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ui/dialog_util.h"

namespace tarvio {

MetronomeDialog::MetronomeDialog(const MetronomeSettings& settings, PortChoices ports, QWidget* parent)
    : QDialog(parent), initial_(settings), ports_(withStoredPort(std::move(ports), settings.port)) {
    setWindowTitle(tr("メトロノーム設定"));
    on_ = new QCheckBox(tr("メトロノームを使用する"));
    on_->setObjectName(QStringLiteral("on"));
    on_->setChecked(settings.on != 0);
    std::vector<std::string> texts;
    for (const PortChoice& c : ports_) texts.push_back(c.text);
    port_ = choiceCombo(texts, choiceOf(ports_, settings.port), "port");
    channel_ = rangeSpin(DialogRanges::channel, settings.channel + 1, "channel");
    strongNote_ = rangeSpin(DialogRanges::note, settings.strongNote, "strongNote");
    strongVelocity_ = rangeSpin(DialogRanges::velocity, settings.strongVelocity, "strongVelocity");
    weakNote_ = rangeSpin(DialogRanges::note, settings.weakNote, "weakNote");
    weakVelocity_ = rangeSpin(DialogRanges::velocity, settings.weakVelocity, "weakVelocity");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Port")), 0, 0);
    grid->addWidget(port_, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Ch.")), 1, 0);
    grid->addWidget(channel_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Note Strong")), 2, 0);
    grid->addWidget(strongNote_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Vel")), 2, 2);
    grid->addWidget(strongVelocity_, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("Note Weak")), 3, 0);
    grid->addWidget(weakNote_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Vel")), 3, 2);
    grid->addWidget(weakVelocity_, 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(on_);
    layout->addLayout(grid);
    layout->addWidget(okCancelButtons(this));
}

MetronomeSettings MetronomeDialog::settings() const {
    MetronomeSettings m = initial_;
    m.on = on_->isChecked() ? 1 : 0;
    m.port = uint8_t(portOfChoice(ports_, port_->currentIndex()));
    m.channel = uint8_t(channel_->value() - 1);
    m.strongNote = uint8_t(strongNote_->value());
    m.strongVelocity = uint8_t(strongVelocity_->value());
    m.weakNote = uint8_t(weakNote_->value());
    m.weakVelocity = uint8_t(weakVelocity_->value());
    return m;
}

}  // namespace tarvio
