// filter.dat, the input filters: read, write and read again.
#include "fuzz_check.h"
#include "ops/filters.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FilterList first = parseFilters(data, size);
    const std::vector<uint8_t> written = serializeFilters(first);
    FUZZ_CHECK(parseFilters(written.data(), written.size()) == first);
    return 0;
}
