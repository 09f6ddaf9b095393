// The MIDI device services the port layer works on: device lists, output and input devices
// opened by index, short and long (system-exclusive) messages, and the platform's result
// codes, which the port layer reports in its log.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvio {

// Result codes. The port layer branches on these exact values.
enum MidiResult : uint32_t {
    kMidiOk = 0,
    kMidiError = 1,  // any other failure
    kMidiBadDeviceId = 2,
    kMidiAllocated = 4,  // the device is already open
    kMidiInvalidHandle = 5,
    kMidiNoDriver = 6,
    kMidiNoMemory = 7,  // also "no mapper" when reading a device's name
    kMidiInvalidParam = 11,
    kMidiUnprepared = 64,    // a header was used before it was prepared
    kMidiStillPlaying = 65,  // a header is still queued on the device
};

// An open device; kNoHandle when closed. Handles are never reused within a run.
using MidiHandle = uintptr_t;
constexpr MidiHandle kNoHandle = 0;

// Header flags.
constexpr uint32_t kHeaderDone = 1;      // the device has finished with the header
constexpr uint32_t kHeaderPrepared = 2;  // prepared and not yet unprepared
constexpr uint32_t kHeaderInQueue = 4;   // held by the device

// A buffer passed to a device for a long message: sent from on output, filled on input.
// The device owns a header from a long send or an add until it sets the done flag; flags are
// atomic because the device may finish on another thread while the owner polls.
struct MidiHeader {
    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;
    uint32_t bytesRecorded = 0;
    std::atomic<uint32_t> flags{0};

    void clear() {
        data = nullptr;
        bufferLength = 0;
        bytesRecorded = 0;
        flags.store(0);
    }
};

// What an input device reports to its callback.
enum class MidiInKind : uint32_t {
    Data = 963,      // a short message
    LongData = 964,  // a header returned: filled with exclusive bytes, or empty after a reset
};

struct MidiInMessage {
    MidiInKind kind = MidiInKind::Data;
    uint32_t message = 0;          // Data: status | data1 << 8 | data2 << 16
    MidiHeader* header = nullptr;  // LongData
    uint32_t timeMs = 0;           // milliseconds since input was started
};

// Called on the device's own thread (or, for the loopback, on the sender's).
using MidiInProc = void (*)(MidiHandle handle, const MidiInMessage& message, void* user);

class MidiDriver {
public:
    virtual ~MidiDriver() = default;

    virtual uint32_t outDeviceCount() = 0;
    // The name is written only when the result is kMidiOk.
    virtual MidiResult outDeviceName(uint32_t device, std::string& name) = 0;
    virtual MidiResult openOut(uint32_t device, MidiHandle& handle) = 0;
    virtual MidiResult shortOut(MidiHandle handle, uint32_t message) = 0;
    virtual MidiResult prepareOut(MidiHandle handle, MidiHeader& header) = 0;
    // Sends header.data[0 .. bufferLength); the done flag is set when the device is finished.
    virtual MidiResult longOut(MidiHandle handle, MidiHeader& header) = 0;
    // kMidiStillPlaying while the device still holds the header.
    virtual MidiResult unprepareOut(MidiHandle handle, MidiHeader& header) = 0;
    // Silences the device (notes off) and returns every queued header as done.
    virtual MidiResult resetOut(MidiHandle handle) = 0;
    virtual MidiResult closeOut(MidiHandle handle) = 0;

    virtual uint32_t inDeviceCount() = 0;
    virtual MidiResult inDeviceName(uint32_t device, std::string& name) = 0;
    virtual MidiResult openIn(uint32_t device, MidiInProc proc, void* user, MidiHandle& handle) = 0;
    virtual MidiResult prepareIn(MidiHandle handle, MidiHeader& header) = 0;
    // kMidiStillPlaying while the header is queued.
    virtual MidiResult unprepareIn(MidiHandle handle, MidiHeader& header) = 0;
    // Queues a prepared header for incoming exclusive bytes.
    virtual MidiResult addInBuffer(MidiHandle handle, MidiHeader& header) = 0;
    virtual MidiResult startIn(MidiHandle handle) = 0;
    virtual MidiResult stopIn(MidiHandle handle) = 0;
    // Stops input and returns every queued header through the callback with no bytes.
    virtual MidiResult resetIn(MidiHandle handle) = 0;
    // kMidiStillPlaying while headers are queued.
    virtual MidiResult closeIn(MidiHandle handle) = 0;
};

// Bytes of a short message with this status (1 to 3).
inline size_t shortMessageLength(uint8_t status) {
    switch (status & 0xF0) {
        case 0xC0:
        case 0xD0: return 2;
        case 0xF0:
            if (status == 0xF1 || status == 0xF3) return 2;
            if (status == 0xF2) return 3;
            return 1;
        default: return 3;
    }
}

}  // namespace tarvio
