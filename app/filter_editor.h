// The filter editor's and the recording dialog's decisions: which fields of a filter and a rule
// apply, their ranges, the rules that may be added, and the reordering of rules and filters.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_ranges.h"
#include "app/texts.h"
#include "ops/filters.h"

namespace tarvio {

// The name a new filter gets, translated where the window makes one.
inline constexpr const char* kNewFilterText = QT_TRANSLATE_NOOP("tarvio::FilterEditor", "新規ルール");

// The choices of the editor's lists, in the order of their stored numbers.
struct FilterTexts {
    static constexpr std::array<const char*, 7> sources{"NoteOn", "NoteOff", "KeyPress", "CC", "Program", "Ch.Press", "Pitch"};
    static constexpr std::array<const char*, 7> actions{"Delete", "Layer", "Convert", "Set Val", "Add Val", "Mul Val", "Div Val"};
    static constexpr std::array<const char*, 5> targets{"KeyPress", "CC", "Ch.Press", "Pitch", "Procedure"};
};

// The source parameter (key or controller) applies to KeyPress and CC.
FieldRange parameterRange(int32_t source);
// The convert target applies to Convert.
bool optionUsed(int32_t action);
// The rule's value: a key or controller for a conversion to KeyPress or CC, a command index for
// Procedure, nothing for the other conversions, Delete and Layer; a signed operand wide enough
// for a pitch-bend value (0..16383) otherwise.
FieldRange valueRange(int32_t action, int32_t option);
// A rule the editor adds: known action and target, value in range, and no division by 0, which
// would leave the event unchanged however the user meant it.
bool acceptableRule(const FilterRule& rule);
// The rule as stored: option and value of fields that do not apply are 0.
FilterRule normalizedRule(FilterRule rule);

// Moves entry `index` by `delta` (-1 up, +1 down) when both places exist; returns where the
// entry is afterwards (index unchanged when it could not move).
template <typename T>
int moveEntry(std::vector<T>& list, int index, int delta) {
    const int to = index + delta;
    if (index < 0 || to < 0 || size_t(index) >= list.size() || size_t(to) >= list.size()) return index;
    std::swap(list[size_t(index)], list[size_t(to)]);
    return to;
}

// The filter being edited in the filter editor.
class FilterEditor {
public:
    explicit FilterEditor(Filter filter) : filter_(std::move(filter)) {}
    const Filter& filter() const { return filter_; }

    void setName(std::string name) { filter_.name = std::move(name); }
    void setSource(int32_t source, int32_t parameter);
    // Appends the rule when acceptable; false when refused.
    bool addRule(const FilterRule& rule);
    bool removeRule(int index);
    int moveRule(int index, int delta) { return moveEntry(filter_.rules, index, delta); }
    // "動作定義リスト": one text per rule.
    std::vector<std::string> ruleTexts() const;

private:
    Filter filter_;
};

// The recording dialog's filter list: a new filter is added after the last, disabled, with the
// new-filter name; removing keeps a neighbour selected.
class FilterListEditor {
public:
    explicit FilterListEditor(FilterList list) : list_(std::move(list)) {}
    const FilterList& list() const { return list_; }

    int add();                     // returns the new filter's index
    int remove(int index);         // returns the index to select afterwards (-1: none left)
    int move(int index, int delta) { return moveEntry(list_, index, delta); }
    void setEnabled(int index, bool on);
    void replace(int index, Filter filter);

private:
    FilterList list_;
};

}  // namespace tarvio
