#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <tuple>

#include "io/file_util.h"
#include "io/song_file.h"
#include "model/song.h"
#include "model/undo.h"
#include "plugin/tarvio_plugin.h"

using namespace tarvio;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Largest single allocation while watching, to catch readers that trust stored sizes.
static std::atomic<bool> g_watch{false};
static std::atomic<size_t> g_largest{0};
__attribute__((noinline)) void* operator new(size_t n) {
    if (g_watch && n > g_largest) g_largest = n;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { std::free(p); }
// The other forms too: a sanitizer replaces each form it is not given, and would see its own
// allocations freed here (or these freed by it).
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes str(std::string_view s) { return concat({{uint8_t(s.size()), 0, 0, 0}, Bytes(s.begin(), s.end())}); }

Bytes eventBytes(const Track& t) {
    Bytes out;
    for (const Event& e : t.events) encodeFileForm(e, out);
    return out;
}

std::unique_ptr<Song> decode(const Bytes& b, ReadReport* report = nullptr) {
    auto s = std::make_unique<Song>();
    ReadReport r = decodeSong(b.data(), b.size(), *s);
    if (report) *report = r;
    return s;
}

size_t find(const Bytes& b, std::string_view tag, size_t from = 0) {
    return size_t(std::search(b.begin() + ptrdiff_t(from), b.end(), tag.begin(), tag.end()) - b.begin());
}

using Status = ReadReport::Status;

// A song using every stored field. Its events are of a fixed size, carry a byte count or text, or
// (withParams) the largest payload: every event form is checked on its own in the event tests.
void fillRich(Song& s, bool withParams) {
    s.title = "Title";
    s.rights = "(c) someone";
    s.tempo = 97;
    s.tpqn = 96;
    s.initialBeat = {0, 3, 4};
    s.setBeat(5, 7, 8);
    s.setBeat(9, 2, 2);
    s.markers[0] = 480;
    s.markers[63] = 0xDEADBEEF;
    s.tempoTrack->events.pushBack(Event{});
    s.tempoTrack->events.back().setTempo(140);
    s.tempoTrack->events.back().step = 960;

    Track& t = s.createTrack();
    t.name = "Lead";
    t.bankSet = "XG";
    t.port = 200;
    t.channel = 9;
    t.mute = 1;
    t.record = 2;
    t.offset = -120;
    t.transpose = -12;
    std::vector<Event> ev(withParams ? 5 : 4);
    ev[0].setNote(60, 100, 0x1234);
    ev[1].setExclusive({0xF0, 0x41, 0xFA, 0xFC, 0xFB, 0xF7}, 3, 4);
    ev[2].setPhraseCall({7, 48, -3, 9, 2});
    ev[3].setComment("abcdefghijklmnopqrstuvwxyz012345");
    if (withParams) {
        ParameterBlock blk;
        blk.count = 3;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 64; ++j) blk.records[i].raw[j] = uint8_t(i * 7 + j);
        ev[4].setPluginParams(1, blk);
    }
    for (size_t i = 0; i < ev.size(); ++i) {
        ev[i].step = int32_t(i * 10);
        t.events.pushBack(ev[i]);
    }
    s.createTrack().solo = 1;
    s.createPhrase().number = 3;
    Track& p = s.createPhrase();
    p.number = 7;
    p.name = "Riff";
    p.events.pushBack(ev[0]);
}

TEST(SongFile, NewSongBytesAreExact) {
    Song s;
    s.createTrack();
    // Bank set, five flag bytes, offset, transpose, no events, four free slots.
    Bytes body = concat({str("GM"), Bytes(5 + 4 + 4, 0), Bytes{0}, Bytes(4 * 4, 0)});
    Bytes expect = concat({Bytes{'e', 'm', 'h', 'd', 0, 0, 0, 0, 0, 0, 0, 0, 120, 0, 0xE0, 1, 0, 0, 0, 0, 4, 4},
                           Bytes{'e', 'm', 'm', 'k'}, Bytes(256, 0), Bytes{'e', 'm', 'b', 't', 0},
                           Bytes{'e', 'm', 't', 'm', 1, 0}, str("Tempo Trk."), body,
                           Bytes{'e', 'm', 't', 'r', 0, 0}, str(s.tracks.front()->name), body});
    EXPECT_EQ(encodeSong(s), expect);
    EXPECT_EQ(encodeSong(*decode(expect)), expect);
}

