#include "app/ui/title_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/ui/dialog_util.h"

namespace tarvio {

TitleDialog::TitleDialog(const std::string& title, const std::string& rights, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("タイトル・著作権情報の編集"));
    title_ = new QLineEdit(qs(title));
    title_->setObjectName(QStringLiteral("title"));
    rights_ = new QLineEdit(qs(rights));
    rights_->setObjectName(QStringLiteral("rights"));
    auto* form = new QFormLayout;
    form->addRow(tr("タイトル"), title_);
    form->addRow(tr("著作権情報"), rights_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancelButtons(this));
    resize(420, sizeHint().height());
}

std::string TitleDialog::title() const { return title_->text().toStdString(); }
std::string TitleDialog::rights() const { return rights_->text().toStdString(); }

}  // namespace tarvio
