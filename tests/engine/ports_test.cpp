// The port layer over a fake driver and a fake clock: device sharing, the log words and their
// order, the close retries, the load meter and the pacing of exclusive sends.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "engine/platform/log.h"
#include "engine/ports.h"
#include "fake_driver.h"

using namespace tarvio;
using namespace enginetest;

namespace {

struct Received {
    MidiHandle handle;
    MidiInKind kind;
    uint32_t message, timeMs;
    std::vector<uint8_t> bytes;
};
std::vector<Received> gReceived;

void recordInput(MidiHandle handle, const MidiInMessage& m) {
    Received r{handle, m.kind, m.message, m.timeMs, {}};
    if (m.header) r.bytes.assign(m.header->data, m.header->data + m.header->bytesRecorded);
    gReceived.push_back(r);
}

std::vector<uint8_t> sysexOf(size_t size, uint8_t fill) {
    std::vector<uint8_t> s(size, fill);
    s.front() = 0xF0, s.back() = 0xF7;
    return s;
}

class PortsTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeDriver driver{clock};
    std::string log;

    void SetUp() override {
        driver.outNames = {"Synth A", "Cable B", "Cable C"};
        driver.inNames = {"Keys", "Pads"};
        setEngineLogSink([this](std::string_view t) { log += t; });
        gReceived.clear();
    }
    void TearDown() override { destroyPortsForTests(), setEngineLogSink({}), setInputHandler(nullptr); }
    void create() { createPorts(driver, clock), log.clear(); }
    void openOutOn(int port, int32_t device) {
        setOutDevice(port, device);
        ASSERT_TRUE(openOut(port));
        log.clear();
    }
};

TEST_F(PortsTest, ListingRaisesInvalidParameterAndNamesOtherUnreadableDevicesAsWarnings) {
    driver.inNameResults = {{1, kMidiInvalidParam}};
    uint32_t code = 0;
    try { createPorts(driver, clock); } catch (const MidiError& e) { code = e.code(); }
    EXPECT_EQ(code, 11u);
    setOutDevice(0, 0);
    EXPECT_FALSE(openOut(0));  // no ports were made

    log.clear();
    driver.outNames = {"Synth A", "x", "x", "x", "x"};
    driver.outNameResults = {{1, kMidiBadDeviceId}, {2, kMidiNoDriver}, {3, kMidiNoMemory}, {4, kMidiError}};
    driver.inNameResults = {{1, kMidiNoDriver}};  // replaces the invalid parameter
    createPorts(driver, clock);
    EXPECT_EQ(log,
              "[EMIDI](port list)Synth A\n[EMIDI](port list)[Warning]Bad Device\n"
              "[EMIDI](port list)[Warning]No Driver\n[EMIDI](port list)[Warning]No Mapper\n[EMIDI](port list)\n"
              "[EMIDI](in port list)Keys\n[EMIDI](in port list)[Warning]No Driver\n");
    EXPECT_EQ(outDeviceCount(), 5);
    EXPECT_EQ(outDeviceName(3), "[Warning]No Mapper");
    EXPECT_EQ(outDeviceName(5), "");
    // Every output port starts unassigned, input port i on input device i.
    EXPECT_EQ(outPortSlot(200)->device, kNoDevice);
    EXPECT_EQ(inPortSlot(200)->device, 200);
    EXPECT_EQ(portLabel(7), "Port   7");
}

