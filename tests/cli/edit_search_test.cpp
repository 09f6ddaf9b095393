// search and sort from the command line: results read back through `events`, failures, and a
// Standard MIDI File written by another program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io/phrase_file.h"
#include "io/song_file.h"
#include "model/song.h"
#include "run_cli.h"

using namespace tarvio;
using clitest::lines;
using clitest::runCli;
using Lines = std::vector<std::string>;

namespace {

// Notes 64, 60, 67 at ticks 0, 100, 200, then a controller at 300; phrase 1 holds one note.
std::string saveSong(const clitest::TempDir& dir) {
    Song song;
    Track& t = song.createTrack();
    for (auto [key, vel] : {std::pair{64, 105}, {60, 40}, {67, 101}, {-1, 0}}) {
        Event e;
        key < 0 ? e.setControl(7, 100) : e.setNote(uint8_t(key), uint8_t(vel), 50);
        e.step = 100;
        t.events.pushBack(e);
    }
    Event p;
    p.setNote(72, 90, 10);
    p.step = 10;
    song.createPhrase().events.pushBack(p);
    const std::string path = dir.path("s.tvo");
    EXPECT_TRUE(writeSongFile(path, song));
    return path;
}

}  // namespace

TEST(CliSearch, ScriptsAndSortsChangeTheChosenList) {
    clitest::TempDir dir;
    const std::string path = saveSong(dir), out = dir.path("out.tvo"), clip = dir.path("c.tvp");
    const std::vector<std::pair<Lines, Lines>> cases = {
        {{"search", "--script", "N,,,,:$v*0.8"},
         {"100 0090 64 84 50 0", "100 0090 60 32 50 0", "100 0090 67 81 50 0", "100 00B0 7 100 0 0"}},
        {{"search", "--script", "/d N,C4_B4,,,!1_100", "--range", "0-150"},
         {"100 0090 64 0 0 0", "100 0090 60 40 50 0", "100 0090 67 101 50 0", "100 00B0 7 100 0 0"}},
        {{"search", "--script", "/t N,,,,101_", "--clipboard", clip},
         {"100 0090 64 0 0 0", "200 0090 60 40 50 0", "100 00B0 7 100 0 0"}},
        {{"sort", "--descending", "--range", "50-300"},
         {"100 0090 64 105 50 0", "100 0090 67 101 50 0", "100 0090 60 40 50 0", "100 00B0 7 100 0 0"}},
        {{"sort", "--shuffle", "--seed", "1"},
         {"100 0090 60 40 50 0", "100 0090 64 105 50 0", "100 0090 67 101 50 0", "100 00B0 7 100 0 0"}},
    };
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options.back());
        std::filesystem::remove(out);
        Lines args = {options[0], path, out, "--track", "0"};
        args.insert(args.end(), options.begin() + 1, options.end());
        const auto r = runCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(runCli({"events", out, "--track", "0"}).out), expected);
        EXPECT_EQ(runCli({"events", out, "--phrase", "1"}).out, "10 0090 72 90 10 0\n");
    }
    // The cut notes (64 at 0 and 67 at 200), as one list reaching the list's end.
    std::vector<Event> cut;
    ASSERT_TRUE(readPhraseFile(clip, cut));
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(std::tuple(cut[0].b[0], cut[0].step, cut[1].b[0], cut[1].step), std::tuple(64, 200, 67, 200));
}

// One line on stderr, status 1 for an invalid script or seed and 2 for a wrong command line,
// and neither OUT nor the clipboard file written.
TEST(CliSearch, FailuresWriteNothing) {
    clitest::TempDir dir;
    const std::string path = saveSong(dir), out = dir.path("out.tvo"), clip = dir.path("c.tvp");
    const std::vector<std::tuple<Lines, int, std::string>> cases = {
        {{"search", "--script", "N,,,,:$q"}, 1, "bad --script 'N,,,,:$q': Vel: invalid expression"},
        {{"search", "--script", "/x N"}, 1, "unknown action '/x'"},
        {{"search", "--script", "Z,,,,"}, 1, "unknown type 'Z'"},
        {{"search", "--script", "N,C4_X,,,", "--clipboard", clip}, 1, "Data: invalid condition 'C4_X'"},
        {{"search"}, 2, "needs --script"},
        {{"search", "--script", "/c N"}, 2, "needs --clipboard"},
        {{"search", "--script", "/d N", "--clipboard", clip}, 2, "copy (/c) and cut (/t)"},
        {{"search", "--script", "N", "--ascending"}, 2, "does not apply to search"},
        {{"sort"}, 2, "one of --ascending"},
        {{"sort", "--ascending", "--seed", "4"}, 2, "--seed applies to --shuffle only"},
        {{"sort", "--shuffle", "--seed", "-1"}, 1, "bad number '-1' for --seed"},
    };
    for (const auto& [options, status, fragment] : cases) {
        SCOPED_TRACE(fragment);
        Lines args = {options[0], path, out, "--track", "0"};
        args.insert(args.end(), options.begin() + 1, options.end());
        const auto r = runCli(args);
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(clip));
    }
}

// A file written by csvmidi (track 1 holds its notes), sorted and written as a song file.
TEST(CliSearch, SortsAMidiFileFromAnotherProgram) {
    clitest::TempDir dir;
    const std::string csv = "0, 0, Header, 1, 2, 96\n1, 0, Start_track\n1, 0, Tempo, 500000\n1, 0, End_track\n"
                                         "2, 0, Start_track\n2, 0, Note_on_c, 0, 67, 100\n2, 48, Note_off_c, 0, 67, 0\n"
                                         "2, 96, Note_on_c, 0, 60, 90\n2, 144, Note_off_c, 0, 60, 0\n2, 192, Note_on_c, 0, 64, 80\n"
                                         "2, 240, Note_off_c, 0, 64, 0\n2, 300, End_track\n0, 0, End_of_file\n";
    const std::string mid = dir.path("in.mid"), out = dir.path("out.tvo");
    if (!clitest::csvmidi(dir, csv, mid)) GTEST_SKIP() << "csvmidi is not installed";
    const auto r = runCli({"sort", mid, out, "--track", "1", "--ascending"});
    ASSERT_EQ(r.status, 0) << r.err;
    Lines notes;
    for (const std::string& l : lines(runCli({"events", out, "--track", "1"}).out))
        if (l.find(" 0090 ") != std::string::npos) notes.push_back(l.substr(l.find(' ') + 1));
    // Imported at 480 ticks per quarter: the keys move, velocities and gates with them.
    EXPECT_EQ(notes, (Lines{"0090 60 90 240 0", "0090 64 80 240 0", "0090 67 100 240 0"}));
}
