#include "app/program_info.h"

#ifndef TARVIO_VERSION
#define TARVIO_VERSION "0"
#endif

namespace tarvio {

namespace {

// Options that scripts give the program and that users are not told about: the first takes a
// value.
constexpr const char* kHiddenWithValue[] = {"--screenshot"};
constexpr const char* kHidden[] = {"--bench-startup"};

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const char* programVersion() { return TARVIO_VERSION; }

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine c;
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
            continue;
        }
        if (options && (a == "--help" || a == "-h")) return {CommandLine::Action::Help, {}, {}};
        if (options && (a == "--version" || a == "-v")) return {CommandLine::Action::Version, {}, {}};
        if (options && a.size() > 2 && a.compare(0, 2, "--") == 0) {
            bool hidden = false;
            for (const char* h : kHiddenWithValue)
                if (a == h) {
                    hidden = true;
                    ++i;
                }
            for (const char* h : kHidden) hidden = hidden || a == h;
            if (hidden) continue;
            return {CommandLine::Action::Error, {}, "unknown option " + a};
        }
        if (options && a.size() > 1 && a[0] == '-') continue;  // the window system's
        if (c.file.empty()) c.file = a;
    }
    return c;
}

std::string commandLineHelp() {
    return "Usage: tarvio [OPTION] [FILE]\n"
           "\n"
           "tarvio, a keyboard-driven step-input MIDI sequencer. Opens FILE, a song (.tvo)\n"
           "or a Standard MIDI File (.mid); without FILE it starts with a new song.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
           "  --             what follows is a file name, even when it begins with a dash\n"
           "Options of one dash, such as -platform or -style, go to the window system (Qt).\n"
           "\n"
           "Environment:\n"
           "  TARVIO_HOME       the program folder: settings, plug-ins, bank files\n"
           "                    (default: the folder of the program)\n"
           "  TARVIO_LANG       ja or en: the language of the windows (default: the system)\n"
           "  TARVIO_SOUNDFONT  the soundfont of the built-in synthesizer\n"
           "  TARVIO_LOG        when set, the MIDI device log goes to the standard error\n"
           "\n"
           "Songs are played, edited and converted without windows by tarvio-cli.\n";
}

std::string versionText() {
    return std::string("tarvio ") + programVersion() + "\nCopyright (c) 2026 the tarvio developers. MIT licence.\n";
}

Credits programCredits(const std::string& soundfontPath) {
    Credits c;
    c.licence = "MIT";
    c.copyright = "Copyright (c) 2026 the tarvio developers";
    c.soundfont = soundfontPath;
    c.soundfontName = fileNameOf(soundfontPath);
    // The soundfonts the program looks for by default; another one's licence is its own.
    if (c.soundfontName == "TimGM6mb.sf2") c.soundfontLicence = "GPL-2, Tim Brechbill";
    else if (c.soundfontName == "FluidR3_GM.sf2") c.soundfontLicence = "MIT, Frank Wen";
    return c;
}

}  // namespace tarvio
