// The editor's small one-field dialogs: NumberInputDialog (a caption, a number, its limits),
// CTextInputDialog (a caption and one line of text, optionally limited in bytes) and CJumpDialog
// ("Meas", "Tick" and the "Track" list).
#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QSpinBox;

namespace tarvio {

class NumberInputDialog : public QDialog {
    Q_OBJECT
public:
    NumberInputDialog(const QString& caption, int value, int min, int max, QWidget* parent = nullptr);
    int value() const;

private:
    QSpinBox* spin_;
};

class TextInputDialog : public QDialog {
    Q_OBJECT
public:
    // maxBytes: the most UTF-8 bytes the text may hold, 0 for no limit.
    TextInputDialog(const QString& caption, const QString& text, size_t maxBytes = 0, QWidget* parent = nullptr);
    QString text() const;

private:
    QLineEdit* edit_;
};

class JumpDialog : public QDialog {
    Q_OBJECT
public:
    // measure counted from 1, tick within it; tracks: the names in list order, current selected.
    JumpDialog(int measure, int tick, const std::vector<std::string>& tracks, int current, QWidget* parent = nullptr);
    int measure() const;
    int tick() const;
    int track() const;  // the row, -1 when none

private:
    QSpinBox *measure_, *tick_;
    QListWidget* tracks_;
};

}  // namespace tarvio
