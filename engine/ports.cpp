#include "engine/ports.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/drivers/system_driver.h"
#include "engine/platform/clock.h"
#include "engine/platform/log.h"

namespace tarvio {

const char kUnassignedName[] = "未割当";

std::string portLabel(int port) {
    char text[16];
    std::snprintf(text, sizeof text, "Port %3d", port);
    return text;
}

MidiError::MidiError(uint32_t code) : std::runtime_error("MIDI device error " + std::to_string(code)), code_(code) {}

namespace {

struct PortState {
    PortState(MidiDriver& d, Clock& c) : driver(d), clock(c) {}

    MidiDriver& driver;
    Clock& clock;
    std::unique_ptr<MidiDriver> ownedDriver;
    std::vector<std::string> outNames, inNames;
    std::array<OutPortSlot, kPortCount> out;
    std::array<InPortSlot, kPortCount> in;
    // Advisory values shared by the sending threads without a lock.
    std::atomic<int> load{0};
    std::atomic<int> peak{0};
    std::atomic<uint32_t> previousSend{0};
    std::atomic<uint32_t> currentSend{0};
};

std::unique_ptr<PortState> g;

// Process-wide like the slots, but kept outside the port object so that they are always there.
std::array<std::atomic<uint8_t>, 128> gHeld{};
std::array<std::atomic<uint8_t>, 128> gVelocity{};
std::atomic<int32_t> gRecordStart{0};
std::atomic<InputNotify> gNotify{nullptr};
std::atomic<InputHandler> gHandler{nullptr};

bool validPort(int port) { return port >= 0 && port < kPortCount; }

std::string nameOf(const std::vector<std::string>& names, int32_t device) {
    return device >= 0 && size_t(device) < names.size() ? names[size_t(device)] : std::string();
}

std::vector<std::string> listDevices(uint32_t count, MidiResult (MidiDriver::*nameFn)(uint32_t, std::string&),
                                     const char* label) {
    std::vector<std::string> names(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        const MidiResult r = (g->driver.*nameFn)(i, name);
        switch (r) {
            case kMidiOk: names[i] = name; break;
            case kMidiBadDeviceId: names[i] = "[Warning]Bad Device"; break;
            case kMidiNoDriver: names[i] = "[Warning]No Driver"; break;
            case kMidiNoMemory: names[i] = "[Warning]No Mapper"; break;
            case kMidiInvalidParam: throw MidiError(r);
            default: break;  // the record stays empty
        }
        engineLog(label);
        engineLog(names[i]);
        engineLog("\n");
    }
    return names;
}

void create(MidiDriver& driver, Clock& clock, std::unique_ptr<MidiDriver> owned) {
    if (g) return;
    g = std::make_unique<PortState>(driver, clock);
    g->ownedDriver = std::move(owned);
    try {
        g->outNames = listDevices(driver.outDeviceCount(), &MidiDriver::outDeviceName, "[EMIDI](port list)");
        g->inNames = listDevices(driver.inDeviceCount(), &MidiDriver::inDeviceName, "[EMIDI](in port list)");
    } catch (...) {
        g.reset();
        throw;
    }
    for (int i = 0; i < kPortCount; ++i) g->in[size_t(i)].device = i;
    for (size_t i = 0; i < gHeld.size(); ++i) {
        gHeld[i].store(0);
        gVelocity[i].store(0);
    }
    gNotify.store(nullptr);
}

// Another slot than port that has the same device open.
template <class Slots>
MidiHandle sharedHandle(const Slots& slots, int port) {
    const int32_t device = slots[size_t(port)].device;
    for (int i = 0; i < kPortCount; ++i)
        if (i != port && slots[size_t(i)].device == device && slots[size_t(i)].handle != kNoHandle)
            return slots[size_t(i)].handle;
    return kNoHandle;
}

// Negative indices fail too, so the system's mapper device (-1) is never opened.
bool deviceUsable(int32_t device, const std::vector<std::string>& names) {
    return device >= 0 && size_t(device) < names.size();
}

void logCloseResult(MidiResult r) {
    switch (r) {
        case kMidiOk: engineLog("OK"); break;
        case kMidiInvalidHandle: engineLog("InvalidHandle"); break;
        case kMidiNoMemory: engineLog("NoMemory"); break;
        case kMidiStillPlaying: engineLog("StillPlaying"); break;
        default: engineLog("Error"); break;
    }
}

bool closeEnds(MidiResult r) { return r == kMidiOk || r == kMidiInvalidHandle || r == kMidiNoMemory; }

void logAddress(const void* p) { engineLogf("%x ", unsigned(reinterpret_cast<uintptr_t>(p))); }

void inputFunction(MidiHandle handle, const MidiInMessage& message, void*) {
    if (!g) return;
    if (InputHandler h = gHandler.load()) h(handle, message);
    if (message.kind != MidiInKind::LongData || !message.header) return;
    // A header returned empty (input was reset) is not queued again.
    MidiHeader& header = *message.header;
    if (header.bytesRecorded == 0) return;
    header.bytesRecorded = 0;
    g->driver.unprepareIn(handle, header);
    g->driver.prepareIn(handle, header);
    g->driver.addInBuffer(handle, header);
}

}  // namespace

void createPorts() {
    if (g) return;
    auto driver = std::make_unique<SystemDriver>(engineClock());
    MidiDriver& d = *driver;
    create(d, engineClock(), std::move(driver));
}

void createPorts(MidiDriver& driver, Clock& clock) { create(driver, clock, nullptr); }

void destroyPortsForTests() {
    if (!g) return;
    closeAllPorts();
    g.reset();
}

int outDeviceCount() { return g ? int(g->outNames.size()) : 0; }
std::string outDeviceName(int device) { return g ? nameOf(g->outNames, device) : std::string(); }
int inDeviceCount() { return g ? int(g->inNames.size()) : 0; }
std::string inDeviceName(int device) { return g ? nameOf(g->inNames, device) : std::string(); }

void setOutDevice(int port, int32_t device) {
    if (g && validPort(port)) g->out[size_t(port)].device = device;
}

bool openOut(int port) {
    if (!g) return false;
    if (!validPort(port)) {
        engineLog("!!!!?????\n");
        return false;
    }
    OutPortSlot& slot = g->out[size_t(port)];
    if (slot.handle != kNoHandle) return true;  // already open: opening again would leak the handle
    if (MidiHandle h = sharedHandle(g->out, port)) {
        slot.handle = h;
        return true;
    }
    if (!deviceUsable(slot.device, g->outNames)) return false;
    MidiHandle h = kNoHandle;
    const MidiResult r = g->driver.openOut(uint32_t(slot.device), h);
    engineLog("[EMIDI](out port open)");
    engineLog(nameOf(g->outNames, slot.device));
    if (r == kMidiOk) {
        engineLog("...OK\n");
        slot.handle = h;
        return true;
    }
    engineLog("...Error\n");
    if (h != kNoHandle) g->driver.closeOut(h);
    slot.handle = kNoHandle;
    return false;
}

bool closeOut(int port) {
    if (!g || !validPort(port)) return true;
    OutPortSlot& slot = g->out[size_t(port)];
    if (sharedHandle(g->out, port) != kNoHandle || slot.handle == kNoHandle) {
        slot.handle = kNoHandle;
        return true;
    }
    const MidiHandle h = slot.handle;
    engineLog("[EMIDI](out port close)");
    engineLog(nameOf(g->outNames, slot.device));
    for (int cycle = 0; cycle < kCloseCycles; ++cycle) {
        engineLog(" <Reset>...");
        const bool last = g->driver.resetOut(h) == kMidiInvalidHandle;
        engineLog(last ? "InvalidHandle" : "OK");
        g->clock.sleepMs(10);
        engineLog(" <Close>...");
        const MidiResult r = g->driver.closeOut(h);
        logCloseResult(r);
        if (last || closeEnds(r)) break;
    }
    engineLog("\n");
    slot.handle = kNoHandle;
    return true;
}

bool openIn(int port) {
    if (!g || !validPort(port)) return false;
    InPortSlot& slot = g->in[size_t(port)];
    if (slot.handle != kNoHandle) return true;
    if (MidiHandle h = sharedHandle(g->in, port)) {
        slot.handle = h;
        return true;
    }
    if (!deviceUsable(slot.device, g->inNames)) return false;
    MidiDriver& d = g->driver;
    engineLog("[EMIDI](in port open)");
    engineLog(nameOf(g->inNames, slot.device));
    engineLog(" <Open>...");
    MidiHandle h = kNoHandle;
    if (d.openIn(uint32_t(slot.device), inputFunction, nullptr, h) != kMidiOk) {
        engineLog("Error");
        if (h != kNoHandle) d.closeIn(h);
        slot.handle = kNoHandle;
        return false;
    }
    engineLog("OK");
    slot.handle = h;
    engineLog(" <Prepare>...");
    engineLog("\n");
    for (int i = 0; i < kInHeaderCount; ++i) {
        MidiHeader& header = slot.headers[size_t(i)];
        logAddress(&header);
        header.clear();
        slot.buffers[size_t(i)] = std::make_unique<uint8_t[]>(kInBufferSize);
        header.data = slot.buffers[size_t(i)].get();
        header.bufferLength = kInBufferSize;
        if (d.prepareIn(h, header) != kMidiOk) engineLog("x");
    }
    engineLog("\n");
    for (MidiHeader& header : slot.headers) {
        logAddress(&header);
        if (d.addInBuffer(h, header) != kMidiOk) engineLog("x");
    }
    d.startIn(h);
    engineLog("\n");
    slot.startTime = g->clock.nowMs();
    d.startIn(h);
    slot.timeOffset = 0;
    gRecordStart.store(0);
    return true;
}

bool closeIn(int port) {
    if (!g || !validPort(port)) return true;
    InPortSlot& slot = g->in[size_t(port)];
    if (sharedHandle(g->in, port) != kNoHandle || slot.handle == kNoHandle) {
        slot.handle = kNoHandle;
        return true;
    }
    MidiDriver& d = g->driver;
    const MidiHandle h = slot.handle;
    engineLog("[EMIDI](in port close)");
    engineLog(nameOf(g->inNames, slot.device));
    d.stopIn(h);
    for (int cycle = 0; cycle < kCloseCycles; ++cycle) {
        engineLog(" <Reset>...");
        const bool last = d.resetIn(h) == kMidiInvalidHandle;
        engineLog(last ? "InvalidHandle" : "OK");
        g->clock.sleepMs(10);
        engineLog(" <Unprepare>...");
        bool inUse = false;
        for (int i = 0; i < kInHeaderCount; ++i) {
            switch (d.unprepareIn(h, slot.headers[size_t(i)])) {
                case kMidiInvalidHandle: engineLog("InvalidHandle"); break;
                case kMidiInvalidParam: engineLog("InvalidParam"); break;
                case kMidiStillPlaying:
                    engineLog("StillPlaying");
                    inUse = true;
                    break;
                default:
                    engineLog("OK");
                    slot.buffers[size_t(i)].reset();
                    slot.headers[size_t(i)].data = nullptr;
                    break;
            }
        }
        bool closed = false;
        if (!inUse) {
            engineLog(" <Close>...");
            const MidiResult r = d.closeIn(h);
            logCloseResult(r);
            closed = closeEnds(r);
        }
        if (last || closed) break;
    }
    slot.handle = kNoHandle;
    engineLog("\n");
    return true;
}

bool isInHandle(MidiHandle handle, int port) {
    return g && validPort(port) && handle != kNoHandle && g->in[size_t(port)].handle == handle;
}

bool sendShort(int port, uint8_t status, uint8_t data1, uint8_t data2) {
    if (!g || !validPort(port)) return false;
    const MidiHandle h = g->out[size_t(port)].handle;
    if (h == kNoHandle) return false;
    return g->driver.shortOut(h, uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16) == kMidiOk;
}

bool send(int port, uint32_t message) {
    if (!g || !validPort(port)) return false;
    const MidiHandle h = g->out[size_t(port)].handle;
    if (h == kNoHandle) return false;
    const uint32_t now = g->clock.nowMs();
    g->currentSend.store(now, std::memory_order_relaxed);
    const uint32_t gap = now - g->previousSend.load(std::memory_order_relaxed);
    int load = g->load.load(std::memory_order_relaxed);
    if (gap == 0)
        load = std::min(load + 2, 100);
    else if (gap == 1)
        load = std::min(load + 1, 100);
    else if (gap == 2)
        load = std::max(load - 2, 0);
    else
        load = std::max(load - 5, 0);
    g->load.store(load, std::memory_order_relaxed);
    if (load > g->peak.load(std::memory_order_relaxed)) g->peak.store(load, std::memory_order_relaxed);
    const MidiResult r = g->driver.shortOut(h, message);
    g->previousSend.store(g->clock.nowMs(), std::memory_order_relaxed);
    return r == kMidiOk;
}

bool sendExclusive(int port, const uint8_t* bytes, uint32_t count) {
    if (!g || !validPort(port)) return false;
    OutPortSlot& slot = g->out[size_t(port)];
    const MidiHandle h = slot.handle;
    if (h == kNoHandle) return false;
    MidiDriver& d = g->driver;
    // The caller's bytes are already one contiguous buffer and outlive the call, which returns
    // only when the device is done with them (or the slot was closed, which returns the header).
    // The header is per thread, so that a device that still held it after a close would touch
    // no freed memory; it is constant-initialised and allocates nothing.
    thread_local MidiHeader header;
    header.clear();
    header.data = const_cast<uint8_t*>(bytes);
    header.bufferLength = count;
    if (d.prepareOut(h, header) != kMidiOk) return false;
    if (d.longOut(h, header) != kMidiOk) {
        d.unprepareOut(h, header);
        return false;
    }
    g->clock.sleepMs(count / 4 + 1);
    // A slot closed meanwhile has had its device return the header (closing resets it).
    while (slot.handle == h) {
        if ((header.flags.load() & kHeaderDone) && d.unprepareOut(h, header) == kMidiOk) break;
        g->clock.sleepMs(1);
    }
    return true;
}

int outputLoad() { return g ? g->load.load(std::memory_order_relaxed) : 0; }

int readPeak() {
    if (!g) return 0;
    return g->peak.fetch_sub(2, std::memory_order_relaxed);
}

void lowerOutputLoad() {
    if (!g) return;
    const int load = g->load.load(std::memory_order_relaxed);
    if (load > 0) g->load.store(load - 1, std::memory_order_relaxed);
}

void closeAllPorts() {
    if (!g) return;
    for (int i = 0; i < kPortCount; ++i) closeIn(i);
    for (int i = 0; i < kPortCount; ++i) closeOut(i);
    g->outNames.clear();
    g->inNames.clear();
}

const OutPortSlot* outPortSlot(int port) { return g && validPort(port) ? &g->out[size_t(port)] : nullptr; }
InPortSlot* inPortSlot(int port) { return g && validPort(port) ? &g->in[size_t(port)] : nullptr; }

std::array<std::atomic<uint8_t>, 128>& heldKeys() { return gHeld; }
std::array<std::atomic<uint8_t>, 128>& lastVelocities() { return gVelocity; }
std::atomic<int32_t>& inputRecordStart() { return gRecordStart; }

void setInputNotify(InputNotify notify) { gNotify.store(notify); }
InputNotify inputNotify() { return gNotify.load(); }

void setInputHandler(InputHandler handler) { gHandler.store(handler); }

}  // namespace tarvio
