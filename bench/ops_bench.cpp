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

void BM_QuantizeRange(benchmark::State& state) {
    Fixture& f = fixture();
    double worst = 0;
    int changed = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        changed = quantizeRange(f.song, *f.track, f.grid, 100, kBegin, kEnd);
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        f.track->undo();
    }
    state.counters["worst_ms"] = worst;
    state.counters["changed"] = changed;
    state.counters["events"] = kEvents;
}

void BM_QuantizeUndo(benchmark::State& state) {
    Fixture& f = fixture();
    double worst = 0;
    for (auto _ : state) {
        quantizeRange(f.song, *f.track, f.grid, 100, kBegin, kEnd);
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

constexpr TargetSpec kVel{EditTarget::Vel};

void BM_ShiftRange(benchmark::State& state) {
    Fixture& f = fixture();
    double worst = 0;
    int changed = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        changed = shiftRange(f.song, *f.track, kVel, -10, 0, INT64_MAX);
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        f.track->undo();
    }
    state.counters["worst_ms"] = worst;
    state.counters["changed"] = changed;
    state.counters["events"] = kEvents;
}

void BM_ShiftUndo(benchmark::State& state) {
    Fixture& f = fixture();
    double worst = 0;
    for (auto _ : state) {
        shiftRange(f.song, *f.track, kVel, -10, 0, INT64_MAX);
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

// The script over the whole track; undo puts the list back for the next run.
void BM_Search(benchmark::State& state, const char* script) {
    Fixture& f = fixture();
    SearchScript s;
    std::string err;
    if (!parseSearchScript(script, s, err)) state.SkipWithError(err.c_str());
    double worst = 0;
    int selected = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        selected = runSearch(f.song, *f.track, s, 0, INT64_MAX).selected;
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        f.track->undo();
    }
    state.counters["worst_ms"] = worst;
    state.counters["selected"] = selected;
}

void BM_SearchUndo(benchmark::State& state, const char* script) {
    Fixture& f = fixture();
    SearchScript s;
    std::string err;
    if (!parseSearchScript(script, s, err)) state.SkipWithError(err.c_str());
    double worst = 0;
    for (auto _ : state) {
        runSearch(f.song, *f.track, s, 0, INT64_MAX);
        auto t0 = std::chrono::steady_clock::now();
        bool ok = f.track->undo();
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["worst_ms"] = worst;
}

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
