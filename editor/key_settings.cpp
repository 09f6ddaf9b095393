#include "editor/key_settings.h"

#include <array>

namespace tarvio {

namespace {

const std::vector<int>& namedKeys() {
    static const std::vector<int> keys = [] {
        std::vector<int> k;
        for (int vk = 0; vk < kKeyCodeCount; ++vk)
            if (keyName(vk)) k.push_back(vk);
        return k;
    }();
    return keys;
}

}  // namespace

KeySettings::KeySettings(const KeyMap& map) : map_(map) {}

std::span<const int> KeySettings::keys() { return namedKeys(); }

std::vector<std::string> KeySettings::keyTexts() {
    std::vector<std::string> texts;
    for (int vk : namedKeys()) texts.emplace_back(keyName(vk));
    return texts;
}

std::vector<std::string> KeySettings::actionTexts() {
    std::vector<std::string> texts;
    for (const ActionName& a : actionNames()) texts.emplace_back(a.name);
    return texts;
}

int KeySettings::actionRowOf(int32_t code) {
    const auto names = actionNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].code == code) return int(i);
    return -1;
}

bool KeySettings::reserved(int key, int state) {
    if (key >= 'A' && key <= 'G' && (state == 0 || state == kModShift)) return true;
    return state == kModCtrl && (key == 'L' || key == 'N' || key == 'S');
}

void KeySettings::selectKey(int row) { keyRow_ = row >= 0 && size_t(row) < namedKeys().size() ? row : -1; }

int KeySettings::selectedKey() const { return keyRow_ < 0 ? -1 : namedKeys()[size_t(keyRow_)]; }

void KeySettings::setModifiers(bool shift, bool ctrl, bool alt) {
    state_ = (shift ? kModShift : 0) | (ctrl ? kModCtrl : 0) | (alt ? kModAlt : 0);
}

int KeySettings::actionRow() const {
    const int key = selectedKey();
    return key < 0 ? -1 : actionRowOf(map_.action(key, state_));
}

int KeySettings::chooseAction(int row) {
    const int key = selectedKey();
    const auto names = actionNames();
    if (key < 0 || row < 0 || size_t(row) >= names.size()) return actionRow();
    map_.set(key, state_, reserved(key, state_) ? kActNone : names[size_t(row)].code);
    return actionRow();
}

}  // namespace tarvio
