// The data-entry lists (controllers, procedures, phrases, register instructions, clone modes)
// and the bank-set and port lists: one list that slides in from the left edge of the editor at
// the cursor row, 150 pixels wide, down to the editor's bottom (or, without a place, a small
// dialog). Return or a double-click chooses the selected entry, Esc closes without a choice;
// in the controller list a few letter and digit keys choose at once.
#pragma once

#include <QDialog>
#include <QRect>

#include <string>
#include <vector>

class QListWidget;
class QTimer;

namespace tarvio {

class EntryListDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 150;
    // area: the global rectangle the list takes (left edge of the editor, from the cursor row to
    // the bottom); empty: a dialog of its own titled title.
    EntryListDialog(const QString& title, const std::vector<std::string>& items, int current, bool controllerKeys,
                    QRect area, QWidget* parent = nullptr);
    int choice() const;  // the chosen row, -1 when none
    QListWidget* list() const { return list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QListWidget* list_;
    QRect area_;
    QTimer* slide_ = nullptr;
    bool controllerKeys_;
};

}  // namespace tarvio
