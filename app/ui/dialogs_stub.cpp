// Stand-ins until the dialogs exist: each reports a cancel.
#include "app/ui/dialogs.h"

namespace tarvio {

bool editPortSetup(QWidget*, AppConfig&) { return false; }
bool editMetronome(QWidget*, AppConfig&) { return false; }
bool editRecording(QWidget*, AppConfig&) { return false; }
bool editSync(QWidget*, AppConfig&) { return false; }
bool editSongInfo(QWidget*, Document&) { return false; }
int askResolution(QWidget*, int) { return -1; }

}  // namespace tarvio
