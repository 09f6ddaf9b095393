// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "editor/entry_dialogs.h"

#include "editor/ui/dialogs/entry_list_dialog.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/dialog_util.h"
#include "app/ui/virtual_keys.h"

namespace tarvio {

EntryListDialog::EntryListDialog(const QString& title, const std::vector<std::string>& items, int current,
                                 bool controllerKeys, QRect area, QWidget* parent)
    : QDialog(parent), area_(area), controllerKeys_(controllerKeys) {
    setWindowTitle(title);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("entries"));
    for (const std::string& s : items) list_->addItem(qs(s));
    if (current >= 0 && current < list_->count()) {
        list_->setCurrentRow(current);
        list_->scrollToItem(list_->currentItem(), QAbstractItemView::PositionAtTop);
    }
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(area_.isEmpty() ? QMargins(6, 6, 6, 6) : QMargins());
    layout->addWidget(list_);
    if (area_.isEmpty()) {
        resize(kWidth + 120, 360);
    } else {
        // A list over the editor, gone when the user clicks elsewhere.
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // a long name is cut at the edge
        setGeometry(area_.x() - 100, area_.y(), kWidth, std::max(area_.height(), 80));
        slide_ = new QTimer(this);
        slide_->setInterval(10);
        connect(slide_, &QTimer::timeout, this, [this] {
            const int x = std::min(this->x() + 20, area_.x());
            move(x, this->y());
            if (x >= area_.x()) slide_->stop();
        });
    }
}

void EntryListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (slide_) slide_->start();
    list_->setFocus();
}

int EntryListDialog::choice() const {
    const QListWidgetItem* item = list_->currentItem();
    return item && item->isSelected() ? list_->row(item) : -1;
}

bool EntryListDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (choice() >= 0) accept();
            return true;
        }
        if (controllerKeys_ && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const int row = controllerListShortcut(virtualKeyOf(*key));
            if (row >= 0 && row < list_->count()) {
                list_->setCurrentRow(row);
                accept();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tarvio
