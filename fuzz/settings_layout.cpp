// layout.dat: read, write and read again.
#include "app/window_layout.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WindowLayout first;
    parseLayout(data, size, first);
    const std::vector<uint8_t> written = serializeLayout(first);
    WindowLayout second;
    parseLayout(written.data(), written.size(), second);
    FUZZ_CHECK(second == first);
    return 0;
}
