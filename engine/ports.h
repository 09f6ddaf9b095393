// The port layer: 256 logical output ports and 256 logical input ports mapped onto the
// driver's devices, short and exclusive sends, the output-load meter, and the "[EMIDI]"
// device log. One process-wide object, created once.
//
// Logical ports that name the same device share its handle; the device stays open while
// any of them holds it. Device results are reported only as words in the log.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/drivers/midi_driver.h"

namespace tarvio {

class Clock;

constexpr int kPortCount = 256;
constexpr int32_t kNoDevice = -2;  // the device of an unassigned output port
constexpr int kInHeaderCount = 4;
constexpr uint32_t kInBufferSize = 128;
// Closing a device retries while it reports still playing, and gives up after this many
// reset-and-close cycles whatever it keeps answering, so that closing can never hang.
constexpr int kCloseCycles = 10;

// Shown by the port dialogs for a port without a device.
extern const char kUnassignedName[];
// "Port %3d", the dialogs' label of a logical port.
std::string portLabel(int port);

struct OutPortSlot {
    // Written by the window thread, read by every sending thread without a lock.
    std::atomic<MidiHandle> handle{kNoHandle};
    int32_t device = kNoDevice;
};

struct InPortSlot {
    std::array<MidiHeader, kInHeaderCount> headers;
    std::array<std::unique_ptr<uint8_t[]>, kInHeaderCount> buffers;
    MidiHandle handle = kNoHandle;
    int32_t device = 0;     // logical input port i is input device i
    uint32_t startTime = 0;  // clock at open
    int32_t timeOffset = 0;  // set when recording starts
};

// A device answer the port layer cannot go on from (invalid parameter while listing).
class MidiError : public std::runtime_error {
public:
    explicit MidiError(uint32_t code);
    uint32_t code() const { return code_; }

private:
    uint32_t code_;
};

// Lists the devices of the system driver on the engine clock. Later calls do nothing.
void createPorts();
// The same over a given driver and clock, which must outlive the port object.
void createPorts(MidiDriver& driver, Clock& clock);
// Closes every port and forgets the port object, so that a test can create another.
void destroyPortsForTests();

// The device lists as the port dialogs show them (warning texts for unreadable devices).
int outDeviceCount();
std::string outDeviceName(int device);  // empty when out of range
int inDeviceCount();
std::string inDeviceName(int device);

void setOutDevice(int port, int32_t device);
bool openOut(int port);
bool closeOut(int port);  // always true
bool openIn(int port);
bool closeIn(int port);  // always true
bool isInHandle(MidiHandle handle, int port);

// Unmetered: status | data1 << 8 | data2 << 16.
bool sendShort(int port, uint8_t status, uint8_t data1, uint8_t data2);
// Metered; message is packed with the status in the low byte.
bool send(int port, uint32_t message);
// Blocks for the transfer: count / 4 + 1 ms, then until the device is done. The device reads
// the caller's bytes in place, so a send of any length allocates nothing.
bool sendExclusive(int port, const uint8_t* bytes, uint32_t count);

// Load meter (0..100) and its peak, which readPeak lowers by 2 on every read.
int outputLoad();
int readPeak();
// The clock thread's lowering by 1 (floor 0) for a millisecond without sends.
void lowerOutputLoad();

// Input ports then output ports, then the device lists.
void closeAllPorts();

// Slots of a logical port; null when the port is out of range or there is no port object.
const OutPortSlot* outPortSlot(int port);
InPortSlot* inPortSlot(int port);

// Keys held on input and the last input velocity per note, cleared at creation.
std::array<std::atomic<uint8_t>, 128>& heldKeys();
std::array<std::atomic<uint8_t>, 128>& lastVelocities();
// The recording start time, cleared whenever an input port opens.
std::atomic<int32_t>& inputRecordStart();

// The application's input notification: (kind, value). Cleared at creation.
using InputNotify = void (*)(int kind, uint32_t value);
void setInputNotify(InputNotify notify);
InputNotify inputNotify();

// Receives what every open input port delivers, on the device's thread. A long message's
// header is recycled after the handler returns, so the handler must copy what it keeps.
using InputHandler = void (*)(MidiHandle handle, const MidiInMessage& message);
void setInputHandler(InputHandler handler);

}  // namespace tarvio