TEST(SongFile, RoundTripsAndResavesByteExact) {
    Song s;
    fillRich(s, true);
    Bytes b = encodeSong(s);
    ReadReport report;
    auto r = decode(b, &report);
    EXPECT_EQ(report.status, Status::Complete);
    EXPECT_EQ(encodeSong(*r), b);
    // Unknown tags are skipped, but a save would lose them: the file is reported damaged there.
    EXPECT_EQ(decode(concat({b, Bytes{'x', 'x', 'x', 'x'}, b}), &report)->tracks.size(), 4u);
    EXPECT_EQ(std::make_tuple(report.status, report.offset, report.reason),
              std::make_tuple(Status::Damaged, uint64_t(b.size()), std::string("unrecognised data skipped")));

    // The resave shows every stored field was read; events get fresh serials, and normal tracks
    // their numbers from the song, not the file.
    Track& t = *r->tracks.front();
    EXPECT_NE(t.number, s.tracks.front()->number);
    auto a = s.tracks.front()->events.begin();
    for (const Event& e : t.events) EXPECT_NE(e.serial(), (a++)->serial());

    EXPECT_EQ(std::make_tuple(r->phrases.front()->number, r->phrases.back()->number, r->phrases.back()->type),
              std::make_tuple(3u, 7u, TrackType::Phrase));
    EXPECT_EQ(r->createPhrase().number, 1u);

    // Reading is no edit, and only the soloed track plays (the other is not muted by its flag alone).
    r->tracks.front()->mute = 0;
    r = decode(encodeSong(*r));
    r->forEachContainer([](Track& c) { EXPECT_EQ(c.resetFlag, 0); });
    EXPECT_EQ(r->tracks.front()->effectiveMute, 1);
    EXPECT_EQ(r->tracks.back()->effectiveMute, 0);
}

// The song's bytes with slot 0 of its last container named and holding two stored entries,
// as a song saved with a plug-in that is not installed here.
Bytes withNamedSlot(const Song& s) {
    Bytes b = encodeSong(s);
    b.resize(b.size() - 16);
    return concat({b, str("Echo"), {2, 0, 0, 0}, Bytes(2 * 28, 0x5A), Bytes(12, 0)});
}

// A cut file keeps what came before the cut and says where its damage begins: inside the chunk
// that was cut. Only a cut between chunks cannot be seen, since chunks carry no lengths.
TEST(SongFile, TruncatedInputKeepsAPrefixAndIsReported) {
    Song s;
    fillRich(s, false);
    Bytes full = encodeSong(s);
    Bytes fullEvents = eventBytes(*s.tracks.front());
    std::vector<size_t> chunks;
    for (std::string_view tag : {"emhd", "emmk", "embt", "emtm", "emtr", "emph"})
        for (size_t at = find(full, tag); at < full.size(); at = find(full, tag, at + 1)) chunks.push_back(at);
    std::sort(chunks.begin(), chunks.end());
    ASSERT_EQ(chunks.size(), 8u);
    chunks.push_back(full.size());
    for (size_t n = 0; n <= full.size(); ++n) {
        ReadReport report;
        auto r = decode(Bytes(full.begin(), full.begin() + ptrdiff_t(n)), &report);
        if (n < 4) {  // not even one tag
            EXPECT_EQ(report.status, Status::NotThisKind);
            continue;
        }
        size_t chunk = *std::prev(std::upper_bound(chunks.begin(), chunks.end(), n));
        if (chunk == n) {
            ASSERT_EQ(report.status, Status::Complete) << n;
        } else {
            ASSERT_EQ(report.status, Status::Damaged) << n;
            ASSERT_TRUE(report.offset >= chunk && report.offset <= n) << n << " at " << report.offset;
            ASSERT_FALSE(report.reason.empty());
        }
        ASSERT_LE(r->tracks.size(), 2u);
        if (r->tracks.empty()) continue;
        Bytes got = eventBytes(*r->tracks.front());
        ASSERT_LE(got.size(), fullEvents.size()) << n;
        ASSERT_TRUE(std::equal(got.begin(), got.end(), fullEvents.begin())) << n;
    }
    ReadReport report;
    decode(concat({full, Bytes{'e', 'm'}}), &report);
    EXPECT_EQ(std::make_tuple(report.status, report.offset, report.reason),
              std::make_tuple(Status::Damaged, uint64_t(full.size()), std::string("cut off inside a chunk tag")));
}

