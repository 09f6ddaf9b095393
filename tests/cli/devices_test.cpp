// tarvio-cli devices: the device lists as the port dialogs number them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "run_cli.h"

using clitest::runCli;

TEST(DevicesCommand, ListsTheSynthFirstAndTheLoopbackBothWays) {
    clitest::RunResult r = runCli({"devices"}, {"-u", "TARVIO_LOG"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto l = clitest::lines(r.out);
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(l[0], "out 0 tarvio Synth");
    EXPECT_EQ(l[1], "out 1 tarvio Loopback");
    // Outputs come first and are numbered in order; inputs start again at 0.
    auto firstIn = std::find_if(l.begin(), l.end(), [](const std::string& s) { return s.starts_with("in "); });
    ASSERT_NE(firstIn, l.end());
    EXPECT_EQ(*firstIn, "in 0 tarvio Loopback");
    for (size_t i = 0; i < size_t(firstIn - l.begin()); ++i) EXPECT_TRUE(l[i].starts_with("out " + std::to_string(i) + " "));

    r = runCli({"devices"}, {"TARVIO_LOG=1"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("[EMIDI](port list)tarvio Synth\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("[EMIDI](in port list)tarvio Loopback\n"), std::string::npos) << r.err;

    r = runCli({"devices", "extra"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unexpected argument 'extra'"), std::string::npos) << r.err;
}
