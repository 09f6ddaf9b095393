// Standard MIDI File export: exact bytes of the conductor, tracks rendered as they play, and
// an independent reader (mido) agreeing with the song's own tick-by-tick expansion.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/emitter.h"
#include "engine/song_play.h"
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

// Every track chunk of a file as lines "tick BYTES" (a name as text); a malformed file fails.
std::vector<Lines> chunks(const Bytes& f) {
    std::vector<Lines> out;
    size_t p = 14;
    while (p + 8 <= f.size()) {
        EXPECT_EQ(std::string(f.begin() + long(p), f.begin() + long(p) + 4), "MTrk");
        size_t end = p + 8 + (size_t(f[p + 4]) << 24 | size_t(f[p + 5]) << 16 | size_t(f[p + 6]) << 8 | f[p + 7]);
        p += 8;
        Lines track;
        int64_t tick = 0;
        auto vlq = [&] {
            uint32_t v = 0;
            for (int i = 0; i < 4; ++i)
                if (uint8_t b = f.at(p++); (v = v << 7 | (b & 0x7F)), !(b & 0x80)) return v;
            ADD_FAILURE() << "variable-length number longer than four bytes";
            return v;
        };
        auto take = [&](size_t n, bool text = false) {
            EXPECT_LE(p + n, end);
            n = std::min(n, end - std::min(p, end));
            p += n;
            return text ? " " + std::string(f.begin() + long(p - n), f.begin() + long(p)) : hex(&f[p - n], n);
        };
        while (p < end) {
            tick += vlq();
            uint8_t st = f.at(p++);
            EXPECT_GE(st, 0x80) << "running status at byte " << p;
            std::string s = std::to_string(tick) + hex(&st, 1);
            if (st == 0xFF) {
                uint8_t type = f.at(p++);
                s += hex(&type, 1) + take(vlq(), type == 0x03);
            } else {
                s += take(st == 0xF0 ? vlq() : (st & 0xF0) == 0xC0 || (st & 0xF0) == 0xD0 ? 1 : 2);
            }
            track.push_back(s);
        }
        EXPECT_EQ(p, end);
        EXPECT_EQ(track.empty() ? "" : track.back().substr(track.back().find(' ')), " FF 2F");
        out.push_back(track);
    }
    EXPECT_EQ(p, f.size());
    return out;
}

