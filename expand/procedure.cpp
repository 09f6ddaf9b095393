#include "expand/procedure.h"

#include <cmath>

#include "model/song.h"

namespace tarvio {

namespace {
constexpr double kDegree = 0.01745328888888889;  // 3.141592 / 180: the angle unit is degrees

bool validRegister(int r) { return r >= 0 && r < int(kRegisterCount); }
}  // namespace

void executeRegisterOp(Song& song, EventKind op, int16_t a, int16_t b) {
    if (!validRegister(a)) return;
    auto& reg = song.registers;
    double dst = reg[size_t(a)];
    // A source register that does not exist reads as 0.0, as an unset one does.
    double src = op != EventKind::Mov && validRegister(b) ? reg[size_t(b)] : 0.0;
    double r;
    switch (op) {
        case EventKind::Mov: r = double(b); break;
        case EventKind::MovVar: r = src; break;
        case EventKind::Add: r = src + dst; break;
        case EventKind::Sub: r = dst - src; break;
        case EventKind::Mul: r = src * dst; break;
        case EventKind::Div: r = src == 0.0 ? 0.0 : dst / src; break;
        case EventKind::Sin: r = std::sin(src * kDegree); break;
        case EventKind::Cos: r = std::cos(src * kDegree); break;
        case EventKind::Tan: r = std::tan(src * kDegree); break;
        default: return;
    }
    reg[size_t(a)] = float(r);
}

}  // namespace tarvio
