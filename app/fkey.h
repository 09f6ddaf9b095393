// The function-key table: 48 current values (four modifier rows of F1..F12) and named templates
// of 48 values, stored in "fkey.dat".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvio {

constexpr int kFkeyCount = 48;
// Values of 0 or more are lengths in ticks.
constexpr int32_t kFkeyTie = -1;
constexpr int32_t kFkeyRest = -2;
constexpr int32_t kFkeyNothing = -3;
// A template name longer than this ends reading: no real name is that long.
constexpr int32_t kFkeyMaxNameBytes = 10000;

using FkeyValues = std::array<int32_t, kFkeyCount>;

// row 0 = no modifier, 1 = Shift, 2 = Ctrl, 3 = Shift+Ctrl; key 0..11 = F1..F12.
constexpr int fkeyIndex(int row, int key) { return row * 12 + key; }

struct FkeyTemplate {
    std::string name;
    FkeyValues values{};
    bool operator==(const FkeyTemplate&) const = default;
};

struct FkeyTable {
    FkeyValues current{};
    std::string currentName;  // the template the current values came from; not stored
    std::vector<FkeyTemplate> templates;
    bool operator==(const FkeyTable&) const = default;
};

// The template of a resolution: lengths of whole, dotted, triplet and multiple notes.
FkeyTemplate fkeyTemplateFor(int32_t tpqn);
// The five built-in templates (960, 480, 192, 96 and 48 TPQN) with the first one current.
FkeyTable builtInFkeyTable();

// The numerical editor's status line: the twelve values of a row, each " %5d", "   Tie",
// "  Rest" or six spaces for a key that does nothing.
std::string fkeyStatusText(const FkeyTable& table, int row);

// "fkey.dat": the 48 current values; then per template the byte 1, the name's byte count (i32),
// the name and its 48 values; then the byte 0.
std::vector<uint8_t> serializeFkeys(const FkeyTable& table);
// Replaces the template list by the file's. Reading stops at a 0 byte, at an unreasonable name
// length or where the file ends; what was read completely before that point is kept (a
// template or the current values cut off by the end keep nothing of the cut record).
void parseFkeys(const uint8_t* data, size_t size, FkeyTable& table);

}  // namespace tarvio
