// play, render and devices: the commands that need the device stack.
#pragma once

#include <string>

#include "cli/options.h"
#include "cli/output.h"

namespace tarvio::cli {

// Runs play, render or devices (its options checked by runCommand before). On failure returns
// kFailed or kUsage with one line in err.
int runDeviceCommand(const Options& opts, Output& out, std::string& err);

}  // namespace tarvio::cli
