// The numerical editor's rows on long lists: one screen of rows from a kept cursor on a
// 100,000-event track (what a paint costs), building the row index, and every row of the track.
// With --generate PATH [EVENTS] it writes a song of one track of that many events (default
// 1,000,000) of every common kind, for bench/rows_speed.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "editor/rows.h"
#include "io/song_file.h"
#include "model/song.h"

using namespace tarvio;

namespace {

constexpr int kScreenRows = 80;  // a tall window at the smallest font

// Chords, runs, controllers, bends, programs, comments and phrase calls over changing
// signatures, so that rows of every width and the bar-line walk are all exercised.
void fill(Song& song, Track& t, int events) {
    song.setBeat(16, 3, 4);
    song.setBeat(40, 7, 8);
    song.setBeat(64, 4, 4);
    song.createPhrase().name = "Riff";
    std::mt19937 rng(11);
    for (int i = 0; i < events; ++i) {
        Event e;
        const int r = int(rng() % 100);
        if (r < 70) {
            e.setNote(uint8_t(36 + rng() % 48), uint8_t(1 + rng() % 127), uint16_t(30 + rng() % 900));
        } else if (r < 85) {
            e.setControl(uint8_t(rng() % 128), uint8_t(rng() % 128));
        } else if (r < 92) {
            e.setBend(int(rng() % 16384) - 8192);
        } else if (r < 95) {
            e.setProgram(uint8_t(rng() % 128), 0, 128);
        } else if (r < 98) {
            e.setComment("section");
        } else {
            e.setPhraseCall({1, 0, 2, 0, 1});
        }
        e.step = (i % 3 == 0) ? 0 : int32_t(60 * (1 + rng() % 8));
        t.events.pushBack(std::move(e));
    }
}

struct Fixture {
    Song song;
    Track* track;
    std::array<std::string, 128> names;
    explicit Fixture(int events) : track(&song.createTrack()) {
        names[7] = "Volume";
        names[10] = "Pan";
        fill(song, *track, events);
    }
    rows::RowSource source() const { return {&song, track, &names}; }
};

Fixture& fixture100k() {
    static Fixture f(100000);
    return f;
}

// One screen of rows from a cursor kept at the first visible row: what a paint does.
void BM_ScreenFromKeptCursor(benchmark::State& state) {
    Fixture& f = fixture100k();
    const rows::RowIndex index(f.source(), {state.range(0) != 0, 0});
    const rows::RowCursor kept = index.at(index.rowCount() / 2);
    rows::Row row;
    for (auto _ : state) {
        rows::RowCursor c = kept;
        for (int i = 0; i < kScreenRows && !c.atEnd(); ++i, c.next()) {
            c.fill(row);
            benchmark::DoNotOptimize(row.texts.data());
        }
    }
    state.SetLabel(state.range(0) ? "ghost rows on" : "ghost rows off");
}
BENCHMARK(BM_ScreenFromKeptCursor)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One screen anywhere in the list through the index (a jump: scroll bar, search, follow).
void BM_ScreenThroughIndex(benchmark::State& state) {
    Fixture& f = fixture100k();
    const rows::RowIndex index(f.source(), {true, 0});
    std::mt19937 rng(3);
    for (auto _ : state) {
        auto window = index.rows(int64_t(rng() % uint64_t(index.rowCount())), kScreenRows);
        benchmark::DoNotOptimize(window.data());
    }
}
BENCHMARK(BM_ScreenThroughIndex)->Unit(benchmark::kMicrosecond);

// Building the index after an edit: one walk of the list without texts.
void BM_BuildIndex(benchmark::State& state) {
    Fixture& f = fixture100k();
    for (auto _ : state) {
        rows::RowIndex index(f.source(), {true, 0});
        benchmark::DoNotOptimize(index.rowCount());
    }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

// Every row of the track with its cells, as tarvio-cli rows prints them.
void BM_AllCells(benchmark::State& state) {
    Fixture& f = fixture100k();
    rows::Row row;
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (rows::RowCursor c(f.source(), {}); !c.atEnd(); c.next()) {
            c.fill(row);
            rows::appendCells(row, out);
            out.push_back('\n');
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_AllCells)->Unit(benchmark::kMillisecond);

int generate(const char* path, int events) {
    Song song;
    Track& t = song.createTrack();
    fill(song, t, events);
    std::string err;
    if (!writeSongFile(path, song, &err)) {
        std::fprintf(stderr, "%s\n", err.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--generate") == 0)
        return generate(argv[2], argc == 4 ? std::atoi(argv[3]) : 1000000);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
