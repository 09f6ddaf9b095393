#include "ops/target.h"

#include <algorithm>
#include <charconv>

#include "model/event.h"

namespace tarvio {

FieldRange targetRange(EditTarget t) {
    switch (t) {
        case EditTarget::Step: return {0, 0x0FFFFFFF};
        case EditTarget::Gate: return {0, 65535};
        case EditTarget::Pitch: return {-8192, 8191};
        case EditTarget::Tempo: return {30, 240};
        default: return {0, 127};
    }
}

bool targetMatches(const Event& e, TargetSpec t) {
    switch (t.target) {
        case EditTarget::Note:
        case EditTarget::Gate:
        case EditTarget::Vel: return e.kind() == EventKind::Note && e.b[1] != 0 && e.gate() != 0;
        case EditTarget::Step: return true;
        case EditTarget::Pitch: return e.kind() == EventKind::PitchBend;
        case EditTarget::KeyPressure: return e.kind() == EventKind::PolyPressure && e.b[0] == t.param;
        case EditTarget::ChPressure: return e.kind() == EventKind::ChannelPressure;
        case EditTarget::ControlChange: return e.kind() == EventKind::Control && e.b[0] == t.param;
        case EditTarget::Procedure:
            return e.kind() == EventKind::Command && (e.b[0] | (e.b[1] << 8)) == t.param;
        case EditTarget::Tempo: return e.kind() == EventKind::Tempo;
    }
    return false;
}

int64_t targetValue(const Event& e, TargetSpec t) {
    switch (t.target) {
        case EditTarget::Note: return e.b[0];
        case EditTarget::Step: return e.step;
        case EditTarget::Gate: return e.gate();
        case EditTarget::Vel: return e.b[1];
        case EditTarget::Pitch: return e.signedBend();
        case EditTarget::KeyPressure:
        case EditTarget::ControlChange: return e.b[1];
        case EditTarget::ChPressure: return e.b[0];
        case EditTarget::Procedure: return e.b[3];
        case EditTarget::Tempo: return e.value32();
    }
    return 0;
}

void setTargetValue(Event& e, TargetSpec t, int64_t v) {
    const FieldRange r = targetRange(t.target);
    v = std::clamp(v, r.lo, r.hi);
    switch (t.target) {
        case EditTarget::Note: e.b[0] = uint8_t(v); break;
        case EditTarget::Step: e.step = int32_t(v); break;
        case EditTarget::Gate:
            e.b[2] = uint8_t(v & 0xFF);
            e.b[3] = uint8_t(v >> 8);
            break;
        case EditTarget::Vel:
        case EditTarget::KeyPressure:
        case EditTarget::ControlChange: e.b[1] = uint8_t(v); break;
        case EditTarget::Pitch:
            e.b[0] = uint8_t((v + 8192) >> 7);
            e.b[1] = uint8_t((v + 8192) & 127);
            break;
        case EditTarget::ChPressure: e.b[0] = uint8_t(v); break;
        case EditTarget::Procedure: e.b[3] = uint8_t(v); break;
        case EditTarget::Tempo: e.setTempo(uint32_t(v)); break;
    }
}

namespace {

bool number(std::string_view s, int lo, int hi, int& out) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

bool parseTarget(std::string_view text, TargetSpec& out, std::string& err) {
    struct Name {
        std::string_view name;
        EditTarget target;
        int paramMax;  // -1: takes no parameter
    };
    static constexpr Name kNames[] = {
        {"note", EditTarget::Note, -1},          {"step", EditTarget::Step, -1},
        {"gate", EditTarget::Gate, -1},          {"vel", EditTarget::Vel, -1},
        {"pitch", EditTarget::Pitch, -1},        {"keypressure", EditTarget::KeyPressure, 127},
        {"chpressure", EditTarget::ChPressure, -1}, {"cc", EditTarget::ControlChange, 127},
        {"procedure", EditTarget::Procedure, 999}, {"tempo", EditTarget::Tempo, -1},
    };
    const size_t colon = text.find(':');
    const std::string_view head = text.substr(0, colon);
    for (const Name& n : kNames) {
        if (head != n.name) continue;
        TargetSpec t{n.target, 0};
        if (n.paramMax < 0) {
            if (colon == std::string_view::npos) {
                out = t;
                return true;
            }
            err = "target " + std::string(head) + " takes no parameter";
            return false;
        }
        if (colon == std::string_view::npos || !number(text.substr(colon + 1), 0, n.paramMax, t.param)) {
            err = "target " + std::string(head) + " needs :N with N from 0 to " + std::to_string(n.paramMax);
            return false;
        }
        out = t;
        return true;
    }
    err = "unknown target '" + std::string(text) +
          "' (note, step, gate, vel, pitch, keypressure:KEY, chpressure, cc:NUMBER, procedure:INDEX, tempo)";
    return false;
}

}  // namespace tarvio
