#include "app/transport_bar_view.h"

#include <algorithm>
#include <cstdio>

namespace tarvio {

namespace {

std::string format(const char* fmt, auto... args) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

constexpr int kButtonTop = 22, kButtonBottom = 37;
constexpr int kButtonLeft = 16, kButtonWidth = 32;

}  // namespace

BarRect TransportBarView::buttonRect(TransportButton b) {
    const int left = kButtonLeft + static_cast<int>(b) * kButtonWidth;
    return {left, kButtonTop, left + kButtonWidth - 1, kButtonBottom};
}

std::string TransportBarView::tempoText(const TransportSnapshot& s) {
    return format("    %3d", int{s.tempo});
}

std::string TransportBarView::timeText(const TransportSnapshot& s) {
    const uint32_t ms = s.timeMs;
    return format("   %3u:%02u:%03u", ms / 60000, ms / 1000 % 60, ms % 1000);
}

std::string TransportBarView::measureText(const TransportSnapshot& s) {
    // Widened before the + 1 so that the largest counters do not overflow.
    return format("   %5lld:%2lld:%5d", static_cast<long long>(s.measure) + 1,
                  static_cast<long long>(s.beat) + 1, s.tickInMeasure);
}

std::string TransportBarView::syncText(const TransportSnapshot& s) {
    return s.syncMtc ? TransportBarTexts::syncMtc : TransportBarTexts::syncInternal;
}

std::string TransportBarView::syncRateText(const TransportSnapshot& s) {
    static constexpr const char* kRates[] = {"24", "25", "30d", "30"};
    if (!s.syncMtc) return {};
    if (s.mtcRate < 0 || s.mtcRate > 3) return TransportBarTexts::mtcWait;
    return kRates[s.mtcRate];
}

std::string TransportBarView::metronomeText(const TransportSnapshot& s) {
    return s.metronomeOn ? TransportBarTexts::metronomeOn : TransportBarTexts::metronomeOff;
}

int TransportBarView::loadLength(int width, int peak) {
    return std::max(width, 0) * std::clamp(peak, 0, 100) / 100;
}

TransportBarView::Display TransportBarView::display(const TransportSnapshot& s) {
    Display d;
    d.tempo = tempoText(s);
    d.time = timeText(s);
    d.measure = measureText(s);
    d.sync = syncText(s);
    d.syncRate = syncRateText(s);
    d.metronome = metronomeText(s);
    d.load = loadLength(loadRect().width(), s.loadPeak);
    d.playing = s.playing || s.starting;
    d.recording = s.recording;
    d.loopOn = s.loopOn;
    return d;
}

namespace {

TransportButton buttonAt(int x, int y) {
    for (int i = 0; i < static_cast<int>(TransportButton::Count); ++i) {
        const auto b = static_cast<TransportButton>(i);
        if (TransportBarView::buttonRect(b).contains(x, y)) return b;
    }
    return TransportButton::Count;
}

}  // namespace

TransportAction TransportBarView::hitPress(int x, int y) {
    switch (buttonAt(x, y)) {
        case TransportButton::Rewind: return TransportAction::RewindPress;
        case TransportButton::FastForward: return TransportAction::FastForwardPress;
        default: return TransportAction::None;
    }
}

TransportAction TransportBarView::hitClick(int x, int y) {
    if (syncRect().contains(x, y)) return TransportAction::SyncToggle;
    switch (buttonAt(x, y)) {
        case TransportButton::Cue: return TransportAction::Cue;
        case TransportButton::Play: return TransportAction::Play;
        case TransportButton::Stop: return TransportAction::Stop;
        case TransportButton::Record: return TransportAction::Record;
        case TransportButton::Loop: return TransportAction::LoopToggle;
        default: return TransportAction::None;
    }
}

bool TransportBarView::refresh(const TransportSnapshot& s) {
    last_ = s;
    Display d = display(s);
    if (d == display_) return false;
    display_ = std::move(d);
    return true;
}

TransportAction TransportBarView::press(Transport& t, int x, int y, bool shift) {
    pressed_ = buttonAt(x, y);
    pressedSync_ = syncRect().contains(x, y);
    const TransportAction a = hitPress(x, y);
    perform(t, a, shift);
    return a;
}

TransportAction TransportBarView::release(Transport& t, int x, int y) {
    const TransportButton was = pressed_;
    pressed_ = TransportButton::Count;
    TransportAction a = TransportAction::None;
    if (was == TransportButton::Rewind) {
        a = TransportAction::RewindRelease;
    } else if (was == TransportButton::FastForward) {
        a = TransportAction::FastForwardRelease;
    } else if (was == buttonAt(x, y) && (was != TransportButton::Count || pressedSync_)) {
        // A button or the SYNC field acts only when released where it was pressed.
        a = hitClick(x, y);
    }
    pressedSync_ = false;
    perform(t, a);
    return a;
}

void TransportBarView::perform(Transport& t, TransportAction a, bool shift) const {
    switch (a) {
        case TransportAction::None: break;
        case TransportAction::Cue: t.cueToTop(); break;
        case TransportAction::RewindPress: t.wind(false, shift); break;
        case TransportAction::FastForwardPress: t.wind(true, shift); break;
        case TransportAction::RewindRelease:
        case TransportAction::FastForwardRelease: t.windRelease(); break;
        case TransportAction::Play: t.play(); break;
        case TransportAction::Stop: t.stop(); break;
        case TransportAction::Record: t.record(); break;
        case TransportAction::LoopToggle: t.setLoopOn(!last_.loopOn); break;
        case TransportAction::SyncToggle: t.toggleSyncSource(); break;
    }
}

}  // namespace tarvio
