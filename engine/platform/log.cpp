#include "engine/platform/log.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace tarvio {

namespace {

// Drivers log from their own threads; the lock keeps pieces whole and the sink stable.
std::mutex gMutex;
LogSink gSink;

}  // namespace

bool engineLogToStderr() {
    static const bool on = std::getenv("TARVIO_LOG") != nullptr;
    return on;
}

void engineLog(std::string_view text) {
    std::lock_guard lock(gMutex);
    if (gSink) {
        gSink(text);
    } else if (engineLogToStderr()) {
        ssize_t w = ::write(2, text.data(), text.size());
        (void)w;
    }
}

void engineLogf(const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (size_t(n) < sizeof small) {
        va_end(again);
        engineLog(std::string_view(small, size_t(n)));
        return;
    }
    std::string big(size_t(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, again);
    va_end(again);
    big.resize(size_t(n));
    engineLog(big);
}

void setEngineLogSink(LogSink sink) {
    std::lock_guard lock(gMutex);
    gSink = std::move(sink);
}

}  // namespace tarvio
