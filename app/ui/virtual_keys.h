// Qt keys to Windows virtual-key codes: the key map, the function keys and the PC keyboard
// speak virtual keys, so a widget translates each key event once, at the edge.
//
// Letters, function, navigation and editing keys map by their meaning (Qt's key). The digit row
// and the punctuation keys map by their physical position (the native scan code) as on a
// Japanese 109-key keyboard, whose key names the key map uses: the key right of L is 0xBB, the
// next one 0xBA, the key left of the right Shift 0xE2; so ":" (jump) is the apostrophe key of a
// US keyboard. A key event without a known scan code (a synthesized one) falls back to the
// character: the virtual key of the 109-key keyboard's key that types it.
#pragma once

#include <cstdint>
#include <span>

class QKeyEvent;

namespace tarvio {

// A position of the main block and the virtual key it gives.
struct KeyPosition {
    uint32_t x11;      // X key code (evdev code + 8), as xcb and Wayland report it
    uint32_t windows;  // scan code set 1, as Windows reports it
    int vk;
    const char* us;    // the legend on a US keyboard
    const char* jis;   // the legend on a Japanese 109-key keyboard
};
std::span<const KeyPosition> keyPositions();

enum class ScanCodes { None, X11, Windows };
// The platform's kind of native scan code (None where it is neither, e.g. offscreen).
ScanCodes platformScanCodes();

// 0 for keys without a virtual key. keypad: the key came from the numeric keypad; scanCode 0:
// unknown.
int virtualKeyOf(int qtKey, bool keypad, uint32_t scanCode = 0, ScanCodes kind = ScanCodes::X11);
int virtualKeyOf(const QKeyEvent& event);

}  // namespace tarvio
