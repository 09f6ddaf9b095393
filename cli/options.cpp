#include "cli/options.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "cli/list_edit.h"

namespace tarvio::cli {

const char kUsageText[] =
    "usage: tarvio-cli COMMAND ARGUMENTS [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  info SONG                 print the song's header, tracks and phrases as one JSON object\n"
    "  events SONG (--tempo | --track INDEX | --phrase NUMBER)\n"
    "                            print one list, one event per line:\n"
    "                            STEP KIND B0 B1 B2 B3 [bytes=|call=|clone=|text=|params=...]\n"
    "  rows SONG (--tempo | --track INDEX | --phrase NUMBER) [--ghost] [--digit K]\n"
    "                            print one list as the numerical editor shows it, one row per\n"
    "                            line (character columns 0 to 46), \"=\" where a bar line is drawn\n"
    "  expand SONG [--to TICK] [--locate TICK]\n"
    "                            print the MIDI messages the song plays, one per line:\n"
    "                            TICK PORT SS D1 [D2] | TICK PORT tempo BPM | TICK PORT F0 .. F7\n"
    "  convert IN OUT [--tpqn N] [--force]\n"
    "                            read the song IN and write it to OUT\n"
    "  phrase-export SONG NUMBER OUT.tvp [--force]\n"
    "                            write all events of phrase NUMBER to a phrase file\n"
    "  phrase-import SONG IN.tvp OUT [--force]\n"
    "                            add the phrase file as a new phrase named after it and\n"
    "                            write the song to OUT\n"
    "  quantize SONG OUT (--tempo | --track INDEX | --phrase NUMBER) [--range BEGIN-END]\n"
    "       [--length L [--groove G | --tuplet N] | --pattern \"S|S|...\"] [--rate R] [--force]\n"
    "                            move the note starts of one list towards a grid by R percent\n"
    "                            and write the song to OUT (default: --length 480 --groove 0)\n"
    "  shift SONG OUT (--tempo | --track INDEX | --phrase NUMBER) [--range BEGIN-END]\n"
    "       --target T --amount N [--force]\n"
    "                            add N to one property of the list's events and write the song\n"
    "  compress SONG OUT (--tempo | --track INDEX | --phrase NUMBER) [--range BEGIN-END]\n"
    "       --target T --threshold N --ratio R [--force]\n"
    "                            scale the part of each value beyond N by R percent and write\n"
    "                            the song (R below 100 compresses, above 100 expands)\n"
    "  curve SONG OUT (--tempo | --track INDEX | --phrase NUMBER) [--range BEGIN-END]\n"
    "       --target T --kind K [--length L] [--delay D] [--interval I] [--count C] [--start S]\n"
    "       [--end E] [--param N] [--min V] [--max V] [--add] [--seed N] [--load F.crv] [--save F.crv]\n"
    "                            set (or --add) the target's values along a control curve from\n"
    "                            the range's start and write the song to OUT\n"
    "  search SONG OUT (--tempo | --track INDEX | --phrase NUMBER) [--range BEGIN-END]\n"
    "       --script \"SCRIPT\" [--clipboard FILE.tvp] [--force]\n"
    "                            delete, copy, cut, convert or mix the events that a search\n"
    "                            script selects and write the song to OUT\n"
    "  sort SONG OUT (--tempo | --track INDEX | --phrase NUMBER) [--range BEGIN-END]\n"
    "       (--ascending | --descending | --shuffle [--seed N]) [--force]\n"
    "                            reorder the keys of the notes (positions and steps stay)\n"
    "  devices                   list the MIDI devices with their numbers, outputs first:\n"
    "                            out N NAME | in N NAME (output 0 is the built-in synth)\n"
    "  plugins                   list the loaded plug-ins of the program's plugin folder,\n"
    "                            one per line: NAME<TAB>AUTHOR<TAB>FILE\n"
    "  render SONG OUT.wav [--soundfont FILE]\n"
    "                            play the song through the built-in synthesizer into a WAV\n"
    "                            file (44.1 kHz, 16-bit stereo, two seconds of tail)\n"
    "  play SONG [--map PORT=DEVICE]... [--from MEAS[:TICK]] [--loop BEGIN-END] [--metronome]\n"
    "       [--mtc-out DEVICE] [--seconds S] [--sends FILE] [--idle] [--cpu]\n"
    "                            play the song in real time on the MIDI devices, showing the\n"
    "                            position on stderr, until it ends, S seconds have passed or\n"
    "                            Ctrl+C\n"
    "\n"
    "Songs are read as what their first bytes say: a Standard MIDI File is imported at the\n"
    "--tpqn resolution, a song file read; a file that says neither is imported when its name\n"
    "ends in .mid. Songs are written by extension: .mid is a Standard MIDI File, anything\n"
    "else a song file (.tvo). A damaged song (one that could be read only in part) gets a\n"
    "warning line on stderr; convert, phrase-export, phrase-import and the edit commands\n"
    "(quantize to sort) refuse it unless --force is given.\n"
    "OUT is written only when the command succeeds.\n"
    "\n"
    "Options, before or after the arguments:\n"
    "  --tempo                   events, rows, edit commands: the tempo track\n"
    "  --track INDEX             events, rows, edit commands: the track at INDEX, counted from 0\n"
    "  --phrase NUMBER           events, rows, edit commands: the phrase with this number\n"
    "  --ghost                   rows: a ghost row at each bar line that falls inside a step\n"
    "  --digit K                 rows: the input digit, 0 (default) to 4: the low K digits of\n"
    "                            tick, step and gate stand apart\n"
    "  --range BEGIN-END         edit commands: the events starting in [BEGIN, END), ticks from the\n"
    "                            list's start (default: the whole list)\n"
    "  --length L                quantize: grid step in ticks, 1 to 268435455 (default 480)\n"
    "  --groove G                quantize: swing, -99 to 99 (default 0): steps of\n"
    "                            (100 + G)% and (100 - G)% of L\n"
    "  --tuplet N                quantize: N steps (2 to 20) adding up to L\n"
    "  --pattern \"S|S|...\"      quantize: the grid as step lengths, repeating from each\n"
    "                            measure start; at least one step, a total other than 0\n"
    "  --rate R                  quantize: how far notes move, 0 to 100 percent (default 100)\n"
    "  --target T                shift, compress, curve: the property changed: note, step, gate, vel,\n"
    "                            pitch (-8192 to 8191), keypressure:KEY, chpressure, cc:NUMBER,\n"
    "                            procedure:INDEX (its last parameter) or tempo\n"
    "  --amount N                shift: -127 to 127; step, gate -65535 to 65535; pitch -16383 to\n"
    "                            16383; tempo -255 to 255\n"
    "  --threshold N             compress: 0 to 127; step, gate 0 to 65535; pitch 0 to 8191;\n"
    "                            tempo 30 to 240\n"
    "  --ratio R                 compress: 0 to 1000 percent (100 changes nothing)\n"
    "  --kind K                  curve: 0-10 or freehand, line, curve, sin, cos, xsin, random,\n"
    "                            xtimessin, xtimescos, chaos, noise\n"
    "  --length L, --delay D, --interval I, --count C\n"
    "                            curve: ticks covered (1 to 1048575, default the range's length),\n"
    "                            ticks before it starts, ticks a value is held (default 1), repeats\n"
    "  --start S, --end E, --min V, --max V\n"
    "                            curve: values at its ends and the clamp range, within the target's\n"
    "                            range (default: 0 to its top; the whole range)\n"
    "  --param N                 curve: shape parameter, -999 to 999 (default 0)\n"
    "  --add                     curve: add the values to the events' values instead of setting them\n"
    "  --load F.crv, --save F.crv  curve: read the curve from a curve file / write the curve used\n"
    "  --script \"SCRIPT\"         search: [/d|/c|/t|/m ]TYPE[:NEW],DATA[:X],STEP[:X],GATE[:X],VEL[:X]\n"
    "                            (README explains it); without a prefix it converts\n"
    "  --clipboard FILE.tvp      search: the phrase file that copy (needed) and cut write\n"
    "  --ascending | --descending | --shuffle\n"
    "                            sort: the order of the notes' keys\n"
    "  --seed N                  curve, sort: seed of the random source, for a repeatable run\n"
    "                            (default: random)\n"
    "  --to TICK                 expand: stop after this tick\n"
    "  --locate TICK             expand: start at TICK as the player does, chasing what came before\n"
    "  --tpqn N                  resolution for importing a .mid file: 960, 480 (default),\n"
    "                            192, 96 or 48\n"
    "  --map PORT=DEVICE         play: output device of a logical port (or FIRST-LAST=DEVICE);\n"
    "                            unmapped ports play on device 0, the built-in synth\n"
    "  --from MEAS[:TICK]        play: start at a measure (counted from 1) and tick\n"
    "  --loop BEGIN-END          play: loop between two positions, each a tick or MEAS:TICK\n"
    "  --metronome               play: click every beat (port 0, channel 10)\n"
    "  --mtc-out DEVICE          play: send MIDI time code (30 drop) to DEVICE on port 255\n"
    "  --seconds S               play: stop after S seconds\n"
    "  --sends FILE              play: write every message sent, one per line:\n"
    "                            MICROSECONDS PORT HEX.. (monotonic time of the hand-off)\n"
    "  --idle                    play: run the engine stopped, without playing\n"
    "  --cpu                     play: report the clock thread's CPU time at the end\n"
    "  --procedure FILE          command definitions instead of procedure.dat in the program folder\n"
    "  --force                   convert, phrase-export, phrase-import, edit commands: write\n"
    "                            what was read from a damaged song\n"
    "  --soundfont FILE          render: the soundfont (default: $TARVIO_SOUNDFONT, else\n"
    "                            /usr/share/sounds/sf2/TimGM6mb.sf2 or default-GM.sf2)\n"
    "  -h, --help                print this help\n";

namespace {

struct OptionDef {
    const char* name;
    bool takesValue;
};

constexpr OptionDef kOptions[] = {
    {"--help", false},  {"--tempo", false},  {"--track", true}, {"--phrase", true},
    {"--to", true},     {"--locate", true},  {"--tpqn", true},  {"--procedure", true},
    {"--soundfont", true},
    {"--map", true},    {"--from", true},    {"--loop", true},  {"--metronome", false},
    {"--mtc-out", true}, {"--seconds", true}, {"--sends", true}, {"--idle", false},
    {"--cpu", false},   {"--force", false},  {"--ghost", false}, {"--digit", true},
    {"--range", true},  {"--length", true},  {"--groove", true}, {"--tuplet", true},
    {"--pattern", true}, {"--rate", true},
};

bool parseNumber(std::string_view text, const char* option, int64_t lo, int64_t hi, int64_t& v,
                 std::string& err) {
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || v < lo || v > hi) {
        err = "bad number '" + std::string(text) + "' for " + option + " (expected " + std::to_string(lo) +
              " to " + std::to_string(hi) + ")";
        return false;
    }
    return true;
}

bool setSelect(Options& o, ListSelect s, uint32_t value, std::string& err) {
    if (o.select != ListSelect::None && o.select != s) {
        err = "choose only one of --tempo, --track and --phrase";
        return false;
    }
    o.select = s;
    o.selectValue = value;
    return true;
}

bool apply(Options& o, std::string_view name, std::string_view value, std::string& err) {
    int64_t v = 0;
    if (name == "--help") {
        o.help = true;
    } else if (name == "--tempo") {
        return setSelect(o, ListSelect::Tempo, 0, err);
    } else if (name == "--track") {
        if (!parseNumber(value, "--track", 0, INT32_MAX, v, err)) return false;
        return setSelect(o, ListSelect::Track, uint32_t(v), err);
    } else if (name == "--phrase") {
        if (!parseNumber(value, "--phrase", 0, UINT32_MAX, v, err)) return false;
        return setSelect(o, ListSelect::Phrase, uint32_t(v), err);
    } else if (name == "--to") {
        if (!parseNumber(value, "--to", 0, INT32_MAX, v, err)) return false;
        o.to = int32_t(v);
    } else if (name == "--locate") {
        if (!parseNumber(value, "--locate", 0, INT32_MAX, v, err)) return false;
        o.locate = int32_t(v);
    } else if (name == "--tpqn") {
        if (!parseNumber(value, "--tpqn", 0, INT32_MAX, v, err)) return false;
        o.tpqn = int32_t(v);
    } else if (name == "--procedure") {
        if (value.empty()) {
            err = "--procedure needs a file name";
            return false;
        }
        o.procedure = std::string(value);
    } else if (name == "--soundfont") {
        if (value.empty()) {
            err = "--soundfont needs a file name";
            return false;
        }
        o.soundfont = std::string(value);
    } else if (name == "--map") {
        o.maps.emplace_back(value);
    } else if (name == "--from") {
        o.from = std::string(value);
    } else if (name == "--loop") {
        o.loop = std::string(value);
    } else if (name == "--metronome") {
        o.metronome = true;
    } else if (name == "--mtc-out") {
        if (!parseNumber(value, "--mtc-out", 0, INT32_MAX, v, err)) return false;
        o.mtcOut = int32_t(v);
    } else if (name == "--seconds") {
        char* end = nullptr;
        const std::string text(value);
        const double s = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !(s >= 0) || s > 1e9) {
            err = "bad number '" + text + "' for --seconds";
            return false;
        }
        o.seconds = s;
    } else if (name == "--sends") {
        if (value.empty()) {
            err = "--sends needs a file name";
            return false;
        }
        o.sends = std::string(value);
    } else if (name == "--idle") {
        o.idle = true;
    } else if (name == "--cpu") {
        o.cpu = true;
    } else if (name == "--force") {
        o.force = true;
    } else if (name == "--ghost") {
        o.ghost = true;
    } else if (name == "--digit") {
        if (!parseNumber(value, "--digit", 0, 4, v, err)) return false;
        o.digit = int32_t(v);
    } else if (name == "--range") {
        o.range = std::string(value);
    } else if (name == "--length") {
        if (!parseNumber(value, "--length", 1, 0x0FFFFFFF, v, err)) return false;
        o.length = int32_t(v);
    } else if (name == "--groove") {
        if (!parseNumber(value, "--groove", -99, 99, v, err)) return false;
        o.groove = int32_t(v);
    } else if (name == "--tuplet") {
        if (!parseNumber(value, "--tuplet", 2, 20, v, err)) return false;
        o.tuplet = int32_t(v);
    } else if (name == "--pattern") {
        o.pattern = std::string(value);
    } else if (name == "--rate") {
        if (!parseNumber(value, "--rate", 0, 100, v, err)) return false;
        o.rate = int32_t(v);
    }
    return true;
}

}  // namespace

