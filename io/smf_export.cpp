// Format-1 Standard MIDI File export: a conductor track from the tempo track and the beat list,
// then every song track rendered through its cursor as it plays.
#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

#include "expand/song_play.h"
#include "io/file_util.h"
#include "io/smf.h"
#include "model/song.h"

namespace tarvio {

namespace {

constexpr int64_t kMaxDelta = 0x0FFFFFFF;     // largest four-byte variable-length number
constexpr int64_t kLastTick = 0x7FFFFFFF;     // song ticks are 32-bit

struct Writer {
    std::vector<uint8_t>& out;

    void raw(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    }
    void be32(uint32_t v) {
        uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        raw(b, 4);
    }
    void vlq(uint32_t v) {
        if (v < 0x80) {
            out.push_back(uint8_t(v));
            return;
        }
        uint8_t b[4];
        int n = 0;
        b[3] = uint8_t(v & 0x7F);
        for (v >>= 7, n = 1; v; v >>= 7, ++n) b[3 - n] = uint8_t(0x80 | (v & 0x7F));
        raw(b + 4 - n, size_t(n));
    }
    // A delta too long for four bytes is carried by empty text events, keeping later times exact.
    void delta(int64_t d) {
        while (d > kMaxDelta) {
            vlq(uint32_t(kMaxDelta));
            const uint8_t filler[3] = {0xFF, 0x01, 0x00};
            raw(filler, 3);
            d -= kMaxDelta;
        }
        vlq(uint32_t(std::max<int64_t>(d, 0)));
    }
    void text(uint8_t type, const std::string& s) {
        const uint8_t head[2] = {0xFF, type};
        raw(head, 2);
        vlq(uint32_t(std::min<size_t>(s.size(), size_t(kMaxDelta))));
        raw(s.data(), std::min<size_t>(s.size(), size_t(kMaxDelta)));
    }
    void tempo(uint32_t bpm) {
        // Below 4 BPM the period no longer fits three bytes; the slowest expressible tempo stands in.
        uint32_t us = bpm ? std::min<uint32_t>(60000000u / bpm, 0xFFFFFF) : 0xFFFFFF;
        const uint8_t b[6] = {0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)};
        raw(b, 6);
    }
    void timeSignature(const BeatEntry& e) {
        uint8_t log2 = 0;
        for (unsigned d = e.denominator; d > 1; d >>= 1) ++log2;
        const uint8_t b[7] = {0xFF, 0x58, 0x04, e.numerator, log2, 24, 8};
        raw(b, 7);
    }
    void endOfTrack() {
        const uint8_t b[3] = {0xFF, 0x2F, 0x00};
        raw(b, 3);
    }
    size_t beginChunk() {
        raw("MTrk", 4);
        be32(0);
        return out.size();
    }
    void endChunk(size_t start) {
        uint32_t len = uint32_t(out.size() - start);
        uint8_t* p = out.data() + start - 4;
        p[0] = uint8_t(len >> 24);
        p[1] = uint8_t(len >> 16);
        p[2] = uint8_t(len >> 8);
        p[3] = uint8_t(len);
    }
};

int64_t lengthOf(const BeatEntry& b, int tpqn) {
    return b.denominator ? int64_t(b.numerator) * tpqn * 4 / b.denominator : 0;
}

// Tempo events at their ticks and beat-list entries at the starts of their measures.
class ConductorWalk {
public:
    ConductorWalk(const Song& song, Writer& w) : song_(song), w_(w), L_(lengthOf(song.initialBeat, song.tpqn)) {
        skipPassed();
    }

    void run() {
        for (const Event& e : song_.tempoTrack->events) {
            if (stopped_) break;
            if (e.kind() == EventKind::Tempo) {
                if (!flush()) break;
                w_.tempo(e.b[0] | (e.b[1] << 8));
            }
            consume(std::max<int32_t>(e.step, 0));
        }
        const auto& beats = song_.beats;
        while (!stopped_ && next_ < beats.size()) {
            int64_t m = beats[next_].measure;  // > M_ after skipPassed
            consume((L_ - P_) + (m - M_ - 1) * L_);
        }
        D_ = std::min(D_, kLastTick - written_);
        w_.delta(D_);
        w_.endOfTrack();
    }

private:
    // Writes the pending delta; false (and stops) when the position lies beyond the last song tick.
    bool flush() {
        if (written_ + D_ > kLastTick) {
            stopped_ = true;
            return false;
        }
        w_.delta(D_);
        written_ += D_;
        D_ = 0;
        return true;
    }

    void skipPassed() {
        const auto& beats = song_.beats;
        while (next_ < beats.size() && int64_t(beats[next_].measure) <= M_) ++next_;
    }

    void consume(int64_t s) {
        const auto& beats = song_.beats;
        while (!stopped_ && P_ + s >= L_) {
            if (L_ <= 0 && next_ >= beats.size()) break;  // zero-length measures with no change to come
            int64_t rest = L_ - P_;
            s -= rest;
            D_ += rest;
            P_ = 0;
            ++M_;
            // Whole measures up to the next entry or the end of the step, at once.
            int64_t k = L_ > 0 ? s / L_ : INT64_MAX;
            if (next_ < beats.size()) k = std::min<int64_t>(k, int64_t(beats[next_].measure) - M_);
            s -= k * L_;
            D_ += k * L_;
            M_ += k;
            if (next_ < beats.size() && int64_t(beats[next_].measure) == M_) {
                if (!flush()) return;
                for (; next_ < beats.size() && int64_t(beats[next_].measure) == M_; ++next_) {
                    w_.timeSignature(beats[next_]);
                    L_ = lengthOf(beats[next_], song_.tpqn);
                }
                skipPassed();
            }
        }
        P_ += s;
        D_ += s;
    }

