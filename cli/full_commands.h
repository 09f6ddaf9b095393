// play, render, devices and plugins: the commands that need the device stack or the plug-in host.
#pragma once

#include <string>

#include "cli/options.h"
#include "cli/output.h"

namespace tarvio::cli {

// Runs play, render, devices or plugins (its options checked by runCommand before). On failure
// returns kFailed or kUsage with one line in err.
int runFullCommand(const Options& opts, Output& out, std::string& err);

}  // namespace tarvio::cli
