// Standard MIDI Files: import of formats 0 and 1, export of format 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/file_util.h"

namespace tarvio {

class Song;
class CursorSink;

// Resolutions the import offers.
bool isImportTpqn(int tpqn);  // 960, 480, 192, 96, 48

// Imports into a fresh song (one with no tracks) at the given TPQN. Malformed input never
// crashes: the import keeps what it read so far and reports Damaged with the offset of the
// first byte it could not use. Data without an "MThd" header is NotThisKind and leaves the
// song untouched.
ReadReport importSmf(const uint8_t* data, size_t size, Song& song, uint16_t tpqn);
// File version: false with err (one line) when the file cannot be read or is not a MIDI file;
// true for a complete or damaged file, with the reader's report in *report when given.
bool importSmfFile(const std::string& path, Song& song, uint16_t tpqn, std::string* err = nullptr,
                   ReadReport* report = nullptr);

// Renders every track through its cursor (tick by tick, as it plays) into a format-1 file.
std::vector<uint8_t> exportSmf(Song& song, CursorSink& sink);
// Writes through a temporary file and a rename; false with err when it cannot be written.
bool exportSmfFile(const std::string& path, Song& song, CursorSink& sink, std::string* err = nullptr);

}  // namespace tarvio
