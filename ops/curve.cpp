#include "ops/curve.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "io/file_util.h"
#include "model/song.h"
#include "model/track.h"
#include "model/undo.h"
#include "ops/edit_scope.h"
#include "ops/take_recording.h"

namespace tarvio {

const char* const kCurveKindNames[kCurveKindCount] = {"freehand", "line",      "curve",     "sin",   "cos",  "xsin",
                                                      "random",   "xtimessin", "xtimescos", "chaos", "noise"};

int parseCurveKind(const std::string& text) {
    for (int k = 0; k < kCurveKindCount; ++k)
        if (text == kCurveKindNames[k] || text == std::to_string(k)) return k;
    return -1;
}

int CurveGenerator::rand() {
    state_ = state_ * 1103515245u + 12345u;
    return int((state_ >> 16) & 0x7FFF);
}

// ---- the curve function ----

namespace {

constexpr double kHalfPi = 1.570796;

bool periodic(CurveKind k) {
    return k == CurveKind::Sin || k == CurveKind::Cos || k == CurveKind::XTimesSin || k == CurveKind::XTimesCos;
}

// Position 0..1 within the curve: linear for the periodic kinds, a sawtooth of `count` teeth
// for the others.
double position(const Curve& c, int64_t t) {
    const int64_t L = c.length;
    if (t < c.delay) return 0.0;
    if (t >= c.delay + L) return 1.0;
    int64_t u = t - c.delay;
    if (periodic(CurveKind(c.kind))) return double(u) / double(L);
    const int64_t count = std::max<int32_t>(c.count, 1);
    // A period shorter than a tick would never reduce u: hold it at one tick.
    const int64_t p = std::max<int64_t>(L / count, 1);
    if (u > p) u = (u - 1) % p + 1;  // subtracting p while u > p, in one step
    return std::min(1.0, double(count * u) / double(L));
}

double shaped(double x, int n) { return std::pow(x, n * 0.5 + 1); }          // n > 0
double shapedBack(double x, int n) { return std::pow(1 - x, 1 - n * 0.5); }  // n < 0

}  // namespace

int64_t curveValue(const Curve& c, int64_t t, CurveGenerator& gen) {
    const double x = position(c, t);
    const double S = c.start, D = double(c.end) - double(c.start), cnt = c.count;
    const int n = c.param;
    double y = S;
    switch (CurveKind(c.kind)) {
        case CurveKind::FreeHand:
        case CurveKind::Line: y = x * D + S; break;
        case CurveKind::Power:
            if (n == 0) y = x * D + S;
            else if (n > 0) y = shaped(x, n) * D + S;
            else y = S + D - shapedBack(x, n) * D;
            break;
        case CurveKind::Sin:
            if (n == 0) y = std::sin(cnt * x * kHalfPi) * D + S;
            else if (n > 0) y = std::sin(shaped(x, n) * cnt * kHalfPi) * D + S;
            else y = S - std::sin((shapedBack(x, n) - 1) * cnt * kHalfPi) * D;
            break;
        case CurveKind::Cos: {
            const double a = n == 0 ? cnt * x : n > 0 ? shaped(x, n) * cnt : (shapedBack(x, n) - 1) * cnt;
            y = D * 0.5 + S - std::cos(a * kHalfPi) * D * 0.5;
            break;
        }
        case CurveKind::XPlusSin: {
            const double p = n < 50 ? n * 0.01 : 0.499;
            const double w = x < p ? 0.0 : x > 1 - p ? 1.0 : (x - p) / (1 - 2 * p);
            y = (w + std::sin((w - 0.5) * 6.283184) * 0.15915497620314795) * D + S;
            break;
        }
        case CurveKind::Random: {
            const int64_t d = int64_t(c.end) - c.start;
            if (d == -1 || x == 0.0) {
                y = S;
            } else if (x == 1.0) {
                y = S + D;
            } else {
                const int64_t r = (int64_t(gen.rand()) * (d < 0 ? -1 : 1)) % (d + 1);
                if (n == 0) y = double(r) + S;
                else if (n > 0) y = double(r) * shaped(x, n) + S;
                else y = S + D - double(r) * shapedBack(x, n);
            }
            break;
        }
        case CurveKind::XTimesSin:
            if (n == 0) y = std::sin(cnt * x * kHalfPi) * D + S;
            else if (n > 0) y = std::sin(cnt * x * kHalfPi) * D * std::pow(x, n * 0.2) + S;
            else y = S - std::pow(1 - x, -(n * 0.2)) * std::sin(-x * cnt * kHalfPi) * D;
            break;
        case CurveKind::XTimesCos: {
            auto h = [&](double z) { return D * 0.5 - std::cos(z * cnt * kHalfPi) * D * 0.5; };
            if (n == 0) y = h(x) + S;
            else if (n > 0) y = h(x) * std::pow(x, n * 0.2) + S;
            else y = h(-x) * std::pow(1 - x, -(n * 0.2)) + S;
            break;
        }
        case CurveKind::Chaos: {
            double& z = gen.chaosZ;
            z = z >= 0.5 ? z - 2 * (1 - z) * (1 - z) : (2 * z + 1) * z;
            gen.chaosW = n >= 1 ? gen.chaosW + (z - gen.chaosW) / (double(n) * n) : z;
            y = gen.chaosW * D + S;
            break;
        }
        case CurveKind::Noise: {
            static constexpr double kCoef[8] = {1 / 256.0, 1 / 128.0, 1 / 64.0, 1 / 32.0,
                                                1 / 16.0,  1 / 8.0,   1 / 4.0,  1 / 2.0};
            double r = gen.rand() % 2 == 0 ? 1.0 : -1.0;
            for (int k = 0; k < 8; ++k) {
                double& s = gen.noiseStage[size_t(k)];
                s = kCoef[k] * r + (1 - kCoef[k]) * s;
                r = (s + r) / 2;
            }
            gen.noiseQ = (gen.noiseQ + r) / 2;
            gen.noiseV = n >= 1 ? gen.noiseV + (gen.noiseQ - gen.noiseV) / (double(n) * n) : gen.noiseQ;
            y = (gen.noiseV * 5 + 0.5) * D + S;
            break;
        }
    }
    double v = std::floor(y + 0.5);
    // A NaN compares false everywhere: it ends up at the maximum rather than as an undefined cast.
    if (!(v <= c.maximum)) v = c.maximum;
    if (v < c.minimum) v = c.minimum;
    return int64_t(v);
}

// ---- the value table ----

void resampleFreeHand(Curve& c, int32_t newLength) {
    newLength = std::clamp(newLength, 1, kCurveMaxTicks);
    const std::vector<int32_t> old = std::move(c.values);
    c.values.assign(size_t(newLength) + 1, std::clamp(c.start, std::min(c.minimum, c.maximum), c.maximum));
    if (!old.empty()) {
        const int64_t oldLast = int64_t(old.size()) - 1;
        for (int64_t i = 0; i <= newLength; ++i) c.values[size_t(i)] = old[size_t(i * oldLast / newLength)];
    }
    c.length = newLength;
}

void generateCurveTable(Curve& c, CurveGenerator& gen) {
    c.length = std::clamp(c.length, 1, kCurveMaxTicks);
    c.interval = std::clamp(c.interval, 1, kCurveMaxTicks);
    const int64_t L = c.length, I = c.interval;
    if (c.kind == int32_t(CurveKind::FreeHand)) {
        if (c.values.size() != size_t(L) + 1) resampleFreeHand(c, c.length);
        for (int64_t i = 0; i <= L; ++i) {
            int32_t& v = c.values[size_t(i)];
            if (i % I != 0) v = c.values[size_t(i - 1)];  // the last boundary's value, already clamped
            else v = std::max(std::min(v, c.maximum), c.minimum);
        }
        return;
    }
    c.values.assign(size_t(L) + 1, 0);
    c.values[0] = int32_t(curveValue(c, c.delay, gen));
    for (int64_t i = 1; i < L; ++i)
        c.values[size_t(i)] =
            i % I != 0 ? c.values[size_t(i - 1)] : int32_t(curveValue(c, c.delay + i + (I - 1) / 2, gen));
    c.values[size_t(L)] = int32_t(curveValue(c, c.delay + L, gen));
}

int64_t curveTableAt(const Curve& c, int64_t t) {
    if (c.values.empty()) return 0;
    const int64_t last = int64_t(c.values.size()) - 1;
    return c.values[size_t(std::clamp<int64_t>(t - c.delay, 0, last))];
}

void drawFreeHand(Curve& c, int64_t a, int64_t b, int h) {
    if (c.values.size() != size_t(c.length) + 1) resampleFreeHand(c, c.length);
    if (a > b) std::swap(a, b);
    const int64_t I = std::max(c.interval, 1);
    const int64_t from = std::max<int64_t>((std::max<int64_t>(a, 0) / I) * I, 0);
    const int64_t to = std::min<int64_t>((std::max<int64_t>(b, 0) / I + 1) * I, c.length + 1);
    h = std::clamp(h, 0, 127);
    // h = 127 gives maximum + 1 by the formula: keep it in the range.
    const int64_t v = int64_t(c.minimum) + ((int64_t(c.maximum) - c.minimum + 1) * h) / 127;
    const int32_t value = int32_t(std::max<int64_t>(std::min<int64_t>(v, c.maximum), c.minimum));
    for (int64_t t = from; t < to; ++t) c.values[size_t(t)] = value;
}

FieldRange curveValueRange(const Song& song, TargetSpec target, bool addMode) {
    const int64_t span = int64_t(song.tpqn) * 40;
    switch (target.target) {
        case EditTarget::Step: return addMode ? FieldRange{-span, span} : FieldRange{0, span};
        case EditTarget::Gate: return addMode ? FieldRange{-span, span} : FieldRange{1, span};
        case EditTarget::Pitch: return addMode ? FieldRange{-16383, 16383} : FieldRange{-8192, 8191};
        case EditTarget::Tempo: return addMode ? FieldRange{-240, 240} : FieldRange{0, 240};
        case EditTarget::Procedure: {
            // The values as the user sees them: the stored min..max moved by the base.
            int64_t lo = 0, hi = 127, base = 0;
            if (target.param >= 0 && size_t(target.param) < song.commands.size()) {
                const CommandDef& d = song.commands[size_t(target.param)];
                lo = d.min;
                hi = std::max<int64_t>(lo, d.max);
                base = d.base;
            }
            return addMode ? FieldRange{-(hi - lo), hi - lo} : FieldRange{lo + base, hi + base};
        }
        default: return addMode ? FieldRange{-127, 127} : FieldRange{0, 127};
    }
}

// ---- applying ----

namespace {

// Command values are stored as value - base, 14 bits split over the last two value bytes.
int32_t commandBase(const Song& song, int param) {
    return param >= 0 && size_t(param) < song.commands.size() ? song.commands[size_t(param)].base : 0;
}
int64_t commandValue(const Event& e, int32_t base) { return base + (e.b[2] & 127) * 128 + (e.b[3] & 127); }
void setCommandValue(Event& e, int32_t base, int64_t v) {
    const int64_t w = std::clamp<int64_t>(v - base, 0, 16383);
    e.b[2] = uint8_t(w >> 7);
    e.b[3] = uint8_t(w & 127);
}

bool writesEvents(EditTarget t) {
    return t != EditTarget::Note && t != EditTarget::Gate && t != EditTarget::Vel && t != EditTarget::Step;
}

Event newTargetEvent(const Song& song, TargetSpec target, int64_t v) {
    Event e(0);
    const uint8_t p = uint8_t(std::clamp(target.param, 0, 127));
    switch (target.target) {
        case EditTarget::Pitch: e.setBend(0); break;
        case EditTarget::KeyPressure: e.setPolyPressure(p, 0); break;
        case EditTarget::ChPressure: e.setChannelPressure(0); break;
        case EditTarget::ControlChange: e.setControl(p, 0); break;
        case EditTarget::Tempo: e.setTempo(120); break;
        case EditTarget::Procedure:
            e.setCommand(uint16_t(target.param), 0, 0);
            setCommandValue(e, commandBase(song, target.param), v);
            return e;
        default: break;
    }
    setTargetValue(e, target, v);
    return e;
}

}  // namespace

int applyCurve(Song& song, Track& track, const Curve& c, TargetSpec target, bool addMode, int64_t start,
               int64_t end) {
    if (c.length < 1 || c.values.size() != size_t(c.length) + 1 || start < 0) return 0;
    if (end == start) end = start + song.tpqn;
    if (end < start) return 0;
    const int32_t base = commandBase(song, target.param);
    const FieldRange command = curveValueRange(song, target, false);  // Procedure: the shown min..max

    if (target.target == EditTarget::Step) {
        std::vector<SetStepCommand::Change> changes;
        std::vector<std::pair<uint32_t, int32_t>> events;
        int64_t tick = 0;
        for (const Event& e : track.events) {
            if (tick >= end) break;
            if (tick >= start) events.emplace_back(e.serial(), e.step);
            tick += e.step;
        }
        const int64_t N = int64_t(events.size());
        for (int64_t i = 0; i < N; ++i) {
            const int64_t pos = N == 1 ? 0 : (int64_t(c.length) * i) / (N - 1);
            int64_t v = curveTableAt(c, pos) + (addMode ? events[size_t(i)].second : 0);
            v = std::clamp<int64_t>(v, 0, 0x0FFFFFFF);
            if (v != events[size_t(i)].second) changes.push_back({events[size_t(i)].first, int32_t(v)});
        }
        if (changes.empty()) return 0;
        const int changed = int(changes.size());
        EditScope scope(song, track);
        track.push(std::make_unique<SetStepCommand>(track, std::move(changes)));
        return changed;
    }

    if (addMode || !writesEvents(target.target)) {
        std::vector<SetContentCommand::Change> changes;
        int64_t tick = 0;
        for (const Event& e : track.events) {
            if (tick >= end) break;
            if (tick >= start && targetMatches(e, target)) {
                const int64_t v = curveTableAt(c, tick - start);
                Event n(0);
                n.setContent(e);
                if (target.target == EditTarget::Procedure) {
                    // A value already outside the range is not pulled into it by the add.
                    const int64_t old = commandValue(e, base);
                    setCommandValue(n, base,
                                    std::clamp<int64_t>(old + v, std::min(old, command.lo), std::max(old, command.hi)));
                } else {
                    setTargetValue(n, target, addMode ? targetValue(e, target) + v : v);
                }
                if (!n.sameContent(e)) changes.push_back({e.serial(), std::move(n)});
            }
            tick += e.step;
        }
        if (changes.empty()) return 0;
        const int changed = int(changes.size());
        EditScope scope(song, track);
        track.push(std::make_unique<SetContentCommand>(track, std::move(changes)));
        return changed;
    }

    // Replace the target's events from the range start to the curve's end by one event per
    // change of value; the curve starts after its delay, so the walk covers the delay too.
    const int64_t span = int64_t(c.delay) + c.length;
    std::vector<uint32_t> removed;
    int64_t tick = 0;
    for (const Event& e : track.events) {
        if (tick >= start + span) break;
        if (tick >= start && targetMatches(e, target)) removed.push_back(e.serial());
        tick += e.step;
    }
    EventList written;
    int64_t lastValue = 0, lastPos = 0;
    for (int64_t p = 0; p <= span; ++p) {
        const int64_t v = curveTableAt(c, p);
        if (p != 0 && v == lastValue) continue;
        if (!written.empty()) written.back().step = int32_t(p - lastPos);
        written.pushBack(newTargetEvent(song, target, v));
        lastValue = v;
        lastPos = p;
    }
    const int count = int(written.size());
    EditScope scope(song, track);
    if (!removed.empty()) track.push(makeDelete(track, std::move(removed)));
    track.push(std::make_unique<MixCommand>(track, written, start));
    return count;
}

// ---- curve files ----

namespace {

constexpr char kMagic[8] = {'t', 'v', 'o', 'c', 'u', 'r', 'v', 'e'};

void fail(std::string* err, const std::string& why) {
    if (err) *err = why;
}

}  // namespace

bool validCurveName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string curveFilePath(const std::string& programFolder, const std::string& name) {
    return programFolder + "/curve/" + name + ".crv";
}

std::vector<std::string> listCurves(const std::string& programFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(programFolder + "/curve", ec), endIt; !ec && it != endIt;
         it.increment(ec)) {
        const std::filesystem::path& p = it->path();
        if (p.extension() == ".crv" && it->is_regular_file(ec)) names.push_back(p.stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool writeCurveFile(const std::string& path, const Curve& c, std::string* err) {
    std::vector<uint8_t> data;
    ByteWriter w{data};
    w.bytes(kMagic, sizeof kMagic);
    for (int32_t v : {c.kind, c.delay, c.step, c.interval, c.count, c.length, c.start, c.end, c.param, c.maximum,
                      c.minimum})
        w.i32(v);
    if (c.kind == int32_t(CurveKind::FreeHand))
        for (int64_t i = 0; i <= c.length; ++i)
            w.i32(size_t(i) < c.values.size() ? c.values[size_t(i)] : c.minimum);
    return writeFileAtomic(path, data, err);
}

bool readCurveFile(const std::string& path, Curve& out, std::string* err) {
    std::vector<uint8_t> data;
    if (!readWholeFile(path, data, err)) return false;
    return decodeCurve(data.data(), data.size(), out, err);
}

bool decodeCurve(const uint8_t* data, size_t size, Curve& out, std::string* err) {
    if (size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        fail(err, "not a curve file");
        return false;
    }
    ByteReader r(data + sizeof kMagic, size - sizeof kMagic);
    Curve c;
    for (int32_t* f : {&c.kind, &c.delay, &c.step, &c.interval, &c.count, &c.length, &c.start, &c.end, &c.param,
                       &c.maximum, &c.minimum}) {
        if (!r.i32(*f)) {
            fail(err, "the curve file ends inside its header");
            return false;
        }
    }
    // Each of these would make generation divide by zero, run away or index outside the table.
    if (c.kind < 0 || c.kind >= kCurveKindCount || c.delay < 0 || c.delay > kCurveMaxTicks || c.interval < 1 ||
        c.interval > kCurveMaxTicks || c.count < 1 || c.count > kCurveMaxCount || c.length < 1 ||
        c.length > kCurveMaxTicks || c.minimum > c.maximum) {
        fail(err, "the curve file holds a field out of its range");
        return false;
    }
    if (c.kind == int32_t(CurveKind::FreeHand)) {
        if (r.remaining() / 4 < size_t(c.length) + 1) {
            fail(err, "the curve file ends inside its values");
            return false;
        }
        c.values.resize(size_t(c.length) + 1);
        for (int32_t& v : c.values) r.i32(v);
    }
    out = std::move(c);
    return true;
}

bool saveCurve(const std::string& programFolder, const std::string& name, const Curve& c, std::string* err) {
    if (!validCurveName(name)) {
        fail(err, "bad curve name '" + name + "'");
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(programFolder + "/curve", ec);
    return writeCurveFile(curveFilePath(programFolder, name), c, err);
}

void rescaleCurve(Curve& c, FieldRange to) {
    const int64_t lo = c.minimum, hi = c.maximum;
    auto map = [&](int32_t v) {
        if (hi <= lo) return int32_t(std::clamp<int64_t>(v, to.lo, to.hi));
        // Values outside the saved range are clamped to it first; the product needs 128 bits
        // for the widest command ranges.
        const __int128 d = std::clamp<int64_t>(v, lo, hi) - lo;
        return int32_t(d * (to.hi - to.lo) / (hi - lo) + to.lo);
    };
    c.start = map(c.start);
    c.end = map(c.end);
    c.minimum = int32_t(to.lo);
    c.maximum = int32_t(to.hi);
}

}  // namespace tarvio
