// Every process-wide settings record and definition, read at start-up and written at exit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/definitions.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "app/port_setup.h"
#include "app/settings_folder.h"
#include "app/window_layout.h"
#include "ops/filters.h"

namespace tarvio {

// The file names, in the settings folders (definitions: in the program folder).
extern const char kLayoutFile[];
extern const char kPortFile[];
extern const char kFkeyFile[];
extern const char kSettingsFile[];
extern const char kFilterFile[];
extern const char kKeyMapFile[];
extern const char kControllerFile[];
extern const char kBankFolder[];

// What start-up does between the reading steps, each optional.
struct LoadSteps {
    std::function<void(const std::string&)> status;  // the splash text
    std::function<void(const PortSetup&)> ports;     // applies the port set-up (applyPortSetup)
    std::function<void()> plugins;                   // loads the plug-ins
};

struct AppConfig {
    WindowLayout layout;
    PortSetup ports = firstStartPortSetup();
    ControllerNames controllers;
    std::vector<BankSet> banks;
    FkeyTable fkeys = builtInFkeyTable();
    AppSettings settings;
    FilterList filters;
    KeyMap keys;

    // The start-up's reading steps in order, with their splash texts: layout, ports (then
    // steps.ports), plug-ins (steps.plugins), controller names, banks, function keys, then
    // settings, filters and key map, and "Finish". A missing or unreadable file leaves that
    // record at its default, silently. A settings file of another version is ignored, while
    // the filter and key map files, which carry their own format, are still read.
    void load(const SettingsFolders& folders, const std::string& programFolder, const LoadSteps& steps = {});

    // The exit's writes in order: settings (with the key map), filters, key map, layout, ports,
    // function keys; each through a temporary file and a rename. A file that cannot be written
    // is skipped and the others are still written; the paths of the skipped ones are returned.
    std::vector<std::string> save(const SettingsFolders& folders) const;
};

// The values the engine and the filter list hold at exit that the records keep a copy of: the
// MIDI Through switch and the input filter list.
void captureEngineState(AppConfig& config);

}  // namespace tarvio
