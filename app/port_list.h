// The texts of the port and device lists in the port, metronome and sync dialogs, and the
// mapping between a list's rows and the stored port or device numbers. Ports are shown counted
// from 1 ("Port   1", "[001]"), as users number them; the stored numbers count from 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/port_setup.h"
#include "app/texts.h"

namespace tarvio {

struct PortListTexts {
    static constexpr const char* unassigned = QT_TRANSLATE_NOOP("PortList", "未割当");
    static constexpr const char* noPort = "[---]";
};

// The device names the lists show; `unassigned` is the (translated) name of "no device".
struct DeviceNames {
    std::vector<std::string> out, in;
    std::string unassigned = PortListTexts::unassigned;
};
// The port layer's device lists.
DeviceNames currentDeviceNames(std::string unassigned = PortListTexts::unassigned);

// The name of an output device number: unassigned when negative, "(n)" for a device the system
// no longer has (the mapping is kept, so that it comes back with the device).
std::string outDeviceLabel(int32_t device, const DeviceNames& names);

// The port dialog's rows: "Port %3d  <device>" per logical output port.
std::string outputPortRow(int port, int32_t device, const DeviceNames& names);
// The device list: unassigned, then the output devices. A device maps to its row, or -1 when
// the list has none for it; a row maps back to a device (-1 = none).
std::vector<std::string> deviceRows(const DeviceNames& names);
int deviceRowOf(int32_t device, const DeviceNames& names);
int32_t deviceOfRow(int row);

// A port list of the metronome and sync dialogs: "[%03d] <device>" per port, optionally behind
// "[---]" (no port, stored as -1).
struct PortChoice {
    int32_t port = -1;
    std::string text;
};
using PortChoices = std::vector<PortChoice>;
// The 256 logical output ports with the devices the set-up maps them to.
PortChoices outputPortChoices(const PortSetup& setup, const DeviceNames& names, bool withNone);
// The input ports: logical input port n is input device n.
PortChoices inputPortChoices(const DeviceNames& names);
// The list with a row for `stored` added when it has none, so that a stored port the system no
// longer offers is shown and kept rather than silently replaced.
PortChoices withStoredPort(PortChoices list, int32_t stored);
int choiceOf(const PortChoices& list, int32_t port);  // -1 when absent
int32_t portOfChoice(const PortChoices& list, int row);  // -1 for "[---]" or a row out of range

}  // namespace tarvio
