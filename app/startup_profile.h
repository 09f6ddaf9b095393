// The per-user profile's values that need more than a read and a write: the main window's
// placement text and the device each output port was last mapped to, matched by name at
// start-up so that a port keeps its instrument when the system numbers the devices anew.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/port_setup.h"

namespace tarvio {

// "WindowPos": flags, show command, minimised x, y, maximised x, y, normal left, top, right,
// bottom. The rectangle's right and bottom are exclusive (right - left is the width).
struct WindowPlacement {
    static constexpr int kRestoreToMaximized = 2;  // flag: shown maximised when restored
    static constexpr int kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3;
    int flags = 0;
    int showCommand = kShowNormal;
    int minX = -1, minY = -1, maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const WindowPlacement&) const = default;
};

// Empty unless the text begins with exactly ten ':'-separated integers (as "%i" reads them:
// decimal, 0x hexadecimal or 0 octal, with a sign); what follows the tenth is ignored.
std::optional<WindowPlacement> parseWindowPos(const std::string& text);
std::string formatWindowPos(const WindowPlacement& p);
// "MainWndZoom": "TRUE" in any case means maximised.
bool parseZoom(const std::string& text);

// The outcome of matching the stored port set-up against the devices present now.
struct DeviceMatch {
    PortSetup matched;           // the set-up after matching (what the settings keep)
    PortSetup applied;           // what the ports open: unmatched ports stay unassigned
    std::vector<int> unmatched;  // ports whose remembered device is not present, ascending
};

// storedNames[port]: the name of the device the port played on when the set-up was stored
// ("" or missing: not known, the number stands). devices: the output devices' names by number.
// A port whose number now names another device (or none) is moved, in setup too, to the first
// device of its stored name. When no device has that name the port keeps its number in setup,
// so that the device is found again once it is back, but plays on nothing meanwhile.
DeviceMatch matchDevicesByName(PortSetup& setup, const std::vector<std::string>& storedNames,
                               const std::vector<std::string>& devices);

// The user gave these ports a device: they wait no more, even where the number is unchanged.
void portsChosen(DeviceMatch& match, const std::vector<int>& ports);

// What the ports open for setup: the ports still unmatched (their number unchanged since the
// match) stay unassigned.
PortSetup setupToApply(const PortSetup& setup, const DeviceMatch& match);

// The names to store at exit, one per port: the name of each mapped port's device. A port still
// unmatched (its number unchanged since start-up) keeps the name it had.
std::vector<std::string> deviceNamesToStore(const PortSetup& setup, const std::vector<std::string>& devices,
                                            const std::vector<std::string>& storedNames,
                                            const DeviceMatch& match);

}  // namespace tarvio
