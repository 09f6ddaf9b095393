// keymap.dat: read, write and read again; a table that is refused leaves the map as it was.
#include "app/keymap.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KeyMap first;
    if (!first.parse(data, size)) {
        FUZZ_CHECK(first == KeyMap());
        return 0;
    }
    std::vector<uint8_t> written;
    first.serialize(written);
    KeyMap second;
    second.clear();
    FUZZ_CHECK(second.parse(written.data(), written.size()));
    FUZZ_CHECK(second == first);
    return 0;
}
