#include "engine/drivers/device_driver.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "engine/platform/clock.h"

namespace tarvio {

struct DeviceDriver::OpenOut {
    OutputDevice* device;
    uint32_t index;
};

struct DeviceDriver::OpenIn final : InputReceiver {
    OpenIn(InputDevice* d, uint32_t i, MidiHandle h, MidiInProc p, void* u, Clock& c)
        : device(d), index(i), handle(h), proc(p), user(u), clock(c) {}

    void receiveShort(uint32_t message) override {
        if (!started.load()) return;
        MidiInMessage m;
        m.kind = MidiInKind::Data;
        m.message = message;
        m.timeMs = clock.nowMs() - startMs.load();
        proc(handle, m, user);
    }

    // Fills the queued headers in turn; what finds no header is lost, as on a real device.
    void receiveLong(const uint8_t* data, size_t size) override {
        if (!started.load()) return;
        const uint32_t t = clock.nowMs() - startMs.load();
        while (size > 0) {
            MidiHeader* h = takeHeader();
            if (!h) return;
            const size_t n = std::min<size_t>(size, h->bufferLength);
            if (n) std::memcpy(h->data, data, n);
            h->bytesRecorded = uint32_t(n);
            finish(*h);
            deliverLong(h, t);
            data += n;
            size -= n;
            if (n == 0) return;  // a header without room would never drain the message
        }
    }

    // Hands every queued header back empty.
    void returnAll() {
        std::deque<MidiHeader*> taken;
        {
            std::lock_guard lock(mutex);
            taken.swap(queue);
        }
        for (MidiHeader* h : taken) {
            h->bytesRecorded = 0;
            finish(*h);
            deliverLong(h, clock.nowMs() - startMs.load());
        }
    }

    MidiHeader* takeHeader() {
        std::lock_guard lock(mutex);
        if (queue.empty()) return nullptr;
        MidiHeader* h = queue.front();
        queue.pop_front();
        return h;
    }

    static void finish(MidiHeader& h) {
        h.flags.fetch_and(~kHeaderInQueue);
        h.flags.fetch_or(kHeaderDone);
    }

    void deliverLong(MidiHeader* h, uint32_t t) {
        MidiInMessage m;
        m.kind = MidiInKind::LongData;
        m.header = h;
        m.timeMs = t;
        proc(handle, m, user);
    }

