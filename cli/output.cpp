#include "cli/output.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace tarvio::cli {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";
}

Output::Output(int fd) : fd_(fd) { buf_.reserve(kFlushAt + 4096); }

Output::~Output() { flush(); }

void Output::write(std::string_view s) {
    if (buf_.size() + s.size() > kFlushAt) drain();
    buf_.append(s);
}

void Output::dec(int64_t v) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    write(std::string_view(tmp, size_t(r.ptr - tmp)));
}

void Output::hex2(uint8_t v) {
    put(kHex[v >> 4]);
    put(kHex[v & 15]);
}

void Output::hex4(uint16_t v) {
    hex2(uint8_t(v >> 8));
    hex2(uint8_t(v & 0xFF));
}

void Output::drain() {
    if (fd_ < 0) return;
    const char* p = buf_.data();
    size_t n = buf_.size();
    // After a failure the rest is dropped; flush() reports it.
    while (n > 0 && errno_ == 0) {
        ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            errno_ = errno;
            break;
        }
        p += w;
        n -= size_t(w);
    }
    buf_.clear();
}

bool Output::flush() {
    drain();
    return errno_ == 0;
}

}  // namespace tarvio::cli
