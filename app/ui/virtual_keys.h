// Qt keys to Windows virtual-key codes: the key map, the function keys and the PC keyboard
// speak virtual keys, so a widget translates each key event once, at the edge.
#pragma once

class QKeyEvent;

namespace tarvio {

// 0 for keys without a virtual key. keypad: the key came from the numeric keypad.
int virtualKeyOf(int qtKey, bool keypad);
int virtualKeyOf(const QKeyEvent& event);

}  // namespace tarvio
