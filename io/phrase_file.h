// Phrase files (.tvp): a bare run of events that moves a selection or a phrase between songs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/event.h"

namespace tarvio {

class Song;
class Track;

std::vector<uint8_t> encodePhraseFile(const std::vector<const Event*>& events);
// False (and out untouched) for a wrong magic or version; a truncated run keeps what was read.
bool decodePhraseFile(const uint8_t* data, size_t size, std::vector<Event>& out);

bool writePhraseFile(const std::string& path, const std::vector<const Event*>& events, std::string* err = nullptr);
bool readPhraseFile(const std::string& path, std::vector<Event>& out, std::string* err = nullptr);

// A new phrase (lowest free number, at the end) named after the file's title, holding the
// file's events; null with err when the file cannot be read or is not a phrase file.
Track* importPhraseFile(Song& song, const std::string& path, std::string* err = nullptr);

}  // namespace tarvio
