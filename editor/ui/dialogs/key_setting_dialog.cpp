#include "editor/ui/dialogs/key_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/ui/dialog_util.h"

namespace tarvio {

KeySettingDialog::KeySettingDialog(const KeyMap& map, QWidget* parent) : QDialog(parent), settings_(map) {
    setWindowTitle(tr("数値入力エディタのキーカスタマイズ"));
    keys_ = new QListWidget;
    keys_->setObjectName(QStringLiteral("keys"));
    for (const std::string& k : KeySettings::keyTexts()) keys_->addItem(qs(k));
    action_ = new QComboBox;
    action_->setObjectName(QStringLiteral("action"));
    for (const std::string& a : KeySettings::actionTexts())
        action_->addItem(QCoreApplication::translate("EditorAction", a.c_str()));
    action_->setMaxVisibleItems(20);
    shift_ = new QCheckBox(QStringLiteral("Shift"));
    shift_->setObjectName(QStringLiteral("shift"));
    ctrl_ = new QCheckBox(QStringLiteral("Ctrl"));
    ctrl_->setObjectName(QStringLiteral("ctrl"));
    alt_ = new QCheckBox(QStringLiteral("Alt"));
    alt_->setObjectName(QStringLiteral("alt"));

    connect(keys_, &QListWidget::currentRowChanged, this, [this](int row) {
        settings_.selectKey(row);
        showBinding();
    });
    for (QCheckBox* box : {shift_, ctrl_, alt_})
        connect(box, &QCheckBox::toggled, this, [this] {
            settings_.setModifiers(shift_->isChecked(), ctrl_->isChecked(), alt_->isChecked());
            showBinding();
        });
    connect(action_, &QComboBox::activated, this, [this](int row) {
        settings_.chooseAction(row);
        showBinding();  // a refused choice shows "未定義"
    });

    auto* side = new QVBoxLayout;
    auto* mods = new QHBoxLayout;
    mods->addWidget(shift_);
    mods->addWidget(ctrl_);
    mods->addWidget(alt_);
    side->addLayout(mods);
    side->addWidget(action_);
    side->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(keys_);
    row->addLayout(side, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(okCancelButtons(this));
    keys_->setCurrentRow(0);
    resize(420, 360);
}

void KeySettingDialog::showBinding() {
    const QSignalBlocker block(action_);
    action_->setEnabled(settings_.selectedKey() >= 0);
    action_->setCurrentIndex(settings_.actionRow());
}

}  // namespace tarvio
