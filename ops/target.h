// The property an edit operation changes (shift, compress/expand, control curve, controller
// lanes): which events take part and how one of their values is read and written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvio {

class Event;

enum class EditTarget : int {
    Note = 0,       // notes: key 0..127
    Step = 1,       // every event: step 0..0x0FFFFFFF
    Gate = 2,       // notes: gate 0..65535
    Vel = 3,        // notes: velocity 0..127
    Pitch = 4,      // pitch bend as value - 8192: -8192..8191
    KeyPressure = 5,  // polyphonic pressure of key `param`: pressure 0..127
    ChPressure = 6,   // channel pressure 0..127
    ControlChange = 7,  // control change number `param`: value 0..127
    Procedure = 8,  // Command events of table entry `param`: fourth value byte 0..127
    Tempo = 9,      // tempo 30..240
};
inline constexpr int kEditTargetCount = 10;

struct TargetSpec {
    EditTarget target = EditTarget::Note;
    int param = 0;  // key, controller number or command index; unused by the other targets
};

struct FieldRange {
    int64_t lo;
    int64_t hi;
};

// The field's whole range, as shift and compress/expand clamp to it.
FieldRange targetRange(EditTarget t);

// Notes take part only when their gate and velocity are non-zero; Step takes every event.
bool targetMatches(const Event& e, TargetSpec t);

// The field's value (pitch bend signed, step from e.step). Only meaningful when targetMatches.
int64_t targetValue(const Event& e, TargetSpec t);
// Writes v, clamped to the field's range, into the field (step into e.step).
void setTargetValue(Event& e, TargetSpec t, int64_t v);

// Batch-command form: note, step, gate, vel, pitch, keypressure:KEY, chpressure, cc:NUMBER,
// procedure:INDEX, tempo. False with a one-line reason in err for anything else.
bool parseTarget(std::string_view text, TargetSpec& out, std::string& err);

}  // namespace tarvio
