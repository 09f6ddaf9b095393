// The command definition file (procedure.dat): keys, entries, template tokens, the shipped file.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "expand/emitter.h"
#include "io/procedure_file.h"
#include "model/song.h"

using namespace tarvio;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

namespace {

const CommandDef& load(Song& song, std::string_view text, size_t entry) {
    parseCommandDefinitions(text, song);
    return song.commands[entry];
}

std::vector<Bytes> exclusiveBodies(const CommandDef& d) {
    std::vector<Bytes> out;
    for (const Event& e : d.body)
        if (e.kind() == EventKind::Exclusive && e.bytes()) out.push_back(*e.bytes());
    return out;
}

// The bytes of every output record of a Command event calling entry index on a channel.
std::vector<Bytes> play(const Song& song, uint16_t index, uint8_t channel, uint8_t p1, uint8_t p2) {
    Event call;
    call.setCommand(index, p1, p2);
    OutputList out;
    buildMessages(song, PlayedEvent::of(call), 0, channel, out);
    std::vector<Bytes> msgs;
    for (const OutputRecord& r : out.records) {
        if (r.status() == 0xF0) {
            const uint8_t* p = out.sysexBytes(r);
            msgs.emplace_back(p, p + r.sysexCount);
        } else {
            msgs.push_back({uint8_t(r.message), uint8_t(r.message >> 8), uint8_t(r.message >> 16)});
        }
    }
    return msgs;
}

}  // namespace

// An entry as "name type flag min..max base body-size".
std::string describe(const CommandDef& d) {
    auto n = [](int v) { return " " + std::to_string(v); };
    return d.name + n(d.type) + n(d.flag) + n(d.min) + ".." + std::to_string(d.max) + n(d.base) +
           n(int(d.body.size()));
}

TEST(CommandDefinitions, LinesKeysAndEntries) {
    const struct {
        const char* text;
        size_t entry;
        std::string want;
    } cases[] = {
        // Blanks vanish everywhere (names included), CR LF ends lines, later "=" are dropped, and
        // the last line counts without a line feed.
        {"def = 5\r\n\tna me = GS = Reset \r\nmax=\t16383\r\nmin=-3\r\nbase=-64", 5, "GSReset 0 0 -3..16383 -64 0"},
        // Keys are case-sensitive, unknown keys ignored; a key without "=" reads as empty.
        {"def=7\nName=upper\nmax\ncomment=def=9\n", 7, " 0 0 0..0 0 0"},
        {"def=7\nName=upper\nmax\ncomment=def=9\n", 9, " -1 0 0..127 0 0"},
        // A byte order mark does not hide the first key.
        {"\xEF\xBB\xBF" "def=3\nname=\xE6\x97\xA5\n", 3, "\xE6\x97\xA5 0 0 0..127 0 0"},
        // An entry out of range selects entry 0; a second def of an entry resets its range.
        {"def=1000\nname=high\nmax=5\ndef=12\nmin=4\nmax=9\nbase=2\ndef=12\n", 0, "high 0 0 0..5 0 0"},
        {"def=1000\nname=high\nmax=5\ndef=12\nmin=4\nmax=9\nbase=2\ndef=12\n", 12, " 0 0 0..127 0 0"},
        {"def=-1\nname=n\n", 0, "n 0 0 0..127 0 0"},
        {"def=999\nname=n\n", 999, "n 0 0 0..127 0 0"},
        {"def=99999999999999999999\nname=n\n", 0, "n 0 0 0..127 0 0"},
    };
    for (const auto& c : cases) {
        Song song;
        EXPECT_EQ(describe(load(song, c.text, c.entry)), c.want) << c.text;
    }
}

