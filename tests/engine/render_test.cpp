// Offline rendering: tempo-map timing, the WAV it writes, and how ports share the synthesizer.
#include "engine/render.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "model/musical_time.h"
#include "model/song.h"
#include "wav_read.h"

using namespace tarvio;

namespace {

Event at(int32_t step, auto set) {
    Event e;
    set(e);
    e.step = step;
    return e;
}
Event tempo(uint32_t bpm, int32_t step) { return at(step, [&](Event& e) { e.setTempo(bpm); }); }
Event note(uint8_t n, uint16_t gate, int32_t step) { return at(step, [&](Event& e) { e.setNote(n, 110, gate); }); }
Event program(uint8_t p, int32_t step = 0) { return at(step, [&](Event& e) { e.setProgram(p); }); }

void track(Song& song, uint8_t port, uint8_t channel, std::initializer_list<Event> events) {
    Track& t = song.createTrack();
    t.port = port;
    t.channel = channel;
    for (const Event& e : events) t.events.pushBack(e);
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string err;
        if (!findSoundfont("", soundfont_, err)) GTEST_SKIP() << err;
        dir_ = std::filesystem::temp_directory_path() / ("tarvio-render-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    wavtest::Wav render(Song& song, const std::string& name, RenderSummary* summary = nullptr) {
        std::string err;
        RenderOptions options{soundfont_, {}};
        const std::string path = (dir_ / name).string();
        wavtest::Wav w;
        EXPECT_TRUE(renderSong(song, path, options, summary, err)) << err;
        EXPECT_TRUE(wavtest::readWav(path, w));
        return w;
    }

    std::string soundfont_;
    std::filesystem::path dir_;
};

}  // namespace

TEST(TempoMapClock, AgreesWithTickToMsOnEveryTick) {
    Song song;
    song.tpqn = 96;
    song.tempo = 97;
    for (Event e : {at(7, [](Event& c) { c.setComment("not a tempo"); }), tempo(133, 101),
                    tempo(41, 0),  // two changes at one tick
                    tempo(240, 333), tempo(59, 5)})
        song.tempoTrack->events.pushBack(e);
    TempoMapClock clock(song);
    for (int64_t t = 0; t < 2000; ++t) ASSERT_EQ(clock.msAt(t), tickToMs(song, t)) << "tick " << t;
    TempoMapClock sparse(song);
    for (int64_t t : {6, 7, 108, 446, 100000}) EXPECT_EQ(sparse.msAt(t), tickToMs(song, t)) << "tick " << t;
}

TEST_F(RenderTest, WavHoldsTheSongByTheTempoMapPlusTheTail) {
    Song song;
    // 120 bpm for 240 ticks (250 ms), then 90 bpm: tick 720 falls at 916 ms.
    for (const Event& e : {tempo(120, 240), tempo(90, 0)}) song.tempoTrack->events.pushBack(e);
    track(song, 0, 0, {program(0, 720), note(60, 240, 480), note(64, 480, 0)});  // last note-off at 1680

    RenderSummary summary;
    wavtest::Wav w = render(song, "song.wav", &summary);
    const size_t size = w.bytes.size();
    EXPECT_EQ(w.tag(0) + w.tag(8) + w.tag(12) + w.tag(36), "RIFFWAVEfmt data");
    EXPECT_EQ(w.at(4, 4), size - 8);
    // fmt: 16 bytes, PCM, 2 channels, 44100 Hz, bytes per second, 4-byte frames, 16 bits.
    EXPECT_EQ(std::vector<uint32_t>({w.at(16, 4), w.at(20, 2), w.at(22, 2), w.at(24, 4), w.at(28, 4), w.at(32, 2),
                                     w.at(34, 2)}),
              std::vector<uint32_t>({16, 1, 2, 44100, 44100 * 4, 4, 16}));
    EXPECT_EQ(w.at(40, 4), size - 44);

    EXPECT_EQ(summary.lastTick, 1680);
    const int64_t songFrames = msToFrame(tickToMs(song, 1680));
    EXPECT_EQ(int64_t(w.frames()), songFrames + 2 * 44100);
    EXPECT_EQ(summary.frames, int64_t(w.frames()));

    // Silent until the first note, which sounds within FluidSynth's 64-frame block plus a
    // few milliseconds of attack (FluidSynth's default gain keeps the level modest).
    const size_t onset = size_t(msToFrame(916));
    EXPECT_LE(wavtest::level(w, 0, onset).peak, 4);
    EXPECT_GT(wavtest::level(w, onset, onset + 64 + 441).peak, 300);
    const double playing = wavtest::level(w, onset, size_t(songFrames)).rms;
    EXPECT_GT(playing, 100);
    // The tail ends in near silence.
    EXPECT_LT(wavtest::level(w, w.frames() - 4410, w.frames()).rms, playing / 20);
}

TEST_F(RenderTest, EachPortHasItsOwnChannelsIncludingDrumsAfterGmReset) {
    // The same music once spread over two ports and once on three channels of one port: with a
    // block of channels per port (drum channel included) the audio is the same.
    auto build = [](Song& song, bool twoPorts) {
        const Event gmReset = at(0, [](Event& e) { e.setExclusive({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); });
        track(song, 0, 0, {gmReset, program(0, 10), note(60, 480, 480)});
        track(song, twoPorts ? 1 : 0, twoPorts ? 0 : 1, {program(40, 10), note(67, 480, 480)});
        track(song, twoPorts ? 1 : 0, 9, {note(36, 60, 120), note(38, 60, 120)});
    };
    Song spread, together;
    build(spread, true);
    build(together, false);
    wavtest::Wav a = render(spread, "spread.wav");
    wavtest::Wav b = render(together, "together.wav");
    ASSERT_EQ(a.frames(), b.frames());
    EXPECT_GT(wavtest::level(a, 0, a.frames()).rms, 100);
    size_t differing = 0;
    for (size_t i = 0; i < a.samples.size(); ++i) differing += std::abs(a.samples[i] - b.samples[i]) > 2;
    EXPECT_EQ(differing, 0u);
}
