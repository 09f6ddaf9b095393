// The real devices: the loopback pair end to end through the port layer, the system driver's
// device lists on a machine without MIDI or sound hardware, and the synth's message mapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/drivers/loopback.h"
#include "engine/drivers/synth_device.h"
#include "engine/drivers/system_driver.h"
#include "engine/platform/log.h"
#include "engine/ports.h"
#include "fake_clock.h"

using namespace tarvio;
using enginetest::FakeClock;

namespace {

struct Arrival {
    MidiInKind kind;
    uint32_t message;
    std::vector<uint8_t> bytes;
};
std::vector<Arrival> gArrivals;

void collect(MidiHandle, const MidiInMessage& m) {
    Arrival a{m.kind, m.message, {}};
    if (m.header) a.bytes.assign(m.header->data, m.header->data + m.header->bytesRecorded);
    gArrivals.push_back(a);
}

// Sends every short message it gets back out on port 0, the loopback itself.
void echo(MidiHandle h, const MidiInMessage& m) {
    collect(h, m);
    if (m.kind == MidiInKind::Data) send(0, m.message);
}

class SystemPortsTest : public ::testing::Test {
protected:
    FakeClock clock;
    std::string log;

    void SetUp() override {
        setEngineLogSink([this](std::string_view t) { log += t; });
        driver_ = std::make_unique<SystemDriver>(clock);
        createPorts(*driver_, clock);
        gArrivals.clear();
        clearLoopbackSent();
    }
    void TearDown() override {
        destroyPortsForTests();
        driver_.reset();
        setInputHandler(nullptr);
        setEngineLogSink({});
    }

private:
    std::unique_ptr<SystemDriver> driver_;
};

TEST_F(SystemPortsTest, SynthAndLoopbackComeFirst) {
    ASSERT_GE(outDeviceCount(), 2);
    ASSERT_GE(inDeviceCount(), 1);
    EXPECT_EQ(outDeviceName(0), "tarvio Synth");
    EXPECT_EQ(outDeviceName(1), "tarvio Loopback");
    EXPECT_EQ(inDeviceName(0), "tarvio Loopback");
    EXPECT_EQ(log.find("[EMIDI](port list)tarvio Synth\n[EMIDI](port list)tarvio Loopback\n"), 0u) << log;
}

TEST_F(SystemPortsTest, LoopbackDeliversAndRecordsInOrder) {
    setInputHandler(collect);
    setOutDevice(0, 1);
    ASSERT_TRUE(openOut(0));
    ASSERT_TRUE(openIn(0));
    const std::vector<uint8_t> sysex = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_TRUE(send(0, 0x7F3C90));
    EXPECT_TRUE(sendShort(0, 0xC2, 5, 0));
    EXPECT_TRUE(sendExclusive(0, sysex.data(), uint32_t(sysex.size())));
    EXPECT_TRUE(sendShort(0, 0x80, 0x3C, 0x40));

    const std::vector<std::vector<uint8_t>> expected = {{0x90, 0x3C, 0x7F}, {0xC2, 0x05}, sysex, {0x80, 0x3C, 0x40}};
    EXPECT_EQ(loopbackSent(), expected);
    ASSERT_EQ(gArrivals.size(), 4u);
    EXPECT_EQ(gArrivals[0].message, 0x7F3C90u);
    EXPECT_EQ(gArrivals[1].message, 0x05C2u);
    EXPECT_EQ(gArrivals[2].kind, MidiInKind::LongData);
    EXPECT_EQ(gArrivals[2].bytes, sysex);
    EXPECT_EQ(gArrivals[3].message, 0x403C80u);

    // With the input closed the output still records, and nothing arrives.
    closeIn(0);
    gArrivals.clear();
    EXPECT_TRUE(send(0, 0x90));
    EXPECT_TRUE(gArrivals.empty());
    EXPECT_EQ(loopbackSent().size(), 5u);
}

TEST_F(SystemPortsTest, LoopbackFedBackIntoItselfStops) {
    setInputHandler(echo);
    setOutDevice(0, 1);
    ASSERT_TRUE(openOut(0));
    ASSERT_TRUE(openIn(0));
    send(0, 0x403C90);
    EXPECT_EQ(gArrivals.size(), 16u);
    EXPECT_EQ(loopbackSent().size(), 17u);
}

TEST_F(SystemPortsTest, SynthOpensOrSaysWhyNot) {
    setOutDevice(0, 0);
    if (openOut(0)) {
        EXPECT_TRUE(sendShort(0, 0x90, 60, 100));
        const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
        EXPECT_TRUE(sendExclusive(0, gmOn, sizeof gmOn));
    } else {
        EXPECT_NE(log.find("[EMIDI](synth) "), std::string::npos) << log;
        EXPECT_NE(log.find("[EMIDI](out port open)tarvio Synth...Error\n"), std::string::npos) << log;
    }
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

class SynthMapping : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = new_fluid_settings();
        synth_ = new_fluid_synth(settings_);
        ASSERT_NE(synth_, nullptr);
    }
    void TearDown() override {
        delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
    }
    int cc(int ch, int n) {
        int v = -1;
        fluid_synth_get_cc(synth_, ch, n, &v);
        return v;
    }
    int bend(int ch) {
        int v = -1;
        fluid_synth_get_pitch_bend(synth_, ch, &v);
        return v;
    }
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
};

TEST_F(SynthMapping, ChannelMessagesReachTheirChannel) {
    synthShortMessage(synth_, 0x5A07B3);  // volume 90 on channel 3
    EXPECT_EQ(cc(3, 7), 90);
    EXPECT_NE(cc(2, 7), 90);
    // Pitch bend: LSB first, then MSB.
    synthShortMessage(synth_, 0x4001E5);
    EXPECT_EQ(bend(5), 0x2001);
    synthShortMessage(synth_, 0x007FE5);
    EXPECT_EQ(bend(5), 0x7F);
}

TEST_F(SynthMapping, ExclusiveMessagesArriveWithoutTheirFraming) {
    synthShortMessage(synth_, 0x1407B0);
    ASSERT_EQ(cc(0, 7), 20);
    // GM System On resets the controllers, which FluidSynth recognises only without F0/F7.
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    synthExclusive(synth_, gmOn, sizeof gmOn);
    EXPECT_EQ(cc(0, 7), 100);
}

}  // namespace
