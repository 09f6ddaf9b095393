// The transport bar's logic: display texts, hit areas and the load bar. The widget in app/ui
// only paints what this returns and forwards the mouse.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/transport.h"

namespace tarvio {

// A rectangle in bar pixels, both borders inclusive.
struct BarRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

enum class TransportAction {
    None,
    Cue,
    RewindPress,
    RewindRelease,
    Play,
    FastForwardPress,
    FastForwardRelease,
    Stop,
    Record,
    LoopToggle,
    SyncToggle,
};

enum class TransportButton { Cue, Rewind, Play, FastForward, Stop, Record, Loop, Count };

// The texts the bar shows besides the numbers, in one table for the translation.
struct TransportBarTexts {
    static constexpr const char* tempo = "TEMPO";
    static constexpr const char* time = "TIME";
    static constexpr const char* measure = "MEAS";
    static constexpr const char* sync = "SYNC";
    static constexpr const char* metronome = "METRO";
    static constexpr const char* syncInternal = "   INT";
    static constexpr const char* syncMtc = "   MTC";
    static constexpr const char* mtcWait = "Wait...";
    static constexpr const char* metronomeOn = "  ON ";
    static constexpr const char* metronomeOff = " OFF ";
};

class TransportBarView {
public:
    // Bar size and fields in bar pixels. The buttons and the SYNC field are where users of the
    // bar expect them; the other fields fill the rows around them.
    static constexpr int kWidth = 484;
    static constexpr int kHeight = 40;
    static BarRect buttonRect(TransportButton b);
    static BarRect tempoRect() { return {16, 2, 71, 17}; }
    static BarRect timeRect() { return {76, 2, 179, 17}; }
    static BarRect measureRect() { return {184, 2, 359, 17}; }
    static BarRect syncRect() { return {364, 2, 411, 17}; }
    static BarRect syncRateRect() { return {364, 22, 411, 37}; }
    static BarRect metronomeRect() { return {416, 2, 479, 17}; }
    static BarRect loadRect() { return {248, 24, 359, 35}; }

    static std::string tempoText(const TransportSnapshot& s);
    static std::string timeText(const TransportSnapshot& s);
    static std::string measureText(const TransportSnapshot& s);
    static std::string syncText(const TransportSnapshot& s);
    static std::string syncRateText(const TransportSnapshot& s);  // empty with the internal clock
    static std::string metronomeText(const TransportSnapshot& s);
    // Pixels of the load bar for a bar of width pixels: width x peak / 100, peak clamped to 0..100.
    static int loadLength(int width, int peak);

    // Everything painted, so that a refresh repaints only when one of them changed.
    struct Display {
        std::string tempo, time, measure, sync, syncRate, metronome;
        int load = 0;
        bool playing = false, recording = false, loopOn = false;
        bool operator==(const Display&) const = default;
    };
    static Display display(const TransportSnapshot& s);

    // The action at a point of a press (wind presses) or of a click (the rest).
    static TransportAction hitPress(int x, int y);
    static TransportAction hitClick(int x, int y);

    // Takes a new snapshot; true when what is painted changed.
    bool refresh(const TransportSnapshot& s);
    const Display& current() const { return display_; }

    // Mouse input, performed on the transport. A wind runs from its press to the release,
    // wherever the release lands; any other button acts when pressed and released on it.
    TransportAction press(Transport& t, int x, int y, bool shift);
    TransportAction release(Transport& t, int x, int y);
    // The button that is held down, for painting it sunken; Count: none.
    TransportButton pressedButton() const { return pressed_; }

    void perform(Transport& t, TransportAction a, bool shift = false) const;

private:
    TransportSnapshot last_;
    Display display_;
    TransportButton pressed_ = TransportButton::Count;
    bool pressedSync_ = false;
};

}  // namespace tarvio
