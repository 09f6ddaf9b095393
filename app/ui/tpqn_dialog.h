// "TPQN Select": one of the resolutions a song may have (960, 480, 192, 96, 48 ticks per
// quarter note). OK is offered once one is chosen.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace tarvio {

class TpqnDialog : public QDialog {
    Q_OBJECT
public:
    // preselect: a value of the list, or anything else for no choice yet.
    explicit TpqnDialog(int preselect, QWidget* parent = nullptr);
    int choice() const;  // -1: none

private:
    QListWidget* list_;
};

}  // namespace tarvio
