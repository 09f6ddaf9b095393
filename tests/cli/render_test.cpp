// tarvio-cli render: the demo song as a WAV file, and failures that leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../engine/wav_read.h"
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
    const int64_t lastTick = std::stoll(lines.back());
    tarvio::Song song;
    ASSERT_TRUE(tarvio::readSongFile(kDemo, song));
    const int64_t songMs = tarvio::tickToMs(song, lastTick);
    ASSERT_GT(songMs, 40000);

    int64_t frames = 0;
    double peak = 0, rms = 0;  // of full scale
    if (std::filesystem::exists(kSox)) {
        EXPECT_NE(clitest::run(kSox, {"--i", out}).out.find("Channels       : 2\nSample Rate    : 44100\n"
                                                             "Precision      : 16-bit"),
                  std::string::npos);
        frames = std::stoll(clitest::run(kSox, {"--i", "-s", out}).out);
        auto stat = clitest::run(kSox, {out, "-n", "stat"});
        peak = soxStat(stat.err, "Maximum amplitude");
        rms = soxStat(stat.err, "RMS     amplitude");
    } else {
        wavtest::Wav w;
        ASSERT_TRUE(wavtest::readWav(out, w));
        EXPECT_EQ(w.at(22, 2), 2u);
        EXPECT_EQ(w.at(24, 4), 44100u);
        EXPECT_EQ(w.at(34, 2), 16u);
        frames = int64_t(w.frames());
        auto l = wavtest::level(w, 0, w.frames());
        peak = l.peak / 32768.0;
        rms = l.rms / 32768.0;
    }
    EXPECT_EQ(frames, songMs * 44100 / 1000 + 2 * 44100);
    EXPECT_GT(peak, 0.05);
    EXPECT_GT(rms, 0.005);
}

TEST(RenderCommand, FailuresLeaveAnExistingOutputAndNoTemporaryFile) {
    clitest::TempDir dir;
    const std::string out = dir.path("old.wav");
    const std::string bogus = dir.path("bogus.sf2");
    std::ofstream(out) << "previous";
    std::ofstream(bogus) << "not a soundfont";

    auto missing = clitest::runCli({"render", kDemo, out, "--soundfont", dir.path("none.sf2")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("soundfont not found: " + dir.path("none.sf2")), std::string::npos) << missing.err;
    auto fromEnv = clitest::runCli({"render", kDemo, out}, {"TARVIO_SOUNDFONT=" + dir.path("none.sf2")});
    EXPECT_EQ(fromEnv.status, 1);
    EXPECT_NE(fromEnv.err.find("TARVIO_SOUNDFONT"), std::string::npos) << fromEnv.err;
    auto invalid = clitest::runCli({"render", kDemo, out, "--soundfont", bogus});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_NE(invalid.err.find("not a SoundFont file: " + bogus), std::string::npos) << invalid.err;
    auto noFolder = clitest::runCli({"render", kDemo, dir.path("no/such/folder.wav")});
    EXPECT_EQ(noFolder.status, 1);

    EXPECT_EQ(clitest::readFile(out), "previous");
    auto entries = std::filesystem::directory_iterator(dir.path(""));
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);  // old.wav and bogus.sf2 only

    EXPECT_EQ(clitest::runCli({"render", kDemo}).status, 2);
    EXPECT_EQ(clitest::runCli({"expand", kDemo, "--soundfont", bogus}).status, 2);
}
