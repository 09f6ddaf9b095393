// Standard MIDI File export: exact bytes of an empty song, tracks written as they play tick by
// tick, and an independent reader (mido) agreeing with the song's own expansion.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "expand/emitter.h"
#include "expand/song_play.h"
#include "io/smf.h"
#include "model/song.h"

using namespace tarvio;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

std::string hex(const uint8_t* p, size_t n) {
    std::string s;
    for (char buf[4]; n--; s += buf) std::snprintf(buf, sizeof buf, " %02X", *p++);
    return s;
}

Bytes exportOf(Song& song) {
    Emitter em;
    return exportSmf(song, em);
}

Event ev(int32_t step, auto set) {
    Event e;
    set(e);
    e.step = step;
    return e;
}
Event note(uint8_t n, uint8_t v, uint16_t gate, int32_t step) {
    return ev(step, [&](Event& e) { e.setNote(n, v, gate); });
}
Event kind(EventKind k, int32_t step) { return ev(step, [&](Event& e) { e.setKindValue(k, 0); }); }
Event tempo(uint32_t bpm, int32_t step) { return ev(step, [&](Event& e) { e.setTempo(bpm); }); }
Event regOp(EventKind op, uint16_t reg, int16_t v, int32_t step = 0) {
    return ev(step, [&](Event& e) { e.setRegisterOp(op, reg, v); });
}
Event call(uint32_t phrase, int32_t transpose, int32_t step, int32_t offset = 0, uint32_t mode = 0) {
    return ev(step, [&](Event& e) { e.setPhraseCall(PhraseCallData{phrase, offset, transpose, 0, mode}); });
}
void add(Track& t, std::initializer_list<Event> events) {
    for (const Event& e : events) t.events.pushBack(e);
}

Track& namedTrack(Song& song, const char* name, uint8_t channel) {
    Track& t = song.createTrack();
    t.name = name;
    t.channel = channel;
    return t;
}

