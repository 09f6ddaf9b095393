// Real-time playback timing. Without arguments this is a Google Benchmark of the player step
// (the clock thread's work per millisecond) over a dense song. bench/play_timing.sh uses the
// two other modes:
//   --generate PATH TRACKS SECONDS   writes a dense song of TRACKS tracks lasting SECONDS
//   --analyze SONG SENDS EXPAND      matches the sends of `tarvio-cli play --sends` in order
//                                    with the lines of `tarvio-cli expand --locate 0` (which
//                                    carry the tick), and prints the error of every send
//                                    against the tick's time by the tempo map
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/platform/clock.h"
#include "engine/player.h"
#include "io/song_file.h"
#include "model/song.h"

using namespace tarvio;

namespace {

constexpr int32_t kQuarter = 480;
constexpr int32_t kMeasure = 4 * kQuarter;
constexpr int kMeasuresPerTempo = 8;
// Tempos whose measures last whole milliseconds (125 BPM: one tick per millisecond).
constexpr uint32_t kTempos[] = {125, 150, 100, 120};

struct Timed {
    int32_t tick;
    Event event;
};

// Steps from absolute ticks; events at one tick keep the order they were added in.
void writeSteps(EventList& list, std::vector<Timed>& items, int32_t end) {
    std::stable_sort(items.begin(), items.end(), [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
    for (size_t i = 0; i < items.size(); ++i) {
        const int32_t next = i + 1 < items.size() ? items[i + 1].tick : end;
        items[i].event.step = next - items[i].tick;
        list.pushBack(std::move(items[i].event));
    }
}

int32_t measuresFor(double seconds) {
    // The slowest tempo of the cycle bounds the length from below.
    return int32_t(std::ceil(seconds * 1000.0 / (kMeasure * 60000.0 / kQuarter / 100))) + 1;
}

// Every track: set-up at tick 0, then sixteenths (or eighth-note triplets on every fourth
// track, off the millisecond grid at some tempos) with a second chord note on every other
// track, and an expression sweep every 60 ticks on every third track.
void buildDenseSong(Song& song, int tracks, double seconds) {
    song.tempo = kTempos[0];
    const int32_t measures = measuresFor(seconds);
    const int32_t end = measures * kMeasure;
    std::vector<Timed> tempo;
    for (int32_t m = 0, i = 0; m < measures; m += kMeasuresPerTempo, ++i) {
        Event e;
        e.setTempo(kTempos[size_t(i) % std::size(kTempos)]);
        tempo.push_back({m * kMeasure, std::move(e)});
    }
    writeSteps(song.tempoTrack->events, tempo, end);
    for (int k = 0; k < tracks; ++k) {
        Track& t = song.createTrack();
        t.port = uint8_t(k / 16);
        t.channel = uint8_t(k % 16);
        std::vector<Timed> items;
        Event program;
        program.setProgram(uint8_t(k % 128));
        items.push_back({0, program});
        Event volume;
        volume.setControl(7, 100);
        items.push_back({0, volume});
        const int32_t step = k % 4 == 3 ? kQuarter / 3 : kQuarter / 4;
        for (int32_t tick = kMeasure, n = 0; tick + step <= end; tick += step, ++n) {
            Event note;
            note.setNote(uint8_t(36 + (n * 7 + k * 5) % 48), uint8_t(60 + n % 60), uint16_t(step * 3 / 4));
            items.push_back({tick, note});
            if (k % 2 == 1) {
                Event chord;
                chord.setNote(uint8_t(40 + (n * 7 + k * 5) % 48), 80, uint16_t(step / 2));
                items.push_back({tick, chord});
            }
        }
        if (k % 3 == 0) {
            for (int32_t tick = kMeasure, n = 0; tick < end; tick += 60, ++n) {
                Event cc;
                cc.setControl(11, uint8_t(64 + (n % 64)));
                items.push_back({tick, cc});
            }
        }
        writeSteps(t.events, items, end);
    }
}

// Milliseconds of a tick by the tempo map: finished segments truncated as the tempo map does,
// the last one kept exact so that ticks between milliseconds are not rounded.
class TempoMap {
public:
    explicit TempoMap(const Song& song) : tpqn_(song.tpqn) {
        int64_t t = 0;
        for (const Event& e : song.tempoTrack->events) {
            if (e.kind() == EventKind::Tempo) changes_.push_back({t, int(uint16_t(e.value32()))});
            t += e.step;
        }
        if (changes_.empty() || changes_.front().first != 0) changes_.insert(changes_.begin(), {0, int(song.tempo)});
    }
    double ms(int64_t tick) const {
        int64_t base = 0;
        size_t i = 0;
        while (i + 1 < changes_.size() && changes_[i + 1].first <= tick) {
            base += int64_t(double(changes_[i + 1].first - changes_[i].first) * 60000.0 / tpqn_ / changes_[i].second);
            ++i;
        }
        return double(base) + double(tick - changes_[i].first) * 60000.0 / tpqn_ / changes_[i].second;
    }

private:
    int tpqn_;
    std::vector<std::pair<int64_t, int>> changes_;
};

std::string afterFirstField(const std::string& line, std::string& first) {
    const size_t space = line.find(' ');
    first = line.substr(0, space);
    return space == std::string::npos ? "" : line.substr(space + 1);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(std::ceil(p * double(v.size()))) - (p > 0 ? 1 : 0));
    return v[i];
}

void report(const char* label, const std::vector<double>& errors) {
    std::vector<double> abs(errors.size());
    std::transform(errors.begin(), errors.end(), abs.begin(), [](double e) { return std::fabs(e); });
    const auto [lo, hi] = std::minmax_element(errors.begin(), errors.end());
    std::printf("%s: median %.3f ms, p99 %.3f ms, max %.3f ms (signed: %.3f .. %.3f ms)\n", label,
                percentile(abs, 0.5), percentile(abs, 0.99), percentile(abs, 1.0), errors.empty() ? 0 : *lo,
                errors.empty() ? 0 : *hi);
}

int analyze(const char* songPath, const char* sendsPath, const char* expandPath) {
    Song song;
    std::string err;
    if (!readSongFile(songPath, song, &err)) {
        std::fprintf(stderr, "cannot read %s: %s\n", songPath, err.c_str());
        return 1;
    }
    const TempoMap map(song);
    std::ifstream expandIn(expandPath), sendsIn(sendsPath);
    std::vector<std::pair<int64_t, std::string>> expected;  // tick, message
    for (std::string line, field; std::getline(expandIn, line);) {
        std::string rest = afterFirstField(line, field);
        if (rest.find(" tempo ") == std::string::npos) expected.push_back({std::stoll(field), std::move(rest)});
    }
    std::vector<double> errors;   // against the first played send's offset
    std::vector<double> offsets;  // send minus ideal, ms
    size_t sends = 0, matched = 0, chase = 0;
    const int64_t locateTick = expected.empty() ? 0 : expected.front().first;
    bool diverged = false;
    for (std::string line, field; std::getline(sendsIn, line); ++sends) {
        const std::string rest = afterFirstField(line, field);
        if (diverged || matched >= expected.size() || expected[matched].second != rest) {
            diverged = true;  // the release after the stop, or a difference
            continue;
        }
        const int64_t tick = expected[matched++].first;
        if (tick == locateTick) {
            ++chase;  // paced by design, not due at the tick's time
            continue;
        }
        offsets.push_back(double(std::stoll(field)) / 1000.0 - map.ms(tick));
    }
    if (offsets.empty()) {
        std::fprintf(stderr, "no played sends to analyze\n");
        return 1;
    }
    for (double o : offsets) errors.push_back(o - offsets.front());
    std::vector<double> toMedian;
    const double median = percentile(offsets, 0.5);
    for (double o : offsets) toMedian.push_back(o - median);
    std::printf("sends: %zu, matching expand in order: %zu (%zu chase, %zu played), after them: %zu\n", sends, matched,
                chase, offsets.size(), sends - matched);
    report("error against the first played send", errors);
    report("error against the median offset", toMedian);
    return 0;
}

// The player step over a dense song at one millisecond per call, on a clock that does not
// sleep (no ports: every send stops at the port layer).
class StillClock final : public Clock {
public:
    uint32_t now = 0;
    uint32_t nowMs() override { return now; }
    void sleepMs(uint32_t ms) override { now += ms; }
};

void BM_PlayerStepDense64(benchmark::State& state) {
    StillClock clock;
    setEngineClock(&clock);
    Song song;
    buildDenseSong(song, 64, 600);
    setSong(&song);
    startPlay();
    uint32_t accumulated = 0;
    stepPlayer(accumulated);  // starts
    int64_t steps = 0;
    for (auto _ : state) {
        ++accumulated;
        ++clock.now;
        stepPlayer(accumulated);
        ++steps;
    }
    state.counters["steps_per_s"] = benchmark::Counter(double(steps), benchmark::Counter::kIsRate);
    resetPlayerForTests();
    setEngineClock(nullptr);
}
BENCHMARK(BM_PlayerStepDense64)->Unit(benchmark::kMicrosecond)->Iterations(100000);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--generate") {
        Song song;
        buildDenseSong(song, std::atoi(argv[3]), std::atof(argv[4]));
        std::string err;
        if (!writeSongFile(argv[2], song, &err)) {
            std::fprintf(stderr, "cannot write %s: %s\n", argv[2], err.c_str());
            return 1;
        }
        return 0;
    }
    if (argc == 5 && std::string(argv[1]) == "--analyze") return analyze(argv[2], argv[3], argv[4]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
