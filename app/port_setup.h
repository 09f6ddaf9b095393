// The port configuration: which device each logical output port plays on, which input devices
// are opened, MIDI Through and the input latency correction; stored in "port.dat" (1285 bytes).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvio {

constexpr int kSetupPorts = 256;
constexpr size_t kPortFileBytes = kSetupPorts * 4 + kSetupPorts + 1 + 4;

struct PortSetup {
    std::array<int32_t, kSetupPorts> outputMap;  // device per logical output port; -1 = none
    std::array<uint8_t, kSetupPorts> inputUse{};  // 1 = open the input device with this number
    uint8_t through = 0;                          // MIDI Through
    int32_t latencyFix = 0;                       // ms added to input time stamps

    PortSetup() { outputMap.fill(-1); }
    bool operator==(const PortSetup&) const = default;
};

// The set-up of a first start (no "port.dat" yet): every output port plays on device 0, the
// built-in synthesizer, so that a new user hears a song without configuring anything first.
PortSetup firstStartPortSetup();

std::vector<uint8_t> serializePortSetup(const PortSetup& setup);
// Fields the data holds completely are taken; the rest keep their value.
void parsePortSetup(const uint8_t* data, size_t size, PortSetup& setup);

// Hands the set-up to the port layer and the input: each output port is closed, given its
// device (unassigned when negative) and opened; each input port is closed and opened again when
// its flag is 1; then MIDI Through and the latency correction are set.
void applyPortSetup(const PortSetup& setup);
// The engine's MIDI Through switch into the set-up, as the exit stores it.
void captureEngineThrough(PortSetup& setup);

}  // namespace tarvio
