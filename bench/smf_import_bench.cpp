// Standard MIDI File import speed on a large format-1 file: 32 tracks, about 5 MB, written the
// way sequencers write them (running status, note-on velocity 0 as note-off, controller and
// bend sweeps, exclusives, a conductor track with tempo and time-signature changes).
//
// Without arguments this is a Google Benchmark over the file in memory. bench/smf_speed.sh
// uses the two other modes:
//   --generate PATH [BYTES TRACKS]
//                       writes the file (by default about 5 MB in 32 tracks)
//   --time PATH RUNS    prints the best wall milliseconds of RUNS imports of the file at
//                       TPQN 480, reading it from disk and freeing the song included
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_util.h"
#include "io/smf.h"
#include "model/song.h"

using namespace tarvio;

namespace {

constexpr int kTracks = 32;
constexpr size_t kTargetBytes = size_t(5) << 20;
constexpr uint32_t kDivision = 480;

struct Msg {
    uint32_t tick;
    uint8_t order;  // at one tick: note-offs first
    std::vector<uint8_t> bytes;
};

class Rng {
public:
    explicit Rng(uint32_t seed) : s_(seed) {}
    uint32_t next(uint32_t n) {
        s_ = s_ * 1664525u + 1013904223u;
        return (s_ >> 8) % n;
    }

private:
    uint32_t s_;
};

void putVlq(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while (v >>= 7) buf[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n) out.push_back(buf[--n]);
}

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void putText(std::vector<Msg>& msgs, uint32_t tick, uint8_t type, const std::string& text) {
    std::vector<uint8_t> b{0xFF, type};
    putVlq(b, uint32_t(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    msgs.push_back({tick, 0, std::move(b)});
}

// Encodes the messages in time order with running status for channel messages.
std::vector<uint8_t> encodeTrack(std::vector<Msg>& msgs) {
    std::stable_sort(msgs.begin(), msgs.end(),
                     [](const Msg& a, const Msg& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
    std::vector<uint8_t> body;
    uint32_t now = 0;
    uint8_t running = 0;
    for (const Msg& m : msgs) {
        putVlq(body, m.tick - now);
        now = m.tick;
        uint8_t status = m.bytes[0];
        size_t from = 0;
        if (status < 0xF0) {
            if (status == running) from = 1;
            running = status;
        } else {
            running = 0;
        }
        body.insert(body.end(), m.bytes.begin() + long(from), m.bytes.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return body;
}

std::vector<uint8_t> conductor(uint32_t length) {
    std::vector<Msg> msgs;
    putText(msgs, 0, 0x03, "Benchmark Song");
    putText(msgs, 0, 0x02, "(C) nobody");
    Rng rng(7);
    uint32_t measure = kDivision * 4;
    for (uint32_t t = 0; t < length; t += measure * 4) {
        uint32_t us = 400000 + rng.next(300000);
        msgs.push_back({t, 1, {0xFF, 0x51, 3, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)}});
        if (rng.next(8) == 0) msgs.push_back({t, 1, {0xFF, 0x58, 4, uint8_t(3 + rng.next(3)), 2, 24, 8}});
    }
    return encodeTrack(msgs);
}

// One instrument track of about bytes bytes; returns the body and its length in ticks.
std::vector<uint8_t> instrument(int index, size_t bytes, uint32_t& length) {
    Rng rng(uint32_t(index) * 7919u + 1);
    uint8_t ch = uint8_t(index % 16);
    bool offAsNoteOn = index % 2 == 0;
    std::vector<Msg> msgs;
    putText(msgs, 0, 0x03, "Part " + std::to_string(index));
    msgs.push_back({0, 1, {0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}});
    msgs.push_back({0, 1, {uint8_t(0xB0 | ch), 0, uint8_t(rng.next(4))}});
    msgs.push_back({0, 1, {uint8_t(0xB0 | ch), 32, 0}});
    msgs.push_back({0, 1, {uint8_t(0xC0 | ch), uint8_t(rng.next(128))}});
    static const uint32_t lengths[] = {60, 120, 120, 240, 240, 240, 480, 960};
    uint32_t t = kDivision;
    size_t estimate = 0;
    while (estimate < bytes) {
        uint32_t len = lengths[rng.next(8)];
        int voices = 1 + int(rng.next(3));
        for (int v = 0; v < voices; ++v) {
            uint8_t key = uint8_t(36 + rng.next(60));
            uint8_t vel = uint8_t(40 + rng.next(87));
            uint32_t gate = len - len / 8;
            msgs.push_back({t, 1, {uint8_t(0x90 | ch), key, vel}});
            if (offAsNoteOn) msgs.push_back({t + gate, 0, {uint8_t(0x90 | ch), key, 0}});
            else msgs.push_back({t + gate, 0, {uint8_t(0x80 | ch), key, 64}});
            estimate += 7;
        }
        switch (rng.next(6)) {
            case 0:  // expression swell over the note
                for (uint32_t k = 0; k < 8; ++k)
                    msgs.push_back({t + k * len / 8, 1, {uint8_t(0xB0 | ch), 11, uint8_t(64 + k * 8)}});
                estimate += 8 * 3;
                break;
            case 1: {  // bend and back
                for (uint32_t k = 0; k < 6; ++k) {
                    uint32_t v = 8192 + (k < 3 ? k : 5 - k) * 600;
                    msgs.push_back({t + k * len / 6, 1, {uint8_t(0xE0 | ch), uint8_t(v & 127), uint8_t(v >> 7)}});
                }
                estimate += 6 * 3;
                break;
            }
            case 2:
                msgs.push_back({t, 1, {uint8_t(0xD0 | ch), uint8_t(rng.next(128))}});
                estimate += 2;
                break;
            default: break;
        }
        t += len;
    }
    length = t;
    return encodeTrack(msgs);
}

std::vector<uint8_t> makeBigSmf(size_t targetBytes = kTargetBytes, int tracks = kTracks) {
    std::vector<std::vector<uint8_t>> bodies;
    uint32_t length = 0;
    size_t perTrack = targetBytes / size_t(tracks);
    for (int i = 1; i < tracks; ++i) {
        uint32_t len;
        bodies.push_back(instrument(i, perTrack, len));
        length = std::max(length, len);
    }
    bodies.insert(bodies.begin(), conductor(length));
    std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, uint8_t(tracks >> 8), uint8_t(tracks),
                             uint8_t(kDivision >> 8), uint8_t(kDivision & 0xFF)};
    for (auto& b : bodies) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBe32(out, uint32_t(b.size()));
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

size_t eventCount(const Song& s) {
    size_t n = s.tempoTrack->events.size();
    for (auto& t : s.tracks) n += t->events.size();
    return n;
}

void BM_ImportSmf(benchmark::State& state) {
    static const std::vector<uint8_t> file = makeBigSmf();
    size_t events = 0;
    for (auto _ : state) {
        Song song;
        if (!importSmf(file.data(), file.size(), song, 480).ok()) state.SkipWithError("import failed");
        events = eventCount(song);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
    state.counters["events"] = double(events);
}
BENCHMARK(BM_ImportSmf)->Unit(benchmark::kMillisecond);

int generate(const char* path, size_t bytes, int tracks) {
    std::string err;
    if (!writeFileAtomic(path, makeBigSmf(bytes, std::clamp(tracks, 2, 255)), &err)) {
        std::fprintf(stderr, "%s\n", err.c_str());
        return 1;
    }
    return 0;
}

int timeImports(const char* path, int runs) {
    double best = 1e300;
    for (int r = 0; r < std::max(runs, 1); ++r) {
        auto t0 = std::chrono::steady_clock::now();
        {
            Song song;
            std::string err;
            if (!importSmfFile(path, song, 480, &err)) {
                std::fprintf(stderr, "%s\n", err.c_str());
                return 1;
            }
        }
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::printf("%.1f\n", best);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--generate") == 0) return generate(argv[2], kTargetBytes, kTracks);
    if (argc == 5 && std::strcmp(argv[1], "--generate") == 0)
        return generate(argv[2], size_t(std::strtoull(argv[3], nullptr, 10)), std::atoi(argv[4]));
    if (argc >= 3 && std::strcmp(argv[1], "--time") == 0) return timeImports(argv[2], argc > 3 ? std::atoi(argv[3]) : 5);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
