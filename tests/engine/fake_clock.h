// A clock that stands still until slept on; it records every sleep.
#pragma once

#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

#include "engine/platform/clock.h"

namespace enginetest {

class FakeClock final : public tarvio::Clock {
public:
    uint32_t now = 5000;
    std::vector<uint32_t> sleeps;
    std::function<void(uint32_t now)> onSleep;  // runs after each sleep, as time passed

    uint32_t nowMs() override { return now; }
    void sleepMs(uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
        if (onSleep) onSleep(now);
    }
    uint64_t slept() const { return std::accumulate(sleeps.begin(), sleeps.end(), uint64_t(0)); }
};

}  // namespace enginetest
