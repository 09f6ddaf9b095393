// Songs with plug-ins: notes through the echo while playing, the switch, and slots in the song
// file, in-process and through tarvio-cli.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/emitter.h"
#include "engine/song_play.h"
#include "io/song_file.h"
#include "model/song.h"
#include "plugin_test.h"
#include "run_cli.h"

using namespace tarvio;
using namespace plugtest;

namespace {

using Bytes = std::vector<uint8_t>;

Event note(uint8_t n, uint8_t v, uint16_t gate, int32_t step) {
    Event e;
    e.setNote(n, v, gate);
    e.step = step;
    return e;
}

Event pluginSwitch(uint8_t slot, bool on, int32_t step) {
    Event e;
    e.setPluginSwitch(slot, on);
    e.step = step;
    return e;
}

// "TICK SS D1 D2" for every note-on, from the start or from a located tick.
std::vector<std::string> noteOns(Song& song, int32_t from = -1) {
    Emitter em;
    if (from < 0) {
        songResetAll(song, 0, em);
        from = 0;
        songAdvance(song, 0, em);
    } else {
        songLocate(song, from, em);
    }
    std::vector<std::string> out;
    for (int32_t t = from;; ++t) {
        if (t > from) songAdvance(song, t, em);
        for (const OutputRecord& r : song.output.records) {
            if ((r.status() & 0xF0) != 0x90) continue;
            char buf[48];
            std::snprintf(buf, sizeof buf, "%d %02X %02X %02X", t, r.status(), (r.message >> 8) & 0xFF,
                          (r.message >> 16) & 0xFF);
            out.push_back(buf);
        }
        if (songFinished(song) || t > 100000) break;
    }
    return out;
}

// The song's bytes with slot 0 of its last container replaced by the given slot bytes.
Bytes withSlot(const Song& s, const Bytes& slot) {
    Bytes b = encodeSong(s);
    b.resize(b.size() - 16);
    b.insert(b.end(), slot.begin(), slot.end());
    b.insert(b.end(), 12, 0);
    return b;
}

void putI32(Bytes& b, int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

// A stored slot: name, count and integer entries (type 0, min, max, value, 12 bytes).
Bytes slotBytes(const std::string& name, const std::vector<int32_t>& values) {
    Bytes b;
    putI32(b, int32_t(name.size()));
    b.insert(b.end(), name.begin(), name.end());
    putI32(b, int32_t(values.size()));
    for (int32_t v : values) {
        putI32(b, 0);
        putI32(b, -99999);  // stored ranges are ignored
        putI32(b, 99999);
        putI32(b, v);
        b.insert(b.end(), 12, 0);
    }
    return b;
}

std::unique_ptr<Song> decode(const Bytes& b) {
    auto s = std::make_unique<Song>();
    decodeSong(b.data(), b.size(), *s);
    return s;
}

int32_t intValue(const Track& t, int slot, int k) {
    int32_t v;
    std::memcpy(&v, t.slotBlock(slot).records[k].raw + 48, 4);
    return v;
}

class SongPluginTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        loadPlugins(echoFolder());
    }
};

}  // namespace

TEST_F(SongPluginTest, NotesReachTheOutputOnlyThroughTheEcho) {
    Song song;
    Track& t = song.createTrack();
    t.transpose = 2;  // the echo gets the stored note; the track transposes what comes back
    t.events.pushBack(note(60, 100, 120, 0));
    ASSERT_TRUE(bindPluginSlot(t, 0, "tarvio Echo"));
    std::vector<std::string> expect = {"0 90 3E 64"};
    for (int i = 1; i <= 8; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d 90 3E %02X", 360 * i, 100 - 12 * i);
        expect.push_back(buf);
    }
    EXPECT_EQ(noteOns(song), expect);
    // The track played on until the last repeat was released.
    EXPECT_EQ(t.cursor.tick, 2880 + 120);
}

TEST_F(SongPluginTest, SwitchingTheSlotOffPlaysLaterNotesDirectly) {
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 60, 480));
    t.events.pushBack(pluginSwitch(0, false, 480));
    t.events.pushBack(note(64, 100, 60, 0));
    ASSERT_TRUE(bindPluginSlot(t, 0, "tarvio Echo"));
    ParameterBlock b = t.slotBlock(0);
    b.records[1].raw[48] = 2;  // two repeats
    t.setSlotBlock(0, b);
    // The pending repeats of the first note still play; the second note has none.
    EXPECT_EQ(noteOns(song), (std::vector<std::string>{"0 90 3C 64", "360 90 3C 58", "720 90 3C 4C", "960 90 40 64"}));
    // Located past the switch, the chase turns the slot off again after the reset turned it on.
    EXPECT_EQ(noteOns(song, 600), (std::vector<std::string>{"960 90 40 64"}));
}

