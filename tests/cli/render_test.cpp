// tarvio-cli render: the demo song as a WAV file read by sox, and failures that leave nothing
// behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/render.h"
#include "io/song_file.h"
#include "model/musical_time.h"
#include "model/song.h"
#include "run_cli.h"

namespace {

const std::string kDemo = std::string(TARVIO_SOURCE_DIR) + "/data/songs/demo.tvo";
const std::string kSox = "/usr/bin/sox";

// The value after "NAME:" in sox's stat report.
double soxStat(const std::string& report, const std::string& name) {
    size_t at = report.find(name + ":");
    return at == std::string::npos ? -1 : std::stod(report.substr(at + name.size() + 1));
}

}  // namespace

TEST(RenderCommand, DemoLastsItsTempoMapTimePlusTwoSecondsAndIsNotSilent) {
    std::string path, err;
    if (!tarvio::findSoundfont("", path, err)) GTEST_SKIP() << err;
    if (!std::filesystem::exists(kSox)) GTEST_SKIP() << "no sox";
    clitest::TempDir dir;
    const std::string out = dir.path("demo.wav");
    auto r = clitest::runCli({"render", kDemo, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    // The demo lasts between 30 and 60 seconds: one progress line.
    EXPECT_EQ(r.err, "tarvio-cli: rendered 0:30 of the song\n");

    // The song's duration is the time of the last tick that expand prints.
    auto expanded = clitest::runCli({"expand", kDemo});
    ASSERT_EQ(expanded.status, 0) << expanded.err;
    const auto lines = clitest::lines(expanded.out);
    ASSERT_FALSE(lines.empty());
    tarvio::Song song;
    ASSERT_TRUE(tarvio::readSongFile(kDemo, song));
    const int64_t songMs = tarvio::tickToMs(song, std::stoll(lines.back()));
    ASSERT_GT(songMs, 40000);

    EXPECT_NE(clitest::run(kSox, {"--i", out}).out.find("Channels       : 2\nSample Rate    : 44100\n"
                                                         "Precision      : 16-bit"),
              std::string::npos);
    EXPECT_EQ(std::stoll(clitest::run(kSox, {"--i", "-s", out}).out), songMs * 44100 / 1000 + 2 * 44100);
    auto stat = clitest::run(kSox, {out, "-n", "stat"});
    EXPECT_GT(soxStat(stat.err, "Maximum amplitude"), 0.05);
    EXPECT_GT(soxStat(stat.err, "RMS     amplitude"), 0.005);
}

TEST(RenderCommand, FailuresLeaveAnExistingOutputAndNoTemporaryFile) {
    clitest::TempDir dir;
    const std::string out = dir.path("old.wav"), bogus = dir.path("bogus.sf2"), none = dir.path("none.sf2");
    std::ofstream(out) << "previous";
    std::ofstream(bogus) << "not a soundfont";

    const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> cases = {
        {{"render", kDemo, out, "--soundfont", none}, "", "soundfont not found: " + none},
        {{"render", kDemo, out}, "TARVIO_SOUNDFONT=" + none, "TARVIO_SOUNDFONT"},
        {{"render", kDemo, out, "--soundfont", bogus}, "", "not a SoundFont file: " + bogus},
        {{"render", kDemo, dir.path("no/such/folder.wav")}, "", ""},
    };
    for (const auto& [args, env, message] : cases) {
        auto r = clitest::runCli(args, env.empty() ? std::vector<std::string>{} : std::vector<std::string>{env});
        EXPECT_EQ(r.status, 1) << args.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(clitest::readFile(out), "previous");
    auto entries = std::filesystem::directory_iterator(dir.path(""));
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);  // old.wav and bogus.sf2 only

    EXPECT_EQ(clitest::runCli({"render", kDemo}).status, 2);
    EXPECT_EQ(clitest::runCli({"expand", kDemo, "--soundfont", bogus}).status, 2);
}
