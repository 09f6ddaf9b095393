// The built-in General MIDI software synth "tarvio Synth" (FluidSynth), always output
// device 0 so that a song can be heard without any MIDI hardware.
#pragma once

#include <fluidsynth.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/drivers/device_driver.h"

namespace tarvio {

extern const char kSynthName[];

// The soundfont the synth loads: $TARVIO_SOUNDFONT when set, else Debian's TimGM6mb, else
// the system's default GM soundfont. Empty when none of them exists.
std::string synthSoundFontPath();

// Plays one packed short message (status | data1 << 8 | data2 << 16) on a FluidSynth synth.
void synthShortMessage(fluid_synth_t* synth, uint32_t message);
// Plays an exclusive message given with its F0 and F7.
void synthExclusive(fluid_synth_t* synth, const uint8_t* data, size_t size);

// Opening creates the synth, starts FluidSynth's audio driver and loads the soundfont; it
// fails, with a log line, when there is no audio output or no soundfont.
std::unique_ptr<OutputDevice> makeSynthDevice();

}  // namespace tarvio
