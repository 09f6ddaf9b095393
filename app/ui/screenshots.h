// Pictures of the windows for review (scripts/screenshots.sh): each widget is rendered to
// DIR/NAME.png after the pending events (showing, layout, painting) have run.
#pragma once

#include <QString>

#include <utility>
#include <vector>

class QDialog;
class QWidget;

namespace tarvio {

struct Screenshot {
    QString name;    // file name without ".png"
    QWidget* widget;
};

// Shows each dialog without waiting for an answer and names its picture.
std::vector<Screenshot> showDialogs(const std::vector<std::pair<const char*, QDialog*>>& dialogs);

// Returns 0 when every picture was written, else 1 (each failure is named on stderr).
int runScreenshots(const QString& dir, const std::vector<Screenshot>& shots);

}  // namespace tarvio
