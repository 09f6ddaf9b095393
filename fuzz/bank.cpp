// A bank file (bank/*.bnk).
#include "app/definitions.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const BankSet set = parseBankSet("fuzz", tarvio_fuzz::text(data, size));
    FUZZ_CHECK(set.title == "fuzz");
    return 0;
}
