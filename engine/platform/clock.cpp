#include "engine/platform/clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <new>

namespace tarvio {

namespace {

// Never destroyed: the clock thread may still ask the time while the process exits, after
// static objects have been torn down.
alignas(SystemClock) unsigned char gSystemClockStorage[sizeof(SystemClock)];
std::atomic<Clock*> gClock{nullptr};  // null: the system clock

Clock& systemClock() {
    static SystemClock* const clock = new (gSystemClockStorage) SystemClock;
    return *clock;
}

}  // namespace

uint32_t SystemClock::nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void SystemClock::sleepMs(uint32_t ms) {
    timespec ts{};
    ts.tv_sec = time_t(ms / 1000u);
    ts.tv_nsec = long(ms % 1000u) * 1000000L;
    // A signal interrupts the sleep; the remainder is slept again.
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) == EINTR) {
    }
}

Clock& engineClock() {
    Clock* clock = gClock.load(std::memory_order_acquire);
    return clock ? *clock : systemClock();
}

void setEngineClock(Clock* clock) { gClock.store(clock, std::memory_order_release); }

}  // namespace tarvio
