// Songs with plug-ins: notes through the echo, the switch, and slots in the song file, in-process
// and through tarvio-cli.
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "expand/emitter.h"
#include "engine/render.h"
#include "io/smf.h"
#include "io/song_file.h"
#include "model/song.h"
#include "plugin_test.h"
#include "run_cli.h"

using namespace tarvio;
using namespace plugtest;

namespace {

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::string>;

Event note(uint8_t n, uint8_t v, uint16_t gate, int32_t step) {
    Event e;
    e.setNote(n, v, gate);
    e.step = step;
    return e;
}

void putI32(Bytes& b, int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

// A stored slot: name, count and integer records (type 0, min, max, value, 12 bytes).
Bytes slotBytes(const std::string& name, const std::vector<std::array<int32_t, 3>>& records) {
    Bytes b;
    putI32(b, int32_t(name.size()));
    b.insert(b.end(), name.begin(), name.end());
    putI32(b, int32_t(records.size()));
    for (const auto& r : records) {
        putI32(b, 0);
        for (int32_t v : r) putI32(b, v);
        b.insert(b.end(), 12, 0);
    }
    return b;
}

std::unique_ptr<Song> decode(const Bytes& b) {
    auto s = std::make_unique<Song>();
    decodeSong(b.data(), b.size(), *s);
    return s;
}

// The song's bytes with slot 0 of its last track (its last 16 bytes) replaced by the given slot.
std::unique_ptr<Song> withSlot(const Song& s, const Bytes& slot) {
    Bytes b = encodeSong(s);
    b.resize(b.size() - 16);
    b.insert(b.end(), slot.begin(), slot.end());
    b.insert(b.end(), 12, 0);
    return decode(b);
}

// The echo is loaded here and, through a program folder, in tarvio-cli.
class SongPluginTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        loadPlugins(echoFolder());
        std::filesystem::create_directory(home.path("plugin"));
        std::filesystem::create_symlink(TARVIO_ECHO_PATH, home.path("plugin/tarvioEcho.so"));
    }
    Strings cli(Strings args) { return clitest::lines(clitest::runCli(args, {env}).out); }
    // "TICK PORT 90 D1 D2" for every note-on tarvio-cli plays from the song.
    Strings noteOns(const Song& song, Strings args = {}) {
        EXPECT_TRUE(writeSongFile(path, song));
        args.insert(args.begin(), {"expand", path});
        Strings out;
        for (const std::string& l : cli(args))
            if (l.find(" 90 ") != std::string::npos) out.push_back(l);
        return out;
    }

    clitest::TempDir home;
    const std::string env = "TARVIO_HOME=" + std::filesystem::path(home.path("plugin")).parent_path().string();
    const std::string path = home.path("song.tvo");
};

}  // namespace

TEST_F(SongPluginTest, SwitchingTheSlotOffPlaysLaterNotesDirectly) {
    Song song;
    Track& t = song.createTrack();
    Event off;
    off.setPluginSwitch(0, false);
    off.step = 480;
    t.events.pushBack(note(60, 100, 60, 480));
    t.events.pushBack(off);
    t.events.pushBack(note(64, 100, 60, 0));
    ASSERT_TRUE(bindPluginSlot(t, 0, "tarvio Echo"));
    ParameterBlock b = t.slotBlock(0);
    b.records[1].raw[48] = 2;  // two repeats
    t.setSlotBlock(0, b);
    // The pending repeats of the first note still play; the second note has none.
    EXPECT_EQ(noteOns(song), (Strings{"0 0 90 3C 64", "360 0 90 3C 58", "720 0 90 3C 4C", "960 0 90 40 64"}));
    // Located past the switch, the chase turns the slot off again after the reset turned it on.
    EXPECT_EQ(noteOns(song, {"--locate", "600"}), (Strings{"960 0 90 40 64"}));
}