bool parseArgs(int argc, const char* const* argv, Options& opts, std::string& err) {
    opts = Options{};
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h") arg = "--help";
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (size_t eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const OptionDef* known = nullptr;
        for (const OptionDef& o : kOptions)
            if (name == o.name) known = &o;
        bool editValue = false;
        if (!known && isListEditOption(name, editValue)) {
            std::string value;
            if (editValue) {
                if (inlineValue) {
                    value = std::string(*inlineValue);
                } else if (i + 1 < argc) {
                    value = argv[++i];
                } else {
                    err = std::string(name) + " needs a value";
                    return false;
                }
            } else if (inlineValue) {
                err = std::string(name) + " takes no value";
                return false;
            }
            opts.editArgs.emplace_back(std::string(name), std::move(value));
            continue;
        }
        if (!known) {
            err = "unknown option '" + std::string(name) + "' (try --help)";
            return false;
        }
        std::string_view value;
        if (known->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                err = std::string(known->name) + " needs a value";
                return false;
            }
        } else if (inlineValue) {
            err = std::string(known->name) + " takes no value";
            return false;
        }
        if (!apply(opts, name, value, err)) return false;
        if (opts.help) return true;
    }
    if (!positional.empty()) {
        opts.command = positional.front();
        opts.args.assign(positional.begin() + 1, positional.end());
    }
    return true;
}

}  // namespace tarvio::cli
