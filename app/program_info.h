// What the program says about itself: its version, the command line it takes (with --help and
// --version answered before any window opens) and what the About box names.
#pragma once

#include <string>
#include <vector>

namespace tarvio {

// The version of the build, "0.1" and so on.
const char* programVersion();

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::string file;     // Run: the file to open, empty for a new song
    std::string message;  // Error: one line saying what is wrong
};

// Reads the arguments after the program's name. Options with one dash belong to the window
// system (-platform, -style ...) and are passed over; the hidden options of the screenshot run
// and the start-up benchmark are too. "--" ends the options, so that a file named "--help"
// can be opened.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The answers to --help and --version, each ending with a line feed; the help fits one screen
// of 80 x 24.
std::string commandLineHelp();
std::string versionText();

// The licence, soundfont and font the About box names.
struct Credits {
    std::string licence;        // "MIT"
    std::string copyright;      // "Copyright (c) 2026 the tarvio developers"
    std::string soundfont;      // the file the built-in synthesizer loads, empty when there is none
    std::string soundfontName;  // its file name without the folder
    std::string soundfontLicence;  // known for the soundfonts Debian ships, else empty
};
Credits programCredits(const std::string& soundfontPath);

}  // namespace tarvio
