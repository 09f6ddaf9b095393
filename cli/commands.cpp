#include "cli/commands.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <charconv>
#include <cstring>
#include <iterator>
#include <memory>

#include "cli/json.h"
#include "cli/list_edit.h"
#include "cli/show_rows.h"
#include "expand/emitter.h"
#include "expand/song_play.h"
#include "io/file_kind.h"
#include "io/file_util.h"
#include "io/phrase_file.h"
#include "io/procedure_file.h"
#include "io/smf.h"
#include "io/song_file.h"
#include "model/song.h"

namespace tarvio::cli {

namespace {

constexpr uint16_t kDefaultImportTpqn = 480;
Extensions gExt;

bool isDeviceCommand(const std::string& c) { return c == "play" || c == "render" || c == "devices"; }
// Commands that write what they read: a damaged song must not silently become a new file.
bool writesWhatItReads(const std::string& c) {
    return c == "convert" || c == "phrase-export" || c == "phrase-import" || findListEdit(c);
}

// A song's tracks and command table take a few hundred KB of fresh heap. Faulting it in page by
// page costs more than importing a typical MIDI file where a page fault takes tens of
// microseconds (virtual machines), so the heap grows once and is faulted in with one call.
void prefaultHeap() {
#ifdef MADV_POPULATE_WRITE
    constexpr size_t kBytes = size_t(512) << 10;
    // Taken from the heap (not a mapping of its own) and kept there when freed.
    mallopt(M_MMAP_THRESHOLD, int(kBytes * 2));
    mallopt(M_TRIM_THRESHOLD, int(kBytes * 4));
    void* block = std::malloc(kBytes);
    if (!block) return;
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t from = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(block) + kBytes) & ~(page - 1);
    if (to > from) (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    std::free(block);
#endif
}

void writeStderr(const std::string& line) {
    for (size_t done = 0; done < line.size();) {
        ssize_t w = ::write(2, line.data() + done, line.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        done += size_t(w);
    }
}

bool isMidiPath(const std::string& path) { return fileExtension(path) == "mid"; }

// Fills the song's command table from a definition file, as the document does after every
// read or import.
bool loadCommands(Song& song, const Options& opts, std::string& err) {
    // info and events show no command: they only check that a named file can be read.
    const bool shown = opts.command != "info" && opts.command != "events";
    if (!shown && !opts.procedure) return true;
    std::string path = opts.procedure ? *opts.procedure : programFolder() + "/procedure.dat";
    std::vector<uint8_t> text;
    std::string readErr;
    if (!readWholeFile(path, text, &readErr)) {
        // Like the document, a missing procedure.dat in the program folder just leaves the
        // table empty; a file the user named is an error.
        if (!opts.procedure) return true;
        err = "cannot read procedure file: " + readErr;
        return false;
    }
    if (!shown) return true;
    song.resetCommands();
    parseCommandDefinitions(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), song);
    return true;
}

}  // namespace

bool saveSong(const std::string& path, Song& song, std::string& err) {
    std::string writeErr;
    bool ok;
    if (isMidiPath(path)) {
        Emitter emitter;
        ok = exportSmfFile(path, song, emitter, &writeErr);
    } else {
        ok = writeSongFile(path, song, &writeErr);
    }
    if (!ok) err = writeErr.empty() ? "cannot write " + path : writeErr;
    return ok;
}

namespace {

bool parsePhraseNumber(const std::string& text, uint32_t& number, std::string& err) {
    auto r = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) {
        err = "bad phrase number '" + text + "'";
        return false;
    }
    return true;
}

}  // namespace

const Track* selectList(const Song& song, const Options& opts, std::string& err) {
    switch (opts.select) {
        case ListSelect::Tempo: return song.tempoTrack.get();
        case ListSelect::Track: {
            if (opts.selectValue >= song.tracks.size()) {
                err = "track index " + std::to_string(opts.selectValue) + " out of range (the song has " +
                      std::to_string(song.tracks.size()) + " tracks)";
                return nullptr;
            }
            return std::next(song.tracks.begin(), opts.selectValue)->get();
        }
        case ListSelect::Phrase: {
            const Track* p = song.findPhrase(opts.selectValue);
            if (!p) err = "the song has no phrase numbered " + std::to_string(opts.selectValue);
            return p;
        }
        case ListSelect::None: break;
    }
    err = opts.command + " needs one of --tempo, --track INDEX or --phrase NUMBER";
    return nullptr;
}

