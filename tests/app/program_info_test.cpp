#include <gtest/gtest.h>

#include <sstream>

#include "app/program_info.h"

namespace tarvio {
namespace {

TEST(CommandLine, HelpVersionFilesAndOptionsOfOthers) {
    using A = CommandLine::Action;
    const struct {
        std::vector<std::string> args;
        A action;
        std::string file;
    } cases[] = {
        {{}, A::Run, ""},
        {{"song.tvo"}, A::Run, "song.tvo"},
        {{"--help"}, A::Help, ""},
        {{"song.tvo", "-h"}, A::Help, ""},
        {{"--version"}, A::Version, ""},
        {{"-v"}, A::Version, ""},
        {{"--", "--help"}, A::Run, "--help"},                     // a file of that name
        {{"--frobnicate", "song.tvo"}, A::Error, ""},
        {{"-platform", "offscreen", "song.tvo"}, A::Run, "offscreen"},  // Qt takes its own before
        {{"--screenshot", "pictures", "song.tvo"}, A::Run, "song.tvo"},
        {{"--bench-startup", "song.tvo", "other.tvo"}, A::Run, "song.tvo"},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        const CommandLine line = parseCommandLine(c.args);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.file, c.file);
        if (c.action == A::Error) {
            EXPECT_NE(line.message.find("--frobnicate"), std::string::npos);
        }
    }
}

TEST(CommandLine, HelpFitsOneScreenAndVersionNamesTheBuild) {
    std::istringstream help(commandLineHelp());
    int lines = 0;
    for (std::string line; std::getline(help, line); ++lines) EXPECT_LE(line.size(), 80u) << line;
    EXPECT_LE(lines, 23);  // and the shell's prompt after it
    EXPECT_NE(commandLineHelp().find("--version"), std::string::npos);
    EXPECT_EQ(versionText().rfind(std::string("tarvio ") + programVersion() + "\n", 0), 0u);
    EXPECT_STRNE(programVersion(), "0");
}

TEST(Credits, LicenceAndTheSoundfontsLicence) {
    const Credits c = programCredits("/usr/share/sounds/sf2/TimGM6mb.sf2");
    EXPECT_EQ(c.licence, "MIT");
    EXPECT_NE(c.copyright.find("2026 the tarvio developers"), std::string::npos);
    EXPECT_EQ(c.soundfontName, "TimGM6mb.sf2");
    EXPECT_NE(c.soundfontLicence.find("GPL-2"), std::string::npos);
    EXPECT_TRUE(programCredits("/home/me/mine.sf2").soundfontLicence.empty());
    EXPECT_TRUE(programCredits("").soundfontName.empty());
}

}  // namespace
}  // namespace tarvio
