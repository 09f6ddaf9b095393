// What the function-key dialog decides: the grid of 48 values (rows "", "Shift", "Ctrl",
// "Shift+Ctrl", columns F1..F12) within -3..65535, and the template list with its choose,
// create, update and delete commands, all on a working copy that OK hands back.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/fkey.h"

namespace tarvio {

class FkeySettings {
public:
    // Values below 0 are -1 tie, -2 rest and -3 nothing: a table may hold -3, and a grid that
    // could not show it would turn it into a rest on OK.
    static constexpr int32_t kMin = -3;
    static constexpr int32_t kMax = 65535;
    static constexpr std::array<const char*, 4> rowLabels{"", "Shift", "Ctrl", "Shift+Ctrl"};

    explicit FkeySettings(const FkeyTable& table);

    int32_t value(int index) const { return index >= 0 && index < kFkeyCount ? grid_[size_t(index)] : 0; }
    const FkeyValues& values() const { return grid_; }
    // Clamped into kMin..kMax; ignored out of range.
    void setValue(int index, int64_t v);

    const std::vector<FkeyTemplate>& templates() const { return table_.templates; }
    std::vector<std::string> templateNames() const;
    int selected() const { return selected_; }  // -1: none
    // Loads the template's values into the grid and makes it the current one.
    void chooseTemplate(int row);
    // A template holding the grid's values, selected; false (nothing added) for an empty name.
    bool create(const std::string& name);
    // Stores the grid into the selected template; false without one.
    bool update();
    // Removes the selected template; the one after it (or before, at the end) becomes selected.
    bool remove();

    // The grid as the current values, with the templates as they are now.
    FkeyTable result() const;

private:
    FkeyTable table_;
    FkeyValues grid_{};
    int selected_ = -1;
};

}  // namespace tarvio
