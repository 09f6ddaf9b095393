// Pieces every settings dialog shares: the OK and Cancel row, spin boxes limited to a field's
// range, and the list texts of the Qt-free classes as Qt strings.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "app/dialog_ranges.h"

class QBoxLayout;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QSpinBox;
class QWidget;

namespace tarvio {

// OK (default, named "ok") and "キャンセル" ("cancel"), wired to accept and reject.
QDialogButtonBox* okCancelButtons(QDialog* dialog);
// A spin box limited to the range, showing value (clamped), named for the tests.
QSpinBox* rangeSpin(const FieldRange& range, int value, const char* name, QWidget* parent = nullptr);
// Gives the spin box a new range; disabled (and 0) when the field is not used.
void setSpinRange(QSpinBox* spin, const FieldRange& range);
QComboBox* choiceCombo(const std::vector<std::string>& texts, int current, const char* name, QWidget* parent = nullptr);
inline QString qs(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace tarvio
