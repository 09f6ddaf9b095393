#include "app/port_setup.h"

#include "engine/input.h"
#include "engine/ports.h"
#include "model/event.h"

namespace tarvio {

PortSetup firstStartPortSetup() {
    PortSetup setup;
    setup.outputMap.fill(0);
    return setup;
}

std::vector<uint8_t> serializePortSetup(const PortSetup& setup) {
    std::vector<uint8_t> out;
    ByteWriter w{out};
    for (int32_t d : setup.outputMap) w.i32(d);
    for (uint8_t u : setup.inputUse) w.u8(u);
    w.u8(setup.through);
    w.i32(setup.latencyFix);
    return out;
}

void parsePortSetup(const uint8_t* data, size_t size, PortSetup& setup) {
    ByteReader r(data, size);
    for (int32_t& d : setup.outputMap)
        if (!r.i32(d)) return;
    for (uint8_t& u : setup.inputUse)
        if (!r.u8(u)) return;
    if (r.u8(setup.through)) r.i32(setup.latencyFix);
}

void applyPortSetup(const PortSetup& setup) {
    for (int port = 0; port < kSetupPorts; ++port) {
        closeOut(port);
        const int32_t device = setup.outputMap[size_t(port)];
        setOutDevice(port, device >= 0 ? device : kNoDevice);
        openOut(port);
    }
    for (int port = 0; port < kSetupPorts; ++port) {
        closeIn(port);
        if (setup.inputUse[size_t(port)] == 1) openIn(port);
    }
    setThru(setup.through != 0);
    setLatencyFix(setup.latencyFix);
}

void captureEngineThrough(PortSetup& setup) { setup.through = thruOn() ? 1 : 0; }

}  // namespace tarvio
