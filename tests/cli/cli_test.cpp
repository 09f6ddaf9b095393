// tarvio-cli from the outside: songs are built through the model, saved, and the program's
// output is compared line by line with what its users rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "io/song_file.h"
#include "model/song.h"
#include "run_cli.h"

using namespace tarvio;
using clitest::lines;
using clitest::runCli;

namespace {

Event& add(EventList& list, int32_t step, Event e) {
    e.step = step;
    return *list.pushBack(std::move(e));
}

template <class F>
Event make(F&& set) {
    Event e;
    set(e);
    return e;
}

std::string save(const clitest::TempDir& dir, const Song& song, const std::string& name) {
    std::string path = dir.path(name);
    std::string err;
    EXPECT_TRUE(writeSongFile(path, song, &err)) << err;
    return path;
}

// One clear line on stderr, nothing on stdout, a failure status.
void expectFailure(const clitest::RunResult& r, const std::string& fragment) {
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
}

std::string markersJson(const std::array<uint32_t, kMarkerCount>& m) {
    std::string s = "[";
    for (size_t i = 0; i < m.size(); ++i) s += (i ? "," : "") + std::to_string(m[i]);
    return s + "]";
}

// A song that plays every kind of output record within a quarter note.
void buildPlayingSong(Song& song) {
    add(song.tempoTrack->events, 240, make([](Event& e) { e.setTempo(100); }));
    add(song.tempoTrack->events, 0, make([](Event& e) { e.setTempo(140); }));
    Track& t = song.createTrack();
    t.port = 2;
    t.channel = 3;
    add(t.events, 0, make([](Event& e) { e.setProgram(5, 1, 2); }));
    add(t.events, 120, make([](Event& e) { e.setNote(60, 100, 96); }));
    add(t.events, 0, make([](Event& e) { e.setControl(7, 90); }));
    add(t.events, 0, make([](Event& e) { e.setProgram(9); }));
    add(t.events, 0, make([](Event& e) { e.setChannelPressure(40); }));
    add(t.events, 0, make([](Event& e) { e.setBend(1000); }));
    add(t.events, 80, make([](Event& e) {
            e.setExclusive({0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0x00, 0xFB, 0xF7});
        }));
    add(t.events, 10, make([](Event& e) { e.setNote(62, 90, 10); }));
}

}  // namespace

