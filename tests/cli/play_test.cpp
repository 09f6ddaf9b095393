// tarvio-cli play: a short real-time run whose sends are the messages expand prints, in order,
// followed by the release of what still sounded. No timing is asserted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_cli.h"

using clitest::lines;
using clitest::readFile;
using clitest::runCli;

namespace {

const std::string kDemo = std::string(TARVIO_SOURCE_DIR) + "/data/songs/demo.tvo";

// A line without its first field (time or tick).
std::string message(const std::string& line) {
    const size_t space = line.find(' ');
    return space == std::string::npos ? "" : line.substr(space + 1);
}

// A note-off or controller 64 = 0 ("PORT SS D1 D2"): what stopping sends.
bool isRelease(const std::string& m) {
    const std::string bytes = message(m);
    return bytes.size() == 8 && (bytes[0] == '8' || (bytes[0] == 'B' && bytes.substr(3) == "40 00"));
}

TEST(PlayCommand, SendsWhatExpandPrintsInOrderThenReleases) {
    clitest::TempDir dir;
    const std::string sendsPath = dir.path("s.txt");
    const auto r = runCli({"play", kDemo, "--seconds", "2", "--sends", sendsPath});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("MEAS       1: 1:    0  TIME     0:00:000"), std::string::npos) << r.err;

    const auto expanded = runCli({"expand", kDemo, "--locate", "0"});
    ASSERT_EQ(expanded.status, 0) << expanded.err;
    std::vector<std::string> expected;
    for (const std::string& l : lines(expanded.out))
        if (l.find(" tempo ") == std::string::npos) expected.push_back(message(l));

    const std::vector<std::string> sends = lines(readFile(sendsPath));
    size_t same = 0;
    long long previous = 0;
    for (const std::string& l : sends) {
        const long long us = std::stoll(l.substr(0, l.find(' ')));
        EXPECT_GE(us, previous);
        previous = us;
    }
    while (same < sends.size() && same < expected.size() && message(sends[same]) == expected[same]) ++same;
    EXPECT_GE(same, 20u);  // two seconds of the demo
    for (size_t i = same; i < sends.size(); ++i) EXPECT_TRUE(isRelease(message(sends[i]))) << sends[i];
}

TEST(PlayCommand, RefusesBadPositionsMapsAndForeignOptions) {
    auto refused = [](std::vector<std::string> args, const std::string& text) {
        const auto r = runCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    };
    refused({"play", kDemo, "--from", "0"}, "bad position '0'");
    refused({"play", kDemo, "--loop", "100"}, "bad --loop '100'");
    refused({"play", kDemo, "--map", "256=0"}, "bad --map '256=0'");
    refused({"play", kDemo, "--map", "0-3=99"}, "there is no output device 99");
    refused({"expand", kDemo, "--seconds", "1"}, "option --seconds does not apply to expand");
}

}  // namespace