// The channel and exclusive messages of a chunk, without metas.
Lines messages(const Lines& track) {
    Lines r;
    std::copy_if(track.begin(), track.end(), std::back_inserter(r),
                 [](auto& l) { return l.find(" FF ") == std::string::npos; });
    return r;
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
Event exclusive(uint8_t device) {  // a checksummed Roland message
    return ev(0, [&](Event& e) {
        e.setExclusive({0xF0, 0x41, device, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0xFD, 0xFB, 0xF7});
    });
}
void add(Track& t, std::initializer_list<Event> events) {
    for (const Event& e : events) t.events.pushBack(e);
}

Track& namedTrack(Song& song, const char* name, uint8_t channel = 0) {
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

}  // namespace

TEST(SmfExport, EmptySongIsHeaderAndConductorOnly) {
    Song song;
    std::string want = std::string("MThd\0\0\0\x06\0\x01\0\x01\x01\xE0MTrk\0\0\0\x35", 22) +
                       std::string("\0\xFF\x03\x0Btarvio song", 15) +
                       std::string("\0\xFF\x03\x0F" "Conductor Track", 19) +
                       std::string("\0\xFF\x51\x03\x07\xA1\x20\0\xFF\x58\x04\x04\x02\x18\x08\0\xFF\x2F\0", 19);
    EXPECT_EQ(exportOf(song), Bytes(want.begin(), want.end()));
}

TEST(SmfExport, ConductorPlacesSignaturesAtTheirMeasures) {
    Song song;
    song.setBeat(2, 3, 4);
    Lines c = chunks(exportOf(song))[0];
    EXPECT_EQ(Lines(c.begin() + 4, c.end()), (Lines{"3840 FF 58 03 02 18 08", "3840 FF 2F"}));

    // Two tempo changes inside measure 0; a signature at measure 1 comes before a tempo change on
    // its first tick; a later signature is written after the tempo track has ended.
    add(*song.tempoTrack, {tempo(100, 480), tempo(140, 1440), tempo(90, 100)});
    song.beats.clear();
    song.setBeat(1, 3, 4);
    song.setBeat(3, 6, 8);
    c = chunks(exportOf(song))[0];
    EXPECT_EQ(Lines(c.begin() + 4, c.end()),
              (Lines{"0 FF 51 09 27 C0", "480 FF 51 06 8A 1B", "1920 FF 58 03 02 18 08", "1920 FF 51 0A 2C 2A",
                     "4800 FF 58 06 03 18 08", "4800 FF 2F"}));
}

TEST(SmfExport, TracksRenderAsPlayed) {
    Song song;
    Track& ph = song.createPhrase();
    add(ph, {note(60, 100, 100, 240), note(64, 100, 100, 240)});
    add(namedTrack(song, "calls", 1), {call(ph.number, 0, 480), call(ph.number, 5, 480)});
    Track& late = namedTrack(song, "late");
    late.offset = 480;
    add(late, {note(50, 80, 10, 10)});
    Track& m = namedTrack(song, "muted");
    m.mute = m.effectiveMute = 1;
    add(m, {call(ph.number, 0, 480)});
    song.commands[5].type = 0;
    song.commands[5].body.pushBack(exclusive(0x10));
    add(namedTrack(song, "t", 2), {ev(0, [](Event& e) { e.setCommand(5, 0, 5); }),
                                   ev(0, [](Event& e) { e.setProgram(5, 1, 2); }),
                                   note(60, 100, 2000, 10),  // sounds long after the list has ended
                                   note(62, 100, 5, 5)});

    auto c = chunks(exportOf(song));
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[1].front(), "0 FF 03 calls");
    EXPECT_EQ(messages(c[1]), (Lines{"0 91 3C 64", "100 81 3C 40", "240 91 40 64", "340 81 40 40", "480 91 41 64",
                                     "580 81 41 40", "720 91 45 64", "820 81 45 40"}));
    EXPECT_EQ(messages(c[2]), (Lines{"480 90 32 50", "490 80 32 40"}));
    EXPECT_EQ(c[3].size(), 2u);  // name and end
    // Checksum: 40 + 00 + 7F + 05 = C4, 128 - 44 = 3C.
    EXPECT_EQ(messages(c[4]), (Lines{"0 F0 41 10 42 12 40 00 7F 05 3C F7", "0 B2 00 01", "0 B2 20 02", "0 C2 05",
                                     "0 92 3C 64", "10 92 3E 64", "15 82 3E 40", "2000 82 3C 40"}));
}

