// Undo and redo of one large group on a large track: a million events, ten thousand set
// commands of one serial each, spread over the whole track.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "model/song.h"
#include "model/undo.h"

using namespace tarvio;

namespace {

constexpr int kEvents = 1'000'000;
constexpr int kCommands = 10'000;

struct Fixture {
    Song song;
    Track* track = nullptr;

    Fixture() {
        track = &song.createTrack();
        std::vector<uint32_t> serials;
        serials.reserve(kEvents);
        for (int i = 0; i < kEvents; ++i) {
            Event e;
            e.setNote(uint8_t(36 + i % 48), 100, 60);
            e.step = 120;
            serials.push_back(track->events.pushBack(std::move(e))->serial());
        }
        track->openGroup();
        for (int i = 0; i < kCommands; ++i)
            track->push(makeSetNote(*track, {serials[size_t(i) * (kEvents / kCommands)]}, 72, 64, 240));
        track->closeGroup();
    }
};

// Built once: the two benchmarks share the track and leave the group pushed.
Fixture& fixture() {
    static Fixture f;
    return f;
}

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void BM_UndoGroup(benchmark::State& state) {
    Track& t = *fixture().track;
    double worst = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        bool ok = t.undo();
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        benchmark::DoNotOptimize(ok);
        t.redo();
    }
    state.counters["worst_ms"] = worst;
    state.counters["commands"] = kCommands;
    state.counters["events"] = kEvents;
}

void BM_RedoGroup(benchmark::State& state) {
    Track& t = *fixture().track;
    double worst = 0;
    for (auto _ : state) {
        t.undo();
        auto t0 = std::chrono::steady_clock::now();
        bool ok = t.redo();
        double ms = msSince(t0);
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["worst_ms"] = worst;
    state.counters["commands"] = kCommands;
    state.counters["events"] = kEvents;
}

}  // namespace

BENCHMARK(BM_UndoGroup)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedoGroup)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
