// tarvio-cli from the outside: songs are built through the model, saved, and the program's
// output is compared line by line with what its users rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
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

std::string save(const clitest::TempDir& dir, const Song& song, const std::string& name) {
    std::string path = dir.path(name), err;
    EXPECT_TRUE(writeSongFile(path, song, &err)) << err;
    return path;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(std::ofstream(path, std::ios::binary) << bytes) << path;
}

bool has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// One clear line on stderr, nothing on stdout, a failure status.
void expectFailure(const clitest::RunResult& r, const std::string& fragment) {
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(!r.err.empty() && r.err.back() == '\n' && has(r.err, fragment)) << fragment << " in " << r.err;
}

// A song that plays every kind of output record within a quarter note; its phrase plays nothing.
void buildPlayingSong(Song& song) {
    song.title = "round trip";
    song.setBeat(2, 7, 8);
    append(song.createPhrase().events, 48, [](Event& e) { e.setComment("phrase"); });
    append(song.tempoTrack->events, 240, [](Event& e) { e.setTempo(100); });
    append(song.tempoTrack->events, 0, [](Event& e) { e.setTempo(140); });
    Track& t = song.createTrack();
    t.port = 2, t.channel = 3;
    append(t.events, 0, [](Event& e) { e.setProgram(5, 1, 2); });
    append(t.events, 120, [](Event& e) { e.setNote(60, 100, 96); });
    append(t.events, 0, [](Event& e) { e.setControl(7, 90); });
    append(t.events, 0, [](Event& e) { e.setProgram(9); });
    append(t.events, 0, [](Event& e) { e.setChannelPressure(40); });
    append(t.events, 0, [](Event& e) { e.setBend(1000); });
    append(t.events, 80, [](Event& e) {
        e.setExclusive({0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0x00, 0xFB, 0xF7});
    });
    append(t.events, 10, [](Event& e) { e.setNote(62, 90, 10); });
    append(t.events, 0, [](Event& e) { e.setPhraseCall(PhraseCallData{1, 0, 2, 0, 1}); });
}

// A format-0 file at division 96: tempo 120, program 5, and middle C held for 60 ticks.
const std::string kTinyMidi("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x16"
                            "\0\xFF\x51\3\x07\xA1\x20\0\xC0\5\0\x90\x3C\x64\x3C\x80\x3C\x40\0\xFF\x2F\0", 44);

}  // namespace

