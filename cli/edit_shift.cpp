// The batch commands shift and compress: one edit target of the events of a list range moved
// by an amount, or scaled beyond a threshold, as the editor's dialogs do.
#include <string>

#include "cli/commands.h"
#include "cli/list_edit.h"
#include "ops/shift.h"

namespace tarvio::cli {

namespace {

// A missing option is a wrong command line (status 2); a bad target, or a value outside the
// target's range, a failure (status 1).
int readTarget(const Options& opts, TargetSpec& t, std::string& err) {
    const std::string* text = editArg(opts, "--target");
    if (!text) {
        err = "needs --target T";
        return kUsage;
    }
    return parseTarget(*text, t, err) ? kOk : kFailed;
}

int readRequired(const Options& opts, const char* name, FieldRange r, int64_t& v, std::string& err) {
    if (!editArg(opts, name)) {
        err = std::string("needs ") + name + " N";
        return kUsage;
    }
    return editNumber(opts, name, r.lo, r.hi, v, err) ? kOk : kFailed;
}

struct ShiftArgs {
    TargetSpec target;
    int64_t amount = 0;
};

int shiftArgs(const Options& opts, ShiftArgs& a, std::string& err) {
    if (int s = readTarget(opts, a.target, err)) return s;
    return readRequired(opts, "--amount", shiftAmountRange(a.target.target), a.amount, err);
}

int checkShift(const Options& opts, std::string& err) {
    ShiftArgs a;
    return shiftArgs(opts, a, err);
}

int runShift(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err) {
    ShiftArgs a;
    if (int s = shiftArgs(opts, a, err)) return s;
    shiftRange(song, list, a.target, a.amount, begin, end);
    return kOk;
}

struct CompressArgs {
    TargetSpec target;
    int64_t threshold = 0, ratio = 100;
};

int compressArgs(const Options& opts, CompressArgs& a, std::string& err) {
    if (int s = readTarget(opts, a.target, err)) return s;
    if (int s = readRequired(opts, "--threshold", compressThresholdRange(a.target.target), a.threshold, err)) return s;
    return readRequired(opts, "--ratio", {0, kCompressRatioMax}, a.ratio, err);
}

int checkCompress(const Options& opts, std::string& err) {
    CompressArgs a;
    return compressArgs(opts, a, err);
}

int runCompress(Song& song, Track& list, int64_t begin, int64_t end, const Options& opts, std::string& err) {
    CompressArgs a;
    if (int s = compressArgs(opts, a, err)) return s;
    compressRange(song, list, a.target, a.threshold, int(a.ratio), begin, end);
    return kOk;
}

constexpr const char* kShiftOptions[] = {"--target", "--amount", nullptr};
constexpr const char* kCompressOptions[] = {"--target", "--threshold", "--ratio", nullptr};

}  // namespace

extern const ListEditCommand kShiftCommand{"shift", kShiftOptions, checkShift, runShift};
extern const ListEditCommand kCompressCommand{"compress", kCompressOptions, checkCompress, runCompress};

}  // namespace tarvio::cli
