// Phrase calls during playback: a song of 1,000 phrases, each called on every tick, so that
// finding the called phrase by its number dominates the walk.
#include <benchmark/benchmark.h>

#include "expand/emitter.h"
#include "expand/song_play.h"
#include "model/song.h"

using namespace tarvio;

namespace {

constexpr int kPhrases = 1000;
constexpr int kTicks = 480;

// Every phrase holds one label (it plays nothing); the track calls all of them at every tick,
// in the order opposite to their creation, so that a front-to-back search walks far.
void buildSong(Song& song) {
    std::vector<uint32_t> numbers;
    for (int i = 0; i < kPhrases; ++i) {
        Track& p = song.createPhrase();
        Event label;
        label.setKindValue(EventKind::Label, 0);
        p.events.pushBack(label);
        numbers.push_back(p.number);
    }
    Track& t = song.createTrack();
    for (int tick = 0; tick < kTicks; ++tick) {
        for (int i = kPhrases - 1; i >= 0; --i) {
            Event call;
            call.setPhraseCall(PhraseCallData{numbers[size_t(i)], 0, 0, 0, 0});
            call.step = i == 0 ? 1 : 0;
            t.events.pushBack(call);
        }
    }
}

void BM_PhraseCallsEveryTick(benchmark::State& state) {
    Song song;
    buildSong(song);
    Emitter em;
    reservePlayback(song);
    int64_t calls = 0;
    for (auto _ : state) {
        songResetAll(song, 0, em);
        for (int32_t t = 0; t < kTicks; ++t) songAdvance(song, t, em);
        calls += int64_t(kTicks) * kPhrases;
    }
    state.counters["calls_per_s"] = benchmark::Counter(double(calls), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PhraseCallsEveryTick)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
