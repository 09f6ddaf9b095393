// The MIDI and audio libraries print their own errors to stderr; these go to the engine log
// instead, so that they show only when TARVIO_LOG is set.
#pragma once

namespace tarvio {

// Routes ALSA's, JACK's and FluidSynth's messages into the engine log. Idempotent.
void routeLibraryLogs();

}  // namespace tarvio
