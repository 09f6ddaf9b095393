// "FKey Settings" (CFkeySettingDialog): a grid of 48 fields (rows "", "Shift", "Ctrl",
// "Shift+Ctrl", columns F1..F12) of lengths in ticks (-1 tie, -2 rest), and the templates
// ("テンプレート") with "作成", "更新" and "削除". table() is the result after OK.
#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "editor/fkey_settings.h"

class QComboBox;
class QSpinBox;

namespace tarvio {

class FkeySettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit FkeySettingDialog(const FkeyTable& table, QWidget* parent = nullptr);
    FkeyTable table() const { return settings_.result(); }
    // How "作成" asks for a name (a one-line text dialog); tests replace it.
    void setNameAsker(std::function<QString()> ask) { askName_ = std::move(ask); }

private:
    void showGrid();
    void showTemplates();
    FkeySettings settings_;
    std::array<QSpinBox*, kFkeyCount> fields_{};
    QComboBox* templates_;
    std::function<QString()> askName_;
};

}  // namespace tarvio
