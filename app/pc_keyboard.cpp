#include "app/pc_keyboard.h"

#include <algorithm>

namespace tarvio {

namespace {

constexpr int kVkComma = 0xBC;   // VK_OEM_COMMA
constexpr int kVkPeriod = 0xBE;  // VK_OEM_PERIOD

// The lower row from Z and the upper row from Q; the rows' number and letter keys between
// the white keys are the black ones.
constexpr char kKeys[] = "ZSXDCVGBHNJMQ2W3ER5T6Y7UI9O0P";
// Keys among the piano keys that play nothing but are kept from the editors.
constexpr char kSilent[] = "148AFKL";

bool silent(int vk) {
    for (const char* p = kSilent; *p; ++p)
        if (vk == *p) return true;
    return false;
}

}  // namespace

int PcKeyboard::offsetOf(int virtualKey) {
    for (int i = 0; kKeys[i]; ++i)
        if (virtualKey == kKeys[i]) return i;
    return -1;
}

PcKeyboard::Result PcKeyboard::key(int virtualKey, bool down, bool capsLock) {
    if (virtualKey < 0 || virtualKey > 255) return {};
    const int offset = offsetOf(virtualKey);
    bool& held = held_[static_cast<size_t>(virtualKey)];
    // The note-off of a held key is sent even when Caps Lock went off meanwhile; the note
    // would sound on otherwise.
    if (!down && held) {
        held = false;
        const uint32_t note = static_cast<uint32_t>(kBaseNote + offset);
        return {true, 0x80u | note << 8 | uint32_t{kReleaseVelocity} << 16};
    }
    if (!capsLock) return {};
    if (offset >= 0) {
        if (!down || held) return {true, 0};
        held = true;
        const uint32_t note = static_cast<uint32_t>(kBaseNote + offset);
        return {true, 0x90u | note << 8 | static_cast<uint32_t>(velocity_) << 16};
    }
    if (virtualKey == kVkComma || virtualKey == kVkPeriod) {
        if (down) velocity_ = std::clamp(velocity_ + (virtualKey == kVkComma ? -10 : 10), 1, 127);
        return {true, 0};
    }
    return {silent(virtualKey), 0};
}

}  // namespace tarvio