// The chunk, not the body's type field, says what a container is (the song's lists and its undo
// history route by type). A slot with a negative name length is free, and reading goes on; a slot
// naming a plug-in that is not installed keeps the name and is written back free.
TEST(SongFile, ChunkDecidesContainerTypeAndSlotsAreReadLeniently) {
    Song s;
    s.createTrack();
    s.createTrack().name = "second";
    s.createPhrase().number = 5;
    Bytes b = withNamedSlot(s);
    const size_t track1 = find(b, "emtr"), track2 = find(b, "emtr", track1 + 1), phrase = find(b, "emph");
    b[track1 + 4] = uint8_t(TrackType::Phrase);
    b[phrase + 8] = uint8_t(TrackType::TempoTrack);
    std::fill(b.begin() + ptrdiff_t(track2 - 16), b.begin() + ptrdiff_t(track2 - 12), 0xFF);  // slot 0: L = -1

    ReadReport report;
    auto r = decode(b, &report);
    EXPECT_EQ(report.status, Status::Complete);
    ASSERT_EQ(r->tracks.size(), 2u);
    EXPECT_EQ(r->tracks.back()->name, "second");
    Track& t = *r->tracks.front();
    EXPECT_EQ(t.type, TrackType::Normal);
    EXPECT_TRUE(t.slots[0].name.empty());
    ASSERT_EQ(r->phrases.size(), 1u);
    EXPECT_EQ(r->findPhrase(5), r->phrases.front().get());
    EXPECT_EQ(r->phrases.front()->type, TrackType::Phrase);
    EXPECT_EQ(r->phrases.front()->slots[0].name, "Echo");
    EXPECT_EQ(encodeSong(*r), encodeSong(s));
    t.push(makeInsert(t, {Event{}}, 0));
    EXPECT_TRUE(r->undo());
    EXPECT_TRUE(t.events.empty());
}

namespace {

// A plug-in as the song file sees it: an integer parameter 0..100 (default 10) and a real one
// 0..1 (default 0.5); binding sets nothing but the instance and the defaults.
void releaseNothing(TarvioPluginInstance*) {}
const TarvioPluginOps kOps{nullptr, nullptr, &releaseNothing, nullptr, nullptr, nullptr, nullptr};
TarvioPluginInstance gInstance{&kOps, 0, 1, {}};

void put(ParameterRecord& r, size_t at, auto v) { std::memcpy(r.raw + at, &v, sizeof v); }
void bindTwoTypes(PluginSlot& slot) {
    slot.instance = &gInstance;
    ParameterBlock& b = slot.ensureBlock();
    b = ParameterBlock{};
    b.count = 2;
    put(b.records[0], 0, int32_t(0));
    put(b.records[0], 40, int32_t(0));
    put(b.records[0], 44, int32_t(100));
    put(b.records[0], 48, int32_t(10));
    put(b.records[1], 0, int32_t(1));
    put(b.records[1], 40, 0.0);
    put(b.records[1], 48, 1.0);
    put(b.records[1], 56, 0.5);
}
int32_t countTwo(const PluginSlot&) { return 2; }

// A stored entry: type, then an integer (min, max, value) or a real (min, max, value) layout.
Bytes intEntry(int32_t v) {
    Bytes b(28, 0);
    std::memcpy(b.data() + 12, &v, 4);
    return b;
}
Bytes realEntry(double v) {
    Bytes b(28, 0);
    b[0] = 1;
    std::memcpy(b.data() + 20, &v, 8);
    return b;
}

}  // namespace

// The plug-in's declared type decides how a stored value is read: an entry of the other type is
// skipped (the default stays) and the file is reported damaged where that entry is, so a resave
// writes the plug-in's layout and stays the same from then on.
TEST(SongFile, PluginEntriesOfTheWrongTypeAreSkippedAndReported) {
    setPluginSlotHost({&bindTwoTypes, &countTwo, nullptr});
    Song s;
    s.createTrack();
    Bytes b = encodeSong(s);
    b.resize(b.size() - 16);
    const Bytes good = concat({b, str("Two"), {2, 0, 0, 0}, intEntry(70), realEntry(0.25), Bytes(12, 0)});
    const Bytes swapped = concat({b, str("Two"), {2, 0, 0, 0}, realEntry(0.75), intEntry(7), Bytes(12, 0)});
    auto valuesOf = [](const Song& r) {
        const ParameterBlock& blk = r.tracks.front()->slotBlock(0);
        int32_t i;
        double d, max;
        std::memcpy(&i, blk.records[0].raw + 48, 4);
        std::memcpy(&max, blk.records[1].raw + 48, 8);
        std::memcpy(&d, blk.records[1].raw + 56, 8);
        return std::make_tuple(i, max, d);
    };

    ReadReport report;
    auto r = decode(good, &report);
    EXPECT_EQ(report.status, Status::Complete);
    EXPECT_EQ(valuesOf(*r), std::make_tuple(70, 1.0, 0.25));

    r = decode(swapped, &report);
    const uint64_t firstEntry = b.size() + 7 + 4;  // after the name and the count
    EXPECT_EQ(std::make_tuple(report.status, report.offset), std::make_tuple(Status::Damaged, firstEntry));
    EXPECT_EQ(valuesOf(*r), std::make_tuple(10, 1.0, 0.5));
    const Bytes saved = encodeSong(*r);
    auto again = decode(saved, &report);
    EXPECT_EQ(report.status, Status::Complete);
    EXPECT_EQ(encodeSong(*again), saved);
    setPluginSlotHost({});
}

