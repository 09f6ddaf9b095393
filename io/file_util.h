// File helpers shared by the readers and writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvio {

// Reads a whole file; false (with err) when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* err = nullptr);
// Writes data to path through a temporary file in the same folder and a rename.
bool writeFileAtomic(const std::string& path, const std::vector<uint8_t>& data, std::string* err = nullptr);
// The program folder: TARVIO_HOME when set, else the folder of the running executable.
std::string programFolder();
// Lower-cased extension without the dot ("" when none).
std::string fileExtension(const std::string& path);

}  // namespace tarvio
