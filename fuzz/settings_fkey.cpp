// fkey.dat: read, write and read again.
#include "app/fkey.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FkeyTable first;
    parseFkeys(data, size, first);
    const std::vector<uint8_t> written = serializeFkeys(first);
    FkeyTable second;
    parseFkeys(written.data(), written.size(), second);
    FUZZ_CHECK(second == first);
    return 0;
}
