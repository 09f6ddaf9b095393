#include "editor/ui/dialogs/sysex_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <QDialogButtonBox>

#include "app/ui/dialog_util.h"

namespace tarvio {

SysExHexEdit::SysExHexEdit(std::vector<uint8_t> bytes, QWidget* parent) : QLineEdit(parent), field_(std::move(bytes)) {
    setObjectName(QStringLiteral("hex"));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(mono);
    refresh();
}

void SysExHexEdit::refresh() {
    setText(qs(field_.text()));
    setCursorPosition(field_.textCursor());
    emit cellChanged();
}

bool SysExHexEdit::event(QEvent* e) {
    // The function keys would otherwise be taken as shortcuts before they reach the field.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F12) {
            e->accept();
            return true;
        }
    }
    return QLineEdit::event(e);
}

void SysExHexEdit::keyPressEvent(QKeyEvent* e) {
    const int k = e->key();
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    bool handled = true;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) {
        if (const uint8_t b = sysExKeyByte(k - Qt::Key_F1 + 1, shift)) field_.insertByte(b);
    } else if (k == Qt::Key_Left) {
        field_.left();
    } else if (k == Qt::Key_Right) {
        field_.right();
    } else if (k == Qt::Key_Home) {
        field_.home();
    } else if (k == Qt::Key_End) {
        field_.end();
    } else if (k == Qt::Key_Backspace) {
        field_.backspace();
    } else if (k == Qt::Key_Delete) {
        field_.del();
    } else if (e->matches(QKeySequence::Paste)) {
        field_.paste(QApplication::clipboard()->text().toStdString());
    } else if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::SelectAll)) {
        handled = false;
    } else if (e->text().size() == 1 && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Hex digits type; any other character is refused.
        field_.typeHex(char(e->text().at(0).toLatin1()));
    } else {
        handled = false;
    }
    if (!handled) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    refresh();
    e->accept();
}

void SysExHexEdit::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    if (hasSelectedText()) return;
    field_.setCursor(SysExField::cellAt(cursorPosition()));
    refresh();
}

SysExDialog::SysExDialog(std::vector<uint8_t> bytes, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("SysEx"));
    edit_ = new SysExHexEdit(std::move(bytes));
    cell_ = new QLabel;
    cell_->setObjectName(QStringLiteral("cell"));
    QString help;
    for (const std::string& line : sysExKeyHelp()) help += qs(line) + QLatin1Char('\n');
    auto* keys = new QLabel(help.trimmed());
    connect(edit_, &SysExHexEdit::cellChanged, this, [this] {
        const SysExField& f = edit_->field();
        const size_t c = f.cursor();
        if (c >= f.bytes().size()) {
            cell_->setText(tr("%1 バイト").arg(f.bytes().size()));
            return;
        }
        const uint8_t b = f.bytes()[c];
        const std::string meaning = sysExByteMeaning(b);
        const QString hex = QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        cell_->setText(QStringLiteral("[%1] %2 %3").arg(c + 1).arg(hex, qs(meaning)).trimmed());
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(cell_);
    layout->addWidget(keys);
    layout->addWidget(okCancelButtons(this));
    emit edit_->cellChanged();
    edit_->setFocus();
    resize(460, sizeHint().height());
}

}  // namespace tarvio
