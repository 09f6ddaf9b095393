#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "io/file_util.h"
#include "io/phrase_file.h"
#include "model/song.h"

using namespace tarvio;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// One event of each payload shape the file form knows.
std::vector<Event> sampleEvents() {
    std::vector<Event> v(6);
    v[0].setNote(60, 100, 300);
    v[0].step = 480;
    v[1].setExclusive({0xF0, 0x41, 0xFA, 0x7F, 0xFB, 0xF7}, 3, 4);
    v[2].setPhraseCall(PhraseCallData{7, 120, -5, 9, 2});
    v[2].step = -1;
    v[3].setClone(CloneData{-3, 2, -480});
    v[4].setComment("exactly thirty-two characters!!!");
    ParameterBlock block;
    block.count = 2;
    block.records[255].raw[63] = 9;
    v[5].setPluginParams(1, block);
    v[5].step = 96;
    return v;
}

std::vector<const Event*> pointers(const std::vector<Event>& v) {
    std::vector<const Event*> p;
    for (const Event& e : v) p.push_back(&e);
    return p;
}

void putU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

class PhraseFileDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tarvio-phrase-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

}  // namespace

TEST(PhraseFile, EveryPayloadRoundTripsWithFreshSerials) {
    const std::vector<Event> in = sampleEvents();
    const Bytes file = encodePhraseFile(pointers(in));
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), (Bytes{'t', 'v', 'p', 'h', 1, 0, 0, 0, 6, 0, 0, 0}));

    std::vector<Event> out;
    ASSERT_TRUE(decodePhraseFile(file.data(), file.size(), out));
    ASSERT_EQ(out.size(), in.size());
    std::set<uint32_t> serials;
    for (size_t i = 0; i < in.size(); ++i) {
        EXPECT_TRUE(out[i].sameContent(in[i])) << "event " << i;
        EXPECT_EQ(out[i].step, in[i].step) << "event " << i;
        serials.insert(out[i].serial());
        serials.insert(in[i].serial());
    }
    EXPECT_EQ(serials.size(), 2 * in.size()) << "read events must not reuse serials";
    EXPECT_EQ(encodePhraseFile(pointers(out)), file);
}

TEST(PhraseFile, WrongMagicOrVersionReadsNothing) {
    const Bytes good = encodePhraseFile(pointers(sampleEvents()));
    std::vector<Event> out(1);
    const uint32_t kept = out[0].serial();

    Bytes magic = good;
    magic[0] = 'T';
    EXPECT_FALSE(decodePhraseFile(magic.data(), magic.size(), out));
    Bytes version = good;
    putU32(version, 4, 2);
    EXPECT_FALSE(decodePhraseFile(version.data(), version.size(), out));
    EXPECT_FALSE(decodePhraseFile(good.data(), 6, out));  // cut inside the version word
    EXPECT_FALSE(decodePhraseFile(nullptr, 0, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].serial(), kept);
}

TEST(PhraseFile, TruncatedOrMiscountedRunKeepsWhatTheBytesHold) {
    const std::vector<Event> in = sampleEvents();
    const Bytes good = encodePhraseFile(pointers({in.begin(), in.begin() + 2}));  // note, exclusive
    std::vector<Event> out;

    // Cut inside the exclusive's byte list: the note survives, the half event does not.
    ASSERT_TRUE(decodePhraseFile(good.data(), good.size() - 2, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].sameContent(in[0]));

    // A count far beyond the data must neither allocate for it nor invent events.
    Bytes huge = good;
    putU32(huge, 8, 0xFFFFFFFFu);
    ASSERT_TRUE(decodePhraseFile(huge.data(), huge.size(), out));
    EXPECT_EQ(out.size(), 2u);

    // A smaller count stops early even though more bytes follow.
    Bytes one = good;
    putU32(one, 8, 1);
    ASSERT_TRUE(decodePhraseFile(one.data(), one.size(), out));
    EXPECT_EQ(out.size(), 1u);

    // Header only, with the count cut off: a valid file that holds nothing.
    ASSERT_TRUE(decodePhraseFile(good.data(), 10, out));
    EXPECT_TRUE(out.empty());
}

TEST_F(PhraseFileDisk, ImportCreatesTheLowestFreePhraseNamedAfterTheFile) {
    const std::vector<Event> in = sampleEvents();
    const std::string file = path("Bass.line.tvp");
    std::string err;
    ASSERT_TRUE(writePhraseFile(file, pointers({in.begin(), in.begin() + 3}), &err)) << err;

    Song song;
    song.createPhrase().events.pushBack(in[0]);  // 1
    song.createPhrase();                         // 2
    song.createPhrase();                         // 3
    song.removePhrase(2);

    Track* p = importPhraseFile(song, file, &err);
    ASSERT_NE(p, nullptr) << err;
    EXPECT_EQ(p->number, 2u);
    EXPECT_EQ(p, song.phrases.back().get()) << "a new phrase goes to the end of the list";
    EXPECT_EQ(p->name, "Bass.line");
    EXPECT_EQ(p->type, TrackType::Phrase);
    EXPECT_EQ(p->phraseLength, 0x0FFFFFFF);
    ASSERT_EQ(p->events.size(), 3u);
    auto it = p->events.begin();
    for (size_t i = 0; i < 3; ++i, ++it) {
        EXPECT_TRUE(it->sameContent(in[i]));
        EXPECT_EQ(p->events.find(it->serial()), it) << "findable by serial";
    }
}