TEST_F(PortsTest, PortsOnOneDeviceShareItsHandle) {
    create();
    setOutDevice(3, 1);
    setOutDevice(7, 1);
    ASSERT_TRUE(openOut(3) && openOut(7));
    closeOut(3);
    EXPECT_EQ(driver.count("closeOut"), 0);
    EXPECT_FALSE(send(3, 0x90));
    EXPECT_TRUE(send(7, 0x90));
    EXPECT_TRUE(closeOut(7));  // the last port closes the device
    EXPECT_TRUE(closeOut(7));  // nothing left to close
    EXPECT_EQ(log, "[EMIDI](out port open)Cable B...OK\n[EMIDI](out port close)Cable B <Reset>...OK <Close>...OK\n");
    EXPECT_EQ(driver.count("openOut 1"), 1);
    EXPECT_EQ(driver.count("closeOut"), 1);

    inPortSlot(9)->device = 1;
    ASSERT_TRUE(openIn(1) && openIn(9));
    EXPECT_EQ(driver.count("openIn 1"), 1);
    EXPECT_TRUE(isInHandle(inPortSlot(1)->handle, 9));
    closeIn(1);
    EXPECT_EQ(driver.count("closeIn"), 0);
    closeIn(9);
    EXPECT_EQ(driver.count("closeIn"), 1);
}

TEST_F(PortsTest, BadPortsUnusableDevicesClosedPortsAndFailedOpensFail) {
    create();
    const uint8_t sysex[] = {0xF0, 0xF7};
    EXPECT_FALSE(openOut(256));
    EXPECT_FALSE(openOut(-1));
    EXPECT_EQ(log, "!!!!?????\n!!!!?????\n");
    setOutDevice(256, 0);
    EXPECT_EQ(outPortSlot(256), nullptr);
    EXPECT_FALSE(send(256, 0x90) || sendShort(300, 0x90, 60, 100) || sendExclusive(256, sysex, 2) || openIn(256));
    EXPECT_TRUE(closeOut(256) && closeIn(-5));

    // Unassigned, the system's mapper (never opened), beyond the devices: no log at all.
    // Assigned but not open: nothing is sent and the load meter stays still.
    log.clear();
    EXPECT_FALSE(openOut(0));
    setOutDevice(1, -1);
    setOutDevice(2, 3);
    EXPECT_FALSE(openOut(1) || openOut(2) || openIn(2));
    setOutDevice(4, 0);
    EXPECT_FALSE(send(4, 0x90) || sendShort(4, 0x90, 60, 100) || sendExclusive(4, sysex, 2));
    EXPECT_EQ(log, "");
    EXPECT_TRUE(driver.calls.empty());
    EXPECT_EQ(outputLoad(), 0);

    // A failed open logs an error and closes a handle the driver returned anyway.
    driver.handleOnFailedOpen = true;
    driver.script(Op::OpenOut, {kMidiNoDriver});
    driver.script(Op::OpenIn, {kMidiAllocated});
    setOutDevice(0, 0);
    EXPECT_FALSE(openOut(0));
    EXPECT_FALSE(openIn(1));
    EXPECT_EQ(log, "[EMIDI](out port open)Synth A...Error\n[EMIDI](in port open)Pads <Open>...Error");
    EXPECT_EQ(driver.count("closeOut"), 1);
    EXPECT_EQ(driver.count("closeIn"), 1);
    EXPECT_EQ(outPortSlot(0)->handle, kNoHandle);
    EXPECT_EQ(inPortSlot(1)->handle, kNoHandle);
}

