// The phrase file: read, write and read again.
#include "fuzz_check.h"
#include "io/phrase_file.h"

using namespace tarvio;

namespace {
std::vector<uint8_t> encode(const std::vector<Event>& events) {
    std::vector<const Event*> ptrs;
    for (const Event& e : events) ptrs.push_back(&e);
    return encodePhraseFile(ptrs);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<Event> first;
    if (!decodePhraseFile(data, size, first)) return 0;
    const std::vector<uint8_t> written = encode(first);
    std::vector<Event> second;
    FUZZ_CHECK(decodePhraseFile(written.data(), written.size(), second));
    FUZZ_CHECK(encode(second) == written);
    return 0;
}
