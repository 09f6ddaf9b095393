// A MidiDriver over a list of device objects. It keeps the handles, the header bookkeeping
// and the input time stamps, so that a device only sends bytes and delivers what it receives.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/drivers/midi_driver.h"

namespace tarvio {

class Clock;

class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    virtual std::string name() const = 0;
    // False when the device cannot be opened now; the device logs why.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool sendShort(uint32_t message) = 0;
    // An exclusive message, F0 .. F7; it is sent (or handed on) before the call returns.
    virtual bool sendLong(const uint8_t* data, size_t size) = 0;
    // Notes off on every channel.
    virtual void reset() = 0;
};

// Where an open input device delivers.
class InputReceiver {
public:
    virtual ~InputReceiver() = default;
    virtual void receiveShort(uint32_t message) = 0;
    virtual void receiveLong(const uint8_t* data, size_t size) = 0;
};

class InputDevice {
public:
    virtual ~InputDevice() = default;
    virtual std::string name() const = 0;
    virtual bool open(InputReceiver& receiver) = 0;
    // No delivery is running or starts once this returns.
    virtual void close() = 0;
};

class DeviceDriver : public MidiDriver {
public:
    DeviceDriver(std::vector<std::unique_ptr<OutputDevice>> outs, std::vector<std::unique_ptr<InputDevice>> ins,
                 Clock& clock);
    ~DeviceDriver() override;

    uint32_t outDeviceCount() override;
    MidiResult outDeviceName(uint32_t device, std::string& name) override;
    MidiResult openOut(uint32_t device, MidiHandle& handle) override;
    MidiResult shortOut(MidiHandle handle, uint32_t message) override;
    MidiResult prepareOut(MidiHandle handle, MidiHeader& header) override;
    MidiResult longOut(MidiHandle handle, MidiHeader& header) override;
    MidiResult unprepareOut(MidiHandle handle, MidiHeader& header) override;
    MidiResult resetOut(MidiHandle handle) override;
    MidiResult closeOut(MidiHandle handle) override;

    uint32_t inDeviceCount() override;
    MidiResult inDeviceName(uint32_t device, std::string& name) override;
    MidiResult openIn(uint32_t device, MidiInProc proc, void* user, MidiHandle& handle) override;
    MidiResult prepareIn(MidiHandle handle, MidiHeader& header) override;
    MidiResult unprepareIn(MidiHandle handle, MidiHeader& header) override;
    MidiResult addInBuffer(MidiHandle handle, MidiHeader& header) override;
    MidiResult startIn(MidiHandle handle) override;
    MidiResult stopIn(MidiHandle handle) override;
    MidiResult resetIn(MidiHandle handle) override;
    MidiResult closeIn(MidiHandle handle) override;

private:
    struct OpenIn;
    // The output of a handle, held open until released; see OutSlot.
    class OutUse;
    OpenIn* findIn(MidiHandle handle);

    // The open state of one output device. Senders (the clock thread, the input thread's thru,
    // previews) read it without a lock: a send counts itself in inFlight, then checks the handle;
    // closing clears the handle, then waits until inFlight is 0 before closing the device. So a
    // device is never closed under a send, and a send never waits on the window or input thread.
    struct OutSlot {
        std::atomic<MidiHandle> handle{kNoHandle};
        std::atomic<uint32_t> inFlight{0};
    };

    std::vector<std::unique_ptr<OutputDevice>> outs_;
    std::vector<std::unique_ptr<InputDevice>> ins_;
    Clock& clock_;
    // One per output device, fixed for the driver's life; an output handle names its slot.
    std::unique_ptr<OutSlot[]> outSlots_;
    // Serialises opening and closing outputs (the window thread's work); no send takes it.
    std::mutex outChange_;
    // Guards the input handle map and the handle counter; devices are never called with it
    // held, since a loopback delivery may come back into the driver on the same thread.
    std::mutex mutex_;
    MidiHandle nextHandle_ = 1;
    std::map<MidiHandle, std::unique_ptr<OpenIn>> openIns_;
};

}  // namespace tarvio