// The strings go through the escaping (its cases are in json_test), and a slot keeps the name of
// a plug-in that is not loaded: slot 1 of the last container is rewritten to name one.
TEST(CliInfo, PrintsTheWholeSongAsOneJsonObject) {
    clitest::TempDir dir;
    Song song;
    song.title = "say \"hi\"", song.tempo = 90, song.tpqn = 96;
    song.setBeat(0, 3, 4);
    song.setBeat(5, 6, 8);
    song.markers[0] = 10, song.markers[63] = 4000000000u;
    append(song.tempoTrack->events, 0, [](Event& e) { e.setTempo(90); });
    Track& t = song.createTrack();
    t.name = "caf\xE9", t.bankSet = "XG", t.port = 3, t.channel = 5;
    t.mute = 1, t.solo = 1, t.record = 2, t.offset = -240, t.transpose = 7;
    append(t.events, 96, [](Event& e) { e.setNote(60, 100, 48); });
    append(t.events, 0, [](Event& e) { e.setLabel(); });
    Track& p = song.createPhrase();
    p.name = "Riff", p.number = 9;
    std::string file = clitest::readFile(save(dir, song, "small.tvo"));
    file.resize(file.size() - 12);
    writeBytes(dir.path("slots.tvo"), file + std::string("\12\0\0\0tarvioEcho", 14) + std::string(12, '\0'));

    auto r = runCli({"info", dir.path("slots.tvo")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string markers = "[10";
    for (int i = 1; i < 63; ++i) markers += ",0";
    const std::string slots = R"("slots":["","","",""])";
    EXPECT_EQ(r.out,
              R"({"title":"say \"hi\"","rights":"","tempo":90,"tpqn":96,"beat":[3,4],"beats":[[5,6,8]],)"
              R"("markers":)" +
                  markers + R"(,4000000000],"tempo_track":{"number":0,"type":1,"name":"Tempo Trk.","bank_set":"GM",)"
                  R"("port":0,"channel":0,"mute":0,"solo":0,"record":0,"offset":0,"transpose":0,"events":1,)" +
                  slots +
                  R"(},"tracks":[{"number":1,"type":0,"name":"caf\u00E9","bank_set":"XG","port":3,"channel":5,)"
                  R"("mute":1,"solo":1,"record":2,"offset":-240,"transpose":7,"events":2,)" +
                  slots +
                  R"(}],"phrases":[{"number":9,"type":11,"name":"Riff","bank_set":"GM","port":0,"channel":0,)"
                  R"("mute":0,"solo":0,"record":0,"offset":0,"transpose":0,"events":0,)"
                  R"("slots":["","tarvioEcho","",""]}]})" "\n");
}

TEST(CliEvents, PrintsEveryPayloadKind) {
    clitest::TempDir dir;
    Song song;
    append(song.tempoTrack->events, 0, [](Event& e) { e.setTempo(300); });
    Track& t = song.createTrack();
    append(t.events, 480, [](Event& e) { e.setNote(60, 100, 300); });
    append(t.events, 0, [](Event& e) { e.setProgram(5); });
    append(t.events, 0, [](Event& e) { e.setExclusive({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, 3, 4); });
    append(t.events, 960, [](Event& e) { e.setPhraseCall(PhraseCallData{9, 120, -5, 7, 2}); });
    append(t.events, 1920, [](Event& e) { e.setClone(CloneData{-3, 2, -480}); });
    append(t.events, 0, [](Event& e) { e.setComment("\xE6\x97\xA5\xE6\x9C\xAC memo"); });
    append(t.events, 0, [](Event& e) { ParameterBlock b; b.count = 3; e.setPluginParams(2, b); });
    append(t.events, 0, [](Event& e) { e.setRegisterOp(EventKind::Mov, 3, -5); });
    append(t.events, 0, [](Event& e) { e.setKindValue(EventKind::Else, 0); });
    append(t.events, -1, [](Event& e) { e.setKindValue(EventKind(0x4242), 0x04030201); });
    append(song.createTrack().events, 1, [](Event& e) { e.setControl(7, 100); });
    Track& phrase = song.createPhrase();
    phrase.number = 12;
    append(phrase.events, 240, [](Event& e) { e.setBendBytes(64, 130); });
    const std::string path = save(dir, song, "events.tvo");

    auto r = runCli({"events", path, "--track", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (Lines{"480 0090 60 100 44 1", "0 00C0 5 128 128 0",
                                   "0 00F0 0 0 3 4 bytes=F0 7E 7F 09 01 F7", "960 0101 0 0 0 0 call=9,120,-5,7,2",
                                   "1920 0104 0 0 0 0 clone=2,-3,-480",
                                   "0 0106 0 0 0 0 text=\xE6\x97\xA5\xE6\x9C\xAC memo", "0 0103 2 0 0 0 params=3",
                                   "0 1000 3 0 251 255", "0 1200 0 0 0 0", "-1 4242 1 2 3 4"}));
    // Options may stand before or after the command and its arguments.
    for (const Lines& args : {Lines{"--track", "1", "events", path}, Lines{"events", "--track", "1", path},
                              Lines{"events", path, "--track=1"}})
        EXPECT_EQ(runCli(args).out, "1 00B0 7 100 0 0\n") << args[0];
    EXPECT_EQ(runCli({"events", path, "--tempo"}).out, "0 FF51 44 1 0 0\n");
    EXPECT_EQ(runCli({"events", path, "--phrase", "12"}).out, "240 00E0 64 130 0 0\n");
    r = runCli({"info", path, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: tarvio-cli", 0), 0u) << r.out;
}

TEST(CliExpand, PrintsEveryRecordChasesALocateAndConvertsByteIdentical) {
    clitest::TempDir dir;
    Song song;
    buildPlayingSong(song);
    const std::string path = save(dir, song, "play.tvo");

    auto r = runCli({"expand", path});
    ASSERT_EQ(r.status, 0) << r.err;
    const Lines all = {
        "0 0 tempo 100", "0 2 B3 00 01", "0 2 B3 20 02", "0 2 C3 05",  // bank select before the program
        "0 2 93 3C 64", "96 2 83 3C 40",                                 // note-off when the gate has run
        "120 2 B3 07 5A", "120 2 C3 09", "120 2 D3 28", "120 2 E3 68 47",  // no bank bytes, no bank select
        "120 2 F0 41 10 42 12 40 00 7F 00 41 F7",                          // checksum resolved, markers dropped
        "200 2 93 3E 5A", "210 2 83 3E 40", "240 0 tempo 140",
    };
    EXPECT_EQ(lines(r.out), all);
    EXPECT_EQ(lines(runCli({"expand", path, "--to", "96"}).out), Lines(all.begin(), all.begin() + 6));

    r = runCli({"expand", "--locate", "150", path, "--to", "210"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (Lines{"150 0 B0 40 00", "150 0 tempo 100", "150 2 B3 40 00",
                                   "150 2 C3 09",  // the last program only
                                   "150 2 B3 07 5A", "150 2 E3 68 47", "150 2 D3 28", "200 2 93 3E 5A",
                                   "210 2 83 3E 40"}));

    const std::string out = dir.path("out.song");
    r = runCli({"convert", path, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(clitest::readFile(out), clitest::readFile(path));
}

// The phrase file that the version cases start from is first imported whole: the phrase comes in
// under the file's name with its events (numbering and payloads are checked in the phrase file
// tests).
TEST(CliErrors, EachFailureIsOneLineAndANonZeroStatus) {
    clitest::TempDir dir;
    Song song;
    song.createTrack();
    append(song.createPhrase().events, 96, [](Event& e) { e.setNote(60, 100, 90); });
    const std::string path = save(dir, song, "one.tvo"), missing = dir.path("missing.tvo");
    const std::string mid = dir.path("tiny.mid"), two = dir.path("two.tvo");
    const std::string out = dir.path("out.tvo"), tvp = dir.path("p.tvp"), v2 = dir.path("v2.tvp");
    writeBytes(mid, kTinyMidi);
    ASSERT_EQ(runCli({"phrase-export", path, "1", v2}).status, 0);
    ASSERT_EQ(runCli({"phrase-import", path, v2, two}).status, 0);
    EXPECT_TRUE(has(runCli({"info", two}).out, R"({"number":2,"type":11,"name":"v2",)"));
    EXPECT_EQ(runCli({"events", two, "--phrase", "2"}).out, "96 0090 60 100 90 0\n");
    std::string bytes = clitest::readFile(v2);
    bytes[4] = 2;
    writeBytes(v2, bytes);

    const std::vector<std::pair<Lines, std::string>> cases = {
        {{"info", missing}, missing},
        {{"info", dir.path("")}, "cannot"},  // a folder is not a song
        {{"info", path, "--bogus"}, "unknown option '--bogus'"},
        {{"events", path, "--track", "1"}, "out of range"},
        {{"events", path, "--phrase", "4"}, "no phrase numbered 4"},
        {{"events", path}, "--tempo"},
        {{"events", path, "--tempo", "--track", "0"}, "only one"},
        {{"expand", path, "--to", "12x"}, "bad number '12x'"},
        {{"expand", path, "--to", "-1"}, "bad number"},
        {{"expand", path, "--locate", "2147483648"}, "bad number"},
        {{"expand", path, "--locate"}, "--locate needs a value"},
        {{"info", path, "--to", "5"}, "does not apply"},
        {{"info", path, "extra"}, "unexpected argument 'extra'"},
        {{"info"}, "needs a SONG"},
        {{"convert", path}, "needs IN and OUT"},
        {{}, "no command"},
        {{"dance", path}, "unknown command 'dance'"},
        {{"info", path, "--procedure", missing}, "procedure"},
        {{"info", mid, "--tpqn", "100"}, "bad --tpqn 100"},
        {{"convert", mid, out, "--tpqn", "0"}, "960, 480, 192, 96 or 48"},
        {{"convert", dir.path("missing.mid"), out}, "missing.mid"},
        {{"phrase-export", path, "7", tvp}, "no phrase numbered 7"},
        {{"phrase-export", path, "x1", tvp}, "bad phrase number 'x1'"},
        {{"phrase-export", path, "1"}, "needs SONG, NUMBER and OUT"},
        {{"phrase-import", path, v2, out}, "phrase file version 2 is not supported"},
        {{"phrase-import", path, path, out}, "not a phrase file"},
        {{"phrase-import", path, dir.path("none.tvp"), out}, "none.tvp"},
        {{"quantize", path, out, "--track", "0", "--pattern", "0|x|"}, "bad --pattern '0|x|'"},
        {{"quantize", path, out, "--track", "1"}, "out of range"},
        {{"quantize", path, out, "--phrase", "9"}, "no phrase numbered 9"},
        {{"quantize", path, out}, "--tempo"},
        {{"quantize", path, out, "--track", "0", "--groove", "10", "--tuplet", "3"}, "only one"},
        {{"quantize", path, out, "--track", "0", "--range", "5-5"}, "bad --range"},
        {{"quantize", path, out, "--track", "0", "--rate", "101"}, "bad number '101'"},
        {{"events", path, "--track", "0", "--rate", "50"}, "does not apply"},
    };
    for (const auto& [args, fragment] : cases) {
        SCOPED_TRACE(args.empty() ? "(none)" : args[0] + " ... " + args.back());
        expectFailure(runCli(args), fragment);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(tvp));
}

// quantize writes the song with one list's notes moved; the other lists stay as they were.
TEST(CliQuantize, MovesTheNotesOfTheChosenListAndRange) {
    clitest::TempDir dir;
    Song song;
    Track& t = song.createTrack();
    append(t.events, 130, [](Event& e) { e.setNote(60, 100, 100); });  // tick 0
    append(t.events, 230, [](Event& e) { e.setNote(62, 100, 100); });  // tick 130
    append(t.events, 0, [](Event& e) { e.setNote(64, 100, 100); });    // tick 360
    append(song.createPhrase().events, 130, [](Event& e) { e.setNote(60, 100, 100); });
    const std::string path = save(dir, song, "q.tvo"), out = dir.path("out.tvo");
    auto notes = [](int a, int b, int c = 0) {
        return Lines{std::to_string(a) + " 0090 60 100 100 0", std::to_string(b) + " 0090 62 100 100 0",
                     std::to_string(c) + " 0090 64 100 100 0"};
    };
    const std::vector<std::pair<Lines, Lines>> cases = {
        {{"--length", "240"}, notes(240, 240)},  // 360 ties between 240 and 480: the later
        {{"--length", "240", "--rate", "50"}, notes(185, 235)},
        {{"--length", "240", "--range", "0-200"}, notes(240, 120)},
        {{"--pattern", "160|"}, notes(160, 160, 40)},  // the list keeps its length
        {{"--length", "240", "--tuplet", "3"}, notes(160, 240)},
        {{"--length", "180", "--groove", "33"}, notes(240, 120)},  // grid 0, 240, 360, ...
    };
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options.back());
        std::filesystem::remove(out);
        Lines args = {"quantize", path, out, "--track", "0"};
        args.insert(args.end(), options.begin(), options.end());
        const auto r = runCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(runCli({"events", out, "--track", "0"}).out), expected);
        EXPECT_EQ(runCli({"events", out, "--phrase", "1"}).out, "130 0090 60 100 100 0\n");
    }
}

// A take written by another program: one track, division 96, imported at 480 and written back
// as a MIDI file, with the late notes pulled onto the eighths.
TEST(CliQuantize, QuantizesAMidiFileWrittenByAnotherProgram) {
    clitest::TempDir dir;
    const std::string in = dir.path("take.mid"), out = dir.path("tight.mid");
    if (!clitest::csvmidi(dir,
                          "0, 0, Header, 1, 2, 96\n1, 0, Start_track\n1, 0, Tempo, 500000\n1, 0, End_track\n"
                          "2, 0, Start_track\n2, 5, Note_on_c, 0, 60, 100\n2, 40, Note_off_c, 0, 60, 0\n"
                          "2, 50, Note_on_c, 0, 62, 90\n2, 90, Note_off_c, 0, 62, 0\n2, 96, End_track\n"
                          "0, 0, End_of_file\n",
                          in))
        GTEST_SKIP() << "csvmidi is not installed";
    // The file's tempo-only track imports as track 0, so the notes are on track 1.
    const auto r = runCli({"quantize", in, out, "--track", "1", "--length", "240"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Ticks ×5: the notes started at 25 and 250. The written file's first track is the tempo
    // track, so the notes come back on track 2, the first at 0 (its leading rest now empty).
    EXPECT_EQ(lines(runCli({"events", out, "--track", "2"}).out),
              (Lines{"240 0090 60 100 175 0", "242 0090 62 90 200 0"}));
}

// A file of another kind fails in every command. A damaged file (cut off) is shown with one
// warning line, and refused by the commands that write what they read unless --force is given.
// The song-file cases rely on the song file reader reporting a cut-off file as damaged and a
// text file as not a song file.
TEST(CliDamage, ForeignFilesFailAndDamagedFilesWarnOrAreRefused) {
    clitest::TempDir dir;
    Song song;
    Track& t = song.createTrack();
    for (int i = 0; i < 40; ++i) append(t.events, 120, [&](Event& e) { e.setNote(uint8_t(40 + i), 100, 60); });
    song.createPhrase();
    const std::string whole = clitest::readFile(save(dir, song, "whole.tvo"));
    // Cut inside the track's events, and a MIDI file cut inside its track.
    const std::string tvo = dir.path("cut.tvo"), mid = dir.path("cut.mid");
    writeBytes(tvo, whole.substr(0, whole.find("emtr") + 200));
    writeBytes(mid, kTinyMidi.substr(0, kTinyMidi.size() - 6));
    const std::string passwd = dir.path("passwd"), passwdMid = dir.path("passwd.mid"), tvp = dir.path("p.tvp");
    writeBytes(passwd, "root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n");
    std::filesystem::copy_file(passwd, passwdMid);
    ASSERT_EQ(runCli({"phrase-export", save(dir, song, "whole.tvo"), "1", tvp}).status, 0);

    for (const std::string& foreign : {passwd, passwdMid}) {
        const std::string out = dir.path("out.tvo");
        for (const Lines& args : {Lines{"info", foreign}, Lines{"events", foreign, "--tempo"},
                                  Lines{"rows", foreign, "--tempo"}, Lines{"expand", foreign},
                                  Lines{"convert", foreign, out}, Lines{"phrase-export", foreign, "1", out},
                                  Lines{"phrase-import", foreign, tvp, out}, Lines{"convert", foreign, out, "--force"}}) {
            SCOPED_TRACE(args[0] + " " + foreign);
            auto r = runCli(args);
            expectFailure(r, foreign);
            EXPECT_EQ(r.status, 1);
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }

    for (const std::string& cut : {tvo, mid}) {
        SCOPED_TRACE(cut);
        const std::string warning = "tarvio-cli: warning: " + cut + " is damaged: reading stopped at byte ";
        for (const Lines& args : {Lines{"info", cut}, Lines{"events", cut, "--track", "0"},
                                  Lines{"rows", cut, "--track", "0"}, Lines{"expand", cut}}) {
            auto r = runCli(args);
            EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
            EXPECT_NE(r.out, "") << args[0];
            EXPECT_EQ(lines(r.err).size(), 1u) << args[0] << ": " << r.err;
            EXPECT_EQ(r.err.rfind(warning, 0), 0u) << args[0] << ": " << r.err;
        }
        const std::string out = dir.path("out.tvo"), outTvp = dir.path("out.tvp");
        for (const Lines& args : {Lines{"convert", cut, out}, Lines{"phrase-import", cut, tvp, out}}) {
            expectFailure(runCli(args), "--force");
            EXPECT_FALSE(std::filesystem::exists(out)) << args[0];
            Lines forced = args;
            forced.push_back("--force");
            auto r = runCli(forced);
            EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
            EXPECT_EQ(r.err.rfind(warning, 0), 0u) << r.err;
            EXPECT_TRUE(std::filesystem::remove(out)) << args[0];
        }
        expectFailure(runCli({"phrase-export", cut, "1", outTvp}), "damaged");
        EXPECT_FALSE(std::filesystem::exists(outTvp));
    }
    expectFailure(runCli({"info", mid, "--force"}), "--force does not apply to info");
}

// Only the device commands load the device stack: tarvio-cli links neither it nor the plug-in
// loader, and hands play, render and devices to tarvio-cli-devices beside it (and the commands
// that need plug-ins to tarvio-cli-plugins). A copy without its helpers still reads MIDI files.
TEST(CliPrograms, OnlyTheDeviceCommandsLoadTheDeviceStack) {
    clitest::TempDir dir;
    const std::string copy = dir.path("tarvio-cli"), mid = dir.path("tiny.mid");
    std::filesystem::copy_file(TARVIO_CLI_PATH, copy);
    writeBytes(mid, kTinyMidi);
    auto r = clitest::run(copy, {"expand", mid});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out).size(), 5u) << r.out;
    r = clitest::run(copy, {"devices"});
    expectFailure(r, "cannot run " + dir.path("tarvio-cli-devices"));
    EXPECT_EQ(r.status, 1);
    expectFailure(clitest::run(copy, {"plugins"}), "cannot run " + dir.path("tarvio-cli-plugins"));

    const std::string folder = std::filesystem::path(TARVIO_CLI_PATH).parent_path().string();
    for (const std::string& program : {std::string(TARVIO_CLI_PATH), folder + "/tarvio-cli-plugins"}) {
        r = clitest::run("/bin/sh", {"-c", "ldd " + clitest::shellQuote(program) + " 2>&1"});
        for (const char* lib : {"fluidsynth", "rtmidi", "asound", "jack"})
            EXPECT_FALSE(has(r.out, lib)) << program << ": " << r.out;
    }
}

TEST(CliMidi, ConvertsInEveryDirectionAndOpensMidiSongs) {
    clitest::TempDir dir;
    const std::string mid = dir.path("tiny.MID"), tvo = dir.path("tiny.tvo");
    const std::string fromSong = dir.path("from-song.mid"), fromMidi = dir.path("from-midi.mid");
    writeBytes(mid, kTinyMidi);
    // Format 0 sends a program with bank 0/0; the gate of 60 ticks at 96 becomes 300 at 480.
    const Lines played = {"0 0 B0 00 00", "0 0 B0 20 00", "0 0 C0 05", "0 0 90 3C 64", "300 0 80 3C 40"};

    auto r = runCli({"expand", mid});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), played);
    ASSERT_EQ(runCli({"convert", mid, tvo}).status, 0);
    EXPECT_EQ(lines(runCli({"expand", tvo}).out), played);
    ASSERT_EQ(runCli({"convert", tvo, fromSong}).status, 0);
    ASSERT_EQ(runCli({"convert", mid, fromMidi}).status, 0);
    for (const std::string& out : {fromSong, fromMidi}) {
        // Format 1 at the song's resolution, read back to the same notes.
        EXPECT_EQ(clitest::readFile(out).substr(0, 12), std::string("MThd\0\0\0\6\0\1\0", 11) + '\x11') << out;
        r = runCli({"expand", out});
        EXPECT_TRUE(has("\n" + r.out, "\n0 0 90 3C 64\n") && has(r.out, "\n300 0 80 3C 40\n")) << out << "\n" << r.out;
    }

    // What a file holds decides how it is read, not its name.
    const std::string songAsMid = dir.path("song.mid"), midiAsTvo = dir.path("midi.tvo");
    std::filesystem::copy_file(tvo, songAsMid);
    writeBytes(midiAsTvo, kTinyMidi);
    for (const std::string& path : {songAsMid, midiAsTvo}) {
        r = runCli({"expand", path});
        EXPECT_EQ(r.status, 0) << path << ": " << r.err;
        EXPECT_EQ(lines(r.out), played) << path;
    }

    // --tpqn chooses the resolution of the import, for every command.
    EXPECT_TRUE(has(runCli({"info", mid, "--tpqn", "96"}).out, R"("tpqn":96,)"));
    EXPECT_TRUE(has(runCli({"expand", "--tpqn=96", mid}).out, "\n60 0 80 3C 40\n"));
}

TEST(CliProcedure, CommandsSoundFromTheNamedOrTheShippedDefinitions) {
    clitest::TempDir dir;
    Song s;
    Track& t = s.createTrack();
    t.channel = 3;
    append(t.events, 10, [](Event& e) { e.setCommand(2, 0, 0); });  // a GS reset in the shipped definitions
    const std::string song = save(dir, s, "command.tvo"), expected = "0 0 F0 41 10 42 12 40 00 7F 00 41 F7\n";
    const std::string empty = dir.path("empty"), proc = dir.path("defs.txt");
    std::filesystem::create_directory(empty);
    writeBytes(proc, "def=2\r\nname=GS Reset\r\nexclusive=41,10,42,12,[,40,00,7F,00,]\r\n");

    writeBytes(dir.path("blank.txt"), "");
    const std::vector<std::tuple<Lines, Lines, std::string>> cases = {
        {{"expand", song}, {"TARVIO_HOME=" + empty}, ""},  // no definitions: the command is silent
        {{"expand", song, "--procedure", proc}, {"TARVIO_HOME=" + empty}, expected},
        {{"expand", song, "--procedure", dir.path("blank.txt")}, {}, ""},  // read, defines nothing
        // An empty TARVIO_HOME (and none, as in the other tests) means the folder of the program:
        // the build put the file there.
        {{"expand", song}, {"TARVIO_HOME="}, expected},
    };
    for (const auto& [args, env, want] : cases) {
        auto r = runCli(args, env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, want) << args.back() << " " << env.size();
    }

    // The export plays the song too, so the command reaches the file resolved.
    const std::string mid = dir.path("out.mid");
    ASSERT_EQ(runCli({"convert", song, mid, "--procedure", proc}).status, 0);
    EXPECT_TRUE(has(clitest::readFile(mid), std::string("\xF0\x0A\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 12)));
}
