// Standard MIDI File export speed: every track rendered through its cursor into a format-1 file.
//
// Without arguments this is a Google Benchmark over a generated song with phrase calls.
// bench/smf_speed.sh uses the other mode:
//   --time PATH RUNS    imports PATH at TPQN 480 once, then prints the best wall milliseconds of
//                       RUNS exports of that song into memory, and of RUNS exports to a file
//                       next to PATH (written through a temporary file and a rename)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "expand/emitter.h"
#include "io/smf.h"
#include "model/song.h"

using namespace tarvio;

namespace {

// 32 tracks of eight-bar phrases called with transpositions, plus directly stored notes and
// controller sweeps: about 10 minutes at 120 BPM.
void buildSong(Song& song) {
    std::vector<uint32_t> phrases;
    for (int p = 0; p < 8; ++p) {
        Track& ph = song.createPhrase();
        for (int k = 0; k < 64; ++k) {
            Event e;
            e.setNote(uint8_t(48 + (k * 5 + p) % 24), uint8_t(60 + k % 40), 100);
            e.step = 120;
            ph.events.pushBack(e);
        }
        phrases.push_back(ph.number);
    }
    for (int k = 0; k < 32; ++k) {
        Track& t = song.createTrack();
        t.channel = uint8_t(k % 16);
        for (int bar = 0; bar < 300; ++bar) {
            if (bar % 8 == 0 && k % 2 == 0) {
                Event c;
                c.setPhraseCall(PhraseCallData{phrases[size_t((bar / 8 + k) % 8)], 0, (bar / 8) % 5, 0, 0});
                c.step = 0;
                t.events.pushBack(c);
            }
            for (int n = 0; n < 8; ++n) {
                Event c;
                c.setControl(11, uint8_t((bar + n) % 128));
                t.events.pushBack(c);
                Event e;
                e.setNote(uint8_t(36 + (bar + n + k) % 48), 90, 200);
                e.step = 240;
                t.events.pushBack(e);
            }
        }
    }
}

void BM_ExportSmf(benchmark::State& state) {
    Song song;
    buildSong(song);
    Emitter em;
    size_t bytes = 0;
    for (auto _ : state) bytes = exportSmf(song, em).size();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_ExportSmf)->Unit(benchmark::kMillisecond);

template <class F>
double bestMs(int runs, F&& f) {
    double best = 1e300;
    for (int r = 0; r < std::max(runs, 1); ++r) {
        auto t0 = std::chrono::steady_clock::now();
        if (!f()) return -1;
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

int timeExports(const std::string& path, int runs) {
    Song song;
    std::string err;
    if (!importSmfFile(path, song, 480, &err)) {
        std::fprintf(stderr, "%s\n", err.c_str());
        return 1;
    }
    Emitter em;
    size_t bytes = 0;
    double memory = bestMs(runs, [&] {
        bytes = exportSmf(song, em).size();
        return true;
    });
    std::string out = path + ".export.mid";
    double file = bestMs(runs, [&] { return exportSmfFile(out, song, em, &err); });
    if (file < 0) {
        std::fprintf(stderr, "%s\n", err.c_str());
        return 1;
    }
    std::printf("%.1f %.1f %zu\n", memory, file, bytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--time") == 0)
        return timeExports(argv[2], argc > 3 ? std::atoi(argv[3]) : 5);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
