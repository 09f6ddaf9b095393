// JSON text for the info command.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {
class Song;
}

namespace tarvio::cli {

// Appends s as a JSON string. Valid UTF-8 passes through; every byte that is not part of a
// valid sequence is written as \u00XX, so arbitrary bytes survive as code points 0..255.
void appendJsonString(std::string& out, std::string_view s);

// The whole song summary as one JSON object (no trailing newline).
std::string songInfoJson(const Song& song);

}  // namespace tarvio::cli
