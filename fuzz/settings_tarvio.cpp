// tarvio.dat, the application's settings: read, write and read again.
#include "app/app_settings.h"
#include "app/keymap.h"
#include "fuzz_check.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AppSettings first;
    if (!parseSettingsFile(data, size, first)) {
        FUZZ_CHECK(first == AppSettings{});
        return 0;
    }
    const std::vector<uint8_t> written = serializeSettingsFile(first, KeyMap());
    AppSettings second;
    FUZZ_CHECK(parseSettingsFile(written.data(), written.size(), second));
    FUZZ_CHECK(second == first);
    return 0;
}
