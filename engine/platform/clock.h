// The millisecond clock and sleep the engine keeps time with, as an interface so that tests
// can run the engine on a clock they advance themselves.
#pragma once

#include <cstdint>

namespace tarvio {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps around at 2^32 like the platform's clock,
    // so callers compare times by unsigned difference.
    virtual uint32_t nowMs() = 0;
    virtual void sleepMs(uint32_t ms) = 0;
};

// The monotonic system clock; sleeps with clock_nanosleep.
class SystemClock final : public Clock {
public:
    uint32_t nowMs() override;
    void sleepMs(uint32_t ms) override;
};

// The process-wide clock the engine uses: the system clock unless another is installed.
Clock& engineClock();
// Installs a clock for the whole process (tests install a fake); nullptr restores the system
// clock. The clock must outlive its installation.
void setEngineClock(Clock* clock);

}  // namespace tarvio