TEST(CliInfo, PrintsTheWholeSongAsOneJsonObject) {
    clitest::TempDir dir;
    Song song;
    song.title = "Small";
    song.tempo = 90;
    song.tpqn = 96;
    song.setBeat(0, 3, 4);
    song.setBeat(5, 6, 8);
    song.markers[0] = 10;
    song.markers[63] = 4000000000u;
    add(song.tempoTrack->events, 0, make([](Event& e) { e.setTempo(90); }));
    Track& t = song.createTrack();
    t.name = "Lead";
    t.bankSet = "XG";
    t.port = 3;
    t.channel = 5;
    t.mute = 1;
    t.solo = 1;
    t.record = 2;
    t.offset = -240;
    t.transpose = 7;
    add(t.events, 96, make([](Event& e) { e.setNote(60, 100, 48); }));
    add(t.events, 0, make([](Event& e) { e.setLabel(); }));
    Track& p = song.createPhrase();
    p.name = "Riff";
    p.number = 9;

    auto r = runCli({"info", save(dir, song, "small.tvo")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string slots = R"("slots":["","","",""])";
    const std::string expected =
        R"({"title":"Small","rights":"","tempo":90,"tpqn":96,"beat":[3,4],"beats":[[5,6,8]],"markers":)" +
        markersJson(song.markers) +
        R"(,"tempo_track":{"number":0,"type":1,"name":"Tempo Trk.","bank_set":"GM","port":0,"channel":0,)"
        R"("mute":0,"solo":0,"record":0,"offset":0,"transpose":0,"events":1,)" +
        slots +
        R"(},"tracks":[{"number":1,"type":0,"name":"Lead","bank_set":"XG","port":3,"channel":5,)"
        R"("mute":1,"solo":1,"record":2,"offset":-240,"transpose":7,"events":2,)" +
        slots +
        R"(}],"phrases":[{"number":9,"type":11,"name":"Riff","bank_set":"GM","port":0,"channel":0,)"
        R"("mute":0,"solo":0,"record":0,"offset":0,"transpose":0,"events":0,)" +
        slots + "}]}\n";
    EXPECT_EQ(r.out, expected);
}

TEST(CliInfo, EscapesStringsAndKeepsEveryByte) {
    clitest::TempDir dir;
    Song song;
    song.title = "say \"hi\"\n";
    song.rights = "\xE8\x91\x97\xE4\xBD\x9C\xE6\xA8\xA9";  // Japanese passes through
    song.createTrack().name = "caf\xE9 \xFF";               // Latin-1 bytes do not

    auto r = runCli({"info", save(dir, song, "strings.tvo")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(R"("title":"say \"hi\"\n","rights":")" "\xE8\x91\x97\xE4\xBD\x9C\xE6\xA8\xA9\""),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("name":"caf\u00E9 \u00FF")"), std::string::npos) << r.out;
}

TEST(CliInfo, ShowsSlotNamesOfPluginsThatAreNotLoaded) {
    // Written by hand as another program would: one track whose slot 1 names a plug-in.
    std::string file = "emtr";
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) file += char((v >> (8 * i)) & 0xFF); };
    auto str = [&](const std::string& s) { u32(uint32_t(s.size())); file += s; };
    file += std::string("\0\0", 2);  // type Normal
    str("Echoed");
    str("GM");
    file += std::string(5, '\0');  // port, channel, mute, solo, record
    u32(0);                        // offset
    u32(0);                        // transpose
    file += '\0';                  // no events
    u32(0);                        // slot 0 free
    str("tarvioEcho");             // slot 1
    u32(0);                        // no stored parameters
    u32(0);
    u32(0);
    clitest::TempDir dir;
    std::string path = dir.path("slots.tvo");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);

    auto r = runCli({"info", path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(R"("name":"Echoed")"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(R"("slots":["","tarvioEcho","",""])"), std::string::npos) << r.out;
}

TEST(CliEvents, PrintsEveryPayloadKind) {
    clitest::TempDir dir;
    Song song;
    add(song.tempoTrack->events, 0, make([](Event& e) { e.setTempo(300); }));
    Track& t = song.createTrack();
    add(t.events, 480, make([](Event& e) { e.setNote(60, 100, 300); }));
    add(t.events, 0, make([](Event& e) { e.setProgram(5); }));
    add(t.events, 0, make([](Event& e) { e.setExclusive({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, 3, 4); }));
    add(t.events, 960, make([](Event& e) { e.setPhraseCall(PhraseCallData{9, 120, -5, 7, 2}); }));
    add(t.events, 1920, make([](Event& e) { e.setClone(CloneData{-3, 2, -480}); }));
    add(t.events, 0, make([](Event& e) { e.setComment("\xE6\x97\xA5\xE6\x9C\xAC memo"); }));
    add(t.events, 0, make([](Event& e) {
            ParameterBlock block;
            block.count = 3;
            e.setPluginParams(2, block);
        }));
    add(t.events, 0, make([](Event& e) { e.setRegisterOp(EventKind::Mov, 3, -5); }));
    add(t.events, 0, make([](Event& e) { e.setKindValue(EventKind::Else, 0); }));
    add(t.events, -1, make([](Event& e) { e.setKindValue(EventKind(0x4242), 0x04030201); }));
    Track& other = song.createTrack();
    add(other.events, 1, make([](Event& e) { e.setControl(7, 100); }));
    Track& phrase = song.createPhrase();
    phrase.number = 12;
    add(phrase.events, 240, make([](Event& e) { e.setBendBytes(64, 130); }));
    const std::string path = save(dir, song, "events.tvo");

    auto r = runCli({"events", path, "--track", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "480 0090 60 100 44 1",
                                "0 00C0 5 128 128 0",
                                "0 00F0 0 0 3 4 bytes=F0 7E 7F 09 01 F7",
                                "960 0101 0 0 0 0 call=9,120,-5,7,2",
                                "1920 0104 0 0 0 0 clone=2,-3,-480",
                                "0 0106 0 0 0 0 text=\xE6\x97\xA5\xE6\x9C\xAC memo",
                                "0 0103 2 0 0 0 params=3",
                                "0 1000 3 0 251 255",
                                "0 1200 0 0 0 0",
                                "-1 4242 1 2 3 4",
                            }));

    r = runCli({"events", path, "--track", "1"});
    EXPECT_EQ(r.out, "1 00B0 7 100 0 0\n");
    r = runCli({"events", path, "--tempo"});
    EXPECT_EQ(r.out, "0 FF51 44 1 0 0\n");
    r = runCli({"events", path, "--phrase", "12"});
    EXPECT_EQ(r.out, "240 00E0 64 130 0 0\n");
}

TEST(CliExpand, PrintsEveryRecordAtItsTickUntilTheSongEnds) {
    clitest::TempDir dir;
    Song song;
    buildPlayingSong(song);
    const std::string path = save(dir, song, "play.tvo");

    auto r = runCli({"expand", path});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> all = {
        "0 0 tempo 100",
        "0 2 B3 00 01",  // bank select before the program change
        "0 2 B3 20 02",
        "0 2 C3 05",
        "0 2 93 3C 64",
        "96 2 83 3C 40",  // note-off when the gate has run
        "120 2 B3 07 5A",
        "120 2 C3 09",  // no bank bytes, no bank select
        "120 2 D3 28",
        "120 2 E3 68 47",
        "120 2 F0 41 10 42 12 40 00 7F 00 41 F7",  // checksum resolved, markers dropped
        "200 2 93 3E 5A",
        "210 2 83 3E 40",
        "240 0 tempo 140",
    };
    EXPECT_EQ(lines(r.out), all);

    r = runCli({"expand", path, "--to", "96"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), std::vector<std::string>(all.begin(), all.begin() + 6));
}

TEST(CliExpand, LocatePrintsTheChaseAtTheStartTick) {
    clitest::TempDir dir;
    Song song;
    buildPlayingSong(song);
    auto r = runCli({"expand", "--locate", "150", save(dir, song, "play.tvo"), "--to", "210"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "150 0 B0 40 00",
                                "150 0 tempo 100",
                                "150 2 B3 40 00",
                                "150 2 C3 09",  // the last program only
                                "150 2 B3 07 5A",
                                "150 2 E3 68 47",
                                "150 2 D3 28",
                                "200 2 93 3E 5A",
                                "210 2 83 3E 40",
                            }));
}

TEST(CliConvert, RoundTripIsByteIdentical) {
    clitest::TempDir dir;
    Song song;
    buildPlayingSong(song);
    song.title = "round trip";
    song.setBeat(2, 7, 8);
    Track& p = song.createPhrase();
    add(p.events, 48, make([](Event& e) { e.setComment("phrase"); }));
    add(song.tracks.front()->events, 0, make([](Event& e) { e.setPhraseCall(PhraseCallData{1, 0, 2, 0, 1}); }));
    const std::string in = save(dir, song, "in.tvo");
    const std::string out = dir.path("out.song");

    auto r = runCli({"convert", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(clitest::readFile(out), clitest::readFile(in));
}

TEST(CliErrors, EachFailureIsOneLineAndANonZeroStatus) {
    clitest::TempDir dir;
    Song song;
    song.createTrack();
    const std::string path = save(dir, song, "one.tvo");
    const std::string missing = dir.path("missing.tvo");

    expectFailure(runCli({"info", missing}), missing);
    expectFailure(runCli({"info", dir.path("")}), "cannot");  // a folder is not a song
    expectFailure(runCli({"info", path, "--bogus"}), "unknown option '--bogus'");
    expectFailure(runCli({"events", path, "--track", "1"}), "out of range");
    expectFailure(runCli({"events", path, "--phrase", "4"}), "no phrase numbered 4");
    expectFailure(runCli({"events", path}), "--tempo");
    expectFailure(runCli({"events", path, "--tempo", "--track", "0"}), "only one");
    expectFailure(runCli({"expand", path, "--to", "12x"}), "bad number '12x'");
    expectFailure(runCli({"expand", path, "--to", "-1"}), "bad number");
    expectFailure(runCli({"expand", path, "--locate", "2147483648"}), "bad number");
    expectFailure(runCli({"expand", path, "--locate"}), "--locate needs a value");
    expectFailure(runCli({"info", path, "--to", "5"}), "does not apply");
    expectFailure(runCli({"info", path, "extra"}), "unexpected argument 'extra'");
    expectFailure(runCli({"info"}), "needs a SONG");
    expectFailure(runCli({"convert", path}), "needs IN and OUT");
    expectFailure(runCli({}), "no command");
    expectFailure(runCli({"dance", path}), "unknown command 'dance'");
    expectFailure(runCli({"info", path, "--procedure", missing}), "procedure");
}

TEST(CliOptions, MayStandBeforeOrAfterTheArguments) {
    clitest::TempDir dir;
    Song song;
    Track& t = song.createTrack();
    add(t.events, 10, make([](Event& e) { e.setNote(64, 80, 5); }));
    const std::string path = save(dir, song, "order.tvo");
    const std::string expected = "10 0090 64 80 5 0\n";

    EXPECT_EQ(runCli({"--track", "0", "events", path}).out, expected);
    EXPECT_EQ(runCli({"events", "--track", "0", path}).out, expected);
    EXPECT_EQ(runCli({"events", path, "--track=0"}).out, expected);

    // A procedure file is accepted by every command; an empty one defines nothing.
    const std::string proc = dir.path("procedure.dat");
    FILE* f = std::fopen(proc.c_str(), "w");
    ASSERT_TRUE(f);
    std::fclose(f);
    auto r = runCli({"expand", path, "--procedure", proc, "--to", "20"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 0 90 40 50\n5 0 80 40 40\n");

    r = runCli({"info", path, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: tarvio-cli", 0), 0u) << r.out;
}

namespace {

// A format-0 file at division 96: tempo 120, program 5, and middle C held for 60 ticks.
std::string tinyMidi() {
    const unsigned char bytes[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
        'M', 'T', 'r', 'k', 0, 0, 0, 22,
        0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20,
        0, 0xC0, 5,
        0, 0x90, 60, 100,
        60, 0x80, 60, 64,
        0, 0xFF, 0x2F, 0,
    };
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

void writeBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool hasLine(const clitest::RunResult& r, const std::string& line) {
    auto all = lines(r.out);
    return std::find(all.begin(), all.end(), line) != all.end();
}

const std::string kGsReset = "F0 41 10 42 12 40 00 7F 00 41 F7";

// Command 2 on channel 3, which the shipped definitions make a GS reset.
std::string saveCommandSong(const clitest::TempDir& dir) {
    Song song;
    Track& t = song.createTrack();
    t.channel = 3;
    add(t.events, 10, make([](Event& e) { e.setCommand(2, 0, 0); }));
    return save(dir, song, "command.tvo");
}

}  // namespace

TEST(CliMidi, ConvertsInEveryDirectionAndOpensMidiSongs) {
    clitest::TempDir dir;
    const std::string mid = dir.path("tiny.MID");
    writeBytes(mid, tinyMidi());
    // Format 0 sends a program with bank 0/0; the gate of 60 ticks at 96 becomes 300 at 480.
    const std::vector<std::string> played = {"0 0 B0 00 00", "0 0 B0 20 00", "0 0 C0 05", "0 0 90 3C 64",
                                             "300 0 80 3C 40"};

    auto r = runCli({"expand", mid});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), played);

    const std::string tvo = dir.path("tiny.tvo");
    r = runCli({"convert", mid, tvo});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(runCli({"expand", tvo}).out), played);

    const std::string fromSong = dir.path("from-song.mid");
    const std::string fromMidi = dir.path("from-midi.mid");
    ASSERT_EQ(runCli({"convert", tvo, fromSong}).status, 0);
    r = runCli({"convert", mid, fromMidi});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& out : {fromSong, fromMidi}) {
        // Format 1 at the song's resolution, read back to the same notes.
        EXPECT_EQ(clitest::readFile(out).substr(0, 12), std::string("MThd\0\0\0\6\0\1\0", 11) + '\x11') << out;
        r = runCli({"expand", out});
        EXPECT_TRUE(hasLine(r, "0 0 90 3C 64") && hasLine(r, "300 0 80 3C 40")) << out << "\n" << r.out;
    }

    // --tpqn chooses the resolution of the import, for every command.
    r = runCli({"info", mid, "--tpqn", "96"});
    EXPECT_NE(r.out.find(R"("tpqn":96,)"), std::string::npos) << r.out;
    EXPECT_TRUE(hasLine(runCli({"expand", "--tpqn=96", mid}), "60 0 80 3C 40"));
}

TEST(CliMidi, RefusesBadResolutionsAndFilesThatAreNotMidi) {
    clitest::TempDir dir;
    const std::string mid = dir.path("tiny.mid");
    writeBytes(mid, tinyMidi());
    const std::string out = dir.path("out.tvo");

    for (const char* bad : {"100", "0", "481", "1920"}) {
        auto r = runCli({"convert", mid, out, "--tpqn", bad});
        EXPECT_NE(r.status, 0) << bad;
        EXPECT_NE(r.err.find("960, 480, 192, 96 or 48"), std::string::npos) << r.err;
    }
    expectFailure(runCli({"info", mid, "--tpqn", "100"}), "bad --tpqn 100");

    const std::string notMidi = dir.path("text.mid");
    writeBytes(notMidi, "hello, this is not a MIDI file");
    auto r = runCli({"convert", notMidi, out});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(notMidi), std::string::npos) << r.err;
    expectFailure(runCli({"convert", dir.path("missing.mid"), out}), "missing.mid");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliPhrases, ExportedPhraseImportsAsTheLowestFreeNumber) {
    clitest::TempDir dir;
    Song from;
    from.createPhrase();
    Track& src = from.createPhrase();  // number 2
    add(src.events, 96, make([](Event& e) { e.setNote(60, 100, 90); }));
    add(src.events, 0, make([](Event& e) { e.setExclusive({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); }));
    add(src.events, 48, make([](Event& e) { e.setComment("end"); }));
    const std::string fromPath = save(dir, from, "from.tvo");
    const std::string tvp = dir.path("Hook.tvp");

    auto r = runCli({"phrase-export", fromPath, "2", tvp});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");

    Song into;
    into.createPhrase();
    into.createPhrase();
    into.createPhrase();
    into.removePhrase(2);
    const std::string intoPath = save(dir, into, "into.tvo");
    const std::string outPath = dir.path("out.tvo");
    r = runCli({"phrase-import", intoPath, tvp, outPath});
    ASSERT_EQ(r.status, 0) << r.err;

    r = runCli({"info", outPath});
    EXPECT_NE(r.out.find(R"({"number":2,"type":11,"name":"Hook",)"), std::string::npos) << r.out;
    EXPECT_EQ(runCli({"events", outPath, "--phrase", "2"}).out, runCli({"events", fromPath, "--phrase", "2"}).out);
    EXPECT_EQ(lines(runCli({"events", outPath, "--phrase", "2"}).out).size(), 3u);
}

TEST(CliPhrases, RefusesMissingPhrasesAndForeignFiles) {
    clitest::TempDir dir;
    Song song;
    song.createPhrase();
    const std::string path = save(dir, song, "song.tvo");
    const std::string tvp = dir.path("p.tvp");
    const std::string out = dir.path("out.tvo");

    expectFailure(runCli({"phrase-export", path, "7", tvp}), "no phrase numbered 7");
    expectFailure(runCli({"phrase-export", path, "x1", tvp}), "bad phrase number 'x1'");
    expectFailure(runCli({"phrase-export", path, "1"}), "needs SONG, NUMBER and OUT");
    EXPECT_FALSE(std::filesystem::exists(tvp));

    ASSERT_EQ(runCli({"phrase-export", path, "1", tvp}).status, 0);
    std::string v2 = clitest::readFile(tvp);
    v2[4] = 2;
    writeBytes(tvp, v2);
    expectFailure(runCli({"phrase-import", path, tvp, out}), "phrase file version 2 is not supported");
    expectFailure(runCli({"phrase-import", path, path, out}), "not a phrase file");
    expectFailure(runCli({"phrase-import", path, dir.path("none.tvp"), out}), "none.tvp");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliProcedure, CommandsSoundFromTheNamedOrTheShippedDefinitions) {
    clitest::TempDir dir;
    const std::string song = saveCommandSong(dir);
    const std::string expected = "0 0 " + kGsReset + "\n";
    const std::string empty = dir.path("empty");
    const std::string home = dir.path("home");
    std::filesystem::create_directory(empty);
    std::filesystem::create_directory(home);
    std::filesystem::copy_file(std::string(TARVIO_SOURCE_DIR) + "/data/procedure.dat", home + "/procedure.dat");
    const std::string proc = dir.path("defs.txt");
    writeBytes(proc, "def=2\r\nname=GS Reset\r\nexclusive=41,10,42,12,[,40,00,7F,00,]\r\n");

    // Without definitions the command is silent.
    auto r = runCli({"expand", song}, {"TARVIO_HOME=" + empty});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(runCli({"expand", song, "--procedure", proc}, {"TARVIO_HOME=" + empty}).out, expected);
    EXPECT_EQ(runCli({"expand", song}, {"TARVIO_HOME=" + home}).out, expected);
    // Without TARVIO_HOME the folder of the program is used: the build put the file there.
    EXPECT_EQ(runCli({"expand", song}, {"-u", "TARVIO_HOME"}).out, expected);

    // The export plays the song too, so the command reaches the file resolved.
    const std::string mid = dir.path("out.mid");
    ASSERT_EQ(runCli({"convert", song, mid, "--procedure", proc}).status, 0);
    const std::string sysex("\xF0\x0A\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 12);
    EXPECT_NE(clitest::readFile(mid).find(sysex), std::string::npos);
}
