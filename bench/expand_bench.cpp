// Expansion speed: cursor, emitter and message building over a dense song, no printing.
#include <benchmark/benchmark.h>

#include "expand/emitter.h"
#include "expand/song_play.h"
#include "model/song.h"

using namespace tarvio;

namespace {

// 64 tracks, 10 minutes at 120 BPM and TPQN 480: eight notes and one controller per beat.
void buildDenseSong(Song& song, int tracks, int beats) {
    for (int k = 0; k < tracks; ++k) {
        Track& t = song.createTrack();
        t.channel = uint8_t(k % 16);
        t.port = uint8_t(k / 16);
        for (int b = 0; b < beats; ++b) {
            Event c;
            c.setControl(11, uint8_t(b % 128));
            t.events.pushBack(c);
            for (int n = 0; n < 8; ++n) {
                Event e;
                e.setNote(uint8_t(48 + (b + n + k) % 36), 100, 50);
                e.step = 60;
                t.events.pushBack(e);
            }
        }
    }
}

void BM_ExpandDenseSong(benchmark::State& state) {
    Song song;
    const int beats = 1200;
    buildDenseSong(song, 64, beats);
    Emitter em;
    int64_t trackTicks = 0;
    size_t records = 0;
    for (auto _ : state) {
        songResetAll(song, 0, em);
        int32_t t = 0;
        for (;; ++t) {
            songAdvance(song, t, em);
            records += song.output.records.size();
            if (songFinished(song)) break;
        }
        trackTicks += int64_t(t + 1) * 64;
    }
    benchmark::DoNotOptimize(records);
    state.counters["track_ticks_per_s"] = benchmark::Counter(double(trackTicks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExpandDenseSong)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
