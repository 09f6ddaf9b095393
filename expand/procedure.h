// The register language: operations on the song's 128 float registers.
#pragma once

#include <cstdint>

#include "model/event.h"

namespace tarvio {

class Song;

// Executes MOV .. TAN with destination register a and operand b (a constant for MOV).
// A destination outside 0..127 does nothing; a source outside it reads as 0.0.
void executeRegisterOp(Song& song, EventKind op, int16_t a, int16_t b);

}  // namespace tarvio
