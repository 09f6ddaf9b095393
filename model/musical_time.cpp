#include "model/musical_time.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "model/song.h"

namespace tarvio {

namespace {

int64_t lengthOf(const BeatEntry& b, int tpqn) {
    if (b.denominator == 0) return 0;
    return int64_t(b.numerator) * tpqn * 4 / b.denominator;
}

// Truncated floating-point length, as the tick-to-position walk computes it.
int64_t lengthOfF(const BeatEntry& b, int tpqn) {
    if (b.denominator == 0) return 0;
    return int64_t(b.numerator * double(tpqn) * 4.0 / b.denominator);
}

}  // namespace

// Both conversions walk the beat list one stretch of equal measures at a time, so their cost
// depends on the number of signature changes, never on the measure or tick asked for. Measures
// of length 0 (TPQN 0, numerator 0) take no time. An entry that comes after a later measure
// (an unsorted or repeated list) is never reached, and blocks every entry behind it.

int32_t measureToTick(const Song& song, int32_t measure) {
    if (measure < 1) return 0;
    const std::vector<BeatEntry>& beats = song.beats;
    int64_t L = lengthOf(song.initialBeat, song.tpqn);
    size_t next = 0;
    if (!beats.empty() && beats[0].measure == 0) {
        L = lengthOf(beats[0], song.tpqn);
        next = 1;
    }
    int64_t sum = 0;
    for (int64_t k = 0; k < measure;) {
        // Measure 0 takes only the first entry for it, as the tick-to-position walk does; a
        // repeated one blocks the rest there too.
        if (k > 0 && next < beats.size() && beats[next].measure == k) L = lengthOf(beats[next++], song.tpqn);
        int64_t until = measure;  // measures k .. until - 1 are L long
        if (next < beats.size() && beats[next].measure > k && beats[next].measure < until) until = beats[next].measure;
        sum += (until - k) * L;
        if (sum > 0x7FFFFFFF) return 0x7FFFFFFF;
        k = until;
    }
    return int32_t(sum);
}

MusicalPosition tickToPosition(const Song& song, int32_t t) {
    MusicalPosition p;
    if (t <= 0) return p;
    const std::vector<BeatEntry>& beats = song.beats;
    int64_t L = lengthOfF(song.initialBeat, song.tpqn);
    int den = song.initialBeat.denominator;
    size_t next = 0;
    int64_t end = 0;  // end tick of measure k
    int64_t k = 0;
    int64_t offset = 0;
    for (;;) {
        if (next < beats.size() && beats[next].measure == k) {
            L = lengthOfF(beats[next], song.tpqn);
            den = beats[next].denominator;
            ++next;
        }
        const bool more = next < beats.size() && beats[next].measure > k;
        if (L <= 0) {
            if (more) {  // zero-length measures up to the next change take no time
                k = beats[next].measure;
                continue;
            }
            // Nothing after this ever reaches t: it all lies in this measure.
            offset = t - end;
            break;
        }
        // The first measure whose end reaches t, if it lies before the next change.
        const int64_t n = (t - end + L - 1) / L;
        if (!more || k + n - 1 < int64_t(beats[next].measure)) {
            k += n - 1;
            end += n * L;
            if (end == t) {
                ++k;
                offset = 0;
            } else {
                offset = t - (end - L);
            }
            break;
        }
        end += (int64_t(beats[next].measure) - k) * L;
        k = beats[next].measure;
    }
    p.measure = int32_t(std::min<int64_t>(k, 0x7FFFFFFF));
    int64_t B = den ? int64_t(song.tpqn * 4.0 / den) : 0;
    if (B <= 0) {
        p.beat = 0;
        p.tick = int32_t(offset);
    } else {
        p.beat = int32_t(offset / B);
        p.tick = int32_t(offset % B);
    }
    return p;
}

int32_t measureLength(const Song& song, int32_t measure) { return song.measureLength(uint32_t(measure < 0 ? 0 : measure)); }

int32_t measureToTick(const Track& c, int32_t measure) {
    if (c.isPhrase() || !c.owner) return measure < 1 ? 0 : 0x7FFFFFFF;
    return measureToTick(*c.owner, measure);
}

MusicalPosition tickToPosition(const Track& c, int32_t tick) {
    if (c.isPhrase() || !c.owner) return MusicalPosition{0, 0, tick};
    return tickToPosition(*c.owner, tick);
}

int32_t measureLength(const Track& c, int32_t measure) {
    if (c.isPhrase() || !c.owner) return c.phraseLength;
    return measureLength(*c.owner, measure);
}

namespace {
double segMs(int64_t ticks, int tpqn, int tempo) {
    if (tpqn <= 0 || tempo <= 0) return 0;
    return double(ticks) * 60000.0 / tpqn / tempo;
}
}  // namespace

int64_t tickToMs(const Song& song, int64_t tick) {
    int64_t base = 0, s = 0;
    int tempo = song.tempo;
    int64_t t = 0;
    for (const Event& e : song.tempoTrack->events) {
        if (t > tick) break;
        if (e.kind() == EventKind::Tempo) {
            base += int64_t(segMs(t - s, song.tpqn, tempo));
            s = t;
            tempo = uint16_t(e.value32());
        }
        t += e.step;
    }
    return base + int64_t(segMs(tick - s, song.tpqn, tempo));
}

int64_t msToTick(const Song& song, int64_t ms) {
    int64_t base = 0, s = 0;
    int tempo = song.tempo;
    int64_t t = 0;
    for (const Event& e : song.tempoTrack->events) {
        if (e.kind() == EventKind::Tempo) {
            int64_t at = base + int64_t(segMs(t - s, song.tpqn, tempo));
            if (at >= ms) break;
            base = at;
            s = t;
            tempo = uint16_t(e.value32());
        }
        t += e.step;
    }
    if (tempo <= 0 || song.tpqn == 0) return s;
    int64_t tick = s + int64_t(double(ms - base) * song.tpqn * tempo / 60000.0);
    while (tick > s && tickToMs(song, tick - 1) >= ms) --tick;
    while (tickToMs(song, tick) < ms) ++tick;
    return tick;
}

std::string formatPosition(const MusicalPosition& p) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%5lld:%2lld:%5d", (long long)p.measure + 1, (long long)p.beat + 1, p.tick);
    return buf;
}

std::string formatTime(int64_t ms) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%3d:%02d:%03d", int(ms / 60000), int((ms / 1000) % 60), int(ms % 1000));
    return buf;
}

}  // namespace tarvio
