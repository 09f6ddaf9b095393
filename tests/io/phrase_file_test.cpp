// Phrase files: every payload round trip, damaged files, and import into a song.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <tuple>

#include "io/phrase_file.h"
#include "model/song.h"

using namespace tarvio;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// A fixed-size event, one with a byte count and the largest payload: every event form is
// checked on its own in the event tests.
std::vector<Event> sampleEvents() {
    std::vector<Event> v(3);
    v[0].setNote(60, 100, 300);
    v[0].step = 480;
    v[1].setExclusive({0xF0, 0x41, 0xFA, 0x7F, 0xFB, 0xF7}, 3, 4);
    v[1].step = -1;
    ParameterBlock block;
    block.count = 2;
    block.records[255].raw[63] = 9;
    v[2].setPluginParams(1, block);
    v[2].step = 96;
    return v;
}

std::vector<const Event*> pointers(const std::vector<Event>& v, size_t n = SIZE_MAX) {
    std::vector<const Event*> p;
    for (size_t i = 0; i < std::min(n, v.size()); ++i) p.push_back(&v[i]);
    return p;
}

Bytes withU32(Bytes b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    return b;
}

}  // namespace

// Written to a file and imported: the lowest free number, at the end of the list, named after
// the file, every payload and step as written, fresh serials that the list can find.
TEST(PhraseFile, EveryPayloadRoundTripsThroughImport) {
    const std::vector<Event> in = sampleEvents();
    const Bytes file = encodePhraseFile(pointers(in));
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), (Bytes{'t', 'v', 'p', 'h', 1, 0, 0, 0, 3, 0, 0, 0}));
    const fs::path dir = fs::temp_directory_path() / ("tarvio-phrase-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "Bass.line.tvp").string();
    std::string err;
    ASSERT_TRUE(writePhraseFile(path, pointers(in), &err)) << err;

    Song song;
    for (int i = 0; i < 3; ++i) song.createPhrase();
    song.removePhrase(2);
    Track* p = importPhraseFile(song, path, &err);
    fs::remove_all(dir);
    ASSERT_NE(p, nullptr) << err;
    EXPECT_EQ(std::tie(p->number, p->name), std::make_tuple(2u, std::string("Bass.line")));
    EXPECT_EQ(p, song.phrases.back().get());
    // Written back the same: every payload and step was read.
    std::set<uint32_t> serials;
    std::vector<const Event*> out;
    for (auto it = p->events.begin(); it != p->events.end(); ++it) {
        EXPECT_EQ(p->events.find(it->serial()), it);
        serials.insert(it->serial());
        out.push_back(&*it);
    }
    for (const Event& e : in) serials.insert(e.serial());
    EXPECT_EQ(serials.size(), 2 * in.size()) << "read events must not reuse serials";
    EXPECT_EQ(encodePhraseFile(out), file);
}

TEST(PhraseFile, DamagedFilesReadWhatTheBytesHoldOrNothing) {
    const std::vector<Event> in = sampleEvents();
    const Bytes good = encodePhraseFile(pointers(in, 2));  // note, exclusive
    Bytes magic = good;
    magic[0] = 'T';
    const Bytes version = withU32(good, 4, 2), huge = withU32(good, 8, 0xFFFFFFFFu), one = withU32(good, 8, 1);
    const struct {
        const Bytes& bytes;
        size_t size;
        int events;  // -1: refused, the list left alone
        const char* what;
    } cases[] = {
        {magic, magic.size(), -1, "wrong magic"},
        {version, version.size(), -1, "wrong version"},
        {good, 6, -1, "cut inside the version word"},
        {good, 0, -1, "empty"},
        {good, good.size() - 2, 1, "cut inside the exclusive: the note survives, the half event not"},
        {huge, huge.size(), 2, "a count far beyond the data neither allocates for it nor invents events"},
        {one, one.size(), 1, "a smaller count stops early though more bytes follow"},
        {good, 10, 0, "header only, count cut off: a valid file that holds nothing"},
    };
    for (const auto& c : cases) {
        std::vector<Event> out(5);  // a read replaces what the list held
        const uint32_t kept = out[0].serial();
        ASSERT_EQ(decodePhraseFile(c.size ? c.bytes.data() : nullptr, c.size, out), c.events >= 0) << c.what;
        if (c.events < 0) {
            EXPECT_TRUE(out.size() == 5 && out[0].serial() == kept) << c.what;
            continue;
        }
        ASSERT_EQ(int(out.size()), c.events) << c.what;
        EXPECT_TRUE(c.events == 0 || out[0].sameContent(in[0])) << c.what;
    }
}
