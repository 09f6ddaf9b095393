// shift and compress from the outside: results read back through events, refusals, and a
// Standard MIDI File written by another program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io/song_file.h"
#include "model/song.h"
#include "run_cli.h"

using namespace tarvio;
using clitest::lines;
using clitest::runCli;
using Lines = std::vector<std::string>;

// Track 0 holds two notes, a bend and a volume change, ten ticks apart; the phrase is never touched.
TEST(CliShift, ResultsAndRefusals) {
    clitest::TempDir dir;
    Song song;
    Track& t = song.createTrack();
    Event e;
    e.step = 10;
    for (int i = 0; i < 4; ++i) {
        i < 2 ? e.setNote(uint8_t(60 + i), i ? 10 : 120, 100) : i == 2 ? e.setBend(-100) : e.setControl(7, 100);
        t.events.pushBack(e);
    }
    song.createPhrase().events.pushBack(e);
    const std::string path = dir.path("s.tvo"), out = dir.path("out.tvo");
    ASSERT_TRUE(writeSongFile(path, song, nullptr));
    auto run = [&](Lines options) {
        Lines args = {options[0], path, out, "--track", "0"};
        args.insert(args.end(), options.begin() + 1, options.end());
        return runCli(args);
    };
    const std::pair<Lines, Lines> cases[] = {
        {{"shift", "--target", "vel", "--amount", "20"},
         {"10 0090 60 127 100 0", "10 0090 61 30 100 0", "10 00E0 63 28 0 0", "10 00B0 7 100 0 0"}},
        {{"compress", "--target", "pitch", "--threshold", "64", "--ratio", "50", "--range", "20-21"},
         {"10 0090 60 120 100 0", "10 0090 61 10 100 0", "10 00E0 63 46 0 0", "10 00B0 7 100 0 0"}},
    };
    for (const auto& [options, expected] : cases) {
        std::filesystem::remove(out);
        const auto r = run(options);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(runCli({"events", out, "--track", "0"}).out), expected) << options[2];
        EXPECT_EQ(runCli({"events", out, "--phrase", "1"}).out, "10 00B0 7 100 0 0\n");
    }

    std::filesystem::remove(out);
    const std::tuple<Lines, int, std::string> refusals[] = {
        {{"shift", "--target", "volume", "--amount", "1"}, 1, "unknown target 'volume'"},
        {{"shift", "--target", "pitch", "--amount", "16384"}, 1, "bad number '16384' for --amount"},
        {{"compress", "--target", "tempo", "--threshold", "29", "--ratio", "50"}, 1, "30 to 240"},
        {{"compress", "--target", "vel", "--threshold", "64", "--ratio", "1001"}, 1, "--ratio"},
        {{"compress", "--target", "vel", "--threshold", "64"}, 2, "needs --ratio"},
        {{"compress", "--target", "vel", "--amount", "1"}, 2, "does not apply"},
    };
    for (const auto& [options, status, fragment] : refusals) {
        const auto r = run(options);
        EXPECT_EQ(r.status, status) << fragment;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A file written by csvmidi (its second track holds the notes): velocities shifted, read back.
TEST(CliShift, MidiFileFromAnotherProgram) {
    clitest::TempDir dir;
    const std::string csv = "0, 0, Header, 1, 2, 480\n1, 0, Start_track\n1, 0, End_track\n"
                                         "2, 0, Start_track\n2, 0, Note_on_c, 0, 60, 120\n"
                                         "2, 240, Note_off_c, 0, 60, 0\n2, 480, Note_on_c, 0, 62, 50\n"
                                         "2, 720, Note_off_c, 0, 62, 0\n2, 960, End_track\n0, 0, End_of_file\n";
    const std::string in = dir.path("in.mid"), out = dir.path("out.tvo");
    if (!clitest::csvmidi(dir, csv, in)) GTEST_SKIP() << "csvmidi is not installed";
    const auto r = runCli({"shift", in, out, "--track", "1", "--target", "vel", "--amount", "20"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(runCli({"events", out, "--track", "1"}).out),
              (Lines{"480 0090 60 127 240 0", "480 0090 62 70 240 0"}));
}
