// The commands that need the device stack (RtMidi, ALSA, JACK, FluidSynth): play, render and
// devices. They live in tarvio-cli-devices, which tarvio-cli hands them to, so that no other
// command loads that stack.
#include "cli/device_commands.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/play.h"
#include "engine/ports.h"
#include "engine/render.h"
#include "model/song.h"

namespace tarvio::cli {

namespace {

// Progress is a stderr line per 30 s of song time, so only songs at least that long report.
int renderCommand(const Options& opts, std::string& err) {
    RenderOptions ro;
    if (!findSoundfont(opts.soundfont.value_or(""), ro.soundfont, err)) return kFailed;
    Song song;
    // Loads the program's plug-ins first, so echo repeats are heard as expand prints them.
    if (!openSong(opts.args[0], opts, song, err)) return kFailed;
    ro.progress = [](int64_t ms) {
        std::fprintf(stderr, "tarvio-cli: rendered %d:%02d of the song\n", int(ms / 60000), int(ms / 1000 % 60));
    };
    return renderSong(song, opts.args[1], ro, nullptr, err) ? kOk : kFailed;
}

// Numbered as the port dialogs number them: "out N NAME", then "in N NAME".
void listDevices(Output& out) {
    createPorts();
    for (int i = 0; i < outDeviceCount(); ++i) {
        out.write("out ");
        out.dec(i);
        out.put(' ');
        out.write(outDeviceName(i));
        out.put('\n');
    }
    for (int i = 0; i < inDeviceCount(); ++i) {
        out.write("in ");
        out.dec(i);
        out.put(' ');
        out.write(inDeviceName(i));
        out.put('\n');
    }
}

}  // namespace

int runDeviceCommand(const Options& opts, Output& out, std::string& err) {
    const std::string& c = opts.command;
    if (c == "devices") {
        if (int s = checkArgs(opts, 0, "no arguments", err)) return s;
        listDevices(out);
        return kOk;
    }
    if (c == "render") {
        if (int s = checkArgs(opts, 2, "SONG and OUT.wav", err)) return s;
        return renderCommand(opts, err);
    }
    if (int s = checkArgs(opts, 1, "a SONG file", err)) return s;
    return playCommand(opts, err);
}

}  // namespace tarvio::cli