TEST_F(PortsTest, ClosingAnOutputRetriesOnlyWhileTheDeviceIsStillPlaying) {
    struct Case {
        std::vector<MidiResult> reset, close;
        std::string log;
        size_t cycles;
    };
    const std::string ok = " <Reset>...OK <Close>...";
    const std::vector<Case> cases = {
        {{}, {kMidiStillPlaying, kMidiStillPlaying}, ok + "StillPlaying" + ok + "StillPlaying" + ok + "OK", 3},
        {{}, {kMidiInvalidHandle}, ok + "InvalidHandle", 1},
        {{}, {kMidiNoMemory}, ok + "NoMemory", 1},
        // A reset that finds no device makes its cycle the last one.
        {{kMidiInvalidHandle}, {kMidiStillPlaying}, " <Reset>...InvalidHandle <Close>...StillPlaying", 1},
    };
    create();
    for (const Case& c : cases) {
        openOutOn(5, 2);
        clock.sleeps.clear();
        for (MidiResult r : c.reset) driver.script(Op::ResetOut, {r});
        for (MidiResult r : c.close) driver.script(Op::CloseOut, {r});
        closeOut(5);
        EXPECT_EQ(log, "[EMIDI](out port close)Cable C" + c.log + "\n");
        EXPECT_EQ(clock.sleeps, std::vector<uint32_t>(c.cycles, 10));
        EXPECT_EQ(outPortSlot(5)->handle, kNoHandle);
    }

    // Any other answer is retried a bounded number of times.
    openOutOn(6, 0);
    for (int i = 0; i < 50; ++i) driver.script(Op::CloseOut, {kMidiError});
    closeOut(6);
    size_t errors = 0;
    for (size_t at = 0; (at = log.find(" <Close>...Error", at)) != std::string::npos; ++at) ++errors;
    EXPECT_EQ(errors, size_t(kCloseCycles));
    EXPECT_EQ(outPortSlot(6)->handle, kNoHandle);
}

TEST_F(PortsTest, InputOpenAndCloseLogTheirStepsAndRetries) {
    create();
    ASSERT_TRUE(openIn(0));
    EXPECT_TRUE(std::regex_match(
        log, std::regex(R"(\[EMIDI\]\(in port open\)Keys <Open>\.\.\.OK <Prepare>\.\.\.\n(([0-9a-f]+ ){4}\n){2})")))
        << log;
    const InPortSlot& slot = *inPortSlot(0);
    EXPECT_EQ(driver.queued(slot.handle), 4u);
    EXPECT_EQ(driver.count("startIn"), 2);
    EXPECT_EQ(slot.startTime, clock.now);

    log.clear();
    driver.calls.clear();
    closeIn(0);
    EXPECT_EQ(log, "[EMIDI](in port close)Keys <Reset>...OK <Unprepare>...OKOKOKOK <Close>...OK\n");
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"stopIn", "resetIn", "unprepareIn", "unprepareIn", "unprepareIn",
                                                      "unprepareIn", "closeIn"}));
    EXPECT_EQ(slot.handle, kNoHandle);

    // Headers still in use and a device still playing are waited for.
    ASSERT_TRUE(openIn(0));
    log.clear();
    clock.sleeps.clear();
    driver.script(Op::UnprepareIn, {kMidiOk, kMidiStillPlaying, kMidiInvalidParam, kMidiInvalidHandle});
    driver.script(Op::CloseIn, {kMidiStillPlaying});
    closeIn(0);
    EXPECT_EQ(log,
              "[EMIDI](in port close)Keys <Reset>...OK <Unprepare>...OKStillPlayingInvalidParamInvalidHandle"
              " <Reset>...OK <Unprepare>...OKOKOKOK <Close>...StillPlaying"
              " <Reset>...OK <Unprepare>...OKOKOKOK <Close>...OK\n");
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>(3, 10));

    // A header that fails to prepare is marked and cannot be queued.
    driver.script(Op::PrepareIn, {kMidiOk, kMidiInvalidParam});
    log.clear();
    ASSERT_TRUE(openIn(1));
    EXPECT_TRUE(std::regex_match(
        log, std::regex(R"(\[EMIDI\]\(in port open\)Pads <Open>\.\.\.OK <Prepare>\.\.\.\n)"
                        R"(([0-9a-f]+ [0-9a-f]+ x[0-9a-f]+ [0-9a-f]+ \n){2})")))
        << log;
    EXPECT_EQ(driver.queued(inPortSlot(1)->handle), 3u);
}

