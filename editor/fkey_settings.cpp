#include "editor/fkey_settings.h"

#include <algorithm>

namespace tarvio {

FkeySettings::FkeySettings(const FkeyTable& table) : table_(table), grid_(table.current) {
    for (size_t i = 0; i < table_.templates.size(); ++i)
        if (table_.templates[i].name == table_.currentName) {
            selected_ = int(i);
            break;
        }
}

void FkeySettings::setValue(int index, int64_t v) {
    if (index < 0 || index >= kFkeyCount) return;
    grid_[size_t(index)] = int32_t(std::clamp<int64_t>(v, kMin, kMax));
}

std::vector<std::string> FkeySettings::templateNames() const {
    std::vector<std::string> names;
    for (const FkeyTemplate& t : table_.templates) names.push_back(t.name);
    return names;
}

void FkeySettings::chooseTemplate(int row) {
    if (row < 0 || size_t(row) >= table_.templates.size()) return;
    selected_ = row;
    const FkeyTemplate& t = table_.templates[size_t(row)];
    grid_ = t.values;
    table_.currentName = t.name;
}

bool FkeySettings::create(const std::string& name) {
    if (name.empty()) return false;
    table_.templates.push_back({name, grid_});
    selected_ = int(table_.templates.size()) - 1;
    table_.currentName = name;
    return true;
}

bool FkeySettings::update() {
    if (selected_ < 0) return false;
    table_.templates[size_t(selected_)].values = grid_;
    return true;
}

bool FkeySettings::remove() {
    if (selected_ < 0) return false;
    table_.templates.erase(table_.templates.begin() + selected_);
    if (selected_ >= int(table_.templates.size())) selected_ = int(table_.templates.size()) - 1;
    return true;
}

FkeyTable FkeySettings::result() const {
    FkeyTable t = table_;
    t.current = grid_;
    return t;
}

}  // namespace tarvio
