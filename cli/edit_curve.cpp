// The curve command: sets (or adds) the values of a control curve over a range of one list,
// optionally from or into a curve file.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "cli/commands.h"
#include "cli/list_edit.h"
#include "model/song.h"
#include "model/track.h"
#include "ops/curve.h"

namespace tarvio::cli {

namespace {

constexpr const char* kCurveOptions[] = {"--target", "--kind",  "--delay", "--interval", "--count",
                                         "--start",  "--end",   "--param", "--min",      "--max",
                                         "--add!",   "--seed",  "--load",  "--save",     nullptr};

bool curveTarget(const Options& opts, TargetSpec& target, std::string& err) {
    const std::string* text = editArg(opts, "--target");
    if (!text) {
        err = "curve needs --target (note, step, gate, vel, pitch, keypressure:KEY, chpressure, cc:NUMBER, "
              "procedure:INDEX, tempo)";
        return false;
    }
    return parseTarget(*text, target, err);
}

// The shape options that do not depend on the song; start, end, min and max are checked
// against the target's range once the song is read.
bool curveShape(const Options& opts, Curve& c, std::string& err) {
    if (const std::string* kind = editArg(opts, "--kind")) {
        c.kind = parseCurveKind(*kind);
        if (c.kind < 0) {
            err = "unknown --kind '" + *kind +
                  "' (0 to 10 or freehand, line, curve, sin, cos, xsin, random, xtimessin, xtimescos, chaos, noise)";
            return false;
        }
    } else if (!editArg(opts, "--load")) {
        err = "curve needs --kind (or --load FILE.crv)";
        return false;
    }
    if (opts.length && *opts.length > kCurveMaxTicks) {
        err = "bad number '" + std::to_string(*opts.length) + "' for --length (expected 1 to " +
              std::to_string(kCurveMaxTicks) + ")";
        return false;
    }
    if (opts.length) c.length = *opts.length;
    int64_t delay = c.delay, interval = c.interval, count = c.count, param = c.param;
    if (!editNumber(opts, "--delay", 0, kCurveMaxTicks, delay, err) ||
        !editNumber(opts, "--interval", 1, kCurveMaxTicks, interval, err) ||
        !editNumber(opts, "--count", 1, kCurveMaxCount, count, err) ||
        !editNumber(opts, "--param", -kCurveMaxCount, kCurveMaxCount, param, err))
        return false;
    c.delay = int32_t(delay), c.interval = int32_t(interval), c.count = int32_t(count), c.param = int32_t(param);
    return true;
}

int checkCurve(const Options& opts, std::string& err) {
    TargetSpec target;
    Curve c;
    int64_t seed = 0, any = 0;
    if (!curveTarget(opts, target, err) || !curveShape(opts, c, err) ||
        !editNumber(opts, "--seed", 0, UINT32_MAX, seed, err))
        return kFailed;
    for (const char* name : {"--start", "--end", "--min", "--max"})
        if (!editNumber(opts, name, INT32_MIN, INT32_MAX, any, err)) return kFailed;
    for (const char* name : {"--load", "--save"}) {
        if (const std::string* path = editArg(opts, name); path && path->empty()) {
            err = std::string(name) + " needs a file name";
            return kFailed;
        }
    }
    return kOk;
}

int runCurve(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err) {
    TargetSpec target;
    if (!curveTarget(opts, target, err)) return kFailed;
    if (target.target == EditTarget::Procedure &&
        (size_t(target.param) >= song.commands.size() || !song.commands[size_t(target.param)].defined())) {
        err = "command " + std::to_string(target.param) + " is not defined";
        return kFailed;
    }
    const bool add = editFlag(opts, "--add");
    const FieldRange range = curveValueRange(song, target, add);
    Curve c;
    if (const std::string* load = editArg(opts, "--load")) {
        if (!readCurveFile(*load, c, &err)) {
            err = *load + ": " + err;
            return kFailed;
        }
        rescaleCurve(c, range);
    } else {
        c.minimum = int32_t(range.lo), c.maximum = int32_t(range.hi);
        c.start = int32_t(std::clamp<int64_t>(0, range.lo, range.hi)), c.end = int32_t(range.hi);
        // Without --length the curve covers the range (one quarter note when it is empty).
        const int64_t to = std::min(end, list.events.length());
        c.length = to > begin ? int32_t(std::min<int64_t>(to - begin, kCurveMaxTicks)) : song.tpqn;
    }
    if (!curveShape(opts, c, err)) return kFailed;
    int64_t start = c.start, finish = c.end, lo = c.minimum, hi = c.maximum;
    if (!editNumber(opts, "--start", range.lo, range.hi, start, err) ||
        !editNumber(opts, "--end", range.lo, range.hi, finish, err) ||
        !editNumber(opts, "--min", range.lo, range.hi, lo, err) || !editNumber(opts, "--max", range.lo, range.hi, hi, err))
        return kFailed;
    if (lo > hi) {
        err = "--min " + std::to_string(lo) + " is above --max " + std::to_string(hi);
        return kFailed;
    }
    c.start = int32_t(start), c.end = int32_t(finish), c.minimum = int32_t(lo), c.maximum = int32_t(hi);

    int64_t seed = std::random_device{}();
    editNumber(opts, "--seed", 0, UINT32_MAX, seed, err);
    CurveGenerator gen{uint32_t(seed)};
    generateCurveTable(c, gen);  // a drawn curve given another --length is resampled here
    applyCurve(song, list, c, target, add, begin, end);
    if (const std::string* save = editArg(opts, "--save")) {
        // The file records the target's range, which loading scales from; a narrower --min or
        // --max only clamps this run.
        c.minimum = int32_t(range.lo), c.maximum = int32_t(range.hi);
        if (!writeCurveFile(*save, c, &err)) {
            err = "cannot write " + *save + ": " + err;
            return kFailed;
        }
    }
    return kOk;
}

}  // namespace

extern const ListEditCommand kCurveCommand{"curve", kCurveOptions, checkCurve, runCurve};

}  // namespace tarvio::cli