    InputDevice* device;
    uint32_t index;
    MidiHandle handle;
    MidiInProc proc;
    void* user;
    Clock& clock;
    std::mutex mutex;  // guards queue
    std::deque<MidiHeader*> queue;
    std::atomic<bool> started{false};
    std::atomic<uint32_t> startMs{0};
};

DeviceDriver::DeviceDriver(std::vector<std::unique_ptr<OutputDevice>> outs,
                           std::vector<std::unique_ptr<InputDevice>> ins, Clock& clock)
    : outs_(std::move(outs)), ins_(std::move(ins)), clock_(clock) {}

DeviceDriver::~DeviceDriver() {
    for (auto& [h, in] : openIns_) in->device->close();
    for (auto& [h, out] : openOuts_) out->device->close();
}

DeviceDriver::OpenOut* DeviceDriver::findOut(MidiHandle handle) {
    std::lock_guard lock(mutex_);
    auto it = openOuts_.find(handle);
    return it == openOuts_.end() ? nullptr : it->second.get();
}

DeviceDriver::OpenIn* DeviceDriver::findIn(MidiHandle handle) {
    std::lock_guard lock(mutex_);
    auto it = openIns_.find(handle);
    return it == openIns_.end() ? nullptr : it->second.get();
}

uint32_t DeviceDriver::outDeviceCount() { return uint32_t(outs_.size()); }

MidiResult DeviceDriver::outDeviceName(uint32_t device, std::string& name) {
    if (device >= outs_.size()) return kMidiBadDeviceId;
    name = outs_[device]->name();
    return kMidiOk;
}

MidiResult DeviceDriver::openOut(uint32_t device, MidiHandle& handle) {
    handle = kNoHandle;
    if (device >= outs_.size()) return kMidiBadDeviceId;
    {
        std::lock_guard lock(mutex_);
        for (auto& [h, o] : openOuts_)
            if (o->index == device) return kMidiAllocated;
    }
    if (!outs_[device]->open()) return kMidiError;
    std::lock_guard lock(mutex_);
    handle = nextHandle_++;
    openOuts_[handle] = std::make_unique<OpenOut>(OpenOut{outs_[device].get(), device});
    return kMidiOk;
}

MidiResult DeviceDriver::shortOut(MidiHandle handle, uint32_t message) {
    OpenOut* o = findOut(handle);
    if (!o) return kMidiInvalidHandle;
    return o->device->sendShort(message) ? kMidiOk : kMidiError;
}

MidiResult DeviceDriver::prepareOut(MidiHandle handle, MidiHeader& header) {
    if (!findOut(handle)) return kMidiInvalidHandle;
    if (!header.data && header.bufferLength) return kMidiInvalidParam;
    header.flags.fetch_or(kHeaderPrepared);
    return kMidiOk;
}

MidiResult DeviceDriver::longOut(MidiHandle handle, MidiHeader& header) {
    OpenOut* o = findOut(handle);
    if (!o) return kMidiInvalidHandle;
    if (!(header.flags.load() & kHeaderPrepared)) return kMidiUnprepared;
    if (header.flags.load() & kHeaderInQueue) return kMidiStillPlaying;
    header.flags.fetch_and(~kHeaderDone);
    header.flags.fetch_or(kHeaderInQueue);
    // Every device here finishes its transfer within the call.
    const bool ok = o->device->sendLong(header.data, header.bufferLength);
    header.flags.fetch_and(~kHeaderInQueue);
    if (!ok) return kMidiError;
    header.flags.fetch_or(kHeaderDone);
    return kMidiOk;
}

MidiResult DeviceDriver::unprepareOut(MidiHandle handle, MidiHeader& header) {
    if (!findOut(handle)) return kMidiInvalidHandle;
    if (header.flags.load() & kHeaderInQueue) return kMidiStillPlaying;
    header.flags.fetch_and(~kHeaderPrepared);
    return kMidiOk;
}

MidiResult DeviceDriver::resetOut(MidiHandle handle) {
    OpenOut* o = findOut(handle);
    if (!o) return kMidiInvalidHandle;
    o->device->reset();
    return kMidiOk;
}

MidiResult DeviceDriver::closeOut(MidiHandle handle) {
    OpenOut* o = findOut(handle);
    if (!o) return kMidiInvalidHandle;
    o->device->close();
    std::lock_guard lock(mutex_);
    openOuts_.erase(handle);
    return kMidiOk;
}

uint32_t DeviceDriver::inDeviceCount() { return uint32_t(ins_.size()); }

MidiResult DeviceDriver::inDeviceName(uint32_t device, std::string& name) {
    if (device >= ins_.size()) return kMidiBadDeviceId;
    name = ins_[device]->name();
    return kMidiOk;
}

MidiResult DeviceDriver::openIn(uint32_t device, MidiInProc proc, void* user, MidiHandle& handle) {
    handle = kNoHandle;
    if (device >= ins_.size()) return kMidiBadDeviceId;
    if (!proc) return kMidiInvalidParam;
    std::unique_ptr<OpenIn> in;
    {
        std::lock_guard lock(mutex_);
        for (auto& [h, i] : openIns_)
            if (i->index == device) return kMidiAllocated;
        in = std::make_unique<OpenIn>(ins_[device].get(), device, nextHandle_++, proc, user, clock_);
    }
    // Delivery is gated by the started flag, so opening before the handle is published is safe.
    if (!in->device->open(*in)) return kMidiError;
    std::lock_guard lock(mutex_);
    handle = in->handle;
    openIns_[handle] = std::move(in);
    return kMidiOk;
}

MidiResult DeviceDriver::prepareIn(MidiHandle handle, MidiHeader& header) {
    if (!findIn(handle)) return kMidiInvalidHandle;
    if (!header.data || header.bufferLength == 0) return kMidiInvalidParam;
    header.flags.fetch_or(kHeaderPrepared);
    return kMidiOk;
}

MidiResult DeviceDriver::unprepareIn(MidiHandle handle, MidiHeader& header) {
    if (!findIn(handle)) return kMidiInvalidHandle;
    if (header.flags.load() & kHeaderInQueue) return kMidiStillPlaying;
    header.flags.fetch_and(~kHeaderPrepared);
    return kMidiOk;
}

MidiResult DeviceDriver::addInBuffer(MidiHandle handle, MidiHeader& header) {
    OpenIn* in = findIn(handle);
    if (!in) return kMidiInvalidHandle;
    if (!(header.flags.load() & kHeaderPrepared)) return kMidiUnprepared;
    std::lock_guard lock(in->mutex);
    if (header.flags.load() & kHeaderInQueue) return kMidiStillPlaying;
    header.flags.fetch_and(~kHeaderDone);
    header.flags.fetch_or(kHeaderInQueue);
    header.bytesRecorded = 0;
    in->queue.push_back(&header);
    return kMidiOk;
}

MidiResult DeviceDriver::startIn(MidiHandle handle) {
    OpenIn* in = findIn(handle);
    if (!in) return kMidiInvalidHandle;
    // Time stamps count from the first start; starting again changes nothing.
    if (!in->started.load()) {
        in->startMs.store(clock_.nowMs());
        in->started.store(true);
    }
    return kMidiOk;
}

MidiResult DeviceDriver::stopIn(MidiHandle handle) {
    OpenIn* in = findIn(handle);
    if (!in) return kMidiInvalidHandle;
    in->started.store(false);
    return kMidiOk;
}

MidiResult DeviceDriver::resetIn(MidiHandle handle) {
    OpenIn* in = findIn(handle);
    if (!in) return kMidiInvalidHandle;
    in->started.store(false);
    in->returnAll();
    return kMidiOk;
}

MidiResult DeviceDriver::closeIn(MidiHandle handle) {
    OpenIn* in = findIn(handle);
    if (!in) return kMidiInvalidHandle;
    {
        std::lock_guard lock(in->mutex);
        if (!in->queue.empty()) return kMidiStillPlaying;
    }
    in->started.store(false);
    in->device->close();
    std::lock_guard lock(mutex_);
    openIns_.erase(handle);
    return kMidiOk;
}

}  // namespace tarvio
