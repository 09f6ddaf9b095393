// The real devices: the loopback through the port layer, the system driver's lists on a machine
// without MIDI or sound hardware, and the synth's message mapping.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/drivers/device_driver.h"
#include "engine/drivers/loopback.h"
#include "engine/drivers/synth_device.h"
#include "engine/drivers/system_driver.h"
#include "engine/platform/log.h"
#include "engine/ports.h"
#include "fake_clock.h"

using namespace tarvio;
using enginetest::FakeClock;
using Bytes = std::vector<uint8_t>;

namespace {

const Bytes kGmOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

// Exclusive buffers as their bytes, short messages as the four bytes of their packed value.
std::vector<Bytes> gArrivals;
void collect(MidiHandle, const MidiInMessage& m) {
    if (m.kind == MidiInKind::LongData)
        gArrivals.emplace_back(m.header->data, m.header->data + m.header->bytesRecorded);
    else
        gArrivals.push_back({uint8_t(m.message), uint8_t(m.message >> 8), uint8_t(m.message >> 16), 0});
}
// Sends every short message back out on port 0, the loopback itself.
void echo(MidiHandle h, const MidiInMessage& m) {
    collect(h, m);
    if (m.kind == MidiInKind::Data) send(0, m.message);
}

class SystemPortsTest : public ::testing::Test {
protected:
    FakeClock clock;
    SystemDriver driver{clock};
    std::string log;

