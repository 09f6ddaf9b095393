#include "engine/drivers/device_driver.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <thread>

#include "engine/platform/clock.h"

namespace tarvio {

namespace {

// An output handle is a serial number with the device's slot in its low bits, so that a send
// finds the slot without a search; serials never repeat, so a stale handle never matches.
constexpr unsigned kSlotBits = 16;
constexpr MidiHandle kSlotMask = (MidiHandle(1) << kSlotBits) - 1;
std::atomic<MidiHandle> gOutSerial{1};

}  // namespace

class DeviceDriver::OutUse {
public:
    OutUse(DeviceDriver& d, MidiHandle handle) {
        const size_t i = size_t(handle & kSlotMask);
        if (handle == kNoHandle || i >= d.outs_.size()) return;
        OutSlot& s = d.outSlots_[i];
        s.inFlight.fetch_add(1);
        if (s.handle.load() != handle) {
            s.inFlight.fetch_sub(1);
            return;
        }
        slot_ = &s;
        device_ = d.outs_[i].get();
    }
    ~OutUse() {
        if (slot_) slot_->inFlight.fetch_sub(1);
    }
    OutUse(const OutUse&) = delete;
    OutUse& operator=(const OutUse&) = delete;
    OutputDevice* device() const { return device_; }

private:
    OutSlot* slot_ = nullptr;
    OutputDevice* device_ = nullptr;
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
    : outs_(std::move(outs)),
      ins_(std::move(ins)),
      clock_(clock),
      outSlots_(std::make_unique<OutSlot[]>(outs_.size())) {}

DeviceDriver::~DeviceDriver() {
    for (auto& [h, in] : openIns_) in->device->close();
    for (size_t i = 0; i < outs_.size(); ++i)
        if (outSlots_[i].handle.load() != kNoHandle) outs_[i]->close();
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
    if (device >= outs_.size() || device > kSlotMask) return kMidiBadDeviceId;
    std::lock_guard change(outChange_);
    OutSlot& slot = outSlots_[device];
    if (slot.handle.load() != kNoHandle) return kMidiAllocated;
    if (!outs_[device]->open()) return kMidiError;
    handle = (gOutSerial.fetch_add(1) << kSlotBits) | device;
    slot.handle.store(handle);
    return kMidiOk;
}

MidiResult DeviceDriver::shortOut(MidiHandle handle, uint32_t message) {
    OutUse use(*this, handle);
    if (!use.device()) return kMidiInvalidHandle;
    return use.device()->sendShort(message) ? kMidiOk : kMidiError;
}

MidiResult DeviceDriver::prepareOut(MidiHandle handle, MidiHeader& header) {
    OutUse use(*this, handle);
    if (!use.device()) return kMidiInvalidHandle;
    if (!header.data && header.bufferLength) return kMidiInvalidParam;
    header.flags.fetch_or(kHeaderPrepared);
    return kMidiOk;
}

MidiResult DeviceDriver::longOut(MidiHandle handle, MidiHeader& header) {
    OutUse use(*this, handle);
    if (!use.device()) return kMidiInvalidHandle;
    if (!(header.flags.load() & kHeaderPrepared)) return kMidiUnprepared;
    if (header.flags.load() & kHeaderInQueue) return kMidiStillPlaying;
    header.flags.fetch_and(~kHeaderDone);
    header.flags.fetch_or(kHeaderInQueue);
    // Every device here finishes its transfer within the call.
    const bool ok = use.device()->sendLong(header.data, header.bufferLength);
    header.flags.fetch_and(~kHeaderInQueue);
    if (!ok) return kMidiError;
    header.flags.fetch_or(kHeaderDone);
    return kMidiOk;
}

MidiResult DeviceDriver::unprepareOut(MidiHandle handle, MidiHeader& header) {
    OutUse use(*this, handle);
    if (!use.device()) return kMidiInvalidHandle;
    if (header.flags.load() & kHeaderInQueue) return kMidiStillPlaying;
    header.flags.fetch_and(~kHeaderPrepared);
    return kMidiOk;
}

MidiResult DeviceDriver::resetOut(MidiHandle handle) {
    OutUse use(*this, handle);
    if (!use.device()) return kMidiInvalidHandle;
    use.device()->reset();
    return kMidiOk;
}

// Must not be called from inside a send on the same device (a loopback delivery), which it
// would wait for forever.
MidiResult DeviceDriver::closeOut(MidiHandle handle) {
    const size_t i = size_t(handle & kSlotMask);
    if (handle == kNoHandle || i >= outs_.size()) return kMidiInvalidHandle;
    std::lock_guard change(outChange_);
    OutSlot& slot = outSlots_[i];
    MidiHandle expected = handle;
    if (!slot.handle.compare_exchange_strong(expected, kNoHandle)) return kMidiInvalidHandle;
    // A send that found the handle before it was cleared finishes first.
    while (slot.inFlight.load() != 0) std::this_thread::yield();
    outs_[i]->close();
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