TEST(SmfExport, UnwritableTargetFailsAndLeavesNoFile) {
    TempDir dir;
    Song song;
    add(namedTrack(song, "t"), {note(60, 100, 10, 10)});
    Emitter em;
    std::string err;
    EXPECT_FALSE(exportSmfFile((dir.path / "missing" / "out.mid").string(), song, em, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_TRUE(fs::is_empty(dir.path));
    ASSERT_TRUE(exportSmfFile((dir.path / "out.mid").string(), song, em, &err)) << err;
    EXPECT_EQ(fs::file_size(dir.path / "out.mid"), exportOf(song).size());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

namespace {

// Phrase calls within phrase calls, a repeating clone, registers shared between tracks,
// conditions, overlapping notes of one pitch, offsets both ways, a mute, calls nested to the limit.
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

    // A command's checksummed exclusive, and conductor changes.
    song.commands[1].type = 0;
    song.commands[1].body.pushBack(exclusive(0xD0));
    song.title = "Read back";
    add(*song.tempoTrack, {tempo(100, 1000), tempo(132, 10)});
    song.setBeat(1, 7, 8);

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

TEST(SmfExport, SkippingIdleTicksMatchesRenderingEveryTick) {
    Song song;
    buildComplexSong(song);
    const auto registers = song.registers;
    auto got = chunks(exportOf(song));
    EXPECT_EQ(song.registers, registers);

    // Every track advanced at every tick, in track order, until it finishes.
    Emitter em;
    std::vector<Lines> want(song.tracks.size());
    std::vector<Track*> live;
    for (auto& t : song.tracks) {
        cursorReset(*t, 0, true, em);
        t->cursor.queue.clear();
        live.push_back(t.get());
    }
    for (int32_t tick = 0; std::count(live.begin(), live.end(), nullptr) < long(live.size()); ++tick) {
        for (size_t i = 0; i < live.size(); ++i) {
            if (!live[i]) continue;
            song.output.clear();
            cursorAdvance(*live[i], tick, em);
            collectTrack(song, *live[i]);
            for (auto& r : song.output.records)
                if (!r.isTempo()) want[i].push_back(recordLine(tick, song.output, r));
            if (cursorFinished(*live[i])) {
                want[i].push_back(std::to_string(tick + 1) + " FF 2F");
                live[i] = nullptr;
            }
        }
    }
    ASSERT_EQ(got.size(), want.size() + 1);
    size_t notesOn = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        Lines g(got[i + 1].begin() + 1, got[i + 1].end());
        EXPECT_EQ(g, want[i]) << "track " << i;
        std::map<std::string, int> open;  // every note-on is matched by a note-off
        for (auto& l : g) {
            char k = l[l.find(' ') + 1];
            open[l.substr(l.find(' ') + 2, 4)] += k == '9' ? 1 : k == '8' ? -1 : 0;
            notesOn += k == '9';
        }
        for (auto& [key, n] : open) EXPECT_EQ(n, 0) << "track " << i << " note " << key;
    }
    EXPECT_GT(notesOn, 100u);

    // Flags of an edited song do not change what is written.
    song.registers = registers;
    for (auto& p : song.phrases) p->resetFlag = 1;
    EXPECT_EQ(chunks(exportOf(song)), got);
}

TEST(SmfExport, IndependentReaderSeesTheExpandedTiming) {
    if (std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mido";
    TempDir dir;
    Song song;
    buildComplexSong(song);
    Emitter em;
    std::string err;
    ASSERT_TRUE(exportSmfFile((dir.path / "song.mid").string(), song, em, &err)) << err;

    std::ofstream(dir.path / "read.py") << R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
print("type", f.type, "tracks", len(f.tracks), "division", f.ticks_per_beat)
ev = []
for i, tr in enumerate(f.tracks):
    t = 0
    for k, m in enumerate(tr):
        t += m.time
        if m.type == 'set_tempo': print(t, "tempo", m.tempo)
        elif m.type == 'time_signature': print(t, "signature", m.numerator, m.denominator)
        elif m.type == 'track_name': print(t, "name", m.name)
        elif not m.is_meta: ev.append((t, i, k, "".join(" %02X" % b for b in m.bytes())))
for t, i, k, h in sorted(ev): print(str(t) + h)
)";
    std::string cmd = "/usr/bin/python3 " + (dir.path / "read.py").string() + " " + (dir.path / "song.mid").string();
    FILE* pipe = ::popen((cmd + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Lines got;
    for (char buf[512]; std::fgets(buf, sizeof buf, pipe);) got.emplace_back(buf, std::strcspn(buf, "\n"));
    ASSERT_EQ(::pclose(pipe), 0) << ::testing::PrintToString(got);

    Lines want{"type 1 tracks 6 division 480", "0 name Read back", "0 name Conductor Track", "0 tempo 500000",
               "0 signature 4 4", "0 tempo 600000", "1000 tempo 454545", "1920 signature 7 8"};
    for (auto& t : song.tracks) want.push_back("0 name " + t->name);
    // The song played from its start, every tick, as the player and `tarvio-cli expand` do.
    songResetAll(song, 0, em);
    for (int32_t tick = 0; tick < 100000 && !songFinished(song); ++tick) {
        songAdvance(song, tick, em);
        for (auto& r : song.output.records)
            if (!r.isTempo()) want.push_back(recordLine(tick, song.output, r));
    }
    EXPECT_EQ(got, want);
}
