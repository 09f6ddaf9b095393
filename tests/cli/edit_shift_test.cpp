// shift and compress from the outside: results read back through events, refusals, and a
// Standard MIDI File written by another program.
#include <gtest/gtest.h>

#include <unistd.h>

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

// Two notes, a bend and a volume change, ten ticks apart; the phrase is never touched.
std::string saveSong(const clitest::TempDir& dir) {
    Song song;
    Track& t = song.createTrack();
    Event e;
    e.step = 10;
    e.setNote(60, 120, 100);
    t.events.pushBack(e);
    e.setNote(62, 10, 100);
    t.events.pushBack(e);
    e.setBend(-100);
    t.events.pushBack(e);
    e.setControl(7, 100);
    t.events.pushBack(e);
    song.createPhrase().events.pushBack(e);
    const std::string path = dir.path("s.tvo");
    std::string err;
    EXPECT_TRUE(writeSongFile(path, song, &err)) << err;
    return path;
}

}  // namespace

TEST(CliShift, ChangesTheTargetOfTheListRange) {
    clitest::TempDir dir;
    const std::string path = saveSong(dir), out = dir.path("out.tvo");
    const std::vector<std::pair<Lines, Lines>> cases = {
        {{"shift", "--target", "vel", "--amount", "20"},
         {"10 0090 60 127 100 0", "10 0090 62 30 100 0", "10 00E0 63 28 0 0", "10 00B0 7 100 0 0"}},
        {{"shift", "--target", "step", "--amount", "-15", "--range", "10-30"},
         {"10 0090 60 120 100 0", "0 0090 62 10 100 0", "0 00E0 63 28 0 0", "10 00B0 7 100 0 0"}},
        {{"compress", "--target", "pitch", "--threshold", "64", "--ratio", "50"},
         {"10 0090 60 120 100 0", "10 0090 62 10 100 0", "10 00E0 63 46 0 0", "10 00B0 7 100 0 0"}},
        {{"compress", "--target", "cc:7", "--threshold", "64", "--ratio", "200", "--range", "0-30"},
         {"10 0090 60 120 100 0", "10 0090 62 10 100 0", "10 00E0 63 28 0 0", "10 00B0 7 100 0 0"}},
        {{"compress", "--target", "cc:7", "--threshold", "64", "--ratio", "200"},
         {"10 0090 60 120 100 0", "10 0090 62 10 100 0", "10 00E0 63 28 0 0", "10 00B0 7 127 0 0"}},
    };
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options[0] + " " + options[2]);
        std::filesystem::remove(out);
        Lines args = {options[0], path, out, "--track", "0"};
        args.insert(args.end(), options.begin() + 1, options.end());
        const auto r = runCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(runCli({"events", out, "--track", "0"}).out), expected);
        EXPECT_EQ(runCli({"events", out, "--phrase", "1"}).out, "10 00B0 7 100 0 0\n");
    }
}

TEST(CliShift, RefusalsAreOneLineAndWriteNothing) {
    clitest::TempDir dir;
    const std::string path = saveSong(dir), out = dir.path("out.tvo");
    struct Case {
        Lines args;
        int status;
        std::string fragment;
    } cases[] = {
        {{"shift", "--target", "volume", "--amount", "1"}, 1, "unknown target 'volume'"},
        {{"shift", "--target", "cc", "--amount", "1"}, 1, "needs :N"},
        {{"shift", "--target", "vel", "--amount", "128"}, 1, "bad number '128' for --amount"},
        {{"shift", "--target", "pitch", "--amount", "16384"}, 1, "-16383 to 16383"},
        {{"compress", "--target", "tempo", "--threshold", "29", "--ratio", "50"}, 1, "30 to 240"},
        {{"compress", "--target", "vel", "--threshold", "64", "--ratio", "1001"}, 1, "--ratio"},
        {{"shift", "--amount", "1"}, 2, "needs --target"},
        {{"compress", "--target", "vel", "--threshold", "64"}, 2, "needs --ratio"},
        {{"compress", "--target", "vel", "--amount", "1"}, 2, "does not apply"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fragment);
        Lines args = {c.args[0], path, out, "--track", "0"};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        const auto r = runCli(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(c.fragment), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A file written by csvmidi (its second track holds the notes): velocities shifted, read back.
TEST(CliShift, MidiFileFromAnotherProgram) {
    if (::access("/usr/bin/csvmidi", X_OK) != 0) GTEST_SKIP() << "csvmidi is not installed";
    clitest::TempDir dir;
    std::ofstream(dir.path("in.csv")) << "0, 0, Header, 1, 2, 480\n1, 0, Start_track\n1, 0, End_track\n"
                                         "2, 0, Start_track\n2, 0, Note_on_c, 0, 60, 120\n"
                                         "2, 240, Note_off_c, 0, 60, 0\n2, 480, Note_on_c, 0, 62, 50\n"
                                         "2, 720, Note_off_c, 0, 62, 0\n2, 960, End_track\n0, 0, End_of_file\n";
    const std::string in = dir.path("in.mid"), out = dir.path("out.tvo");
    ASSERT_EQ(std::system(("/usr/bin/csvmidi " + dir.path("in.csv") + " " + in).c_str()), 0);
    const auto r = runCli({"shift", in, out, "--track", "1", "--target", "vel", "--amount", "20"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(runCli({"events", out, "--track", "1"}).out),
              (Lines{"480 0090 60 127 240 0", "480 0090 62 70 240 0"}));
}
