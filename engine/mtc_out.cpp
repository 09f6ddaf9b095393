#include "engine/mtc_out.h"

#include <atomic>

#include "engine/player.h"

namespace tarvio {

namespace {

std::atomic<bool> gOn{false};
std::atomic<int> gPort{-1};
std::atomic<int> gRate{kMtc30Drop};

// The writer's state, the clock thread's alone.
struct Writer {
    uint32_t next = 0;         // next millisecond to emit
    TimeRecord last;           // last emitted
    bool emitted = false;      // last is valid
    TimeRecord frame;          // captured at piece 0, sent by pieces 0..7
    bool waitFrameStart = true;
} gWriter;

int nibbleOf(const TimeRecord& f, int piece, int rate) {
    switch (piece) {
        case 0: return f.frame & 15;
        case 1: return (f.frame >> 4) & 15;
        case 2: return f.seconds & 15;
        case 3: return (f.seconds >> 4) & 15;
        case 4: return f.minutes & 15;
        case 5: return (f.minutes >> 4) & 15;
        case 6: return f.hours & 15;
        default: return ((f.hours >> 4) & 1) | ((rate & 3) << 1);
    }
}

}  // namespace

TimeRecord timeRecordOf(uint32_t ms, int rate) {
    auto split = [](uint32_t t, TimeRecord& r) {
        r.hours = int32_t(t / 3600000);
        r.minutes = int32_t((t % 3600000) / 60000);
        r.seconds = int32_t((t % 60000) / 1000);
        return t % 1000;
    };
    TimeRecord r;
    uint32_t m = split(ms, r);
    int32_t q;
    switch (rate) {
        case kMtc24: q = int32_t(m * 96 / 1000); break;
        case kMtc25: q = int32_t(m * 100 / 1000); break;
        case kMtc30Drop:
            // Drop-frame time runs 899/900 slow within the minutes that drop frames.
            if (r.minutes % 10 != 0) {
                const uint64_t inMinute = ms % 60000;
                const uint64_t adjusted = uint64_t(ms) - inMinute + (inMinute * 899 + 60000) / 900;
                m = split(uint32_t(adjusted), r);
            }
            q = int32_t(m * 0.12);
            break;
        default: q = int32_t(m * 120 / 1000); break;
    }
    r.frame = q / 4;
    r.piece = q % 4 + (r.frame % 2 ? 4 : 0);
    return r;
}

void setMtcOutput(bool on) { gOn = on; }
bool mtcOutputOn() { return gOn; }
void setMtcOutPort(int port) { gPort = port; }
int mtcOutPort() { return gPort; }
void setMtcOutRate(int rate) { gRate = rate & 3; }
int mtcOutRate() { return gRate; }

void mtcOutputPass(uint32_t now) {
    Writer& w = gWriter;
    if (int64_t(now) >= int64_t(w.next) + 500 || now < w.next) {
        w.next = now;
        w.waitFrameStart = true;
    }
    const int rate = gRate;
    const int port = gPort;
    for (uint32_t t = w.next; t <= now; t += 2) {
        const TimeRecord r = timeRecordOf(t, rate);
        if (w.emitted && r == w.last) continue;
        if (w.waitFrameStart && r.piece != 0) continue;
        if (r.piece == 0) {
            w.frame = r;
            w.waitFrameStart = false;
        }
        const int data = (r.piece << 4) | nibbleOf(w.frame, r.piece, rate);
        engineSend(port, 0xF1u | uint32_t(data) << 8);
        w.last = r;
        w.emitted = true;
    }
    w.next = now + 1;
}

void resetMtcOutputForTests() {
    gOn = false;
    gPort = -1;
    gRate = kMtc30Drop;
    gWriter = Writer{};
}

}  // namespace tarvio
