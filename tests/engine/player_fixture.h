// The player and the clock pass on a fake clock and a fake driver: every wait of the user-side
// operations runs clock passes instead of sleeping, and every message handed to the port layer
// is recorded with the fake millisecond it was handed over at.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "engine/clock_thread.h"
#include "engine/input.h"
#include "engine/metronome.h"
#include "engine/mtc_out.h"
#include "engine/platform/clock.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "fake_driver.h"
#include "model/song.h"

namespace enginetest {

struct Sent {
    uint32_t ms;
    int port;
    std::vector<uint8_t> bytes;
    uint8_t status() const { return bytes.empty() ? 0 : bytes[0]; }
};

class SendRecorder final : public tarvio::SendObserver {
public:
    explicit SendRecorder(FakeClock& clock) : clock_(clock) {}
    std::vector<Sent> sent;
    void handed(int port, const uint8_t* bytes, uint32_t count) override {
        sent.push_back({clock_.now, port, std::vector<uint8_t>(bytes, bytes + count)});
    }
    // The messages with this status, in order.
    std::vector<Sent> withStatus(uint8_t status) const {
        std::vector<Sent> out;
        for (const Sent& s : sent)
            if (s.status() == status) out.push_back(s);
        return out;
    }

private:
    FakeClock& clock_;
};

inline tarvio::Event note(uint8_t n, int32_t step, uint16_t gate = 10, uint8_t velocity = 100) {
    tarvio::Event e;
    e.setNote(n, velocity, gate);
    e.step = step;
    return e;
}
inline tarvio::Event control(uint8_t c, uint8_t v, int32_t step = 0) {
    tarvio::Event e;
    e.setControl(c, v);
    e.step = step;
    return e;
}
inline tarvio::Event tempo(uint32_t bpm, int32_t step) {
    tarvio::Event e;
    e.setTempo(bpm);
    e.step = step;
    return e;
}

// Runs clock passes for the user-side waits; a wait the engine never answers fails the test
// (the exception leaves the wait) instead of hanging it.
inline int gPumpedPasses = 0;
inline void pumpPass() {
    if (++gPumpedPasses > 20000) throw std::runtime_error("a wait was never answered");
    tarvio::clockPass();
}

class EngineTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeDriver driver{clock};
    SendRecorder rec{clock};
    tarvio::Song song;

    void SetUp() override {
        using namespace tarvio;
        driver.outNames = {"Synth", "Cable"};
        setEngineClock(&clock);
        createPorts(driver, clock);
        for (int p = 0; p < 4; ++p) {
            setOutDevice(p, p == 1 ? 1 : 0);
            openOut(p);
        }
        resetPlayerForTests();
        resetMetronomeForTests();
        resetMtcOutputForTests();
        resetInputForTests();
        setSyncSource(kSyncInternal);
        setWindFlags(false, false, false);
        setMtcTimeSource(nullptr);
        setSendObserver(&rec);
        gPumpedPasses = 0;
        setWaitPumpForTests(&pumpPass);
        clockPassBegin();
    }
    void TearDown() override {
        using namespace tarvio;
        resetPlayerForTests();
        resetInputForTests();
        destroyPortsForTests();
        setEngineClock(nullptr);
    }

    void passes(int n) {
        for (int i = 0; i < n; ++i) tarvio::clockPass();
    }
};

}  // namespace enginetest
