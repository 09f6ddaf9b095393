// The loopback device pair "tarvio Loopback": what the output is sent arrives on the input
// of the same name, and the output keeps a record of every message, for tests and for runs
// without any MIDI hardware.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/drivers/device_driver.h"

namespace tarvio {

extern const char kLoopbackName[];

// Every message the loopback output was sent since the last clear, in order: a short
// message as its 1 to 3 bytes, an exclusive message whole. Process-wide.
std::vector<std::vector<uint8_t>> loopbackSent();
void clearLoopbackSent();

// The two ends share one process-wide pair.
std::unique_ptr<OutputDevice> makeLoopbackOutput();
std::unique_ptr<InputDevice> makeLoopbackInput();

}  // namespace tarvio
