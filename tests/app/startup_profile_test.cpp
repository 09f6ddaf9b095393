#include <gtest/gtest.h>

#include "app/startup_profile.h"

namespace tarvio {
namespace {

TEST(WindowPos, UsedOnlyWhenTenNumbersParse) {
    struct Case {
        const char* text;
        bool parses;
    };
    const Case cases[] = {
        {"2:3:-1:-1:-8:-8:10:20:810:620", true},
        {"0:1:-1:-1:-1:-1:0x10:020:100:100", true},    // "%i": hexadecimal and octal
        {"0:1:-1:-1:-1:-1:1:2:3:4:99", true},           // what follows the tenth is not read
        {"0:1:-1:-1:-1:-1:1:2:3", false},
        {"0:1:-1:-1:-1:-1:1:2:3:", false},
        {"0:1:-1:-1:x:-1:1:2:3:4", false},
        {"0:1:-1:-1:-1:-1:1:2:3:99999999999", false},   // out of range, not wrapped
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(parseWindowPos(c.text).has_value(), c.parses) << c.text;

    const auto p = parseWindowPos("0:1:-1:-1:-1:-1:0x10:020:100:100");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->left, 16);
    EXPECT_EQ(p->top, 16);

    WindowPlacement w;
    w.flags = WindowPlacement::kRestoreToMaximized;
    w.showCommand = WindowPlacement::kShowMaximized;
    w.left = -5, w.top = 30, w.right = 1019, w.bottom = 750;
    EXPECT_EQ(formatWindowPos(w), "2:3:-1:-1:-1:-1:-5:30:1019:750");
    EXPECT_EQ(parseWindowPos(formatWindowPos(w)), w);
}

TEST(WindowPos, ZoomIgnoresCase) {
    for (const char* t : {"TRUE", "true", "TrUe"}) EXPECT_TRUE(parseZoom(t)) << t;
    for (const char* t : {"FALSE", "", "TRUE ", "1"}) EXPECT_FALSE(parseZoom(t)) << t;
}

TEST(DeviceNames, PortsFollowTheirDeviceByName) {
    const std::vector<std::string> devices{"tarvio Synth", "tarvio Loopback", "USB A", "USB B"};
    PortSetup setup;
    std::vector<std::string> stored(kSetupPorts);
    setup.outputMap[0] = 0, stored[0] = "tarvio Synth";  // same number, same name
    setup.outputMap[1] = 2, stored[1] = "USB B";         // USB B was 2, is 3 now
    setup.outputMap[2] = 2, stored[2] = "Gone";          // its device is not there
    setup.outputMap[3] = 9, stored[3] = "Gone too";      // its number names nothing now
    setup.outputMap[4] = 2;                              // no name known: the number stands

    DeviceMatch m = matchDevicesByName(setup, stored, devices);
    EXPECT_EQ(setup.outputMap[0], 0);
    EXPECT_EQ(setup.outputMap[1], 3);
    EXPECT_EQ(setup.outputMap[2], 2);  // kept for when the device is back
    EXPECT_EQ(setup.outputMap[4], 2);
    EXPECT_EQ(m.unmatched, (std::vector<int>{2, 3}));
    EXPECT_EQ(m.applied.outputMap[1], 3);
    EXPECT_EQ(m.applied.outputMap[2], -1);  // never on the wrong device
    EXPECT_EQ(m.applied.outputMap[3], -1);
    EXPECT_EQ(m.applied.outputMap[4], 2);

    // At exit an unmatched port the user did not touch keeps its remembered name; one the user
    // mapped again gets its new device's.
    setup.outputMap[3] = 1;
    const PortSetup applied = setupToApply(setup, m);
    EXPECT_EQ(applied.outputMap[2], -1);
    EXPECT_EQ(applied.outputMap[3], 1);
    const std::vector<std::string> names = deviceNamesToStore(setup, devices, stored, m);
    EXPECT_EQ(names[0], "tarvio Synth");
    EXPECT_EQ(names[1], "USB B");
    EXPECT_EQ(names[2], "Gone");
    EXPECT_EQ(names[3], "tarvio Loopback");
    EXPECT_EQ(names[5], "");

    // A port given a device in the dialog waits no more, even for the device its number named.
    portsChosen(m, {2, 7});
    EXPECT_EQ(m.unmatched, std::vector<int>{3});
    EXPECT_EQ(setupToApply(setup, m).outputMap[2], 2);
    EXPECT_EQ(deviceNamesToStore(setup, devices, stored, m)[2], "USB A");
}

}  // namespace
}  // namespace tarvio
