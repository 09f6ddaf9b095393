#include "app/keyboard_bar_view.h"

#include <algorithm>

namespace tarvio {

namespace {

// White-key index of each pitch class within its octave; a black key sits on the border to
// the right of the white key with this index.
constexpr int kWhiteIndex[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};

}  // namespace

bool KeyboardBarView::isBlack(int note) {
    switch (note % 12) {
        case 1: case 3: case 6: case 8: case 10: return true;
        default: return false;
    }
}

BarRect KeyboardBarView::keyRect(int note) {
    const int white = note / 12 * 7 + kWhiteIndex[note % 12];
    if (!isBlack(note)) {
        const int left = white * kWhiteWidth;
        return {left, 0, left + kWhiteWidth - 1, kWhiteHeight - 1};
    }
    const int border = (white + 1) * kWhiteWidth;
    const int left = border - kBlackWidth / 2;
    return {left, 0, left + kBlackWidth - 1, kBlackHeight - 1};
}

std::vector<OctaveLabel> KeyboardBarView::octaveLabels() {
    std::vector<OctaveLabel> labels;
    for (int note = 0; note < 128; note += 12) {
        const int left = keyRect(note).left;
        const int right = std::min(left + 7 * kWhiteWidth, kWidth) - 1;
        labels.push_back({note, "C" + std::to_string(note / 12 - 1), {left, kWhiteHeight, right, kHeight - 1}});
    }
    return labels;
}

KeyboardBarView::KeyboardBarView() {
    keys_.reserve(128);
    for (int pass = 0; pass < 2; ++pass)
        for (int note = 0; note < 128; ++note)
            if (isBlack(note) == (pass == 1)) keys_.push_back({note, pass == 1, false, keyRect(note)});
}

bool KeyboardBarView::refresh(const std::array<uint8_t, 128>& held) {
    bool changed = false;
    for (KeyRect& k : keys_) {
        const bool down = held[static_cast<size_t>(k.note)] != 0;
        changed |= down != k.held;
        k.held = down;
    }
    return changed;
}

}  // namespace tarvio
