// The player, the clock pass and MIDI input on a fake clock and a fake driver: every wait of the
// user-side operations runs clock passes instead of sleeping, and every message handed to the
// port layer is recorded with the fake millisecond it was handed over at.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
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
#include "ops/filters.h"

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

// The bytes sent so far, one message a line in hex ("90 3C 64"); forgets them.
inline std::string drain(SendRecorder& rec) {
    std::string out;
    char hex[4];
    for (const Sent& s : rec.sent) {
        for (size_t i = 0; i < s.bytes.size(); ++i) {
            std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", s.bytes[i]);
            out += hex;
        }
        out += '\n';
    }
    rec.sent.clear();
    return out;
}

inline tarvio::Event at(int32_t step, auto set) {
    tarvio::Event e;
    set(e);
    e.step = step;
    return e;
}
inline tarvio::Event note(uint8_t n, int32_t step, uint16_t gate = 10, uint8_t velocity = 100) {
    return at(step, [&](tarvio::Event& e) { e.setNote(n, velocity, gate); });
}
inline tarvio::Event control(uint8_t c, uint8_t v, int32_t step = 0) {
    return at(step, [&](tarvio::Event& e) { e.setControl(c, v); });
}
inline tarvio::Event program(uint8_t p, int32_t step = 0) {
    return at(step, [&](tarvio::Event& e) { e.setProgram(p); });
}
inline tarvio::Event tempo(uint32_t bpm, int32_t step) {
    return at(step, [&](tarvio::Event& e) { e.setTempo(bpm); });
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
    tarvio::MidiHandle keys = tarvio::kNoHandle, sync = tarvio::kNoHandle;  // the two inputs

    void SetUp() override {
        using namespace tarvio;
        driver.outNames = {"Synth", "Cable"};
        driver.inNames = {"Keys", "Sync"};
        setEngineClock(&clock);
        createPorts(driver, clock);
        for (int p = 0; p < 4; ++p) {
            setOutDevice(p, p == 1 ? 1 : 0);
            openOut(p);
        }
        ASSERT_TRUE(openIn(0) && openIn(1));
        keys = inPortSlot(0)->handle;
        sync = inPortSlot(1)->handle;
        resetPlayerForTests();
        resetMetronomeForTests();
        resetMtcOutputForTests();
        resetInputForTests();
        installInputHandler();
        setFilters({});
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
        setInputHandler(nullptr);
        resetInputForTests();
        setFilters({});
        destroyPortsForTests();
        setEngineClock(nullptr);
    }

    // A track holding these events.
    tarvio::Track& track(std::initializer_list<tarvio::Event> events, bool phrase = false) {
        tarvio::Track& t = phrase ? song.createPhrase() : song.createTrack();
        for (const tarvio::Event& e : events) t.events.pushBack(e);
        return t;
    }
    void play(uint32_t message) { driver.deliverShort(keys, message); }
    void passes(int n) {
        for (int i = 0; i < n; ++i) tarvio::clockPass();
    }
};

}  // namespace enginetest
