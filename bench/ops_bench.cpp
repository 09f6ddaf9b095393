// Quantize of a range on a large track, undo group included, and the undo of it: a million
// notes off a 120-tick grid, so that nearly every note in the range moves. Shift of every
// velocity of the same track, and its undo. Search scripts over the same million notes (delete a
// quarter of them, delete all, convert all) and their undo.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "model/song.h"
#include "ops/quantize.h"
#include "ops/search.h"
#include "ops/shift.h"

using namespace tarvio;

namespace {

constexpr int kEvents = 1'000'000;
constexpr int kStep = 100;
// The whole track but its first and last ten thousand notes.
constexpr int64_t kBegin = int64_t(10'000) * kStep;
constexpr int64_t kEnd = int64_t(kEvents - 10'000) * kStep;

struct Fixture {
    Song song;
    Track* track = nullptr;
    QuantizePattern grid = groovePattern(120, 0);

    Fixture() {
        track = &song.createTrack();
        for (int i = 0; i < kEvents; ++i) {
            Event e;
            e.setNote(uint8_t(36 + i % 48), 100, 60);
            e.step = kStep;
            track->events.pushBack(std::move(e));
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Times the edit (undo group included) on every iteration; undo puts the list back untimed.
template <class Edit>
void timeEdit(benchmark::State& state, Edit edit) {
    Fixture& f = fixture();
    double worst = 0;
    int changed = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        changed = edit(f);
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        f.track->undo();
    }
    state.counters["worst_ms"] = worst;
    state.counters["changed"] = changed;
    state.counters["events"] = kEvents;
}

// Times the undo of the edit on every iteration.
template <class Edit>
void timeUndo(benchmark::State& state, Edit edit) {
    Fixture& f = fixture();
    double worst = 0;
    for (auto _ : state) {
        edit(f);
        auto t0 = std::chrono::steady_clock::now();
        bool ok = f.track->undo();
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["worst_ms"] = worst;
    state.counters["events"] = kEvents;
}

int quantize(Fixture& f) { return quantizeRange(f.song, *f.track, f.grid, 100, kBegin, kEnd); }
int shiftVelocities(Fixture& f) { return shiftRange(f.song, *f.track, TargetSpec{EditTarget::Vel}, -10, 0, INT64_MAX); }

void BM_QuantizeRange(benchmark::State& state) { timeEdit(state, quantize); }
void BM_QuantizeUndo(benchmark::State& state) { timeUndo(state, quantize); }
void BM_ShiftRange(benchmark::State& state) { timeEdit(state, shiftVelocities); }
void BM_ShiftUndo(benchmark::State& state) { timeUndo(state, shiftVelocities); }

// A search script over the whole track.
auto search(benchmark::State& state, const char* script) {
    SearchScript s;
    std::string err;
    if (!parseSearchScript(script, s, err)) state.SkipWithError(err.c_str());
    return [s](Fixture& f) { return runSearch(f.song, *f.track, s, 0, INT64_MAX).selected; };
}
void BM_Search(benchmark::State& state, const char* script) { timeEdit(state, search(state, script)); }
void BM_SearchUndo(benchmark::State& state, const char* script) { timeUndo(state, search(state, script)); }

}  // namespace

BENCHMARK(BM_QuantizeRange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_QuantizeUndo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ShiftRange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ShiftUndo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_Search, delete_quarter, "/d N,C4_B4,,,")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_SearchUndo, delete_quarter, "/d N,C4_B4,,,")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_Search, delete_all, "/d N,,,,")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_SearchUndo, delete_all, "/d N,,,,")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_Search, convert_all, "N,,,,:$v*0.8")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_SearchUndo, convert_all, "N,,,,:$v*0.8")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
