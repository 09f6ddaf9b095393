// The engine's device log ("[EMIDI]" lines). Pieces are written as they come, without added
// line breaks. By default they go to stderr when the environment variable TARVIO_LOG is set,
// and nowhere otherwise; tests install a sink to read them.
#pragma once

#include <functional>
#include <string_view>

namespace tarvio {

using LogSink = std::function<void(std::string_view text)>;

void engineLog(std::string_view text);
void engineLogf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends every later piece to sink instead; an empty sink restores the default.
void setEngineLogSink(LogSink sink);

// True when TARVIO_LOG is set, so that libraries may be left to print their own messages.
bool engineLogToStderr();

}  // namespace tarvio
