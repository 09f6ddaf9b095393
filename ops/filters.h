// Input message filters: each matches one kind of incoming message and rewrites it through an
// ordered list of rules (drop, duplicate, convert, or change its value arithmetically).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/event.h"

namespace tarvio {

// Source kinds (stored as 32-bit numbers).
enum FilterSource : int32_t {
    kSourceNoteOn = 0,
    kSourceNoteOff = 1,
    kSourceKeyPress = 2,
    kSourceCC = 3,
    kSourceProgram = 4,
    kSourceChPress = 5,
    kSourcePitch = 6,
};

enum FilterAction : int32_t {
    kActionDelete = 0,
    kActionLayer = 1,
    kActionConvert = 2,
    kActionSetVal = 3,
    kActionAddVal = 4,
    kActionMulVal = 5,
    kActionDivVal = 6,
};

// The target kind of a Convert rule (its option).
enum ConvertTarget : int32_t {
    kConvertKeyPress = 0,
    kConvertCC = 1,
    kConvertChPress = 2,
    kConvertPitch = 3,
    kConvertProcedure = 4,
};

// The name a new filter gets.
extern const char kNewFilterName[];

struct FilterRule {
    int32_t action = kActionDelete;
    int32_t option = 0;  // Convert: ConvertTarget
    int32_t value = 0;   // operand; Convert: key / controller (low byte) or command index (low 16 bits)
    bool operator==(const FilterRule&) const = default;
};

struct Filter {
    std::string name = kNewFilterName;
    uint8_t enabled = 0;
    int32_t source = kSourceNoteOn;
    int32_t parameter = 0;  // key for KeyPress, controller for CC
    std::vector<FilterRule> rules;
    bool operator==(const Filter&) const = default;
};

using FilterList = std::vector<Filter>;

// One filter on one event: the events that replace it (possibly none). A disabled filter, or
// an event of another kind or parameter, gives the event back unchanged. Values and kinds
// outside the known ranges act as no rule and match nothing.
std::vector<Event> applyFilter(const Filter& filter, const Event& event);
// The list in order on one incoming event: each filter acts on the last event of the working
// list (the event, or what the filters before it left); a filter that drops that event ends the
// chain with whatever else the list holds.
std::vector<Event> applyFilters(const FilterList& filters, const Event& event);

// The rule as the filter editor lists it ("<delete>", "<convert> to <CC(1)>", ...).
std::string ruleText(const FilterRule& rule);

// "filter.dat": little-endian markers, counted name, flags and rules. Parsing never trusts a
// count beyond the bytes there are; what was read before a malformed or truncated part is kept.
FilterList parseFilters(const uint8_t* data, size_t size);
std::vector<uint8_t> serializeFilters(const FilterList& filters);
// A missing or unreadable file gives an empty list.
FilterList readFilterFile(const std::string& path);
bool writeFilterFile(const std::string& path, const FilterList& filters);
// programFolder() + "/filter.dat".
std::string filterFilePath();

// The process-wide list, read by the input thread while the user-interface thread may replace
// it: readers take a snapshot that stays valid however the list changes meanwhile.
std::shared_ptr<const FilterList> currentFilters();
void setFilters(FilterList filters);
// Start-up and settings save: the process-wide list from and to filterFilePath().
void loadFilters();
bool saveFilters();

}  // namespace tarvio
