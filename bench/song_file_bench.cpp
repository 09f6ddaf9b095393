// Song file speed on a large song: 64 tracks of 16,000 events, mostly notes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "io/song_file.h"
#include "model/song.h"

using namespace tarvio;

namespace {

constexpr int kTracks = 64;
constexpr int kEvents = 16000;

void fill(Song& song) {
    for (int t = 0; t < kTracks; ++t) {
        Track& tr = song.createTrack();
        tr.channel = uint8_t(t & 15);
        for (int i = 0; i < kEvents; ++i) {
            Event e;
            if (i % 8 == 7)
                e.setControl(uint8_t(1 + i % 11), uint8_t(i & 127));
            else
                e.setNote(uint8_t(36 + (i * 7) % 48), uint8_t(64 + i % 60), uint16_t(60 + i % 400));
            e.step = (i % 4) ? 0 : 120;
            tr.events.pushBack(std::move(e));
        }
    }
}

std::string tempPath() {
    return "/tmp/tarvio_bench_" + std::to_string(::getpid()) + ".tvo";
}

const Song& bigSong() {
    static Song* song = [] {
        auto* s = new Song;
        fill(*s);
        return s;
    }();
    return *song;
}

void BM_WriteSongFile(benchmark::State& state) {
    const Song& song = bigSong();
    std::string path = tempPath();
    for (auto _ : state) {
        if (!writeSongFile(path, song)) state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
    state.counters["events"] = double(kTracks) * kEvents;
}

void BM_ReadSongFile(benchmark::State& state) {
    std::string path = tempPath();
    if (!writeSongFile(path, bigSong())) {
        state.SkipWithError("write failed");
        return;
    }
    for (auto _ : state) {
        // The song is destroyed outside the timed region: only reading is measured.
        auto* song = new Song;
        if (!readSongFile(path, *song)) state.SkipWithError("read failed");
        state.PauseTiming();
        delete song;
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.counters["events"] = double(kTracks) * kEvents;
}

}  // namespace

BENCHMARK(BM_WriteSongFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadSongFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
