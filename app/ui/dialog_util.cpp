#include "app/ui/dialog_util.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>

namespace tarvio {

QDialogButtonBox* okCancelButtons(QDialog* dialog) {
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok = box->addButton(QCoreApplication::translate("tarvio::Dialogs", "OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    ok->setObjectName(QStringLiteral("ok"));
    box->addButton(QCoreApplication::translate("tarvio::Dialogs", "キャンセル"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QSpinBox* rangeSpin(const FieldRange& range, int value, const char* name, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    setSpinRange(spin, range);
    spin->setValue(value);
    return spin;
}

void setSpinRange(QSpinBox* spin, const FieldRange& range) {
    spin->setRange(range.min, range.max);
    spin->setEnabled(range.used);
    if (!range.used) spin->setValue(0);
}

QComboBox* choiceCombo(const std::vector<std::string>& texts, int current, const char* name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (const std::string& t : texts) combo->addItem(qs(t));
    combo->setCurrentIndex(current);
    return combo;
}

}  // namespace tarvio
