// Song file speed on a large song (64 tracks of 16,000 events, mostly notes) and on songs of
// many small containers (40,000 empty tracks or phrases, about 2 MB), whose reading must stay
// linear in the file. Run one case under /usr/bin/time -v to see its peak memory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

constexpr int kContainers = 40000;

// A song file of kContainers chunks, each an empty track (or phrase numbered 1, 2, ...).
std::vector<uint8_t> manyContainers(bool phrases) {
    Song song;
    std::vector<uint8_t> head = encodeSong(song);  // header, markers, beats, tempo track
    Song one;
    Track& t = phrases ? one.createPhrase() : one.createTrack();
    t.name = "Track   1";
    std::vector<uint8_t> chunk = encodeSong(one);
    chunk.erase(chunk.begin(), chunk.begin() + ptrdiff_t(head.size()));  // its last chunk only
    std::vector<uint8_t> out = head;
    out.reserve(head.size() + chunk.size() * kContainers);
    for (uint32_t n = 1; n <= kContainers; ++n) {
        if (phrases) std::memcpy(chunk.data() + 4, &n, 4);  // little-endian hosts only
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

void readMany(benchmark::State& state, bool phrases) {
    std::string path = tempPath();
    std::vector<uint8_t> bytes = manyContainers(phrases);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) state.SkipWithError("write failed");
    if (f) std::fclose(f);
    for (auto _ : state) {
        auto* song = new Song;
        if (!readSongFile(path, *song)) state.SkipWithError("read failed");
        size_t n = phrases ? song->phrases.size() : song->tracks.size();
        if (n != size_t(kContainers)) state.SkipWithError("wrong container count");
        state.PauseTiming();
        delete song;
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.counters["bytes"] = double(bytes.size());
}

void BM_ReadManyTracks(benchmark::State& state) { readMany(state, false); }
void BM_ReadManyPhrases(benchmark::State& state) { readMany(state, true); }

}  // namespace

BENCHMARK(BM_ReadManyTracks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ReadManyPhrases)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WriteSongFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadSongFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
