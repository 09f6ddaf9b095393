#include "ops/grid.h"

#include <algorithm>
#include <array>
#include <string>

#include "model/musical_time.h"
#include "model/song.h"

namespace tarvio {

namespace {

constexpr int64_t kMaxTick = 0x7FFFFFFF;

int32_t clampTick(int64_t t) { return int32_t(std::clamp<int64_t>(t, 0, kMaxTick)); }

// Start of the measure holding t and the next measure's start (kMaxTick when the measure never
// ends). A tick on the end of a measure that is followed by zero-length measures belongs to the
// next measure with a length, found by jumping to the following signature changes, so the
// search is bounded by the beat list, never by the tick.
struct Span {
    int64_t m0, m1;
};

Span measureSpan(const Song& song, int32_t t) {
    int32_t k = tickToPosition(song, t).measure;
    for (;;) {
        const int64_t m0 = std::min<int64_t>(measureToTick(song, k), t);
        const int64_t m1 = k < kMaxTick ? measureToTick(song, k + 1) : kMaxTick;
        if (m1 > t) return {m0, m1};
        if (m1 >= kMaxTick) return {m0, kMaxTick};
        // Measure k is empty: move to the first signature change after it, if any.
        auto it = std::find_if(song.beats.begin(), song.beats.end(),
                               [k](const BeatEntry& b) { return int64_t(b.measure) > k; });
        if (it == song.beats.end() || it->measure > uint32_t(kMaxTick)) return {m0, kMaxTick};
        k = int32_t(it->measure);
    }
}

constexpr std::array<const char*, 8> kNoteNames = {"   全音符", "  2分音符", "  4分音符", "  8分音符",
                                                   " 16分音符", " 32分音符", " 64分音符", "128分音符"};

const std::array<std::string, kGridEntryCount>& entryNames() {
    static const std::array<std::string, kGridEntryCount> names = [] {
        std::array<std::string, kGridEntryCount> n;
        n[0] = "グリッドなし";
        n[1] = "フリーグリッド";
        for (int i = 0; i < 8; ++i) {
            n[2 + i] = kNoteNames[i];
            n[10 + i] = std::string(kNoteNames[i]) + " .";
            n[18 + i] = std::string(kNoteNames[i]) + " /3";
        }
        return n;
    }();
    return names;
}

// Grid points of the measure holding t: lo, the last one <= t, and hi, the first one > t
// (capped at the measure's end). False for a pattern without a positive step.
bool around(const Song& song, const GridPattern& pattern, int32_t t, int64_t& lo, int64_t& hi) {
    int64_t cycle = 0;
    for (int32_t s : pattern)
        if (s > 0) cycle += s;
    if (cycle == 0) return false;
    const Span span = measureSpan(song, t);
    // Whole cycles first, so that the walk takes at most one pass over the pattern: it starts
    // at most t and a full pass would pass t.
    int64_t p = span.m0 + (t - span.m0) / cycle * cycle;
    for (int32_t s : pattern) {
        if (s <= 0) continue;
        if (p + s > t) {
            lo = p;
            hi = std::min(p + s, span.m1);
            return true;
        }
        p += s;
    }
    lo = hi = t;  // unreachable
    return true;
}

int32_t floorAt(const Song& song, const GridPattern& pattern, int32_t t) {
    int64_t lo, hi;
    return around(song, pattern, t, lo, hi) ? int32_t(lo) : t;
}

int32_t nextAt(const Song& song, const GridPattern& pattern, int32_t t) {
    int64_t lo, hi;
    return clampTick(around(song, pattern, t, lo, hi) ? hi : int64_t(t) + 1);
}

}  // namespace

int32_t snapTrackListTick(const Song& song, int grid, double ticksPerPixel, int32_t t) {
    if (t < 0) t = 0;
    const int64_t s = grid >= 1 && grid <= 7 ? (int64_t(song.tpqn) * 4) >> (grid - 1) : 0;
    if (s > 0) {
        const Span span = measureSpan(song, t);
        const int64_t d = t + s / 2 - span.m0;
        return clampTick(std::min(span.m0 + d - d % s, span.m1));
    }
    int64_t size = 0;
    if (ticksPerPixel >= 240) size = 1920;
    else if (ticksPerPixel >= 120) size = 960;
    else if (ticksPerPixel >= 60) size = 480;
    else if (ticksPerPixel >= 30) size = 240;
    else if (ticksPerPixel >= 15) size = 120;
    if (size == 0) return t;
    int64_t r = t + size / 2;
    r -= r % size;
    if (r > kMaxTick) r -= size;  // the multiple above does not fit: take the one below
    return int32_t(r);
}

std::string_view gridEntryName(int entry) {
    if (entry < 0 || entry >= kGridEntryCount) return {};
    return entryNames()[size_t(entry)];
}

GridPattern gridPattern(int entry, int tpqn, const GridPattern& freePattern) {
    if (entry == 1) {
        GridPattern p;
        for (int32_t s : freePattern)
            if (s > 0) p.push_back(s);
        return p;
    }
    if (entry < 2 || entry >= kGridEntryCount) return {};
    const int g = entry - 2;
    const int64_t whole = int64_t(std::max(tpqn, 0)) * 4;
    int64_t step;
    if (g < 8) step = whole >> g;
    else if (g < 16) step = (whole >> (g - 8)) + (whole >> (g - 8)) / 2;
    else step = (whole >> (g - 16)) / 3;
    return {int32_t(std::clamp<int64_t>(step, 1, kMaxTick))};
}

int32_t gridFloor(const Song& song, const GridPattern& pattern, int32_t t) {
    return floorAt(song, pattern, std::max(t, 0));
}

int32_t gridNext(const Song& song, const GridPattern& pattern, int32_t t) {
    return nextAt(song, pattern, std::max(t, 0));
}

int32_t gridNearest(const Song& song, const GridPattern& pattern, int32_t t) {
    t = std::max(t, 0);
    const int64_t f = floorAt(song, pattern, t), n = nextAt(song, pattern, t);
    return int32_t(t - f < n - t ? f : n);
}

int32_t gridCell(const Song& song, const GridPattern& pattern, int32_t t) {
    return t <= 0 ? 0 : floorAt(song, pattern, t - 1);
}

}  // namespace tarvio
