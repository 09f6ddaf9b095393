#include "app/ui/tpqn_dialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_ranges.h"
#include "app/ui/dialog_util.h"

namespace tarvio {

TpqnDialog::TpqnDialog(int preselect, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("TPQN Select"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("tpqn"));
    for (int v : DialogTexts::resolutions) {
        list_->addItem(QString::number(v));
        if (v == preselect) list_->setCurrentRow(list_->count() - 1);
    }
    auto* buttons = okCancelButtons(this);
    auto* ok = buttons->findChild<QPushButton*>(QStringLiteral("ok"));
    ok->setEnabled(choice() >= 0);
    // A click makes the row current before it selects it, so OK follows the selection, which
    // settles last, as well as the current row.
    const auto offerOk = [this, ok] { ok->setEnabled(choice() >= 0); };
    connect(list_, &QListWidget::currentRowChanged, ok, offerOk);
    connect(list_, &QListWidget::itemSelectionChanged, ok, offerOk);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        if (choice() >= 0) accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(220, 240);
}

int TpqnDialog::choice() const {
    const QListWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? item->text().toInt() : -1;
}

}  // namespace tarvio
