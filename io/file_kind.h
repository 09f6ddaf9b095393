// What a file holds, told by its first bytes, so that a file opens as what it is whatever its
// name says: a song saved under a ".mid" name must read back as a song.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvio {

enum class FileKind { Song, Smf, Unknown };

// A Standard MIDI File begins with its "MThd" header, a song file with one of its chunk tags.
FileKind fileKindOf(const uint8_t* data, size_t size);
// The kind of a file's first bytes; Unknown when it cannot be read or is not a regular file.
FileKind fileKindOf(const std::string& path);
// Whether opening the file imports it as a Standard MIDI File: by its first bytes, and where
// they tell nothing (a foreign, empty or unreadable file) by a ".mid" name in any case.
bool opensAsSmf(const std::string& path);

}  // namespace tarvio