TEST(CommandDefinitions, EveryLoadStartsFromAResetTable) {
    Song song;
    ASSERT_TRUE(load(song, "def=5\nname=five\ncc=07,*v\n", 5).defined());

    // Without any def only entry 0 changes; what the last load defined is gone.
    const CommandDef& zero = load(song, "name=zero\nexclusive=7E,7F,09,01\n", 0);
    EXPECT_EQ(exclusiveBodies(zero), (std::vector<Bytes>{{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));
    for (size_t i = 0; i < kCommandCount; ++i)
        ASSERT_EQ(describe(song.commands[i]), i ? " -1 0 0..127 0 0" : "zero -1 0 0..127 0 1") << i;

    ASSERT_FALSE(loadCommandTable("/nonexistent/procedure.dat", song));
    EXPECT_EQ(describe(song.commands[0]), " -1 0 0..127 0 0");
}

TEST(CommandDefinitions, TokensBecomeTemplateBytes) {
    Song song;
    const CommandDef& d = load(song,
                               "def=1\n"
                               "exclusive=41,10,42,12,[,40,00,7F,*v,],F7\n"
                               "exclusive=*m,*l,*g,*v,0n,7n,r0n,r7n\n"
                               "exclusive=7,1G,G1,100,7f,,0N,r8n,\n",
                               1);
    EXPECT_EQ(exclusiveBodies(d), (std::vector<Bytes>{
                                      {0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x00, 0x7F, 0xFF, 0xFB, 0xF7, 0xF7},
                                      {0xF0, 0xFC, 0xFD, 0xFE, 0xFF, 0xC0, 0xC7, 0xD0, 0xD7, 0xF7},
                                      // Short, partly hex, empty inner and unknown tokens; the
                                      // trailing empty token is dropped.
                                      {0xF0, 0x07, 0x01, 0x00, 0x10, 0x7F, 0x00, 0x00, 0x00, 0xF7},
                                  }));
}

TEST(CommandDefinitions, TypeAndFlagFollowTheTokens) {
    Song song;
    parseCommandDefinitions("def=1\ncc=07,*v\n"
                            "def=2\ncc=*m,*l\n"
                            "def=3\ncc=*g,00\ncc=06,*v\n"  // *v does not undo two parameters
                            "def=4\nexclusive=43,10,4C,08,0n,0B,*v\n"
                            "def=5\nexclusive=41,*l,*m\n"
                            "def=6\nexclusive=43,*g,*v\n"
                            "def=7\nexclusive=41,r1n,*v\n"  // only 0n..7n set the flag
                            "def=8\ncc=07\ncc=\nexclusive=\n",  // incomplete templates add nothing
                            song);
    const Lines want = {" 0 1 0..127 0 1", " 1 1 0..127 0 1", " 2 1 0..127 0 2", " 0 1 0..127 0 1",
                        " 1 0 0..127 0 1", " 2 0 0..127 0 1", " 0 0 0..127 0 1", " 0 0 0..127 0 0"};
    for (size_t i = 1; i <= want.size(); ++i) EXPECT_EQ(describe(song.commands[i]), want[i - 1]) << i;
    const Event& control = *song.commands[1].body.begin();
    EXPECT_EQ(control.kind(), EventKind::Control);
    EXPECT_EQ(control.b[0], 7);
    EXPECT_EQ(control.b[1], 0xFF);
}

// The shipped file: templates check out byte by byte and play as their devices expect.
TEST(CommandDefinitions, ShippedFileLoadsAndPlays) {
    Song song;
    ASSERT_TRUE(loadCommandTable(std::string(TARVIO_SOURCE_DIR) + "/data/procedure.dat", song));
    size_t defined = 0;
    for (size_t i = 0; i < kCommandCount; ++i) {
        const CommandDef& d = song.commands[i];
        if (!d.defined()) continue;
        ++defined;
        EXPECT_FALSE(d.name.empty() || d.body.empty()) << "entry " << i;
        for (const Bytes& x : exclusiveBodies(d)) {
            // Inside the framing: data bytes or template bytes, checksum ranges opened before closed.
            ASSERT_TRUE(x.size() >= 3 && x.front() == 0xF0 && x.back() == 0xF7) << "entry " << i;
            int open = 0;
            for (size_t k = 1; k + 1 < x.size(); ++k) {
                uint8_t b = x[k];
                bool tmpl = (b >= 0xC0 && b <= 0xC7) || (b >= 0xD0 && b <= 0xD7) || b >= 0xFA;
                EXPECT_TRUE(b < 0x80 || (tmpl && b != 0xF7)) << "entry " << i << " byte " << k;
                open += b == 0xFA ? 1 : b == 0xFB ? -1 : 0;
                EXPECT_TRUE(open == 0 || open == 1) << "entry " << i << " byte " << k;
            }
            EXPECT_EQ(open, 0) << "entry " << i;
        }
    }
    EXPECT_GE(defined, 30u);

    // entry, channel, parameters, messages
    const std::vector<std::tuple<uint16_t, uint8_t, uint8_t, uint8_t, std::vector<Bytes>>> plays = {
        // Master volume: one 14-bit parameter, LSB before MSB on the wire.
        {4, 0, 0x7F, 0x01, {{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x01, 0x7F, 0xF7}}},
        // Pitch-bend sensitivity: RPN 0,0, data entry, then RPN null.
        {10, 2, 0, 12, {{0xB2, 101, 0}, {0xB2, 100, 0}, {0xB2, 6, 12}, {0xB2, 38, 0}, {0xB2, 101, 127}, {0xB2, 100, 127}}},
        // GS part level addresses the part of the channel: channel 9 is part 10 (nibble 0).
        {30, 9, 0, 100, {{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x19, 0x64, 0x33, 0xF7}}},
        // XG part volume takes the channel itself as the part number.
        {40, 5, 0, 90, {{0xF0, 0x43, 0x10, 0x4C, 0x08, 0x05, 0x0B, 90, 0xF7}}},
        // Two parameters: drum note and value.
        {60, 9, 38, 70, {{0xB9, 99, 0x18}, {0xB9, 98, 38}, {0xB9, 6, 70}}},
    };
    for (const auto& [entry, channel, p1, p2, messages] : plays)
        EXPECT_EQ(play(song, entry, channel, p1, p2), messages) << "entry " << entry;
}