TEST_F(SongPluginTest, MissingPluginLoadsPlaysDirectlyAndIsWrittenFree) {
    Song plain;
    plain.createTrack().events.pushBack(note(60, 100, 120, 0));
    auto r = decode(withSlot(plain, slotBytes("Not Installed", {1, 2, 3})));
    Track& t = *r->tracks.front();
    EXPECT_EQ(t.slotName(0), "Not Installed");
    EXPECT_EQ(t.slotInstance(0), nullptr);
    EXPECT_EQ(noteOns(*r), (std::vector<std::string>{"0 90 3C 64"}));
    EXPECT_EQ(encodeSong(*r), encodeSong(plain));
}

TEST_F(SongPluginTest, StoredValuesAreClampedAndMissingOnesKeepTheirDefaults) {
    Song plain;
    plain.createTrack().events.pushBack(note(60, 100, 120, 0));
    // Velocity decay -20, three repeats, a delay of 5000 beyond the maximum 1920.
    auto r = decode(withSlot(plain, slotBytes("tarvio Echo", {-20, 3, 5000})));
    Track& t = *r->tracks.front();
    ASSERT_NE(t.slotInstance(0), nullptr);
    EXPECT_EQ(intValue(t, 0, 0), -20);
    EXPECT_EQ(intValue(t, 0, 1), 3);
    EXPECT_EQ(intValue(t, 0, 2), 1920);
    EXPECT_EQ(intValue(t, 0, 3), 0);  // not in the file: defaults
    EXPECT_EQ(intValue(t, 0, 4), 0);
    // The instance got the loaded values.
    EXPECT_EQ(noteOns(*r), (std::vector<std::string>{"0 90 3C 64", "1920 90 3C 50", "3840 90 3C 3C", "5760 90 3C 28"}));

    // Written with the plug-in's five parameters, each as bytes 40..63 of its record.
    Bytes saved = encodeSong(*r);
    Bytes tail(saved.end() - 12 - (4 + 11 + 4 + 5 * 28), saved.end() - 12);
    Bytes expect;
    putI32(expect, 11);
    expect.insert(expect.end(), {'t', 'a', 'r', 'v', 'i', 'o', ' ', 'E', 'c', 'h', 'o'});
    putI32(expect, 5);
    const int32_t rec[5][3] = {{-128, 127, -20}, {1, 16, 3}, {0, 1920, 1920}, {-1920, 1920, 0}, {-24, 24, 0}};
    for (auto& e : rec) {
        putI32(expect, 0);
        for (int32_t v : e) putI32(expect, v);
        expect.insert(expect.end(), 12, 0);
    }
    EXPECT_EQ(tail, expect);
    EXPECT_EQ(encodeSong(*decode(saved)), saved);
}

TEST_F(SongPluginTest, CliLoadsTheProgramFolderPlugins) {
    clitest::TempDir home;
    const std::string env = "TARVIO_HOME=" + std::filesystem::path(home.path("plugin")).parent_path().string();
    std::filesystem::create_directory(home.path("plugin"));
    std::filesystem::create_symlink(TARVIO_ECHO_PATH, home.path("plugin/tarvioEcho.so"));
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 120, 0));
    ASSERT_TRUE(bindPluginSlot(t, 0, "tarvio Echo"));
    std::string path = home.path("echo.tvo");
    ASSERT_TRUE(writeSongFile(path, song));

    auto r = clitest::runCli({"plugins"}, {env});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "tarvio Echo\tostrand\t" + home.path("plugin/tarvioEcho.so") + "\n");

    r = clitest::runCli({"expand", path}, {env});
    ASSERT_EQ(r.status, 0) << r.err;
    auto out = clitest::lines(r.out);
    EXPECT_EQ(std::count(out.begin(), out.end(), "360 0 90 3C 58"), 1) << r.out;
    EXPECT_EQ(out.back(), "3000 0 80 3C 40");

    // Without the plug-in folder the note plays alone.
    std::filesystem::remove_all(home.path("plugin"));
    r = clitest::runCli({"expand", path}, {env});
    EXPECT_EQ(clitest::lines(r.out), (std::vector<std::string>{"0 0 90 3C 64", "120 0 80 3C 40"}));
}
