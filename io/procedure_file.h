// The command definition file ("procedure.dat"): named Control and Exclusive templates.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

class Song;

// Resets all command entries, then applies the definitions of text.
void parseCommandDefinitions(std::string_view text, Song& song);
// Resets the table and loads path; an unreadable file leaves the table reset (returns false).
bool loadCommandTable(const std::string& path, Song& song);

}  // namespace tarvio
