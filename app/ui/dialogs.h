// The settings and song dialogs the application opens; each returns true when OK wrote its
// fields back.
#pragma once

class QWidget;

namespace tarvio {

struct AppConfig;
class Document;

bool editPortSetup(QWidget* parent, AppConfig& config);
bool editMetronome(QWidget* parent, AppConfig& config);
bool editRecording(QWidget* parent, AppConfig& config);
bool editSync(QWidget* parent, AppConfig& config);
bool editSongInfo(QWidget* parent, Document& document);
// The resolution list; current -1 preselects nothing. The chosen value, or -1 when cancelled.
int askResolution(QWidget* parent, int current);

}  // namespace tarvio
