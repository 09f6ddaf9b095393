// MIDI devices of the system through RtMidi: the ALSA sequencer's ports and, when a JACK
// server runs, JACK's.
#pragma once

#include <memory>
#include <vector>

#include "engine/drivers/device_driver.h"

namespace tarvio {

// Appends the ports found now, ALSA first. Without a sequencer or a server nothing is added;
// no RtMidi exception leaves this function or the devices it makes.
void addRtMidiDevices(std::vector<std::unique_ptr<OutputDevice>>& outs, std::vector<std::unique_ptr<InputDevice>>& ins);

}  // namespace tarvio
