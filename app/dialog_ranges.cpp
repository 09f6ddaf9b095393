#include "app/dialog_ranges.h"

#include "engine/input.h"

namespace tarvio {

FieldRange velocityValueRange(int mode) {
    if (mode == kVelocitySetValue) return DialogRanges::velocity;
    if (mode == kVelocityShiftValue) return {true, -126, 126};
    return {false, 0, 0};
}

}  // namespace tarvio
