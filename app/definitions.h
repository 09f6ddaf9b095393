// Definition files shipped beside the program and read at start-up only: the controller names
// ("cc.dat") and the bank sets ("bank/*.bnk").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

constexpr size_t kControllerNameChars = 16;
// Longer lines are cut here; the rest of such a line is dropped, not read as a line of its own.
constexpr size_t kDefinitionLineBytes = 1023;

struct ControllerNames {
    std::array<std::string, 128> names;  // UTF-8, at most 16 characters each
    // Empty for a number outside 0..127.
    const std::string& name(int controller) const;
    bool operator==(const ControllerNames&) const = default;
};

// "cc.dat": lines "<number><space or tab><name>". The number is the decimal integer at the
// start of the line (0 when the line does not start with one); the name follows the first
// space or tab (none: empty) and is cut to 16 characters. Numbers outside 0..127 are ignored;
// a later line for a number replaces the earlier name.
void parseControllerNames(std::string_view text, ControllerNames& names);

struct Bank {
    std::string name;
    uint8_t msb = 0;  // 0 when the file names none
    uint8_t lsb = 0;
    std::array<std::string, 128> programs;  // by program number
    bool operator==(const Bank&) const = default;
};

struct BankSet {
    std::string title;  // the file name without its extension
    std::vector<Bank> banks;
    bool operator==(const BankSet&) const = default;
};

// A bank file: "key = value" lines. "bank" starts a bank named by the value; "msb" and "lsb"
// set its bank select bytes; a key starting with a digit is a program number 0..127 and the
// value its name. Keys are compared without regard to case; lines without "=", with an empty
// key or value, of another key, or before the first bank are ignored.
BankSet parseBankSet(std::string title, std::string_view text);
// Every "*.bnk" file of the folder (the extension in any case), in the order of their file
// names compared byte by byte, so that the list is the same on every system. A missing folder
// gives none.
std::vector<BankSet> readBankFolder(const std::string& folder);

}  // namespace tarvio
