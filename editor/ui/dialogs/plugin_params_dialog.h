// CPluginParamsDialog: a plug-in's parameters in a list with the columns "Param", "Value" and
// "Type"; a value is edited in place and kept within its record's range. block() is the
// edited copy.
#pragma once

// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "model/event.h"

#include <QDialog>


class QTableWidget;

namespace tarvio {

class PluginParamsDialog : public QDialog {
    Q_OBJECT
public:
    PluginParamsDialog(const ParameterBlock& block, const QString& title, QWidget* parent = nullptr);
    const ParameterBlock& block() const { return block_; }
    QTableWidget* table() const { return table_; }

private:
    void showRows();
    ParameterBlock block_;
    QTableWidget* table_;
    bool filling_ = false;
};

}  // namespace tarvio
