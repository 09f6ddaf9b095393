// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "editor/entry_dialogs.h"

#include "editor/ui/dialogs/plugin_params_dialog.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <QDialogButtonBox>

#include "app/ui/dialog_util.h"

namespace tarvio {

PluginParamsDialog::PluginParamsDialog(const ParameterBlock& block, const QString& title, QWidget* parent)
    : QDialog(parent), block_(block) {
    setWindowTitle(title);
    table_ = new QTableWidget(0, 3);
    table_->setObjectName(QStringLiteral("params"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Param"), QStringLiteral("Value"), QStringLiteral("Type")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != 1) return;
        setParameterText(block_, item->row(), item->text().toStdString());
        showRows();  // the value as stored: clamped, or back as it was
    });
    showRows();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(okCancelButtons(this));
    resize(420, 320);
}

void PluginParamsDialog::showRows() {
    filling_ = true;
    const auto rows = parameterRows(block_);
    table_->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const ParameterRow& r = rows[size_t(i)];
        const QString texts[3] = {qs(r.name), qs(r.value), qs(r.type)};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem* item = table_->item(i, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c != 1) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                if (c == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table_->setItem(i, c, item);
            }
            item->setText(texts[c]);
        }
    }
    filling_ = false;
}

}  // namespace tarvio
