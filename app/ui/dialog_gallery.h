// Every song and settings dialog, filled from the given records and shown without waiting for
// an answer, for the pictures of scripts/screenshots.sh.
#pragma once

#include <vector>

#include "app/port_list.h"
#include "app/ui/screenshots.h"

namespace tarvio {

struct AppConfig;
class Document;

// The dialogs are children of owner (deleted with it); with no owner the caller deletes them.
// The port lists name the port layer's devices, or the given ones.
std::vector<Screenshot> dialogsForScreenshots(AppConfig& config, Document& doc, QWidget* owner = nullptr);
std::vector<Screenshot> dialogsForScreenshots(AppConfig& config, Document& doc, const DeviceNames& names, QWidget* owner);

}  // namespace tarvio