TEST(SongFile, CorruptInputNeverCrashesOrAllocatesHugely) {
    Song s;
    fillRich(s, true);
    s.createTrack();
    const Bytes orig = withNamedSlot(s);
    std::mt19937 rng(12345);
    for (int iter = 0; iter < 1000; ++iter) {
        Bytes b = orig;
        for (int i = 0, flips = 1 + int(rng() % 8); i < flips; ++i)
            b[rng() % b.size()] = (rng() & 1) ? uint8_t(rng()) : 0xFF;
        if (iter % 3 == 0) b.resize(rng() % b.size());
        Song r;
        g_largest = 0;
        g_watch = true;
        decodeSong(b.data(), b.size(), r);
        g_watch = false;
        ASSERT_LT(g_largest.load(), size_t(1) << 20) << "iteration " << iter;
    }
}

class SongFileDisk : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("tarvio_io_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    size_t entries() const { return size_t(std::distance(fs::directory_iterator(dir), {})); }
};

TEST_F(SongFileDisk, FailedWriteKeepsOldFile) {
    Song s;
    fillRich(s, true);
    std::string path = (dir / "song.tvo").string();
    std::string err;
    ASSERT_TRUE(writeFileAtomic(path, {'o', 'l', 'd'}, &err)) << err;

    EXPECT_FALSE(writeSongFile((dir / "missing" / "x.tvo").string(), s, &err));
    EXPECT_NE(err.find("cannot write"), std::string::npos);

    // A write that fails halfway: the file size limit stops it after a few bytes.
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit old, small;
    ::getrlimit(RLIMIT_FSIZE, &old);
    small = {1000, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    err.clear();
    bool ok = writeSongFile(path, s, &err);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(err.empty());

    Bytes now;
    ASSERT_TRUE(readWholeFile(path, now));
    EXPECT_EQ(now, (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(entries(), 1u);  // no temporary left behind
}

// Reading says what it found; only a song file, whole or damaged, is taken.
TEST_F(SongFileDisk, ReadReportsWhatItFound) {
    Song s;
    fillRich(s, false);
    const Bytes whole = encodeSong(s);
    const std::string damaged = (dir / "cut.tvo").string(), text = (dir / "notes.txt").string();
    ASSERT_TRUE(writeFileAtomic(damaged, Bytes(whole.begin(), whole.end() - 3)));
    ASSERT_TRUE(writeFileAtomic(text, Bytes{'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't'}));
    struct Case {
        std::string path;
        bool ok;
        Status status;
        std::string errHas;
    };
    for (const Case& c : {Case{(dir / "nothing.tvo").string(), false, Status::Unreadable, "cannot open"},
                          Case{dir.string(), false, Status::Unreadable, "cannot read"},
                          Case{text, false, Status::NotThisKind, "not a song file"},
                          Case{damaged, true, Status::Damaged, ""}}) {
        Song r;
        fillRich(r, false);
        const Bytes before = encodeSong(r);
        std::string err;
        ReadReport report;
        EXPECT_EQ(readSongFile(c.path, r, &err, &report), c.ok) << c.path;
        EXPECT_EQ(report.status, c.status) << c.path;
        if (c.ok) continue;
        EXPECT_NE(err.find(c.errHas), std::string::npos) << err;
        EXPECT_EQ(report.reason.find(c.path), std::string::npos) << report.reason;
        EXPECT_EQ(encodeSong(r), before) << c.path;
    }
    EXPECT_FALSE(readSongFile(text, s));  // report and error are optional
}

TEST(FileUtil, Extension) {
    EXPECT_EQ(fileExtension("dir.x/Song.TVO"), "tvo");
    for (const char* none : {"dir.x/song", "dir/.hidden", "song."}) EXPECT_EQ(fileExtension(none), "") << none;
}

}  // namespace
