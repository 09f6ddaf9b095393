#include "app/startup_profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace tarvio {

std::optional<WindowPlacement> parseWindowPos(const std::string& text) {
    std::array<int, 10> v{};
    const char* p = text.c_str();
    for (size_t i = 0; i < v.size(); ++i) {
        if (i > 0) {
            if (*p != ':') return std::nullopt;
            ++p;
        }
        // strtol skips leading white space as "%i" does; a lone sign or nothing is no number.
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(p, &end, 0);
        if (end == p || errno == ERANGE || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return std::nullopt;
        v[i] = int(n);
        p = end;
    }
    return WindowPlacement{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
}

std::string formatWindowPos(const WindowPlacement& p) {
    const int v[] = {p.flags, p.showCommand, p.minX, p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom};
    std::string s;
    for (int n : v) {
        if (!s.empty()) s += ':';
        s += std::to_string(n);
    }
    return s;
}

bool parseZoom(const std::string& text) {
    return text.size() == 4 && std::equal(text.begin(), text.end(), "TRUE", [](char a, char b) {
               return (a >= 'a' && a <= 'z' ? char(a - 32) : a) == b;
           });
}

DeviceMatch matchDevicesByName(PortSetup& setup, const std::vector<std::string>& storedNames,
                               const std::vector<std::string>& devices) {
    DeviceMatch m;
    for (int port = 0; port < kSetupPorts; ++port) {
        int32_t& device = setup.outputMap[size_t(port)];
        if (device < 0 || size_t(port) >= storedNames.size() || storedNames[size_t(port)].empty()) continue;
        const std::string& name = storedNames[size_t(port)];
        if (size_t(device) < devices.size() && devices[size_t(device)] == name) continue;
        const auto found = std::find(devices.begin(), devices.end(), name);
        if (found != devices.end()) {
            device = int32_t(found - devices.begin());
        } else {
            m.unmatched.push_back(port);
        }
    }
    m.matched = setup;
    m.applied = setupToApply(setup, m);
    return m;
}

void portsChosen(DeviceMatch& match, const std::vector<int>& ports) {
    std::erase_if(match.unmatched, [&](int port) { return std::find(ports.begin(), ports.end(), port) != ports.end(); });
}

PortSetup setupToApply(const PortSetup& setup, const DeviceMatch& match) {
    PortSetup applied = setup;
    for (int port : match.unmatched)
        if (setup.outputMap[size_t(port)] == match.matched.outputMap[size_t(port)]) applied.outputMap[size_t(port)] = -1;
    return applied;
}

std::vector<std::string> deviceNamesToStore(const PortSetup& setup, const std::vector<std::string>& devices,
                                            const std::vector<std::string>& storedNames,
                                            const DeviceMatch& match) {
    std::vector<std::string> names(kSetupPorts);
    for (int port = 0; port < kSetupPorts; ++port) {
        const int32_t device = setup.outputMap[size_t(port)];
        if (device >= 0 && size_t(device) < devices.size()) names[size_t(port)] = devices[size_t(device)];
    }
    for (int port : match.unmatched)
        if (setup.outputMap[size_t(port)] == match.matched.outputMap[size_t(port)] && size_t(port) < storedNames.size())
            names[size_t(port)] = storedNames[size_t(port)];
    return names;
}

}  // namespace tarvio