bool parseRange(const std::string& text, int64_t& begin, int64_t& end, std::string& err) {
    const char* p = text.data();
    const char* last = p + text.size();
    auto r1 = std::from_chars(p, last, begin);
    bool ok = r1.ec == std::errc() && r1.ptr != last && *r1.ptr == '-';
    if (ok) {
        auto r2 = std::from_chars(r1.ptr + 1, last, end);
        ok = r2.ec == std::errc() && r2.ptr == last && begin >= 0 && begin < end;
    }
    if (!ok) err = "bad --range '" + text + "' (expected BEGIN-END, ticks with BEGIN before END)";
    return ok;
}

namespace {

void writeOutputAt(Output& out, int32_t tick, const OutputList& list) {
    for (const OutputRecord& r : list.records) writeRecordLine(out, tick, list, r);
}

// Runs until every cursor is finished or past the last tick asked for.
void expandSong(Song& song, const Options& opts, Output& out) {
    Emitter emitter;
    const int32_t last = opts.to.value_or(INT32_MAX);
    int32_t t = 0;
    if (opts.locate) {
        t = *opts.locate;
        songLocate(song, t, emitter);
        writeOutputAt(out, t, song.output);
    } else {
        // The start is a reset with chase whose output is not played.
        songResetAll(song, 0, emitter);
        song.tempoTrack->cursor.queue.clear();
        for (auto& tr : song.tracks) tr->cursor.queue.clear();
        song.output.clear();
        songAdvance(song, t, emitter);
        writeOutputAt(out, t, song.output);
    }
    // Ticks at which nothing can happen print nothing and are passed over.
    while (t < last && !songFinished(song)) {
        t = int32_t(std::min<int64_t>(songNextActiveTick(song, t, emitter), last));
        songAdvance(song, t, emitter);
        writeOutputAt(out, t, song.output);
    }
}

// Options belong to one command each; --procedure to all of them.
int checkOptions(const Options& opts, std::string& err) {
    const std::string& c = opts.command;
    auto refuse = [&](const char* name) {
        err = std::string("option ") + name + " does not apply to " + c;
        return kUsage;
    };
    const ListEditCommand* edit = findListEdit(c);
    if (opts.select != ListSelect::None && c != "events" && c != "rows" && !edit) {
        return refuse(opts.select == ListSelect::Tempo   ? "--tempo"
                      : opts.select == ListSelect::Track ? "--track"
                                                         : "--phrase");
    }
    if (opts.to && c != "expand") return refuse("--to");
    if (opts.locate && c != "expand") return refuse("--locate");
    if (opts.soundfont && c != "render") return refuse("--soundfont");
    if (opts.ghost && c != "rows") return refuse("--ghost");
    if (opts.digit && c != "rows") return refuse("--digit");
    if (edit) {
        if (int s = checkListEditOptions(*edit, opts, err)) return s;
    } else if (!opts.editArgs.empty()) {
        return refuse(opts.editArgs.front().first.c_str());
    }
    if (!edit && opts.range) return refuse("--range");
    if (c != "quantize") {
        if (opts.length && c != "curve") return refuse("--length");
        if (opts.groove) return refuse("--groove");
        if (opts.tuplet) return refuse("--tuplet");
        if (opts.pattern) return refuse("--pattern");
        if (opts.rate) return refuse("--rate");
    }
    if (opts.groove && opts.tuplet) {
        err = "choose only one of --groove and --tuplet";
        return kUsage;
    }
    if (opts.pattern && (opts.length || opts.groove || opts.tuplet)) {
        err = "--pattern gives the whole grid: drop --length, --groove and --tuplet";
        return kUsage;
    }
    if (opts.force && !writesWhatItReads(c)) return refuse("--force");
    if (c != "play") {
        if (!opts.maps.empty()) return refuse("--map");
        if (opts.from) return refuse("--from");
        if (opts.loop) return refuse("--loop");
        if (opts.metronome) return refuse("--metronome");
        if (opts.mtcOut) return refuse("--mtc-out");
        if (opts.seconds) return refuse("--seconds");
        if (opts.sends) return refuse("--sends");
        if (opts.idle) return refuse("--idle");
        if (opts.cpu) return refuse("--cpu");
    }
    // --tpqn applies wherever a song is opened, since any song may be a .mid file.
    if (opts.tpqn && !isImportTpqn(*opts.tpqn)) {
        err = "bad --tpqn " + std::to_string(*opts.tpqn) + " (choose 960, 480, 192, 96 or 48)";
        return kUsage;
    }
    return kOk;
}

}  // namespace

int checkArgs(const Options& opts, size_t count, const char* what, std::string& err) {
    if (opts.args.size() < count) {
        err = opts.command + " needs " + what;
        return kUsage;
    }
    if (opts.args.size() > count) {
        err = "unexpected argument '" + opts.args[count] + "' for " + opts.command;
        return kUsage;
    }
    return kOk;
}

void setExtensions(const Extensions& ext) { gExt = ext; }

