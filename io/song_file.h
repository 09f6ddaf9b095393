// The song file (.tvo): tagged chunks, little-endian, no lengths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvio {

class Song;

// Encodes the whole song as the file stores it.
std::vector<uint8_t> encodeSong(const Song& song);
// Reads chunks into the song; a truncated or malformed input stops with what was read.
// Afterwards no reset flags are set and effective mutes follow the stored mute and solo flags.
void decodeSong(const uint8_t* data, size_t size, Song& song);

// File versions. Reading an unopenable file leaves the song unchanged and returns false.
// Writing goes through a temporary file renamed over the target, so a failed save
// leaves the old file intact. On failure err (when given) holds one line saying why.
bool readSongFile(const std::string& path, Song& song, std::string* err = nullptr);
bool writeSongFile(const std::string& path, const Song& song, std::string* err = nullptr);

}  // namespace tarvio
