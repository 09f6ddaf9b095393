// "レコーディングの設定": the recording pre-count, the input message filters (order, switches,
// new, delete, edit in the filter editor) and the input velocity mode with its value.
#pragma once

#include <QDialog>

#include <functional>

#include "app/filter_editor.h"

class QComboBox;
class QListWidget;
class QSpinBox;

namespace tarvio {

struct RecordingValues {
    int32_t preCount = 0;
    FilterList filters;
    int velocityMode = 0;
    int velocityValue = 0;
};

class RecordingDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecordingDialog(const RecordingValues& values, QWidget* parent = nullptr);
    RecordingValues values() const;
    // The filter editor; it returns whether the user confirmed. Replaceable for the tests.
    std::function<bool(Filter&)> editFilter;

private:
    void fillFilters(int select);
    void filterChecked();
    void newFilter();
    void deleteFilter();
    void openFilter();
    void moveFilter(int delta);
    void modeChanged();

    FilterListEditor filters_;
    QSpinBox* preCount_;
    QListWidget* list_;
    QComboBox* mode_;
    QSpinBox* value_;
    int initialValue_;  // kept while Through leaves the value unused
};

}  // namespace tarvio
