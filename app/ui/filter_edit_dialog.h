// "フィルターエディット": a filter's name, the message it applies to, and its list of rules.
// The fields that do not apply to the chosen message or action are disabled.
#pragma once

#include <QDialog>

#include "app/filter_editor.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace tarvio {

class FilterEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilterEditDialog(const Filter& filter, QWidget* parent = nullptr);
    // The filter with the dialog's fields.
    Filter filter() const;

private:
    FilterRule fieldRule() const;
    void fillRules(int select);
    void sourceChanged();
    void ruleFieldsChanged();
    void showRule();
    void addRule();
    void removeRule();
    void moveRule(int delta);

    FilterEditor editor_;
    QLineEdit* name_;
    QComboBox* source_;
    QSpinBox* parameter_;
    QListWidget* rules_;
    QComboBox *action_, *option_;
    QSpinBox* value_;
    QPushButton* add_;
};

}  // namespace tarvio
