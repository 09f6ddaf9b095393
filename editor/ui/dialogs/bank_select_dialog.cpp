#include "editor/ui/dialogs/bank_select_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

#include <QDialogButtonBox>

#include "app/ui/dialog_util.h"

namespace tarvio {

BankSelectDialog::BankSelectDialog(const std::vector<BankSet>& sets, const std::string& setName, int program,
                                   uint8_t msb, uint8_t lsb, QWidget* parent)
    : QDialog(parent), choices_(programChoices(sets, setName, msb, lsb)) {
    setWindowTitle(setName.empty() ? QStringLiteral("Program") : QStringLiteral("Program - %1").arg(qs(setName)));
    banks_ = new QListWidget;
    banks_->setObjectName(QStringLiteral("banks"));
    for (const auto& b : choices_.banks) banks_->addItem(qs(b.text));
    programs_ = new QListWidget;
    programs_->setObjectName(QStringLiteral("programs"));
    connect(banks_, &QListWidget::currentRowChanged, this, [this](int row) {
        const int keep = programs_->currentRow();
        showPrograms(row);
        programs_->setCurrentRow(keep);
    });
    connect(programs_, &QListWidget::itemActivated, this, &QDialog::accept);
    banks_->setCurrentRow(choices_.rowOf(msb, lsb));
    programs_->setCurrentRow(std::clamp(program, 0, 127));
    programs_->scrollToItem(programs_->currentItem(), QAbstractItemView::PositionAtCenter);

    auto* lists = new QHBoxLayout;
    lists->addWidget(banks_, 2);
    lists->addWidget(programs_, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(okCancelButtons(this));
    programs_->setFocus();
    resize(520, 400);
}

void BankSelectDialog::showPrograms(int bankRow) {
    programs_->clear();
    for (const std::string& p : choices_.programs(bankRow)) programs_->addItem(qs(p));
}

int BankSelectDialog::program() const { return programs_->currentRow(); }

uint8_t BankSelectDialog::msb() const {
    const int row = banks_->currentRow();
    return row >= 0 ? choices_.banks[size_t(row)].msb : 0;
}

uint8_t BankSelectDialog::lsb() const {
    const int row = banks_->currentRow();
    return row >= 0 ? choices_.banks[size_t(row)].lsb : 0;
}

}  // namespace tarvio
