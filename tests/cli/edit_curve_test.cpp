// tarvio-cli curve from the outside: the lists it writes, its refusals, and a Standard MIDI
// File written by another program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/song_file.h"
#include "model/song.h"
#include "run_cli.h"

using namespace tarvio;
using clitest::lines;
using clitest::runCli;
using Lines = std::vector<std::string>;

namespace {

// Track 0: notes at 0 and 480 and a volume change at 960.
std::string writeSong(const clitest::TempDir& dir) {
    Song song;
    EventList& l = song.createTrack().events;
    Event e;
    e.setNote(60, 100, 120), e.step = 480, l.pushBack(e);
    e.setNote(62, 100, 120), l.pushBack(e);
    e.setControl(7, 90), e.step = 0, l.pushBack(e);
    std::string path = dir.path("c.tvo"), err;
    EXPECT_TRUE(writeSongFile(path, song, &err)) << err;
    return path;
}

// Command 5 as a centred 14-bit value: stored 0..16383, shown -8192..8191.
std::string writeProcedures(const clitest::TempDir& dir) {
    std::string path = dir.path("procedure.dat");
    std::ofstream(path) << "def=5\nname=Fine_Tuning\nmax=16383\nbase=-8192\nexclusive=7F,7F,04,03,*l,*m\n";
    return path;
}

clitest::RunResult curve(const std::string& song, const std::string& out, const Lines& options) {
    Lines args = {"curve", song, out, "--track", "0"};
    args.insert(args.end(), options.begin(), options.end());
    return runCli(args);
}

}  // namespace

// Each case runs on the same song; the curve saved by one case is loaded by the next.
TEST(CliCurve, WritesTheCurvesValues) {
    clitest::TempDir dir;
    const std::string song = writeSong(dir), out = dir.path("out.tvo"), crv = dir.path("up.crv");
    const std::string procedures = writeProcedures(dir);
    const std::vector<std::pair<Lines, Lines>> cases = {
        {{"--target", "cc:7", "--kind", "line", "--length", "1920", "--interval", "480", "--save", crv},
         {"0 00B0 7 0 0 0", "480 0090 60 100 120 0", "0 00B0 7 48 0 0", "480 0090 62 100 120 0",
          "480 00B0 7 79 0 0", "480 00B0 7 111 0 0", "0 00B0 7 127 0 0"}},
        // Saved for 0..127: start 0 and end 127 become pitch's -8192 and 8191.
        {{"--target", "pitch", "--load", crv, "--length", "2", "--interval", "1"},
         {"0 00E0 0 0 0 0", "1 0090 60 100 120 0", "1 00E0 64 0 0 0", "478 00E0 127 127 0 0", "480 0090 62 100 120 0",
          "0 00B0 7 90 0 0"}},
        // The command runs over its values as shown, -8192 to 8191, stored as 0, 8192 and 16383.
        {{"--target", "procedure:5", "--kind", "line", "--start", "-8192", "--end", "8191", "--length", "2",
          "--interval", "1", "--procedure", procedures},
         {"0 0100 5 0 0 0", "1 0090 60 100 120 0", "1 0100 5 0 64 0", "478 0100 5 0 127 127", "480 0090 62 100 120 0",
          "0 00B0 7 90 0 0"}},
        // Seed 1 draws 72 first (16838 % 101), added to key 62 and clamped.
        {{"--target", "note", "--kind", "random", "--seed", "1", "--end", "100", "--length", "960", "--interval",
          "480", "--add", "--range", "0-500"},
         {"480 0090 60 100 120 0", "480 0090 127 100 120 0", "0 00B0 7 90 0 0"}},
    };
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options[1]);
        std::filesystem::remove(out);
        const auto r = curve(song, out, options);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(runCli({"events", out, "--track", "0"}).out), expected);
    }
}

// Bad values: one line on stderr, status 1, no OUT.
TEST(CliCurve, RefusesBadValuesWithoutWriting) {
    clitest::TempDir dir;
    const std::string song = writeSong(dir), out = dir.path("out.tvo"), junk = dir.path("junk.crv");
    const std::string procedures = writeProcedures(dir);
    std::ofstream(junk) << "tvocurvX and more than fifty-two bytes of text that is not a curve at all";
    const std::vector<std::pair<Lines, std::string>> cases = {
        {{"--kind", "line"}, "needs --target"},
        {{"--target", "cc:7", "--kind", "spiral"}, "unknown --kind 'spiral'"},
        {{"--target", "note", "--kind", "line", "--end", "128"}, "bad number '128' for --end"},
        {{"--target", "gate", "--kind", "line", "--min", "0"}, "bad number '0' for --min (expected 1 to 19200)"},
        {{"--target", "vel", "--kind", "line", "--min", "90", "--max", "80"}, "above --max"},
        {{"--target", "vel", "--kind", "line", "--length", "1048576"}, "for --length"},
        {{"--target", "procedure:999", "--kind", "line"}, "command 999 is not defined"},
        {{"--target", "procedure:5", "--kind", "line", "--start", "-8193", "--procedure", procedures},
         "bad number '-8193' for --start (expected -8192 to 8191)"},
        {{"--target", "vel", "--load", junk}, "not a curve file"},
    };
    for (const auto& [options, fragment] : cases) {
        SCOPED_TRACE(fragment);
        const auto r = curve(song, out, options);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// A format-1 file from csvmidi (division 96): its notes come in at 480 per quarter.
TEST(CliCurve, RunsOnAMidiFileFromCsvmidi) {
    clitest::TempDir dir;
    const std::string csv = "0, 0, Header, 1, 2, 96\n1, 0, Start_track\n1, 0, Tempo, 500000\n"
                                        "1, 0, End_track\n2, 0, Start_track\n2, 0, Note_on_c, 0, 60, 100\n"
                                        "2, 96, Note_off_c, 0, 60, 0\n2, 96, Note_on_c, 0, 62, 100\n"
                                        "2, 192, Note_off_c, 0, 62, 0\n2, 192, End_track\n0, 0, End_of_file\n";
    if (!clitest::csvmidi(dir, csv, dir.path("s.mid"))) GTEST_SKIP() << "csvmidi is not installed";
    const auto r = runCli({"curve", dir.path("s.mid"), dir.path("o.tvo"), "--track", "1", "--target", "vel", "--kind",
                           "line", "--start", "20", "--end", "120", "--length", "960"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(runCli({"events", dir.path("o.tvo"), "--track", "1"}).out),
              (Lines{"480 0090 60 20 224 1", "480 0090 62 70 224 1"}));
}
