// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "editor/entry_dialogs.h"

#include "editor/ui/dialogs/simple_dialogs.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include <QDialogButtonBox>

#include "app/ui/dialog_util.h"

namespace tarvio {

NumberInputDialog::NumberInputDialog(const QString& caption, int value, int min, int max, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    spin_ = rangeSpin({true, min, max}, value, "number");
    spin_->selectAll();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(spin_);
    layout->addWidget(okCancelButtons(this));
    resize(std::max(300, fontMetrics().horizontalAdvance(caption) + 80), sizeHint().height());
}

int NumberInputDialog::value() const {
    spin_->interpretText();
    return spin_->value();
}

TextInputDialog::TextInputDialog(const QString& caption, const QString& text, size_t maxBytes, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    edit_ = new QLineEdit(text);
    edit_->setObjectName(QStringLiteral("text"));
    edit_->selectAll();
    if (maxBytes > 0) {
        // The limit is in bytes of the stored text, so a character is refused as a whole.
        connect(edit_, &QLineEdit::textEdited, this, [this, maxBytes](const QString& t) {
            const std::string s = t.toStdString();
            if (s.size() <= maxBytes) return;
            const int pos = edit_->cursorPosition();
            edit_->setText(qs(cutUtf8(s, maxBytes)));
            edit_->setCursorPosition(std::min(pos, int(edit_->text().size())));
        });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(okCancelButtons(this));
    resize(360, sizeHint().height());
}

QString TextInputDialog::text() const { return edit_->text(); }

JumpDialog::JumpDialog(int measure, int tick, const std::vector<std::string>& tracks, int current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("ジャンプ"));
    measure_ = rangeSpin(JumpRanges::measure, measure, "measure");
    tick_ = rangeSpin(JumpRanges::tick, tick, "tick");
    tracks_ = new QListWidget;
    tracks_->setObjectName(QStringLiteral("tracks"));
    for (const std::string& t : jumpTrackTexts(tracks)) tracks_->addItem(qs(t));
    tracks_->setCurrentRow(current);
    connect(tracks_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Meas"), measure_);
    form->addRow(QStringLiteral("Tick"), tick_);
    form->addRow(QStringLiteral("Track"), tracks_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancelButtons(this));
    measure_->setFocus();
    measure_->selectAll();
    resize(280, 320);
}

int JumpDialog::measure() const {
    measure_->interpretText();
    return measure_->value();
}

int JumpDialog::tick() const {
    tick_->interpretText();
    return tick_->value();
}

int JumpDialog::track() const { return tracks_->currentRow(); }

}  // namespace tarvio
