// A curve file: read, then its table generated and looked up.
#include "fuzz_check.h"
#include "ops/curve.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Curve c;
    if (!decodeCurve(data, size, c)) return 0;
    CurveGenerator gen;
    generateCurveTable(c, gen);
    FUZZ_CHECK(c.values.size() == size_t(c.length) + 1);
    for (int64_t t : {int64_t(-1), int64_t(0), int64_t(c.delay), int64_t(c.delay) + c.length, int64_t(1) << 40})
        (void)curveTableAt(c, t);
    return 0;
}
