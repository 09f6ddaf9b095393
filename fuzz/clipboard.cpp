// The clipboard block: read, write and read again.
#include "fuzz_check.h"
#include "ops/clipboard.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<EventList> first;
    if (!decodeClipboard(data, size, first)) return 0;
    const std::vector<uint8_t> written = encodeClipboard(first);
    std::vector<EventList> second;
    FUZZ_CHECK(decodeClipboard(written.data(), written.size(), second));
    FUZZ_CHECK(encodeClipboard(second) == written);
    return 0;
}
