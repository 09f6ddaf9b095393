// The devices tarvio plays on. Outputs: 0 "tarvio Synth", 1 "tarvio Loopback", then the
// system's MIDI ports (ALSA sequencer, then JACK). Inputs: 0 "tarvio Loopback", then the
// system's. The lists are read once, when the driver is made.
#pragma once

#include "engine/drivers/device_driver.h"
#include "engine/platform/clock.h"

namespace tarvio {

class SystemDriver final : public DeviceDriver {
public:
    explicit SystemDriver(Clock& clock = engineClock());

private:
    struct Lists;
    static Lists devices();
    SystemDriver(Lists lists, Clock& clock);
};

}  // namespace tarvio
