// BankSelectDialog: the banks of the track's bank set beside the programs of the selected bank;
// choosing a program (OK, Return or a double-click) gives the program and the bank select.
#pragma once

// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "editor/entry_dialogs.h"

#include <QDialog>

#include <cstdint>


class QListWidget;

namespace tarvio {

class BankSelectDialog : public QDialog {
    Q_OBJECT
public:
    BankSelectDialog(const std::vector<BankSet>& sets, const std::string& setName, int program, uint8_t msb,
                     uint8_t lsb, QWidget* parent = nullptr);
    int program() const;  // -1 when none is selected
    uint8_t msb() const;
    uint8_t lsb() const;

private:
    void showPrograms(int bankRow);
    ProgramChoices choices_;
    QListWidget *banks_, *programs_;
};

}  // namespace tarvio
