// "SysEx" (CSysExDialog): the message bytes in a hexadecimal field (CSysExHexEdit) whose byte
// cells the Left and Right keys move between and whose function keys enter the template bytes,
// with a help text naming those keys.
#pragma once

#include <QDialog>
#include <QLineEdit>

#include <vector>

#include "editor/sysex_field.h"

class QLabel;

namespace tarvio {

class SysExHexEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit SysExHexEdit(std::vector<uint8_t> bytes, QWidget* parent = nullptr);
    const SysExField& field() const { return field_; }

signals:
    void cellChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;  // Tab stays a key of the dialog; F-keys are the field's

private:
    void refresh();
    SysExField field_;
};

class SysExDialog : public QDialog {
    Q_OBJECT
public:
    explicit SysExDialog(std::vector<uint8_t> bytes, QWidget* parent = nullptr);
    std::vector<uint8_t> bytes() const { return edit_->field().bytes(); }
    SysExHexEdit* edit() const { return edit_; }

private:
    SysExHexEdit* edit_;
    QLabel* cell_;
};

}  // namespace tarvio
