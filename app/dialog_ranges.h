// The ranges and choice texts of the settings dialogs' fields, so that every dialog limits its
// fields the same way and the tests can check the limits without a window.
#pragma once

#include <array>
#include <cstdint>

namespace tarvio {

// A field's range; a field that is not used is disabled and stored as 0.
struct FieldRange {
    bool used = true;
    int min = 0, max = 0;
};

struct DialogRanges {
    static constexpr FieldRange preCount{true, 0, 65535};    // ticks
    static constexpr FieldRange latencyFix{true, -1000, 1000};  // ms
    static constexpr FieldRange syncOffset{true, -10000, 10000};  // ms
    static constexpr FieldRange deviceId{true, 0, 127};      // 127: every device
    static constexpr FieldRange note{true, 0, 127};
    static constexpr FieldRange velocity{true, 1, 127};      // 0 would be a note-off
    static constexpr FieldRange channel{true, 1, 16};        // shown from 1, stored from 0
};

struct DialogTexts {
    static constexpr std::array<const char*, 4> frameFormats{"24 fps", "25 fps", "30drop fps", "30 fps"};
    static constexpr std::array<const char*, 3> velocityModes{"Through", "Set Value", "Shift Value"};
    static constexpr std::array<int, 5> resolutions{960, 480, 192, 96, 48};  // ticks per quarter note
};

// The input velocity's value: none for Through, the velocity for Set Value, an offset for
// Shift Value (the engine keeps the result within 1..127).
FieldRange velocityValueRange(int mode);

}  // namespace tarvio
