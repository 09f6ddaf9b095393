// What the key customisation dialog decides: a working copy of the key map, the keys it offers
// (those with a name, in code order), the action list (in code order) and the bindings it
// refuses. Only OK hands the copy back; the dialog paints and forwards.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/keymap.h"

namespace tarvio {

class KeySettings {
public:
    explicit KeySettings(const KeyMap& map);

    // The keys the list shows: every virtual key with a name, in code order.
    static std::span<const int> keys();
    static std::vector<std::string> keyTexts();
    static std::vector<std::string> actionTexts();  // actionNames() in code order
    static int actionRowOf(int32_t code);           // -1 for a code without a name

    // A binding the editor would never act on: a note-name letter A..G without modifiers or
    // with Shift alone, and Ctrl+L, Ctrl+N, Ctrl+S (the menus'), are kept unassigned.
    static bool reserved(int key, int state);

    void selectKey(int row);  // a row of keys(); out of range: no key
    int keyRow() const { return keyRow_; }
    int selectedKey() const;  // the virtual key, -1 when none
    void setModifiers(bool shift, bool ctrl, bool alt);
    int state() const { return state_; }

    // The row of the action bound to the selected key in the checked state (-1 without a key or
    // for a code without a name).
    int actionRow() const;
    // Binds the action of that row to the selected key in the checked state; a reserved binding
    // becomes "未定義". Returns the row now shown.
    int chooseAction(int row);

    const KeyMap& map() const { return map_; }

private:
    KeyMap map_;
    int keyRow_ = -1;
    int state_ = 0;
};

}  // namespace tarvio