// A Standard MIDI File has no plug-in slots, and info, events and rows show slots by name only
// (a slot keeps the name of a plug-in that is not loaded); every other command on a song file
// plays or writes its slots, so it needs the plug-ins.
static bool needsPlugins(const Options& opts) {
    const std::string& c = opts.command;
    if (c == "plugins") return true;
    return c != "info" && c != "events" && c != "rows" && !opts.args.empty() && !opensAsSmf(opts.args[0]);
}

bool openSong(const std::string& path, const Options& opts, Song& song, std::string& err) {
    // What the file's first bytes say decides, as in the program: a song saved under a .mid
    // name reads back as a song.
    const bool midi = opensAsSmf(path);
    // As the program does at start: songs bind their slots by name, and play and save with them.
    if (!midi && gExt.loadPlugins && opts.command != "info" && opts.command != "events" && opts.command != "rows") gExt.loadPlugins();
    std::string readErr;
    ReadReport report;
    const uint16_t tpqn = uint16_t(opts.tpqn.value_or(kDefaultImportTpqn));  // checked by checkOptions
    bool ok = midi ? importSmfFile(path, song, tpqn, &readErr, &report)
                   : readSongFile(path, song, &readErr, &report);
    if (!ok) {
        if (report.status == ReadReport::Status::NotThisKind)
            err = "cannot read " + path + (midi ? ": not a Standard MIDI File" : ": not a song file");
        else
            err = readErr.empty() ? "cannot read " + path : readErr;
        return false;
    }
    if (report.damaged()) {
        const std::string what = path + " is damaged: reading stopped at byte " + std::to_string(report.offset) +
                                 " (" + report.reason + ")";
        if (writesWhatItReads(opts.command) && !opts.force) {
            err = what + "; nothing written (--force writes what was read)";
            return false;
        }
        writeStderr("tarvio-cli: warning: " + what + "\n");
    }
    return loadCommands(song, opts, err);
}

void writeEventLine(Output& out, const Event& e) {
    const EventKind k = e.kind();
    out.dec(e.step);
    out.put(' ');
    out.hex4(uint16_t(k));
    // These kinds store no value bytes in the file, so there is nothing to show.
    bool noValues = k == EventKind::PhraseCall || k == EventKind::Clone || k == EventKind::Comment;
    for (int i = 0; i < 4; ++i) {
        out.put(' ');
        out.dec(noValues ? 0 : e.b[size_t(i)]);
    }
    if (const auto* bytes = e.bytes()) {
        out.write(" bytes=");
        for (size_t i = 0; i < bytes->size(); ++i) {
            if (i) out.put(' ');
            out.hex2((*bytes)[i]);
        }
    } else if (const auto* call = e.phraseCall()) {
        out.write(" call=");
        out.dec(call->number);
        out.put(',');
        out.dec(call->offset);
        out.put(',');
        out.dec(call->transpose);
        out.put(',');
        out.dec(call->root);
        out.put(',');
        out.dec(call->mode);
    } else if (const auto* clone = e.clone()) {
        out.write(" clone=");
        out.dec(clone->mode);
        out.put(',');
        out.dec(clone->transpose);
        out.put(',');
        out.dec(clone->position);
    } else if (const auto* text = e.comment()) {
        out.write(" text=");
        out.write(text->view());
    } else if (const auto* block = e.paramBlock()) {
        out.write(" params=");
        out.dec(block->count);
    }
    out.put('\n');
}

void writeRecordLine(Output& out, int32_t tick, const OutputList& list, const OutputRecord& r) {
    out.dec(tick);
    out.put(' ');
    out.dec(r.port);
    if (r.isTempo()) {
        out.write(" tempo ");
        out.dec(r.tempo());
    } else if (r.status() == 0xF0) {
        const uint8_t* p = list.sysexBytes(r);
        for (uint32_t i = 0; i < r.sysexCount; ++i) {
            out.put(' ');
            out.hex2(p[i]);
        }
    } else {
        const uint8_t status = r.status();
        const int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
        for (int i = 0; i < count; ++i) {
            out.put(' ');
            out.hex2(uint8_t(r.message >> (8 * i)));
        }
    }
    out.put('\n');
}

