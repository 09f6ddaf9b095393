// The player: the transport of the engine. The user-interface thread requests through flags;
// only the clock thread plays.
#pragma once

#include <cstdint>

namespace tarvio {

class Song;

// Readers other engine parts use (the input path stamps and records with them).
Song* playerSong();
int32_t playerPosition();   // current tick
uint16_t playerTempo();     // current tempo, beats per minute
bool playerPlaying();
uint32_t playTimeMs();      // play time since playback began

}  // namespace tarvio
