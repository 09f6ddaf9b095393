// The quantize pattern: read, shown and read again, then the grid looked up.
#include "fuzz_check.h"
#include "ops/quantize.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QuantizePattern p = parsePattern(tarvio_fuzz::text(data, size));
    FUZZ_CHECK(parsePattern(formatPattern(p)) == p);
    for (int64_t d : {int64_t(0), int64_t(1), int64_t(479), int64_t(1920), kQuantizeReach, kQuantizeReach + 1})
        (void)nearestGridOffset(p, d);
    return 0;
}
