#include "engine/metronome.h"

#include <atomic>

#include "engine/player.h"

namespace tarvio {

namespace {

struct Click {
    std::atomic<int32_t> lastMeasure{kNoClickedMeasure};
    std::atomic<int32_t> lastBeat{0};
    std::atomic<bool> sounding{false};
    uint8_t note = 0, port = 0, channel = 0;
} gClick;

constexpr uint64_t pack(const MetronomeSettings& m) {
    const uint8_t b[7] = {m.on, m.port, m.channel, m.strongNote, m.weakNote, m.strongVelocity, m.weakVelocity};
    uint64_t v = 0;
    for (int i = 0; i < 7; ++i) v |= uint64_t(b[i]) << (8 * i);
    return v;
}

MetronomeSettings unpack(uint64_t v) {
    auto at = [v](int i) { return uint8_t(v >> (8 * i)); };
    return {at(0), at(1), at(2), at(3), at(4), at(5), at(6)};
}

void endClick() {
    if (!gClick.sounding) return;
    engineSend(gClick.port, uint32_t(0x80 | gClick.channel) | uint32_t(gClick.note) << 8 | 64u << 16);
    gClick.sounding = false;
}

constexpr uint64_t kDefaults = pack(MetronomeSettings{});
// The seven setting bytes packed in one word, so that the dialog can change them while the
// clock thread reads them.
std::atomic<uint64_t> gSettings{kDefaults};

}  // namespace

void setMetronome(const MetronomeSettings& settings) { gSettings.store(pack(settings), std::memory_order_relaxed); }

MetronomeSettings metronome() { return unpack(gSettings.load(std::memory_order_relaxed)); }

void metronomeTick() {
    const MetronomeSettings m = metronome();
    if (!playerPlaying() || (!m.on && !playerCountingIn())) {
        endClick();
        return;
    }
    const int32_t measure = playerMeasure();
    const int32_t beat = playerBeat();
    if (measure == gClick.lastMeasure && beat == gClick.lastBeat) return;
    endClick();
    uint8_t note, velocity;
    if (measure == gClick.lastMeasure) {
        gClick.lastBeat = beat;
        note = m.weakNote;
        velocity = m.weakVelocity;
    } else {
        gClick.lastMeasure = measure;
        gClick.lastBeat = beat;
        note = m.strongNote;
        velocity = m.strongVelocity;
    }
    const uint8_t channel = m.channel & 15;
    engineSend(m.port, uint32_t(0x90 + channel) | uint32_t(note) << 8 | uint32_t(velocity) << 16);
    gClick.sounding = true;
    gClick.note = note;
    gClick.port = m.port;
    gClick.channel = channel;
}

bool metronomeSounding() { return gClick.sounding.load(std::memory_order_relaxed); }

void metronomeLocated(int32_t measure, int32_t beat) {
    gClick.lastMeasure = measure;
    gClick.lastBeat = beat;
}

void resetMetronomeForTests() {
    gSettings = kDefaults;
    gClick.lastMeasure = kNoClickedMeasure;
    gClick.lastBeat = 0;
    gClick.sounding = false;
}

}  // namespace tarvio
