// Standard MIDI File import: exact conversions, malformed input, and files written by other programs.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

#include "io/file_util.h"
#include "io/smf.h"
#include "model/song.h"

using namespace tarvio;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

namespace {

// ---- building files byte by byte ----

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes vlq(uint32_t v) {
    Bytes out{uint8_t(v & 0x7F)};
    while (v >>= 7) out.insert(out.begin(), uint8_t(0x80 | (v & 0x7F)));
    return out;
}
Bytes chunk(const char* type, const Bytes& body, uint32_t len = UINT32_MAX) {
    if (len == UINT32_MAX) len = uint32_t(body.size());
    Bytes out(type, type + 4);
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(len >> s));
    return out + body;
}
Bytes header(uint16_t format, uint16_t tracks, uint16_t division) {
    return chunk("MThd", {uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8), uint8_t(tracks),
                          uint8_t(division >> 8), uint8_t(division)});
}
Bytes sig(uint8_t nn, uint8_t dd) { return {0xFF, 0x58, 4, nn, dd, 24, 8}; }

// A track chunk body: each message after its delta, as written (running status included).
struct Trk {
    Bytes body;
    Trk& at(uint32_t delta, const Bytes& msg) {
        body = body + vlq(delta) + msg;
        return *this;
    }
    Trk& meta(uint32_t delta, uint8_t type, std::string_view text) {
        return at(delta, Bytes{0xFF, type} + vlq(uint32_t(text.size())) + Bytes(text.begin(), text.end()));
    }
    Trk& tempo(uint32_t delta, uint32_t us) {
        return at(delta, {0xFF, 0x51, 3, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
    }
    Bytes chunk() const { return ::chunk("MTrk", body); }
};

Bytes smf(uint16_t format, uint16_t division, const std::vector<Trk>& tracks) {
    Bytes out = header(format, uint16_t(tracks.size()), division);
    for (const Trk& t : tracks) out = out + t.chunk();
    return out;
}

using Status = ReadReport::Status;

std::unique_ptr<Song> import(const Bytes& b, uint16_t tpqn = 480) {
    auto s = std::make_unique<Song>();
    ReadReport r = importSmf(b.data(), b.size(), *s, tpqn);
    EXPECT_EQ(r.status, Status::Complete) << r.offset << ": " << r.reason;
    return s;
}

Track& trackAt(Song& s, size_t i) { return **std::next(s.tracks.begin(), long(i)); }

// A track as "start:event" lines and its end, so that timing and content read together.
Lines show(const Track& t) {
    Lines out;
    int64_t tick = 0;
    auto n = [](int v) { return std::to_string(v); };
    for (const Event& e : t.events) {
        const auto& b = e.b;
        std::string d;
        switch (e.kind()) {
            case EventKind::Note: d = e.isRest() ? "rest" : "N" + n(b[0]) + " v" + n(b[1]) + " g" + n(e.gate()); break;
            case EventKind::Control: d = "C" + n(b[0]) + "=" + n(b[1]); break;
            case EventKind::Program: d = "P" + n(b[0]) + " " + n(b[1]) + "/" + n(b[2]); break;
            case EventKind::PolyPressure: d = "KP" + n(b[0]) + "=" + n(b[1]); break;
            case EventKind::ChannelPressure: d = "CP" + n(b[0]); break;
            case EventKind::PitchBend: d = "B" + n(e.signedBend()); break;
            case EventKind::Tempo: d = "T" + n(int(e.value32())); break;
            case EventKind::Exclusive:
                d = "X";
                for (char h[4]; uint8_t x : *e.bytes()) d += (std::snprintf(h, sizeof h, " %02X", x), h);
                break;
            default: d = "kind " + n(int(e.kind()));
        }
        out.push_back(std::to_string(tick) + ":" + d);
        tick += e.step;
    }
    out.push_back("end " + std::to_string(tick));
    return out;
}
std::vector<Lines> showTracks(const Song& s) {
    std::vector<Lines> out;
    for (auto& t : s.tracks) out.push_back(show(*t));
    return out;
}

// ---- exact cases ----

struct Shown {
    size_t track;
    int channel;
    Lines lines;
};
void expectTracks(Song& s, const std::vector<Shown>& want, const char* what = "") {
    ASSERT_EQ(s.tracks.size(), want.size()) << what;
    for (const Shown& w : want) {
        EXPECT_EQ(show(trackAt(s, w.track)), w.lines) << what << " track " << w.track;
        EXPECT_EQ(trackAt(s, w.track).channel, w.channel) << what << " track " << w.track;
    }
}

struct Case {
    const char* what;
    uint16_t division, tpqn;
    std::vector<Trk> tracks;
    std::vector<Shown> want;
};

TEST(SmfImport, FormatOneEventsLandOnTheirTicks) {
    const std::vector<Case> cases = {
        // Exactly five times; the late start becomes a leading rest.
        {"96 to 480", 96, 480,
         {Trk{}.at(96, {0x90, 60, 100}).at(48, {0x80, 60, 0}).at(1, {0x90, 62, 90}).at(2, {0x90, 62, 0})},
         {{0, 0, {"0:rest", "480:N60 v100 g240", "725:N62 v90 g10", "end 735"}}}},
        // 1.25 per file tick, rounded down from the absolute time: four deltas of 1 reach 5, not 4.
        {"384 does not drift", 384, 480,
         {Trk{}.at(0, {0x90, 60, 100}).at(1, {0xB0, 1, 0}).at(1, {0xB0, 1, 1}).at(1, {0xB0, 1, 2}).at(1, {0xB0, 1, 3})
              .at(384, {0x80, 60, 0})},
         {{0, 0, {"0:N60 v100 g485", "1:C1=0", "2:C1=1", "3:C1=2", "5:C1=3", "end 485"}}}},
        {"480 to 96", 480, 96, {Trk{}.at(480, {0x90, 60, 100}).at(240, {0x80, 60, 0})},
         {{0, 0, {"0:rest", "96:N60 v100 g48", "end 144"}}}},
        // 25 frames of 40 ticks: 1000 ticks a second, at tempo 120 two quarters of 480.
        {"SMPTE", 0xE728, 480, {Trk{}.at(1000, {0x90, 60, 100}).at(1000, {0x80, 60, 0})},
         {{0, 0, {"0:rest", "960:N60 v100 g960", "end 1920"}}}},
        {"division 0 taken as 480", 0, 480, {Trk{}.at(1000, {0x90, 60, 100}).at(1000, {0x80, 60, 0})},
         {{0, 0, {"0:rest", "1000:N60 v100 g1000", "end 2000"}}}},
        {"note pairing", 480, 480,
         {Trk{}.at(0, {0x90, 60, 100}).at(0, {64, 90})   // running status
              .at(480, {60, 0}).at(0, {0x80, 64, 64})    // velocity 0 ends a note
              .at(0, {0x90, 67, 80}).at(240, {67, 70})   // the same key again closes the first
              .at(120, {0x80, 67, 0})
              .at(0, {0x90, 72, 100}).at(0, {0x80, 72, 0})  // ended where it began: gate 0
              .at(0, {0x90, 48, 100}).at(65536 + 100, {0x80, 48, 0})  // longer than a gate holds
              .at(0, {0x90, 50, 100}).at(10, {0x80, 99, 0})  // never started: ignored
              .at(10, {0xFF, 0x2F, 0})},
         {{0, 0, {"0:N60 v100 g480", "0:N64 v90 g480", "480:N67 v80 g240", "720:N67 v70 g120", "840:rest",
                  "840:N48 v100 g65535", "66476:rest", "end 66496"}}}},
        // A key struck again before its note-off on the same tick: that note-off ends the first
        // note, not the new one; a second note-off there, or one after a note that had already
        // ended, ends the new note.
        {"re-struck keys", 480, 480,
         {Trk{}.at(0, {0x90, 60, 100}).at(480, {0x90, 60, 90}).at(0, {0x80, 60, 0}).at(480, {0x80, 60, 0})
              .at(0, {0x90, 62, 100}).at(240, {0x90, 62, 80}).at(0, {0x80, 62, 0}).at(0, {0x80, 62, 0})
              .at(0, {0x90, 64, 100}).at(240, {0x80, 64, 0}).at(0, {0x90, 64, 70}).at(0, {0x80, 64, 0})},
         {{0, 0, {"0:N60 v100 g480", "480:N60 v90 g480", "960:N62 v100 g240", "1200:rest", "1200:N64 v100 g240",
                  "1440:rest", "end 1440"}}}},
        // Running status for controls, programs (one data byte) and bends. Banks are remembered
        // per track only.
        {"channel messages", 480, 480,
         {Trk{}.at(0, {0xB3, 0, 1}).at(0, {32, 2}).at(0, {0xC3, 5}).at(0, {9}).at(0, {0xD3, 40})
              .at(0, {0xA3, 60, 30}).at(0, {0xE3, 0x00, 0x40}).at(0, {0x7F, 0x7F}).at(0, {0x00, 0x00}),
          Trk{}.at(0, {0xC0, 3})},
         {{0, 3, {"0:C0=1", "0:C32=2", "0:P5 1/2", "0:P9 1/2", "0:CP40", "0:KP60=30", "0:B0", "0:B8191", "0:B-8192",
                  "end 0"}},
          {1, 0, {"0:P3 0/0", "end 0"}}}},
        // Data after an exclusive continue the channel status.
        {"exclusive packets", 480, 480,
         {Trk{}.at(0, {0x90, 60, 100}).at(10, {0xF0, 3, 0x43, 0x10, 0x4C}).at(10, {0xF7, 3, 0, 0, 0x7E})
              .at(10, {0xF7, 2, 0, 0xF7}).at(10, {0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).at(10, {62, 100})
              .at(10, {0x80, 60, 0}).at(0, {0x80, 62, 0})},
         {{0, 0, {"0:N60 v100 g60", "30:X F0 43 10 4C 00 00 7E 00 F7", "40:X F0 7E 7F 09 01 F7",
                  "50:N62 v100 g10", "end 60"}}}},
    };
    for (const Case& c : cases) {
        auto s = import(smf(1, c.division, c.tracks), c.tpqn);
        EXPECT_EQ(s->tpqn, c.tpqn) << c.what;
        expectTracks(*s, c.want, c.what);
    }
}

// The first track's name is the title; a track of several channels splits into one per channel.
TEST(SmfImport, FormatOneNamesAndSplitByChannel) {
    Trk a, keys, c;
    a.meta(0, 0x03, "Song").meta(0, 0x02, "(C) Someone").meta(0, 0x01, "a text");
    keys.meta(0, 0x03, "Keys").at(0, {0xB0, 0, 8}).at(0, {0xC0, 1}).at(0, {0x90, 60, 100})
        .at(240, {0xC1, 33}).at(0, {0x91, 60, 90})  // a second channel: its own bank, its own key 60
        .at(0, {0xF0, 2, 0x7E, 0xF7})                // not a channel message: the first channel's track
        .at(240, {0x80, 60, 0}).at(240, {0x81, 60, 0}).at(0, {0xB1, 7, 50});
    c.at(0, {0xC2, 5});
    auto s = import(smf(1, 480, {a, keys, c}));
    expectTracks(*s, {{0, 0, {"end 0"}},
                      {1, 0, {"0:C0=8", "0:P1 8/0", "0:N60 v100 g480", "240:X F0 7E F7", "end 480"}},
                      {2, 1, {"0:rest", "240:P33 0/0", "240:N60 v90 g480", "720:C7=50", "end 720"}},
                      {3, 2, {"0:P5 0/0", "end 0"}}});
    EXPECT_EQ(std::tie(s->title, s->rights), std::make_tuple(std::string("Song"), std::string("(C) Someone")));
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(trackAt(*s, i).name, i == 1 || i == 2 ? "Keys" : "No Track Name") << i;
    // Nothing imported needs a cursor reset or is muted.
    for (auto& t : s->tracks) EXPECT_EQ(t->resetFlag + t->effectiveMute, 0);
    EXPECT_EQ(import(smf(1, 480, {c}))->title, "");
}

TEST(SmfImport, TempoMetasGoToTheTempoTrack) {
    Trk a, b, c, d;
    a.tempo(0, 600000)                     // tick 0 of an empty tempo track: the initial tempo, 100
        .tempo(960, 400000)                // 150
        .tempo(960, 666666).tempo(0, 1000000)   // 90, overridden by 60 at the same tick
        .tempo(480, 666667).tempo(480, 461539);  // the nearest whole tempo: 89.99995 is 90, 129.9998 is 130
    b.tempo(480, 300000)                   // 200, inside the first stretch
        .tempo(0, 1)                       // clamped
        .at(0, {0xFF, 0x51, 2, 0, 0})      // too short: ignored
        .tempo(0, 0);                      // no tempo: ignored
    c.tempo(0, 500000);  // tick 0 once the tempo track has events: an event at 0
    auto s = import(smf(1, 480, {a, b, c}));
    EXPECT_EQ(s->tempo, 100);
    EXPECT_EQ(show(*s->tempoTrack), (Lines{"0:T120", "0:rest", "480:T65535", "480:rest", "960:T150", "960:rest",
                                           "1920:T60", "1920:rest", "2400:T90", "2400:rest", "2880:T130",
                                           "end 2880"}));
    // Two tempos at tick 0 of a fresh song: the later is the initial tempo.
    s = import(smf(1, 480, {d.tempo(0, 500000).tempo(0, 750000)}));
    EXPECT_EQ(s->tempo, 80);
    EXPECT_TRUE(s->tempoTrack->events.empty());
    // 1775 µs is nearest 33803, which the export (dividing down) writes as 1774: the neighbour
    // written back as 1775 is taken, so that reading and writing again keeps the period.
    Trk e;
    EXPECT_EQ(import(smf(1, 480, {e.tempo(0, 1775)}))->tempo, 33802);
}

TEST(SmfImport, TimeSignaturesFollowTheMeasureCounter) {
    Trk a, b;
    a.at(0, sig(6, 3))                     // 6/8 from the start: measures of 1440
        .at(2880, sig(3, 2))               // measure 2
        .at(1440, sig(2, 2))               // measure 3, now 960 long
        .at(0, sig(0, 2)).at(0, sig(4, 8));  // no beats, and below 1/128: both left out
    b.at(960, sig(5, 2));  // counted from this track's start with the last length: measure 1
    auto s = import(smf(1, 480, {a, b}));
    EXPECT_EQ(s->initialBeat, (BeatEntry{0, 6, 8}));
    EXPECT_EQ(s->beats, (std::vector<BeatEntry>{{1, 5, 4}, {2, 3, 4}, {3, 2, 4}}));
}

// ---- malformed input ----

// Holds the address space near what the process uses now, so that a reader that trusts a stored
// length fails with bad_alloc instead of slipping through on overcommit.
struct AddressLimit {
    rlimit old;
    AddressLimit() {
        size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        ::getrlimit(RLIMIT_AS, &old);
        rlimit lim{rlim_t(pages * size_t(::sysconf(_SC_PAGESIZE)) + (size_t(256) << 20)), old.rlim_max};
        if (old.rlim_cur != RLIM_INFINITY && lim.rlim_cur > old.rlim_cur) lim.rlim_cur = old.rlim_cur;
        ::setrlimit(RLIMIT_AS, &lim);
    }
    ~AddressLimit() { ::setrlimit(RLIMIT_AS, &old); }
};

// A prefix of a track reads the same events at the same ticks, except that notes may still be
// open (gate 0) and the last step may be shorter.
bool isPrefixOf(Lines got, Lines full) {
    got.pop_back();
    full.pop_back();
    if (got.size() > full.size()) return false;
    auto strip = [](const std::string& s) { return s.substr(0, s.find(" g")); };
    auto tick = [](const std::string& s) { return s.substr(0, s.find(':')); };
    for (size_t i = 0; i < got.size(); ++i) {
        if (tick(got[i]) != tick(full[i])) return false;
        bool open = got[i].ends_with(":rest") && full[i].find(":N") != std::string::npos;
        if (!open && strip(got[i]) != strip(full[i])) return false;
    }
    return true;
}

Bytes richFile() {
    Trk a, b;
    a.meta(0, 0x03, "T").tempo(0, 500000).tempo(480, 400000).at(0, sig(3, 2));
    b.at(0, {0x90, 60, 100}).at(120, {62, 90}).at(120, {0x80, 60, 0}).at(0, {0xF0, 3, 0x43, 0x10, 0x4C})
        .at(10, {0xF7, 1, 0xF7}).at(0, {0xE0, 0, 0x40}).at(0, {0xB0, 7, 90}).at(200, {0x90, 62, 0});
    return smf(1, 96, {a, b});
}

TEST(SmfImportMalformed, EveryTruncationKeepsAPrefix) {
    const Bytes full = richFile();
    auto ref = showTracks(*import(full));
    ASSERT_EQ(ref.size(), 2u);
    for (size_t n = 0; n < full.size(); ++n) {
        Song s;
        // Every cut is seen, wherever it falls; the tag alone makes a MIDI file.
        ReadReport r = importSmf(full.data(), n, s, 480);
        EXPECT_EQ(r.status, n >= 4 ? Status::Damaged : Status::NotThisKind) << n;
        EXPECT_LE(r.offset, n);
        auto got = showTracks(s);
        ASSERT_LE(got.size(), 2u) << n;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(isPrefixOf(got[i], ref[i])) << "prefix " << n << " track " << i;
    }
}

TEST(SmfImportMalformed, BrokenChunksKeepWhatWasRead) {
    Trk good;
    good.at(0, {0x90, 60, 100}).at(480, {0x80, 60, 0});
    const Lines ok{"0:N60 v100 g480", "end 480"};
    // A first track with a broken tail ends only its own chunk; unknown chunks are skipped.
    auto brokenFirst = [&](const Bytes& tail) {
        Bytes f = smf(1, 480, {Trk{good.body + tail}, good});
        Bytes junk = chunk("XYZW", {1, 2, 3});
        f.insert(f.begin() + 14, junk.begin(), junk.end());
        return f;
    };
    struct Bad {
        Bytes file;
        std::vector<Lines> want;
        uint64_t offset;  // the first byte that could not be used
        const char* reason;
    };
    // The broken tail of brokenFirst starts after the header (14), the junk (11), the chunk
    // header (8) and the good events (9).
    const std::vector<Bad> cases = {
        {header(1, 1, 480) + chunk("MTrk", good.body, 0x7FFFFFF0), {ok}, 31, "ends inside chunk 2"},
        {brokenFirst({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100}), {ok, ok}, 42, "longer than four bytes"},
        {brokenFirst({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'x'}), {ok, ok}, 42, "meta event"},
        {brokenFirst({0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x43}), {ok, ok}, 42, "exclusive"},
        {smf(1, 480, {Trk{}.at(0, {60, 100}).at(0, {0x90, 60, 100}), good}), {Lines{"end 0"}, ok}, 22, "status"},
        {header(1, 5, 480), {}, 14, "announces 5 tracks"},
        {chunk("MThd", {0, 1}) + good.chunk(), {}, 8, "header chunk is too short"},
        {smf(2, 480, {good}), {}, 14, "format 2"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        AddressLimit limit;
        Song s;
        ReadReport r = importSmf(cases[i].file.data(), cases[i].file.size(), s, 480);
        EXPECT_EQ(r.status, Status::Damaged) << "case " << i;
        EXPECT_EQ(r.offset, cases[i].offset) << "case " << i << ": " << r.reason;
        EXPECT_NE(r.reason.find(cases[i].reason), std::string::npos) << "case " << i << ": " << r.reason;
        EXPECT_EQ(showTracks(s), cases[i].want) << "case " << i;
    }

    // Not a MIDI file at all: refused, and the song is left alone.
    Song untouched;
    untouched.tpqn = 96;
    Bytes riff = chunk("RIFF", good.chunk());
    EXPECT_EQ(importSmf(riff.data(), riff.size(), untouched, 480).status, Status::NotThisKind);
    EXPECT_EQ(importSmf(nullptr, 0, untouched, 480).status, Status::NotThisKind);
    EXPECT_EQ(untouched.tpqn, 96);
    EXPECT_TRUE(untouched.tracks.empty());
}

TEST(SmfImportMalformed, RandomDamageNeverCrashesOrAllocatesHugely) {
    const Bytes orig = richFile();
    std::mt19937 rng(2024);
    AddressLimit limit;
    for (int iter = 0; iter < 1500; ++iter) {
        Bytes b = orig;
        for (int i = 0, flips = 1 + int(rng() % 6); i < flips; ++i)
            b[rng() % b.size()] = (rng() & 1) ? uint8_t(rng()) : 0xFF;
        if (iter % 4 == 0) b.resize(rng() % b.size());
        Song s;
        importSmf(b.data(), b.size(), s, 960);
        for (auto& t : s.tracks)
            for (const Event& e : t->events) ASSERT_GE(e.step, 0);
    }
    // A file of nothing but empty track chunks cannot make tracks without bound.
    Bytes many = header(0, 0, 480), empty = chunk("MTrk", {});
    for (int i = 0; i < 5000; ++i) many.insert(many.end(), empty.begin(), empty.end());
    Song s;
    EXPECT_TRUE(importSmf(many.data(), many.size(), s, 480).damaged());
    EXPECT_LE(s.tracks.size(), 1024u);
    EXPECT_GE(s.tracks.size(), 256u);
}

// ---- files on disk and files from other programs ----

Lines fileLines(const std::string& file) {
    Lines out;
    std::ifstream in(file);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

class SmfImportFiles : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("tarvio_smf_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    void write(const std::string& name, std::string_view text) const { std::ofstream(path(name)) << text; }
    static bool have(const char* tool) { return ::access(tool, X_OK) == 0; }
    bool haveMido() const { return have("/usr/bin/python3") && run("/usr/bin/python3 -c 'import mido'"); }
    bool run(const std::string& cmd) const {  // in the folder; true when it succeeded
        return std::system(("cd '" + dir.string() + "' && " + cmd + " >/dev/null 2>&1").c_str()) == 0;
    }
    std::unique_ptr<Song> importFile(const std::string& name, uint16_t tpqn = 480) const {
        auto s = std::make_unique<Song>();
        std::string err;
        ReadReport r;
        EXPECT_TRUE(importSmfFile(path(name), *s, tpqn, &err, &r)) << err;
        EXPECT_EQ(r.status, Status::Complete) << r.offset << ": " << r.reason;
        return s;
    }
};

TEST_F(SmfImportFiles, UnreadableOrForeignFilesFailWithAMessage) {
    write("text.mid", "just some text, long enough to look like chunks");
    for (auto [name, status, message] : {std::tuple{"missing.mid", Status::Unreadable, "missing.mid"},
                                         std::tuple{"text.mid", Status::NotThisKind, "not a Standard MIDI File"}}) {
        Song s;
        std::string err;
        ReadReport r;
        EXPECT_FALSE(importSmfFile(path(name), s, 480, &err, &r));
        EXPECT_EQ(r.status, status);
        EXPECT_NE(err.find(message), std::string::npos) << err;
        EXPECT_EQ(err.find('\n'), std::string::npos);
        EXPECT_TRUE(s.tracks.empty());
    }
}

TEST_F(SmfImportFiles, Abc2midiTune) {
    if (!have("/usr/bin/abc2midi")) GTEST_SKIP() << "abc2midi is not installed";
    write("tune.abc",
          "X:1\nT:Two Voices\nM:6/8\nL:1/8\nQ:3/8=60\nK:G\n"
          "V:1\n%%MIDI program 40\nGAB c2d|e3 d3|\nM:3/4\nG2 A2 B2|\n"
          "V:2\n%%MIDI channel 2\nG,3 D,3|C,6|G,6|\n");
    ASSERT_TRUE(run("/usr/bin/abc2midi tune.abc -o tune.mid"));
    auto s = importFile("tune.mid", 960);
    EXPECT_EQ(s->title, "Two Voices");
    EXPECT_EQ(s->tempo, 90);  // a dotted quarter at 60
    EXPECT_EQ(s->initialBeat, (BeatEntry{0, 6, 8}));
    EXPECT_EQ(s->beats, (std::vector<BeatEntry>{{2, 3, 4}}));
    ASSERT_EQ(s->tracks.size(), 3u);

    // Pitches in order, each starting one written length (eighths of 480) after the one before;
    // abc2midi ends each note a tick or two early.
    auto check = [](const Track& t, std::vector<int> keys, std::vector<int> eighths) {
        std::vector<int> gotKeys;
        std::vector<int64_t> starts;
        int64_t tick = 0;
        for (const Event& e : t.events) {
            if (e.kind() == EventKind::Note && !e.isRest()) {
                gotKeys.push_back(e.b[0]);
                starts.push_back(tick);
                EXPECT_NEAR(e.gate(), eighths[std::min(starts.size(), eighths.size()) - 1] * 480, 4);
            }
            tick += e.step;
        }
        EXPECT_EQ(gotKeys, keys);
        for (size_t i = 0; i + 1 < starts.size() && i < eighths.size(); ++i)
            EXPECT_EQ(starts[i + 1] - starts[i], eighths[i] * 480) << i;
    };
    check(trackAt(*s, 1), {67, 69, 71, 72, 74, 76, 74, 67, 69, 71}, {1, 1, 1, 2, 1, 3, 3, 2, 2, 2});
    check(trackAt(*s, 2), {55, 50, 48, 55}, {3, 3, 6, 6});
    EXPECT_EQ(trackAt(*s, 2).channel, 1);
}

// Format 0 splits by channel into 16 tracks; a bank select leaves the program at bank 0/0, and a
// track name names the last channel's track.
TEST_F(SmfImportFiles, CsvmidiFormatZeroWithPackets) {
    if (!have("/usr/bin/csvmidi")) GTEST_SKIP() << "csvmidi is not installed";
    write("song.csv",
          "0, 0, Header, 0, 1, 96\n1, 0, Start_track\n"
          "1, 0, Title_t, \"Csv Song\"\n1, 0, Copyright_t, \"(C) Peer\"\n"
          "1, 0, Tempo, 500000\n1, 0, Time_signature, 6, 3, 24, 8\n1, 0, Control_c, 1, 0, 5\n"
          "1, 0, Program_c, 1, 5\n1, 0, Note_on_c, 1, 60, 100\n1, 0, Note_on_c, 9, 36, 110\n"
          "1, 0, Title_t, \"Drums\"\n"
          "1, 48, Note_off_c, 1, 60, 64\n1, 48, Note_on_c, 9, 36, 0\n1, 96, Note_on_c, 1, 62, 90\n"
          "1, 96, System_exclusive, 3, 67, 16, 76\n1, 100, System_exclusive_packet, 3, 0, 0, 126\n"
          "1, 104, System_exclusive_packet, 2, 0, 247\n"
          "1, 192, Note_on_c, 1, 62, 0\n1, 192, Tempo, 1000000\n1, 200, End_track\n0, 0, End_of_file\n");
    ASSERT_TRUE(run("/usr/bin/csvmidi song.csv song.mid"));
    auto s = importFile("song.mid");
    EXPECT_EQ(s->title, "Csv Song");
    EXPECT_EQ(s->rights, "(C) Peer");
    EXPECT_EQ(s->tempo, 120);
    EXPECT_EQ(s->initialBeat, (BeatEntry{0, 6, 8}));
    EXPECT_EQ(show(*s->tempoTrack), (Lines{"0:rest", "960:T60", "end 960"}));
    ASSERT_EQ(s->tracks.size(), 16u);
    int ch = 0;
    for (auto& t : s->tracks) {
        EXPECT_EQ(t->channel, ch);
        EXPECT_EQ(t->name, ch++ == 9 ? "Drums" : "No Track Name");
    }
    // Each used channel starts with a rest, even at tick 0.
    EXPECT_EQ(show(trackAt(*s, 1)),
              (Lines{"0:rest", "0:C0=5", "0:P5 0/0", "0:N60 v100 g240", "480:N62 v90 g480", "end 960"}));
    EXPECT_EQ(show(trackAt(*s, 9)), (Lines{"0:rest", "0:N36 v110 g240", "end 240"}));
    EXPECT_EQ(show(trackAt(*s, 0)), (Lines{"0:rest", "520:X F0 43 10 4C 00 00 7E 00 F7", "end 520"}));
    EXPECT_EQ(show(trackAt(*s, 2)), (Lines{"end 0"}));
}

// A file as Cakewalk writes them (division 192, a controller every tick), with tempos that
// writers store rounded (90 as 666667 µs) and a track that plays two channels, imported at
// 480 and compared with what mido reads: the same tempos to the nearest whole number, and
// every note and program on its channel at its absolute tick × 480 / 192 rounded down.
TEST_F(SmfImportFiles, MidoCakewalkFileMatchesMidosReading) {
    if (!haveMido()) GTEST_SKIP() << "python3-mido is not installed";
    write("make.py",
          "import mido\nfrom mido import Message as M, MetaMessage as Meta\n"
          "f = mido.MidiFile(type=1, ticks_per_beat=192)\n"
          "c, sweep, piano = mido.MidiTrack(), mido.MidiTrack(), mido.MidiTrack(); f.tracks += [c, sweep, piano]\n"
          "c += [Meta('set_tempo', tempo=mido.bpm2tempo(90)), Meta('set_tempo', tempo=mido.bpm2tempo(70), time=1000)]\n"
          "sweep += [M('program_change', channel=2, program=48)]\n"
          "for k in range(600): sweep.append(M('control_change', channel=2, control=1, value=k % 128, time=1))\n"
          "sweep += [M('note_on', channel=2, note=50, velocity=90, time=7), M('note_off', channel=2, note=50, time=96)]\n"
          "piano += [M('program_change', channel=0, program=0), M('program_change', channel=1, program=32),\n"
          "          M('note_on', channel=0, note=72, velocity=80, time=0), M('note_on', channel=1, note=40, velocity=80),\n"
          "          M('note_off', channel=0, note=72, time=607), M('note_off', channel=1, note=40),\n"
          "          M('program_change', channel=0, program=5), M('note_on', channel=0, note=74, velocity=80),\n"
          "          M('note_off', channel=0, note=74, time=10)]\n"
          "f.save('cw.mid')\n"
          "out = []\n"
          "for tr in mido.MidiFile('cw.mid').tracks:\n"
          "    t = 0\n"
          "    for m in tr:\n"
          "        t += m.time\n"
          "        if m.type == 'set_tempo': out.append('%d:T%d' % (t * 480 // 192, round(mido.tempo2bpm(m.tempo))))\n"
          "        if m.type == 'program_change': out.append('%d %d:P%d' % (m.channel, t * 480 // 192, m.program))\n"
          "        if m.type == 'note_on' and m.velocity: out.append('%d %d:N%d' % (m.channel, t * 480 // 192, m.note))\n"
          "open('want.txt', 'w').write('\\n'.join(sorted(out)) + '\\n')\n");
    ASSERT_TRUE(run("/usr/bin/python3 make.py"));
    auto s = importFile("cw.mid");
    Lines got{"0:T" + std::to_string(s->tempo)};
    for (const std::string& l : show(*s->tempoTrack))
        if (l.find(":T") != std::string::npos) got.push_back(l);
    for (auto& t : s->tracks)
        for (const std::string& l : show(*t))  // up to the space after the key or program
            if (l.find(":P") != std::string::npos || l.find(":N") != std::string::npos)
                got.push_back(std::to_string(t->channel) + " " + l.substr(0, l.find(' ')));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, fileLines(path("want.txt")));
}

}  // namespace
