#include "engine/drivers/library_log.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <jack/jack.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "engine/platform/log.h"

namespace tarvio {

namespace {

void alsaMessage(const char* file, int line, const char* function, int, const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    engineLogf("[EMIDI](alsa) %s:%d (%s) %s\n", file, line, function, text);
}

void jackMessage(const char* text) { engineLogf("[EMIDI](jack) %s\n", text); }

void fluidMessage(int level, const char* message, void*) {
    const char* what = level <= FLUID_ERR ? "error" : level == FLUID_WARN ? "warning" : "info";
    engineLogf("[EMIDI](synth) %s: %s\n", what, message);
}

}  // namespace

void routeLibraryLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(alsaMessage);
        jack_set_error_function(jackMessage);
        jack_set_info_function(jackMessage);
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO})
            fluid_set_log_function(level, fluidMessage, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

}  // namespace tarvio