    const Song& song_;
    Writer& w_;
    int64_t L_;
    int64_t M_ = 0, P_ = 0, D_ = 0;
    int64_t written_ = 0;  // song tick of the last written event
    size_t next_ = 0;
    bool stopped_ = false;
};

void writeConductor(const Song& song, Writer& w) {
    size_t start = w.beginChunk();
    w.delta(0);
    w.text(0x03, song.title.empty() ? std::string("tarvio song") : song.title);
    w.delta(0);
    w.text(0x03, "Conductor Track");
    w.delta(0);
    w.tempo(song.tempo);
    w.delta(0);
    w.timeSignature(song.initialBeat);
    ConductorWalk(song, w).run();
    w.endChunk(start);
}

// Output records of one tick as file events. Tempo records belong to the conductor track.
void writeRecords(const OutputList& out, Writer& w, int64_t& last, int64_t tick) {
    for (const OutputRecord& r : out.records) {
        uint8_t st = r.status();
        uint8_t d1 = std::min<uint8_t>(uint8_t(r.message >> 8), 127);
        uint8_t d2 = std::min<uint8_t>(uint8_t(r.message >> 16), 127);
        switch (st & 0xF0) {
            case 0x80:
            case 0x90:
            case 0xA0:
            case 0xB0:
            case 0xE0: {
                w.delta(tick - last);
                const uint8_t b[3] = {st, d1, d2};
                w.raw(b, 3);
                break;
            }
            case 0xC0:
            case 0xD0: {
                w.delta(tick - last);
                const uint8_t b[2] = {st, d1};
                w.raw(b, 2);
                break;
            }
            case 0xF0: {
                if (st != 0xF0 || r.sysexCount == 0) continue;
                const uint8_t* p = out.sysexBytes(r);
                uint32_t n = r.sysexCount;
                if (p[0] == 0xF0) {  // the status is written separately
                    ++p;
                    --n;
                }
                w.delta(tick - last);
                w.out.push_back(0xF0);
                w.vlq(std::min<uint32_t>(n, uint32_t(kMaxDelta)));
                w.raw(p, std::min<uint32_t>(n, uint32_t(kMaxDelta)));
                break;
            }
            default: continue;
        }
        last = tick;
    }
}

struct TrackOut {
    Track* track;
    std::vector<uint8_t> bytes;
    int64_t last = 0;  // tick of the last written event
};

}  // namespace

std::vector<uint8_t> exportSmf(Song& song, CursorSink& sink) {
    // Rendering plays the register language; the song keeps the values it had.
    const auto registers = song.registers;

    std::vector<TrackOut> outs;
    outs.reserve(song.tracks.size());
    for (auto& t : song.tracks) outs.push_back(TrackOut{t.get(), {}, 0});

    // Tracks advance together, in track order within a tick, as in playback, so registers shared
    // between tracks see the same values; each track stops at the ticks where it can change.
    using Due = std::pair<int64_t, size_t>;
    std::priority_queue<Due, std::vector<Due>, std::greater<Due>> due;
    SeekBudget budget;
    for (size_t i = 0; i < outs.size(); ++i) {
        TrackOut& o = outs[i];
        Track& t = *o.track;
        cursorReset(t, 0, true, sink, &budget);
        t.cursor.queue.clear();
        o.bytes.reserve(64 + t.name.size() + t.events.size() * 8);  // a note writes on and off
        Writer w{o.bytes};
        w.delta(0);
        w.text(0x03, t.name);
        if (cursorFinished(t)) {
            w.delta(0);
            w.endOfTrack();
        } else {
            due.emplace(0, i);
        }
    }
    while (!due.empty()) {
        auto [tick, i] = due.top();
        due.pop();
        TrackOut& o = outs[i];
        Track& t = *o.track;
        Writer w{o.bytes};
        song.output.clear();
        cursorAdvance(t, int32_t(tick), sink);
        collectTrack(song, t);
        writeRecords(song.output, w, o.last, tick);
        if (cursorFinished(t) || tick >= kLastTick) {
            w.delta(std::min(tick + 1, kLastTick) - o.last);
            w.endOfTrack();
            continue;
        }
        // Stopping at every tick in between would give the same file, only slower.
        due.emplace(std::min(trackNextActiveTick(t, tick, sink), kLastTick), i);
    }
    song.output.clear();
    song.registers = registers;
    // The cursors now stand at the ends of their tracks: playback must read them afresh.
    for (auto& t : song.tracks) t->resetFlag = 1;

    std::vector<uint8_t> file;
    size_t total = 14 + 64 + song.title.size();
    for (auto& o : outs) total += 8 + o.bytes.size();
    file.reserve(total + size_t(song.tempoTrack->events.size()) * 8 + song.beats.size() * 16);
    Writer w{file};
    w.raw("MThd", 4);
    w.be32(6);
    const uint16_t count = uint16_t(std::min<size_t>(song.tracks.size() + 1, 0xFFFF));
    const uint8_t head[6] = {0, 1, uint8_t(count >> 8), uint8_t(count), uint8_t(song.tpqn >> 8), uint8_t(song.tpqn)};
    w.raw(head, 6);
    writeConductor(song, w);
    for (auto& o : outs) {
        w.raw("MTrk", 4);
        w.be32(uint32_t(o.bytes.size()));
        w.raw(o.bytes.data(), o.bytes.size());
    }
    return file;
}

bool exportSmfFile(const std::string& path, Song& song, CursorSink& sink, std::string* err) {
    return writeFileAtomic(path, exportSmf(song, sink), err);
}

}  // namespace tarvio