TEST_F(SongPluginTest, StoredValuesAreClampedAndMissingOnesKeepTheirDefaults) {
    // Velocity decay -20, three repeats, a delay of 5000 beyond the maximum 1920; stored ranges
    // are ignored.
    constexpr int32_t kLo = -99999, kHi = 99999;
    Song plain;
    plain.createTrack().events.pushBack(note(60, 100, 120, 0));
    auto r = withSlot(plain, slotBytes("tarvio Echo", {{kLo, kHi, -20}, {kLo, kHi, 3}, {kLo, kHi, 5000}}));
    Track& t = *r->tracks.front();
    ASSERT_NE(t.slotInstance(0), nullptr);
    std::vector<int32_t> values(5);
    for (int k = 0; k < 5; ++k) std::memcpy(&values[size_t(k)], t.slotBlock(0).records[k].raw + 48, 4);
    EXPECT_EQ(values, (std::vector<int32_t>{-20, 3, 1920, 0, 0}));  // the last two not in the file: defaults
    // The instance got the loaded values.
    EXPECT_EQ(noteOns(*r), (Strings{"0 0 90 3C 64", "1920 0 90 3C 50", "3840 0 90 3C 3C", "5760 0 90 3C 28"}));

    // Written with the plug-in's five parameters and their real ranges.
    const Bytes saved = encodeSong(*r);
    const Bytes slot =
        slotBytes("tarvio Echo", {{-128, 127, -20}, {1, 16, 3}, {0, 1920, 1920}, {-1920, 1920, 0}, {-24, 24, 0}});
    EXPECT_EQ(Bytes(saved.end() - 12 - std::ptrdiff_t(slot.size()), saved.end() - 12), slot);
    EXPECT_EQ(encodeSong(*decode(saved)), saved);
}

// A long step after an echoed note: once the echo has played its repeats out, the ticks up to
// the step's end are passed over, by the export and by playing from the start (as the expansion
// does), as on a track without plug-ins.
TEST_F(SongPluginTest, ALongStepAfterTheEchoIsPassedOver) {
    struct CountingEmitter : Emitter {
        long advances = 0;  // one plug-in collection per advance of the track
        void collectPluginOutput(Track& track) override {
            ++advances;
            Emitter::collectPluginOutput(track);
        }
    };
    constexpr int32_t kStep = 5'000'000;
    Song song;
    Track& t = song.createTrack();
    t.events.pushBack(note(60, 100, 60, kStep));
    ASSERT_TRUE(bindPluginSlot(t, 0, "tarvio Echo"));

    CountingEmitter exporting;
    const Bytes file = exportSmf(song, exporting);
    EXPECT_LT(exporting.advances, 10'000);
    Song back;
    importSmf(file.data(), file.size(), back, song.tpqn);
    size_t notes = 0;  // the note and its eight repeats
    for (auto& x : back.tracks)
        for (const Event& e : x->events) notes += e.kind() == EventKind::Note && !e.isRest();
    EXPECT_EQ(notes, 9u);

    CountingEmitter playing;
    int played = 0;
    const int32_t last = playFromStart(song, playing, [&](int32_t, const OutputList& out) {
        for (const OutputRecord& r : out.records)
            if ((r.status() & 0xF0) == 0x90 && (r.message >> 16) != 0) ++played;
        return true;
    });
    EXPECT_LT(playing.advances, 10'000);
    EXPECT_EQ(played, 9);
    EXPECT_EQ(last, kStep + 1);  // where the track is seen finished, as when walked tick by tick
}

// The defaults repeat a note eight times, 360 ticks apart, 12 softer each time; the echo gets
// the stored note and the track transposes what comes back.
TEST_F(SongPluginTest, CliLoadsTheProgramFolderPlugins) {
    Song song;
    Track& t = song.createTrack();
    t.transpose = 2;
    t.events.pushBack(note(60, 100, 120, 0));
    ASSERT_TRUE(bindPluginSlot(t, 0, "tarvio Echo"));
    EXPECT_EQ(cli({"plugins"}), Strings{"tarvio Echo\tostrand\t" + home.path("plugin/tarvioEcho.so")});

    Strings expect;
    for (int i = 0; i <= 8; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%d 0 90 3E %02X", 360 * i, 100 - 12 * i);
        expect.push_back(buf);
        expect.push_back(std::to_string(360 * i + 120) + " 0 80 3E 40");
    }
    ASSERT_TRUE(writeSongFile(path, song));
    EXPECT_EQ(cli({"expand", path}), expect);

    // Without the plug-in folder the note plays alone.
    std::filesystem::remove_all(home.path("plugin"));
    EXPECT_EQ(cli({"expand", path}), (Strings(expect.begin(), expect.begin() + 2)));
}
