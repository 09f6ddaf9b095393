// The keyboard bar's logic: a piano keyboard over the 128 MIDI keys with the keys held on the
// input. The widget in app/ui only paints the rectangles.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/transport_bar_view.h"

namespace tarvio {

// The name of a C under its octave ("C4" for key 60).
struct OctaveLabel {
    int note = 0;
    std::string text;
    BarRect rect;
};

struct KeyRect {
    int note = 0;
    bool black = false;
    bool held = false;
    BarRect rect;
};

class KeyboardBarView {
public:
    static constexpr int kWhiteWidth = 7;
    static constexpr int kWhiteHeight = 32;
    static constexpr int kBlackWidth = 5;
    static constexpr int kBlackHeight = 20;
    static constexpr int kWhiteKeys = 75;
    static constexpr int kWidth = kWhiteKeys * kWhiteWidth;
    static constexpr int kLabelHeight = 14;  // the strip of octave names under the keys
    static constexpr int kHeight = kWhiteHeight + kLabelHeight;

    static bool isBlack(int note);
    static BarRect keyRect(int note);
    // White keys first, then black ones, so that painting in order puts black keys on top.
    const std::vector<KeyRect>& keys() const { return keys_; }
    // One per C (0, 12 .. 120): its name in the strip under the keys, from the C's left edge to
    // the next C's (the bar's end for the last).
    static std::vector<OctaveLabel> octaveLabels();

    KeyboardBarView();
    // Takes the held keys; true when a key went down or up.
    bool refresh(const std::array<uint8_t, 128>& held);

private:
    std::vector<KeyRect> keys_;
};

}  // namespace tarvio
