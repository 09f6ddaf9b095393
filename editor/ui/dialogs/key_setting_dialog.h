// "数値入力エディタのキーカスタマイズ" (CKeySettingDialog): the named keys in a list, the action
// bound to the selected key for the checked modifiers in a drop-down list, and the check boxes
// "Shift", "Ctrl", "Alt". Choices go to a working copy; map() is it after OK.
#pragma once

#include <QDialog>

#include "editor/key_settings.h"

class QCheckBox;
class QComboBox;
class QListWidget;

namespace tarvio {

class KeySettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit KeySettingDialog(const KeyMap& map, QWidget* parent = nullptr);
    const KeyMap& map() const { return settings_.map(); }

private:
    void showBinding();
    KeySettings settings_;
    QListWidget* keys_;
    QComboBox* action_;
    QCheckBox *shift_, *ctrl_, *alt_;
};

}  // namespace tarvio