int runCommand(const Options& opts, Output& out, std::string& err) {
    const std::string& c = opts.command;
    if (c.empty()) {
        err = "no command given (try --help)";
        return kUsage;
    }
    if (c != "info" && c != "events" && c != "rows" && c != "expand" && c != "convert" && c != "phrase-export" &&
        c != "phrase-import" && !findListEdit(c) && c != "render" && c != "plugins" && c != "devices" && c != "play") {
        err = "unknown command '" + c + "' (try --help)";
        return kUsage;
    }
    if (int s = checkOptions(opts, err)) return s;
    if (isDeviceCommand(c)) return gExt.runDevices ? gExt.runDevices(opts, out, err) : kNeedsDevices;
    if (needsPlugins(opts) && !gExt.loadPlugins) return kNeedsPlugins;
    if (c == "plugins") {
        if (int s = checkArgs(opts, 0, "no arguments", err)) return s;
        gExt.listPlugins(out);
        return kOk;
    }

    if (const ListEditCommand* edit = findListEdit(c)) return runListEdit(*edit, opts, err);

    if (c == "convert") {
        if (int s = checkArgs(opts, 2, "IN and OUT files", err)) return s;
        Song song;
        if (!openSong(opts.args[0], opts, song, err)) return kFailed;
        return saveSong(opts.args[1], song, err) ? kOk : kFailed;
    }

    if (c == "phrase-export") {
        if (int s = checkArgs(opts, 3, "SONG, NUMBER and OUT", err)) return s;
        uint32_t number = 0;
        if (!parsePhraseNumber(opts.args[1], number, err)) return kUsage;
        Song song;
        if (!openSong(opts.args[0], opts, song, err)) return kFailed;
        const Track* p = song.findPhrase(number);
        if (!p) {
            err = "the song has no phrase numbered " + std::to_string(number);
            return kFailed;
        }
        std::vector<const Event*> events;
        events.reserve(p->events.size());
        for (const Event& e : p->events) events.push_back(&e);
        std::string writeErr;
        if (!writePhraseFile(opts.args[2], events, &writeErr)) {
            err = writeErr.empty() ? "cannot write " + opts.args[2] : writeErr;
            return kFailed;
        }
        return kOk;
    }

    if (c == "phrase-import") {
        if (int s = checkArgs(opts, 3, "SONG, IN and OUT", err)) return s;
        Song song;
        if (!openSong(opts.args[0], opts, song, err)) return kFailed;
        std::string readErr;
        if (!importPhraseFile(song, opts.args[1], &readErr)) {
            err = readErr.empty() ? "cannot read " + opts.args[1] : readErr;
            return kFailed;
        }
        return saveSong(opts.args[2], song, err) ? kOk : kFailed;
    }


    if (int s = checkArgs(opts, 1, "a SONG file", err)) return s;
    if ((c == "events" || c == "rows") && opts.select == ListSelect::None) {
        err = c + " needs one of --tempo, --track INDEX or --phrase NUMBER";
        return kUsage;
    }
    // Never freed: the process ends with the command, and taking apart every event of a large
    // song would cost more than the command itself. A sanitizer build, where the tests run many
    // commands in one process and a kept song would count as a leak, frees it.
    prefaultHeap();
#ifdef TARVIO_SANITIZED
    const auto owned = std::make_unique<Song>();
    Song& song = *owned;
#else
    Song& song = *new Song;
#endif
    if (!openSong(opts.args[0], opts, song, err)) return kFailed;

    if (c == "info") {
        out.write(songInfoJson(song));
        out.put('\n');
    } else if (c == "events") {
        const Track* list = selectList(song, opts, err);
        if (!list) return kFailed;
        for (const Event& e : list->events) writeEventLine(out, e);
    } else if (c == "rows") {
        const Track* list = selectList(song, opts, err);
        if (!list) return kFailed;
        printRows(song, *list, opts, out);
    } else {
        expandSong(song, opts, out);
    }
    return kOk;
}

int cliMain(int argc, char** argv) {
    auto fail = [](int status, const std::string& message) {
        writeStderr("tarvio-cli: " + message + "\n");
        return status;
    };
    Options opts;
    std::string err;
    if (!parseArgs(argc, argv, opts, err)) return fail(kUsage, err);
    Output out(1);
    if (opts.help) {
        out.write(kUsageText);
    } else if (int status = runCommand(opts, out, err); status == kNeedsPlugins || status == kNeedsDevices) {
        // The helper programs sit beside this one, whatever TARVIO_HOME says: they are part of
        // the program, not of its data.
        std::string exe(4096, '\0');
        ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
        exe.resize(n > 0 ? size_t(n) : 0);
        const size_t slash = exe.rfind('/');
        const std::string program = (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/" +
                                    (status == kNeedsPlugins ? "tarvio-cli-plugins" : "tarvio-cli-devices");
        ::execv(program.c_str(), argv);
        return fail(kFailed, "cannot run " + program + ": " + std::strerror(errno));
    } else if (status != kOk) {
        out.flush();
        return fail(status, err);
    }
    if (!out.flush()) return fail(kFailed, std::string("cannot write the output: ") + std::strerror(out.error()));
    return kOk;
}

}  // namespace tarvio::cli
