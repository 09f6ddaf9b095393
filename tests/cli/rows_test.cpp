// tarvio-cli rows: a list as the numerical editor shows it, with the controller names and the
// command table of the program folder.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "io/song_file.h"
#include "model/song.h"
#include "run_cli.h"
#include "tests/support/lists.h"

using namespace tarvio;
using clitest::lines;
using clitest::runCli;
using Lines = std::vector<std::string>;

namespace {

using testlists::append;

}  // namespace

TEST(CliRows, PrintsTheRowsWithTheProgramFolderNames) {
    clitest::TempDir dir, home;
    std::ofstream(home.path("cc.dat")) << "7 Volume\n";
    std::ofstream(home.path("procedure.dat")) << "def=3\nname=Vol\ncc=07,*v\n";
    const Lines env{"TARVIO_HOME=" + home.path("")};

    Song song;
    song.setBeat(1, 3, 4);
    Track& t = song.createTrack();
    append(t.events, 0, [](Event& e) { e.setControl(7, 100); });
    append(t.events, 0, [](Event& e) { e.setCommand(3, 0, 100); });
    append(t.events, 2400, [](Event& e) { e.setNote(60, 100, 480); });
    append(t.events, 0, [](Event& e) { e.setNote(64, 100, 10); });
    Track& p = song.createPhrase();
    append(p.events, 0, [](Event& e) { e.setPluginSwitch(1, true); });
    append(p.events, 0, [](Event& e) { e.setComment("end"); });
    std::string path = dir.path("song.tvo"), err;
    ASSERT_TRUE(writeSongFile(path, song, &err)) << err;
    // Slot 1 of the phrase (the last container) names a plug-in that is not installed.
    std::string file = clitest::readFile(path);
    file.resize(file.size() - 12);
    std::ofstream(path, std::ios::binary) << file + std::string("\14\0\0\0NoSuchPlugIn", 16) + std::string(12, '\0');

    auto r = runCli({"rows", path, "--track", "0"}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(lines(r.out), (Lines{"   1:    0 Volume               0|      7   100",
                                   "           Vol                  0|          100",
                                   "         0 C 4   60          2400     480   100",
                                   "=",
                                   "   2:  480 E 4   64             0|     10   100"}));
    r = runCli({"rows", path, "--track=0", "--ghost", "--digit", "2"}, env);
    EXPECT_EQ(lines(r.out), (Lines{"   1:  000 Volume             000|      7   100",
                                   "           Vol                000|          100",
                                   "       000 C 4   60          1920     480   100",
                                   "=",
                                   "   2:  000   |Ghost           480",
                                   "           E 4   64           000|    010   100"}));
    r = runCli({"rows", path, "--phrase", "1"}, env);
    EXPECT_EQ(lines(r.out), (Lines{"   1:    0 P.Sw>NoSuchPlugI     0| slot:1    on",
                                   "           > end                              <"}));
    // Without the definition files the names are empty and the command is a procedure.
    r = runCli({"rows", path, "--track", "0"}, {"TARVIO_HOME=" + dir.path("")});
    EXPECT_EQ(lines(r.out)[0], "   1:    0                      0|      7   100");
    EXPECT_EQ(lines(r.out)[1], "           Procedure [  3]      0|");
    r = runCli({"rows", path, "--tempo"}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");

    for (const Lines& args : {Lines{"rows", path}, Lines{"rows", path, "--track", "0", "--digit", "5"},
                              Lines{"events", path, "--track", "0", "--ghost"}}) {
        r = runCli(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
    }
    r = runCli({"rows", path, "--track", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
}