TEST_F(PortsTest, InputReachesTheHandlerAndLongBuffersAreRequeued) {
    create();
    setInputHandler(recordInput);
    ASSERT_TRUE(openIn(1));
    const MidiHandle h = inPortSlot(1)->handle;
    EXPECT_FALSE(isInHandle(h, 0) || isInHandle(h, 256));

    clock.now += 7;
    driver.deliverShort(h, 0x403C90);
    driver.deliverLong(h, sysexOf(150, 0x11));
    ASSERT_EQ(gReceived.size(), 3u);
    const Received& r = gReceived[0];
    EXPECT_TRUE(r.handle == h && r.kind == MidiInKind::Data && r.message == 0x403C90u && r.timeMs == 7u)
        << std::hex << r.message << std::dec << " at " << r.timeMs;
    // 150 bytes fill one 128-byte buffer; the other 22 go into the next.
    EXPECT_EQ(gReceived[1].kind, MidiInKind::LongData);
    EXPECT_EQ(gReceived[1].bytes.size(), 128u);
    EXPECT_EQ(gReceived[2].bytes.size(), 22u);
    EXPECT_EQ(gReceived[2].bytes.back(), 0xF7);
    EXPECT_EQ(driver.queued(h), 4u);

    // Closing resets the device, which returns the buffers empty; they are not queued again.
    gReceived.clear();
    closeIn(1);
    ASSERT_EQ(gReceived.size(), 4u);
    for (const Received& r : gReceived) EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(driver.count("addIn"), 4 + 2);
}

TEST_F(PortsTest, LoadMeterRisesWithDenseSendsAndFallsWithGaps) {
    create();
    openOutOn(0, 0);
    for (int i = 0; i < 60; ++i) send(0, 0xF8);
    EXPECT_EQ(outputLoad(), 100);
    for (auto [gap, load] : std::vector<std::pair<uint32_t, int>>{{1, 100}, {3, 95}, {2, 93}, {1, 94}, {10, 89}}) {
        clock.now += gap;
        send(0, 0xF8);
        EXPECT_EQ(outputLoad(), load) << "after a gap of " << gap;
    }
    for (int i = 0; i < 30; ++i) clock.now += 5, send(0, 0xF8);
    EXPECT_EQ(outputLoad(), 0);
    lowerOutputLoad();
    EXPECT_EQ(outputLoad(), 0);

    // The peak drops by 2 on every read, below zero too.
    EXPECT_EQ(readPeak(), 100);
    EXPECT_EQ(readPeak(), 98);
    for (int i = 0; i < 50; ++i) readPeak();
    EXPECT_EQ(readPeak(), -4);
    clock.now += 1;
    send(0, 0xF8);
    EXPECT_EQ(readPeak(), 1);
}

TEST_F(PortsTest, ShortSendsPackTheirBytesAndExclusiveSendsBlockForTheirTransfer) {
    create();
    openOutOn(0, 0);
    EXPECT_TRUE(sendShort(0, 0xE3, 0x01, 0x40));
    EXPECT_EQ(driver.shorts, std::vector<uint32_t>{0x4001E3});
    driver.script(Op::ShortOut, {kMidiError});
    EXPECT_FALSE(send(0, 0x90));

    const std::vector<uint8_t> sysex = sysexOf(400, 0x22);
    ASSERT_TRUE(sendExclusive(0, sysex.data(), uint32_t(sysex.size())));
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{101});
    EXPECT_EQ(driver.longs, std::vector<std::vector<uint8_t>>{sysex});

    // A slower device is polled every millisecond until it is done and lets go of the header.
    clock.sleeps.clear();
    driver.longTransferMs = 120;
    driver.script(Op::UnprepareOut, {kMidiStillPlaying});
    ASSERT_TRUE(sendExclusive(0, sysex.data(), uint32_t(sysex.size())));
    EXPECT_EQ(clock.sleeps.front(), 101u);
    EXPECT_EQ(clock.slept(), 121u);

    // Failures to prepare or send return at once.
    clock.sleeps.clear();
    driver.script(Op::PrepareOut, {kMidiInvalidParam});
    driver.script(Op::LongOut, {kMidiError});
    EXPECT_FALSE(sendExclusive(0, sysex.data(), 4) || sendExclusive(0, sysex.data(), 4));
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(driver.longs.size(), 2u);
}

}  // namespace
