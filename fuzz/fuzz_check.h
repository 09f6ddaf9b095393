// What every harness shares: a check that stops the run loudly (libFuzzer and the replay
// program both take an abort as a finding), and round-trip helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(cond)                                                                 \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace tarvio_fuzz {

inline std::string_view text(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace tarvio_fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
