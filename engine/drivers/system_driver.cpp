#include "engine/drivers/system_driver.h"

#include "engine/drivers/library_log.h"
#include "engine/drivers/loopback.h"
#include "engine/drivers/rtmidi_devices.h"
#include "engine/drivers/synth_device.h"

namespace tarvio {

struct SystemDriver::Lists {
    std::vector<std::unique_ptr<OutputDevice>> outs;
    std::vector<std::unique_ptr<InputDevice>> ins;
};

SystemDriver::Lists SystemDriver::devices() {
    routeLibraryLogs();
    SystemDriver::Lists l;
    l.outs.push_back(makeSynthDevice());
    l.outs.push_back(makeLoopbackOutput());
    l.ins.push_back(makeLoopbackInput());
    addRtMidiDevices(l.outs, l.ins);
    return l;
}

SystemDriver::SystemDriver(Clock& clock) : SystemDriver(devices(), clock) {}

SystemDriver::SystemDriver(Lists lists, Clock& clock)
    : DeviceDriver(std::move(lists.outs), std::move(lists.ins), clock) {}

}  // namespace tarvio
