// The song file (.tvo): tagged chunks, little-endian, no lengths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/file_util.h"

namespace tarvio {

class Song;
struct PluginSlot;

// What the song file needs from a plug-in host. Entries may be null: without a host, slots
// read from a file keep their name but get no instance, and are written back free.
struct PluginSlotHost {
    // Binds the slot to the plug-in named slot.name: sets its instance and default block.
    void (*bind)(PluginSlot& slot) = nullptr;
    // The parameter count that the slot's plug-in reports.
    int32_t (*parameterCount)(const PluginSlot& slot) = nullptr;
    // Hands the slot's block to its instance.
    void (*setParameters)(PluginSlot& slot) = nullptr;
};
void setPluginSlotHost(const PluginSlotHost& host);

// Encodes the whole song as the file stores it.
std::vector<uint8_t> encodeSong(const Song& song);
// Reads chunks into the song; a truncated or malformed input stops with what was read and is
// reported Damaged (where and why); unrecognised data is skipped and also reported Damaged,
// since a save would lose it. Input in which no chunk tag is recognised is NotThisKind and
// leaves the song unchanged. Afterwards no reset flags are set and effective mutes follow the
// stored mute and solo flags.
ReadReport decodeSong(const uint8_t* data, size_t size, Song& song);

// File versions. Reading returns false, with err (when given) saying why, when the file cannot
// be read or is not a song file; the song is then unchanged. A complete or damaged file gives
// true, and *report (when given) tells which. Writing goes through a temporary file renamed
// over the target, so a failed save leaves the old file intact.
bool readSongFile(const std::string& path, Song& song, std::string* err = nullptr, ReadReport* report = nullptr);
bool writeSongFile(const std::string& path, const Song& song, std::string* err = nullptr);

}  // namespace tarvio
