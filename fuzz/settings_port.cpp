// port.dat: read, write and read again.
#include "app/port_setup.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PortSetup first;
    parsePortSetup(data, size, first);
    const std::vector<uint8_t> written = serializePortSetup(first);
    PortSetup second;
    parsePortSetup(written.data(), written.size(), second);
    FUZZ_CHECK(second == first);
    return 0;
}
