// cc.dat, the controller names.
#include "app/definitions.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ControllerNames names;
    parseControllerNames(tarvio_fuzz::text(data, size), names);
    // At most 16 characters of at most 4 bytes each.
    for (const std::string& n : names.names) FUZZ_CHECK(n.size() <= kControllerNameChars * 4);
    return 0;
}