    void SetUp() override {
        setEngineLogSink([this](std::string_view t) { log += t; });
        createPorts(driver, clock);
        gArrivals.clear();
        clearLoopbackSent();
    }
    void TearDown() override {
        destroyPortsForTests();
        setInputHandler(nullptr);
        setEngineLogSink({});
    }
};

TEST_F(SystemPortsTest, SynthAndLoopbackComeFirstAndTheSynthOpensOrSaysWhyNot) {
    ASSERT_GE(outDeviceCount(), 2);
    ASSERT_GE(inDeviceCount(), 1);
    EXPECT_EQ(outDeviceName(0), "tarvio Synth");
    EXPECT_EQ(outDeviceName(1), "tarvio Loopback");
    EXPECT_EQ(inDeviceName(0), "tarvio Loopback");
    EXPECT_EQ(log.find("[EMIDI](port list)tarvio Synth\n[EMIDI](port list)tarvio Loopback\n"), 0u) << log;

    setOutDevice(0, 0);
    if (openOut(0)) {
        EXPECT_TRUE(sendShort(0, 0x90, 60, 100));
        EXPECT_TRUE(sendExclusive(0, kGmOn.data(), uint32_t(kGmOn.size())));
    } else {
        EXPECT_NE(log.find("[EMIDI](synth) "), std::string::npos) << log;
        EXPECT_NE(log.find("[EMIDI](out port open)tarvio Synth...Error\n"), std::string::npos) << log;
    }
}

TEST_F(SystemPortsTest, LoopbackDeliversRecordsInOrderAndStopsWhenFedBack) {
    setInputHandler(collect);
    setOutDevice(0, 1);
    ASSERT_TRUE(openOut(0) && openIn(0));
    EXPECT_TRUE(send(0, 0x7F3C90));
    EXPECT_TRUE(sendShort(0, 0xC2, 5, 0));
    EXPECT_TRUE(sendExclusive(0, kGmOn.data(), uint32_t(kGmOn.size())));
    EXPECT_TRUE(sendShort(0, 0x80, 0x3C, 0x40));
    EXPECT_EQ(loopbackSent(), (std::vector<Bytes>{{0x90, 0x3C, 0x7F}, {0xC2, 0x05}, kGmOn, {0x80, 0x3C, 0x40}}));
    EXPECT_EQ(gArrivals, (std::vector<Bytes>{{0x90, 0x3C, 0x7F, 0}, {0xC2, 5, 0, 0}, kGmOn, {0x80, 0x3C, 0x40, 0}}));

    // With the input closed the output still records, and nothing arrives.
    closeIn(0);
    gArrivals.clear();
    EXPECT_TRUE(send(0, 0x90));
    EXPECT_TRUE(gArrivals.empty());
    EXPECT_EQ(loopbackSent().size(), 5u);

    // Fed back into itself, the loop stops.
    setInputHandler(echo);
    ASSERT_TRUE(openIn(0));
    clearLoopbackSent();
    send(0, 0x403C90);
    EXPECT_EQ(gArrivals.size(), 16u);
    EXPECT_EQ(loopbackSent().size(), 17u);
}

TEST(SystemDriver, AnswersBadDeviceBeyondItsLists) {
    FakeClock clock;
    SystemDriver driver(clock);
    std::string name;
    EXPECT_EQ(driver.outDeviceName(driver.outDeviceCount(), name), kMidiBadDeviceId);
    EXPECT_EQ(driver.inDeviceName(driver.inDeviceCount(), name), kMidiBadDeviceId);
    MidiHandle h = 1;
    EXPECT_EQ(driver.openOut(driver.outDeviceCount(), h), kMidiBadDeviceId);
    EXPECT_EQ(h, kNoHandle);
    EXPECT_EQ(driver.shortOut(12345, 0x90), kMidiInvalidHandle);
    EXPECT_EQ(driver.closeIn(12345), kMidiInvalidHandle);
}

// Sends look their device up without a lock, so closing must wait for a send already on the
// device instead of closing it underneath.
TEST(DeviceDriver, ClosingWaitsForASendOnTheDevice) {
    struct Blocking final : OutputDevice {
        std::atomic<bool> sending{false}, release{false}, closedDuringSend{false}, closed{false};
        std::string name() const override { return "Blocking"; }
        bool open() override { return true; }
        void close() override {
            closedDuringSend = sending.load();
            closed = true;
        }
        bool sendShort(uint32_t) override {
            sending = true;
            while (!release) std::this_thread::yield();
            sending = false;
            return true;
        }
        bool sendLong(const uint8_t*, size_t) override { return true; }
        void reset() override {}
    };
    FakeClock clock;
    auto owned = std::make_unique<Blocking>();
    Blocking& device = *owned;
    std::vector<std::unique_ptr<OutputDevice>> outs;
    outs.push_back(std::move(owned));
    DeviceDriver driver(std::move(outs), {}, clock);
    MidiHandle h = kNoHandle;
    ASSERT_EQ(driver.openOut(0, h), kMidiOk);

    std::thread sender([&] { driver.shortOut(h, 0x90); });
    while (!device.sending) std::this_thread::yield();
    std::thread closer([&] { driver.closeOut(h); });
    // Once the handle is gone (the probe does not reach the device), the device stays open for
    // the send still on it.
    MidiHeader probe;
    while (driver.prepareOut(h, probe) != kMidiInvalidHandle) std::this_thread::yield();
    EXPECT_FALSE(device.closed);
    device.release = true;
    sender.join();
    closer.join();
    EXPECT_TRUE(device.closed);
    EXPECT_FALSE(device.closedDuringSend);
}

TEST(SynthMapping, ChannelAndExclusiveMessagesReachTheSynth) {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = new_fluid_synth(settings);
    ASSERT_NE(synth, nullptr);
    auto cc = [&](int ch, int n) {
        int v = -1;
        fluid_synth_get_cc(synth, ch, n, &v);
        return v;
    };
    auto bend = [&](int ch) {
        int v = -1;
        fluid_synth_get_pitch_bend(synth, ch, &v);
        return v;
    };
    synthShortMessage(synth, 0x5A07B3);  // volume 90 on channel 3 only
    EXPECT_EQ(cc(3, 7), 90);
    EXPECT_NE(cc(2, 7), 90);
    synthShortMessage(synth, 0x4001E5);  // pitch bend: LSB first, then MSB
    EXPECT_EQ(bend(5), 0x2001);
    synthShortMessage(synth, 0x007FE5);
    EXPECT_EQ(bend(5), 0x7F);

    // GM System On resets the controllers; FluidSynth recognises it only without F0/F7.
    synthShortMessage(synth, 0x1407B0);
    ASSERT_EQ(cc(0, 7), 20);
    synthExclusive(synth, kGmOn.data(), uint32_t(kGmOn.size()));
    EXPECT_EQ(cc(0, 7), 100);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
}

}  // namespace
