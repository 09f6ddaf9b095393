// The song and settings dialogs as the application opens them. Each shows the current values,
// and only OK changes anything: the record is stored and, where the engine holds a copy, handed
// to the engine.
#pragma once

class QWidget;

namespace tarvio {

struct AppConfig;
struct DeviceMatch;
class Document;

// "Port Select": stores the set-up and applies it (ports reopened, MIDI Through, Latency Fix).
// waiting (when given): the ports still waiting for their remembered device; those the user
// gives a device stop waiting, the others stay silent.
bool editPortSetup(QWidget* parent, AppConfig& config, DeviceMatch* waiting = nullptr);
bool editMetronome(QWidget* parent, AppConfig& config);
// Pre-count, the input filters (into the engine's list too) and the input velocity.
bool editRecording(QWidget* parent, AppConfig& config);
bool editSync(QWidget* parent, AppConfig& config);
// Title and rights through the document (one undoable change when they differ).
bool editSongInfo(QWidget* parent, Document& doc);
// "TPQN Select" with nothing preselected (current: -1) or current preselected; the chosen
// resolution, or -1 when cancelled.
int askResolution(QWidget* parent, int current = -1);
int askImportResolution(QWidget* parent, int current);

}  // namespace tarvio