// The line a record would take in a chunk.
std::string recordLine(int64_t tick, const OutputList& out, const OutputRecord& r) {
    if (r.status() == 0xF0) return std::to_string(tick) + hex(out.sysexBytes(r), r.sysexCount);
    uint8_t b[3] = {r.status(), uint8_t(r.message >> 8), uint8_t(r.message >> 16)};
    return std::to_string(tick) + hex(b, (b[0] & 0xF0) == 0xC0 || (b[0] & 0xF0) == 0xD0 ? 2 : 3);
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("tarvio-smf-export-" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

// Phrase calls within phrase calls, a repeating clone, registers shared between tracks,
// conditions, overlapping notes of one pitch, offsets both ways, a mute, calls nested to the
// limit, a note sounding past its list, a checksummed command; in the conductor two tempo changes
// inside measure 0, a signature on the tick of a tempo change and one after the last tempo.
void buildComplexSong(Song& song) {
    song.registers[2] = 10.0f;
    song.registers[3] = 7.0f;
    Track& riff = song.createPhrase();
    add(riff, {note(60, 128 + 2, 90, 60),  // velocity from $2
               regOp(EventKind::Add, 2, 3), note(67, 100, 300, 60),
               note(67, 90, 60, 120),  // same pitch while the previous one sounds
               regOp(EventKind::IfGt, 2, 40), note(72, 100, 30, 0), kind(EventKind::Else, 0), note(48, 100, 30, 0),
               kind(EventKind::EndIf, 60)});
    Track& outer = song.createPhrase();
    add(outer, {call(riff.number, 3, 400, 60, uint32_t(KeyMode::Major)), note(55, 70, 700, 200)});
    // Two phrases calling each other nest until the depth limit.
    Track& ping = song.createPhrase();
    Track& pong = song.createPhrase();
    add(ping, {note(40, 100, 3, 1), call(pong.number, 1, 1000)});
    add(pong, {note(41, 100, 1, 1), call(ping.number, 2, 1000)});

    song.commands[1].type = 0;
    song.commands[1].body.pushBack(
        ev(0, [](Event& e) { e.setExclusive({0xF0, 0x41, 0xD0, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0xFD, 0xFB, 0xF7}); }));
    song.title = "Read back";
    add(*song.tempoTrack, {tempo(100, 1000), tempo(132, 920), tempo(90, 10)});
    song.setBeat(1, 7, 8);
    song.setBeat(3, 6, 8);

    add(namedTrack(song, "a", 0),
        {ev(0, [](Event& e) { e.setCommand(1, 0, 9); }), call(riff.number, 0, 480),
         ev(1440, [](Event& e) { e.setClone(CloneData{2, uint8_t(CloneMode::Relative), -480}); }),
         ev(1, [](Event& e) { e.setControl(7, 128 + 2); }), note(36, 100, 3000, 10)});
    Track& b = namedTrack(song, "b", 1);
    b.offset = 240;
    add(b, {regOp(EventKind::IfGt, 2, 30, 0), note(80, 100, 50, 0), kind(EventKind::EndIf, 100),
            call(outer.number, -2, 960), ev(13, [](Event& e) { e.setBendBytes(0, 128 + 2); }),
            ev(2000, [](Event& e) { e.setProgram(9, 0, 128); })});
    Track& c = namedTrack(song, "c", 2);
    c.offset = -100;
    add(c, {ev(50, [](Event& e) { e.setProgram(3); }), note(62, 100, 400, 100), note(62, 100, 100, 150)});
    Track& d = namedTrack(song, "d", 3);
    d.mute = d.effectiveMute = 1;
    add(d, {regOp(EventKind::Mov, 2, 99, 10), note(60, 100, 10, 10)});
    add(namedTrack(song, "e", 4), {kind(EventKind::Label, 5000), call(ping.number, 0, 2000)});
}

}  // namespace

TEST(SmfExport, EmptySongIsHeaderAndConductorOnly) {
    Song song;
    std::string want = std::string("MThd\0\0\0\x06\0\x01\0\x01\x01\xE0MTrk\0\0\0\x35", 22) +
                       std::string("\0\xFF\x03\x0Btarvio song", 15) +
                       std::string("\0\xFF\x03\x0F" "Conductor Track", 19) +
                       std::string("\0\xFF\x51\x03\x07\xA1\x20\0\xFF\x58\x04\x04\x02\x18\x08\0\xFF\x2F\0", 19);
    EXPECT_EQ(exportOf(song), Bytes(want.begin(), want.end()));
}

// The export skips idle ticks; what it writes must be what playing every tick gives.
// An unwritable target fails and leaves no file.
TEST(SmfExport, IndependentReaderSeesTheExpandedTiming) {
    TempDir dir;
    Song song;
    buildComplexSong(song);
    const auto registers = song.registers;
    Emitter em;
    std::string err;
    EXPECT_FALSE(exportSmfFile((dir.path / "missing" / "out.mid").string(), song, em, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_TRUE(fs::is_empty(dir.path));
    if (std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mido";
    ASSERT_TRUE(exportSmfFile((dir.path / "song.mid").string(), song, em, &err)) << err;
    EXPECT_EQ(song.registers, registers);

    std::ofstream(dir.path / "read.py") << R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
print("type", f.type, "tracks", len(f.tracks), "division", f.ticks_per_beat)
ev, ends = [], []
for i, tr in enumerate(f.tracks):
    t = 0
    for k, m in enumerate(tr):
        t += m.time
        if m.type == 'set_tempo': print(t, "tempo", m.tempo)
        elif m.type == 'time_signature': print(t, "signature", m.numerator, m.denominator)
        elif m.type == 'track_name': print(t, "name", m.name)
        elif m.type == 'end_of_track' and i: ends.append("end %d at %d" % (i, t))
        elif not m.is_meta: ev.append((t, i, k, "".join(" %02X" % b for b in m.bytes())))
for t, i, k, h in sorted(ev): print(str(t) + h)
print("\n".join(ends))
)";
    std::string cmd = "/usr/bin/python3 " + (dir.path / "read.py").string() + " " + (dir.path / "song.mid").string();
    FILE* pipe = ::popen((cmd + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Lines got;
    for (char buf[512]; std::fgets(buf, sizeof buf, pipe);) got.emplace_back(buf, std::strcspn(buf, "\n"));
    ASSERT_EQ(::pclose(pipe), 0) << ::testing::PrintToString(got);

    // Measure 1 starts at 1920, measure 3 at 1920 + 2 * 1680.
    Lines want{"type 1 tracks 6 division 480", "0 name Read back", "0 name Conductor Track", "0 tempo 500000",
               "0 signature 4 4", "0 tempo 600000", "1000 tempo 454545", "1920 signature 7 8", "1920 tempo 666666",
               "5280 signature 6 8"};
    for (auto& t : song.tracks) want.push_back("0 name " + t->name);
    // The song played from its start, every tick, as the player and `tarvio-cli expand` do.
    // A track ends on the tick after its last message.
    songResetAll(song, 0, em);
    std::vector<Track*> live;
    for (auto& t : song.tracks) live.push_back(t.get());
    Lines ends(live.size());
    for (int32_t tick = 0; tick < 100000 && !songFinished(song); ++tick) {
        songAdvance(song, tick, em);
        for (auto& r : song.output.records)
            if (!r.isTempo()) want.push_back(recordLine(tick, song.output, r));
        for (size_t i = 0; i < live.size(); ++i)
            if (live[i] && cursorFinished(*live[i]))
                live[i] = nullptr, ends[i] = "end " + std::to_string(i + 1) + " at " + std::to_string(tick + 1);
    }
    EXPECT_GT(want.size(), 150u);
    want.insert(want.end(), ends.begin(), ends.end());
    EXPECT_EQ(got, want);

    // Neither what playing left in the registers nor the flags of an edited song change what is
    // written.
    song.registers = registers;
    for (auto& p : song.phrases) p->resetFlag = 1;
    std::ifstream written(dir.path / "song.mid", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(written), {}), exportOf(song));
}
