#include "app/ui/recording_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/dialog_util.h"
#include "app/ui/filter_edit_dialog.h"

namespace tarvio {

RecordingDialog::RecordingDialog(const RecordingValues& v, QWidget* parent) : QDialog(parent), filters_(v.filters), initialValue_(v.velocityValue) {
    setWindowTitle(tr("レコーディングの設定"));
    editFilter = [this](Filter& f) {
        FilterEditDialog dialog(f, this);
        if (dialog.exec() != QDialog::Accepted) return false;
        f = dialog.filter();
        return true;
    };
    preCount_ = rangeSpin(DialogRanges::preCount, v.preCount, "preCount");
    auto* preRow = new QHBoxLayout;
    preRow->addWidget(new QLabel(tr("レコーディングプリカウント")));
    preRow->addWidget(preCount_, 1);

    auto* filterBox = new QGroupBox(tr("メッセージフィルタ"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("filters"));
    auto* buttons = new QVBoxLayout;
    auto button = [&](const QString& text, const char* name, auto slot) {
        auto* b = new QPushButton(text);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button(tr("新規作成"), "newFilter", &RecordingDialog::newFilter);
    button(tr("削除"), "deleteFilter", &RecordingDialog::deleteFilter);
    button(tr("編集"), "editFilter", &RecordingDialog::openFilter);
    button(QStringLiteral("↑"), "filterUp", [this] { moveFilter(-1); });
    button(QStringLiteral("↓"), "filterDown", [this] { moveFilter(+1); });
    buttons->addStretch();
    auto* filterRow = new QHBoxLayout(filterBox);
    filterRow->addWidget(list_, 1);
    filterRow->addLayout(buttons);

    auto* velocityBox = new QGroupBox(tr("入力ヴェロシティ"));
    std::vector<std::string> modes(DialogTexts::velocityModes.begin(), DialogTexts::velocityModes.end());
    mode_ = choiceCombo(modes, v.velocityMode, "velocityMode");
    value_ = rangeSpin(velocityValueRange(v.velocityMode), v.velocityValue, "velocityValue");
    auto* velocityRow = new QHBoxLayout(velocityBox);
    velocityRow->addWidget(mode_, 1);
    velocityRow->addWidget(new QLabel(QStringLiteral("Val")));
    velocityRow->addWidget(value_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(preRow);
    layout->addWidget(filterBox, 1);
    layout->addWidget(velocityBox);
    layout->addWidget(okCancelButtons(this));
    resize(400, 380);

    fillFilters(0);
    connect(list_, &QListWidget::itemChanged, this, &RecordingDialog::filterChecked);
    connect(list_, &QListWidget::itemDoubleClicked, this, &RecordingDialog::openFilter);
    connect(mode_, &QComboBox::currentIndexChanged, this, &RecordingDialog::modeChanged);
}

void RecordingDialog::fillFilters(int select) {
    const QSignalBlocker block(list_);
    list_->clear();
    for (const Filter& f : filters_.list()) {
        auto* item = new QListWidgetItem(qs(f.name), list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(f.enabled ? Qt::Checked : Qt::Unchecked);
    }
    list_->setCurrentRow(select);
}

void RecordingDialog::filterChecked() {
    for (int i = 0; i < list_->count(); ++i) filters_.setEnabled(i, list_->item(i)->checkState() == Qt::Checked);
}

// The new filter joins the list only when its editor is confirmed.
void RecordingDialog::newFilter() {
    Filter f;
    f.name = QCoreApplication::translate("tarvio::FilterEditor", kNewFilterText).toStdString();
    if (!editFilter(f)) return;
    const int index = filters_.add();
    filters_.replace(index, std::move(f));
    fillFilters(index);
}

void RecordingDialog::deleteFilter() {
    if (list_->currentRow() < 0) return;
    fillFilters(filters_.remove(list_->currentRow()));
}

void RecordingDialog::openFilter() {
    const int index = list_->currentRow();
    if (index < 0) return;
    Filter f = filters_.list()[size_t(index)];
    if (!editFilter(f)) return;
    filters_.replace(index, std::move(f));
    fillFilters(index);
}

void RecordingDialog::moveFilter(int delta) { fillFilters(filters_.move(list_->currentRow(), delta)); }

void RecordingDialog::modeChanged() { setSpinRange(value_, velocityValueRange(mode_->currentIndex())); }

RecordingValues RecordingDialog::values() const {
    RecordingValues v;
    v.preCount = preCount_->value();
    v.filters = filters_.list();
    v.velocityMode = std::max(0, mode_->currentIndex());
    v.velocityValue = value_->isEnabled() ? value_->value() : initialValue_;
    return v;
}

}  // namespace tarvio
