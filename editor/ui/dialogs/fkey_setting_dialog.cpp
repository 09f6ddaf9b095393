#include "editor/ui/dialogs/fkey_setting_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ui/dialog_util.h"
#include "editor/ui/dialogs/simple_dialogs.h"

namespace tarvio {

FkeySettingDialog::FkeySettingDialog(const FkeyTable& table, QWidget* parent) : QDialog(parent), settings_(table) {
    setWindowTitle(QStringLiteral("FKey Settings"));
    askName_ = [this] {
        TextInputDialog dialog(tr("テンプレート"), QString(), 0, this);
        return dialog.exec() == QDialog::Accepted ? dialog.text() : QString();
    };
    auto* grid = new QGridLayout;
    for (int key = 0; key < 12; ++key) {
        auto* label = new QLabel(QStringLiteral("F%1").arg(key + 1));
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, 0, key + 1);
    }
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(new QLabel(QString::fromLatin1(FkeySettings::rowLabels[size_t(row)])), row + 1, 0);
        for (int key = 0; key < 12; ++key) {
            const int index = fkeyIndex(row, key);
            auto* spin = new QSpinBox;
            spin->setObjectName(QStringLiteral("f%1").arg(index));
            spin->setRange(FkeySettings::kMin, FkeySettings::kMax);
            spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
            spin->setAlignment(Qt::AlignRight);
            spin->setMinimumWidth(52);
            connect(spin, &QSpinBox::valueChanged, this, [this, index](int v) { settings_.setValue(index, v); });
            fields_[size_t(index)] = spin;
            grid->addWidget(spin, row + 1, key + 1);
        }
    }
    templates_ = new QComboBox;
    templates_->setObjectName(QStringLiteral("templates"));
    templates_->setMinimumWidth(200);
    connect(templates_, &QComboBox::activated, this, [this](int row) {
        settings_.chooseTemplate(row);
        showGrid();
    });
    auto* create = new QPushButton(tr("作成"));
    create->setObjectName(QStringLiteral("create"));
    auto* update = new QPushButton(tr("更新"));
    update->setObjectName(QStringLiteral("update"));
    auto* remove = new QPushButton(tr("削除"));
    remove->setObjectName(QStringLiteral("remove"));
    for (QPushButton* b : {create, update, remove}) b->setAutoDefault(false);
    connect(create, &QPushButton::clicked, this, [this] {
        if (settings_.create(askName_().toStdString())) showTemplates();
    });
    connect(update, &QPushButton::clicked, this, [this] { settings_.update(); });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (settings_.remove()) showTemplates();
    });
    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel(tr("テンプレート")));
    tools->addWidget(templates_, 1);
    tools->addWidget(create);
    tools->addWidget(update);
    tools->addWidget(remove);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(tools);
    layout->addWidget(new QLabel(tr("-1: タイ   -2: 休符")));
    layout->addWidget(okCancelButtons(this));
    showGrid();
    showTemplates();
}

void FkeySettingDialog::showGrid() {
    for (int i = 0; i < kFkeyCount; ++i) {
        const QSignalBlocker block(fields_[size_t(i)]);
        fields_[size_t(i)]->setValue(settings_.value(i));
    }
}

void FkeySettingDialog::showTemplates() {
    const QSignalBlocker block(templates_);
    templates_->clear();
    for (const std::string& name : settings_.templateNames()) templates_->addItem(qs(name));
    templates_->setCurrentIndex(settings_.selected());
}

}  // namespace tarvio
