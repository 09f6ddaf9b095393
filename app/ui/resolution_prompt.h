// The resolution asked for when a Standard MIDI File is imported.
#pragma once

class QWidget;

namespace tarvio {

// "960", "480", "192", "96", "48" with current preselected; the chosen value, -1 when cancelled.
int askImportResolution(QWidget* parent, int current);

}  // namespace tarvio
