#include "app/ui/sync_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/dialog_util.h"

namespace tarvio {

namespace {

QCheckBox* checkBox(const QString& text, bool on, const char* name) {
    auto* box = new QCheckBox(text);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(on);
    return box;
}

QLabel* label(const QString& text) { return new QLabel(text); }

}  // namespace

int32_t SyncDialog::PortField::port() const { return portOfChoice(choices, combo->currentIndex()); }

SyncDialog::PortField SyncDialog::portField(const PortChoices& list, int32_t stored, const char* name) {
    PortField f{withStoredPort(list, stored), nullptr};
    std::vector<std::string> texts;
    for (const PortChoice& c : f.choices) texts.push_back(c.text);
    f.combo = choiceCombo(texts, choiceOf(f.choices, stored), name);
    f.combo->setMaxVisibleItems(16);
    return f;
}

SyncDialog::SyncDialog(const AppSettings& s, const PortChoices& outputs, const PortChoices& inputs, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("同期の設定"));
    mtcIn_ = portField(inputs, s.mtcInPort, "mtcInPort");
    offset_ = rangeSpin(DialogRanges::syncOffset, s.syncOffset, "syncOffset");
    sendMtc_ = checkBox(tr("MTCを出力する"), s.sendMtc != 0, "sendMtc");
    mtcOut_ = portField(outputs, s.mtcOutPort, "mtcOutPort");
    std::vector<std::string> formats(DialogTexts::frameFormats.begin(), DialogTexts::frameFormats.end());
    frameFormat_ = choiceCombo(formats, s.mtcFrameFormat, "frameFormat");
    sendMmc_ = checkBox(tr("MMC(Play/Stop/Locate)を出力する"), s.sendMmc != 0, "sendMmc");
    mmcSendId_ = rangeSpin(DialogRanges::deviceId, s.mmcSendId, "mmcSendId");
    mmcOut_ = portField(outputs, s.mmcOutPort, "mmcOutPort");
    acceptMmc_ = checkBox(tr("MMC(Play/Stop/Locate)を受け付ける"), s.acceptMmc != 0, "acceptMmc");
    mmcReceiveId_ = rangeSpin(DialogRanges::deviceId, s.mmcReceiveId, "mmcReceiveId");
    mmcIn_ = portField(inputs, s.mmcInPort, "mmcInPort");

    auto* slave = new QGroupBox(QStringLiteral("MTC Slave"));
    auto* g1 = new QGridLayout(slave);
    g1->addWidget(label(QStringLiteral("Port")), 0, 0);
    g1->addWidget(mtcIn_.combo, 0, 1, 1, 2);
    g1->addWidget(label(tr("同期補正")), 1, 0);
    g1->addWidget(offset_, 1, 1);
    g1->addWidget(label(QStringLiteral("ms")), 1, 2);
    g1->setColumnStretch(1, 1);

    auto* master = new QGroupBox(QStringLiteral("MTC Master"));
    auto* g2 = new QGridLayout(master);
    g2->addWidget(sendMtc_, 0, 0, 1, 2);
    g2->addWidget(label(QStringLiteral("Port")), 1, 0);
    g2->addWidget(mtcOut_.combo, 1, 1);
    g2->addWidget(label(tr("フレーム形式")), 2, 0);
    g2->addWidget(frameFormat_, 2, 1);
    g2->setColumnStretch(1, 1);

    auto* mmc = new QGroupBox(QStringLiteral("MMC"));
    auto* g3 = new QGridLayout(mmc);
    g3->addWidget(sendMmc_, 0, 0, 1, 4);
    g3->addWidget(label(QStringLiteral("Port")), 1, 0);
    g3->addWidget(mmcOut_.combo, 1, 1);
    g3->addWidget(label(QStringLiteral("Device ID")), 1, 2);
    g3->addWidget(mmcSendId_, 1, 3);
    g3->addWidget(acceptMmc_, 2, 0, 1, 4);
    g3->addWidget(label(QStringLiteral("Port")), 3, 0);
    g3->addWidget(mmcIn_.combo, 3, 1);
    g3->addWidget(label(QStringLiteral("Device ID")), 3, 2);
    g3->addWidget(mmcReceiveId_, 3, 3);
    g3->setColumnStretch(1, 1);

    // The fields of the three groups line up: their labels get the widest label's width.
    int width = 0;
    for (QGridLayout* g : {g1, g2, g3})
        for (int row = 0; row < g->rowCount(); ++row)
            if (QLayoutItem* item = g->itemAtPosition(row, 0))
                if (auto* l = qobject_cast<QLabel*>(item->widget())) width = std::max(width, l->sizeHint().width());
    for (QGridLayout* g : {g1, g2, g3}) g->setColumnMinimumWidth(0, width);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(slave);
    layout->addWidget(master);
    layout->addWidget(mmc);
    layout->addWidget(okCancelButtons(this));
    resize(420, sizeHint().height());
}

void SyncDialog::store(AppSettings& s) const {
    s.mtcInPort = mtcIn_.port();
    s.syncOffset = offset_->value();
    s.sendMtc = sendMtc_->isChecked() ? 1 : 0;
    s.mtcOutPort = mtcOut_.port();
    // A stored format the list does not know stays as it was.
    if (frameFormat_->currentIndex() >= 0) s.mtcFrameFormat = frameFormat_->currentIndex();
    s.sendMmc = sendMmc_->isChecked() ? 1 : 0;
    s.mmcSendId = mmcSendId_->value();
    s.mmcOutPort = mmcOut_.port();
    s.acceptMmc = acceptMmc_->isChecked() ? 1 : 0;
    s.mmcReceiveId = mmcReceiveId_->value();
    s.mmcInPort = mmcIn_.port();
}

}  // namespace tarvio
