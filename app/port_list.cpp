#include "app/port_list.h"

#include <cstdio>

#include "engine/ports.h"

namespace tarvio {

DeviceNames currentDeviceNames(std::string unassigned) {
    DeviceNames names;
    names.unassigned = std::move(unassigned);
    for (int i = 0; i < outDeviceCount(); ++i) names.out.push_back(outDeviceName(i));
    for (int i = 0; i < inDeviceCount(); ++i) names.in.push_back(inDeviceName(i));
    return names;
}

std::string outDeviceLabel(int32_t device, const DeviceNames& names) {
    if (device < 0) return names.unassigned;
    if (size_t(device) < names.out.size()) return names.out[size_t(device)];
    return "(" + std::to_string(device) + ")";
}

std::string outputPortRow(int port, int32_t device, const DeviceNames& names) {
    return portLabel(port + 1) + "  " + outDeviceLabel(device, names);
}

std::vector<std::string> deviceRows(const DeviceNames& names) {
    std::vector<std::string> rows{names.unassigned};
    rows.insert(rows.end(), names.out.begin(), names.out.end());
    return rows;
}

int deviceRowOf(int32_t device, const DeviceNames& names) {
    if (device < 0) return 0;
    return size_t(device) < names.out.size() ? int(device) + 1 : -1;
}

int32_t deviceOfRow(int row) { return row <= 0 ? -1 : row - 1; }

namespace {

std::string choiceText(int32_t port, const std::string& device) {
    char number[16];
    std::snprintf(number, sizeof number, "[%03d] ", int(port) + 1);
    return number + device;
}

}  // namespace

PortChoices outputPortChoices(const PortSetup& setup, const DeviceNames& names, bool withNone) {
    PortChoices list;
    if (withNone) list.push_back({-1, PortListTexts::noPort});
    for (int port = 0; port < kSetupPorts; ++port)
        list.push_back({port, choiceText(port, outDeviceLabel(setup.outputMap[size_t(port)], names))});
    return list;
}

PortChoices inputPortChoices(const DeviceNames& names) {
    PortChoices list{{-1, PortListTexts::noPort}};
    for (size_t i = 0; i < names.in.size(); ++i) list.push_back({int32_t(i), choiceText(int32_t(i), names.in[i])});
    return list;
}

PortChoices withStoredPort(PortChoices list, int32_t stored) {
    if (stored < 0 || choiceOf(list, stored) >= 0) return list;
    list.push_back({stored, choiceText(stored, "")});
    return list;
}

int choiceOf(const PortChoices& list, int32_t port) {
    if (port < 0) port = -1;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].port == port) return int(i);
    return -1;
}

int32_t portOfChoice(const PortChoices& list, int row) {
    return row >= 0 && size_t(row) < list.size() ? list[size_t(row)].port : -1;
}

}  // namespace tarvio
