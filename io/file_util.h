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

namespace tarvio {

// What a reader found in a file. The application warns about a damaged file and turns its
// next save into "save as", so that the fragment never overwrites the original.
struct ReadReport {
    enum class Status {
        Complete,     // read to its end
        Damaged,      // of its kind, but reading stopped early (at offset, for reason)
        NotThisKind,  // not a file of the reader's kind at all
        Unreadable,   // could not be opened or read
    };
    Status status = Status::Complete;
    uint64_t offset = 0;  // byte at which reading stopped (Damaged)
    std::string reason;   // one line, without the file name

    bool ok() const { return status == Status::Complete || status == Status::Damaged; }
    bool damaged() const { return status == Status::Damaged; }
};

}  // namespace tarvio
