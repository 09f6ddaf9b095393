// Carrying a header strip's command out on the document: one edit of the track's settings, so
// that the player is held off, the song is modified and every view hears of it.
#pragma once

#include "views/header_strip.h"

namespace tarvio {

class Document;

// Returns whether the song changed (a command that changes nothing is no edit).
bool carryOut(Document& document, const StripCommand& command);

}  // namespace tarvio
