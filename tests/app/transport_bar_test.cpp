#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/keyboard_bar_view.h"
#include "app/pc_keyboard.h"
#include "app/fake_transport.h"
#include "app/transport_bar_view.h"

namespace tarvio {
namespace {

TEST(TransportBarView, DisplayFormats) {
    TransportSnapshot s;
    s.tempo = 30;
    s.timeMs = 0;
    EXPECT_EQ(TransportBarView::tempoText(s), "     30");
    EXPECT_EQ(TransportBarView::timeText(s), "     0:00:000");
    EXPECT_EQ(TransportBarView::measureText(s), "       1: 1:    0");
    EXPECT_EQ(TransportBarView::syncText(s), "   INT");
    EXPECT_EQ(TransportBarView::syncRateText(s), "");
    EXPECT_EQ(TransportBarView::metronomeText(s), " OFF ");

    s.tempo = 240;
    s.timeMs = 999 * 60000 + 59 * 1000 + 999;
    s.measure = 99998;
    s.beat = 11;
    s.tickInMeasure = 1919;
    s.metronomeOn = true;
    EXPECT_EQ(TransportBarView::tempoText(s), "    240");
    EXPECT_EQ(TransportBarView::timeText(s), "   999:59:999");
    EXPECT_EQ(TransportBarView::measureText(s), "   99999:12: 1919");
    EXPECT_EQ(TransportBarView::metronomeText(s), "  ON ");
    s.timeMs = 61001;
    EXPECT_EQ(TransportBarView::timeText(s), "     1:01:001");
    s.measure = INT32_MAX;  // the display widens instead of overflowing
    EXPECT_EQ(TransportBarView::measureText(s), "   2147483648:12: 1919");

    s.syncMtc = true;
    EXPECT_EQ(TransportBarView::syncText(s), "   MTC");
    const char* rates[] = {"Wait...", "24", "25", "30d", "30", "Wait..."};
    for (int rate = -1; rate <= 4; ++rate) {
        s.mtcRate = rate;
        EXPECT_EQ(TransportBarView::syncRateText(s), rates[rate + 1]) << rate;
    }
}

TEST(TransportBarView, LoadBarIsWidthTimesPeakClamped) {
    const int cases[][3] = {{112, 0, 0}, {112, 33, 36}, {112, 100, 112}, {112, 150, 112}, {112, -5, 0}};
    for (const auto& c : cases) EXPECT_EQ(TransportBarView::loadLength(c[0], c[1]), c[2]) << c[1];
}

TEST(TransportBarView, ClicksAtTheRangeBordersReachTheTransport) {
    struct Case { int x, y; const char* calls; };
    const Case cases[] = {
        {15, 30, ""},
        {16, 21, ""},
        {16, 22, "cueToTop"},
        {47, 37, "cueToTop"},
        {16, 38, ""},
        {48, 30, "wind rewind,windRelease"},
        {79, 30, "wind rewind,windRelease"},
        {80, 30, "play"},
        {111, 30, "play"},
        {112, 30, "wind forward,windRelease"},
        {143, 30, "wind forward,windRelease"},
        {144, 30, "stop"},
        {175, 30, "stop"},
        {176, 30, "record"},
        {207, 30, "record"},
        {208, 30, "setLoopOn 1"},
        {239, 30, "setLoopOn 1"},
        {240, 30, ""},
        {363, 10, ""},
        {364, 2, "toggleSyncSource"},
        {411, 17, "toggleSyncSource"},
        {412, 10, ""},
        {364, 1, ""},
        {364, 18, ""},
    };
    for (const Case& c : cases) {
        FakeTransport t;
        TransportBarView v;
        v.press(t, c.x, c.y, false);
        v.release(t, c.x, c.y);
        std::string got;
        for (const auto& call : t.calls) got += (got.empty() ? "" : ",") + call;
        EXPECT_EQ(got, c.calls) << c.x << "," << c.y;
    }
}

TEST(TransportBarView, WindAndButtonPressRules) {
    FakeTransport t;
    TransportBarView v;
    TransportSnapshot s;
    s.loopOn = true;
    v.refresh(s);
    v.press(t, 112, 30, true);   // Shift: fast
    v.release(t, 500, 39);       // released off the button: the wind still ends
    v.press(t, 80, 30, false);   // pressed on play, released on stop: nothing
    v.release(t, 144, 30);
    v.press(t, 300, 10, false);  // pressed beside the SYNC field, released on it: nothing
    v.release(t, 380, 10);
    v.press(t, 208, 30, false);  // loop toggles from what the bar shows
    v.release(t, 208, 30);
    EXPECT_EQ(t.calls, (std::vector<std::string>{"wind forward fast", "windRelease", "setLoopOn 0"}));
}

TEST(TransportBarView, RefreshReportsOnlyChanges) {
    TransportBarView v;
    TransportSnapshot s;
    EXPECT_TRUE(v.refresh(s));
    s.position = 10;  // not shown
    EXPECT_FALSE(v.refresh(s));
    s.loadPeak = 50;
    EXPECT_TRUE(v.refresh(s));
}

TEST(KeyboardBarView, KeysCoverTheKeyboardAndFollowHeldKeys) {
    KeyboardBarView v;
    ASSERT_EQ(v.keys().size(), 128u);
    EXPECT_EQ(KeyboardBarView::keyRect(127).right, KeyboardBarView::kWidth - 1);
    // A black key straddles the border of its two white neighbours.
    const BarRect cs = KeyboardBarView::keyRect(61);
    EXPECT_LT(cs.left, KeyboardBarView::keyRect(62).left);
    EXPECT_GT(cs.right, KeyboardBarView::keyRect(60).right);
    EXPECT_TRUE(v.keys().back().black);  // painted last, on top

    std::array<uint8_t, 128> held{};
    EXPECT_FALSE(v.refresh(held));
    held[60] = 90;
    EXPECT_TRUE(v.refresh(held));
    for (const KeyRect& k : v.keys()) EXPECT_EQ(k.held, k.note == 60) << k.note;
}

// Every C is named with its octave (key 60 is C4) in the strip under the keys, from its own
// left edge up to the next C.
TEST(KeyboardBarView, EachCIsNamedWithItsOctave) {
    const std::vector<OctaveLabel> labels = KeyboardBarView::octaveLabels();
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels.front().text, "C-1");
    EXPECT_EQ(labels[5].note, 60);
    EXPECT_EQ(labels[5].text, "C4");
    EXPECT_EQ(labels.back().text, "C9");
    for (size_t i = 0; i < labels.size(); ++i) {
        const BarRect& r = labels[i].rect;
        EXPECT_EQ(r.left, KeyboardBarView::keyRect(labels[i].note).left);
        EXPECT_GE(r.top, KeyboardBarView::kWhiteHeight);  // below the keys
        EXPECT_EQ(r.bottom, KeyboardBarView::kHeight - 1);
        EXPECT_GE(r.height(), 12);
        if (i + 1 < labels.size()) {
            EXPECT_EQ(r.right + 1, labels[i + 1].rect.left);
        }
    }
    EXPECT_EQ(labels.back().rect.right, KeyboardBarView::kWidth - 1);
}

uint32_t noteOn(int note, int velocity) { return 0x90u | note << 8 | velocity << 16; }
uint32_t noteOff(int note) { return 0x80u | note << 8 | 64 << 16; }

TEST(PcKeyboard, MapsTwoRowsFromKey48) {
    const char* keys = "ZSXDCVGBHNJMQ2W3ER5T6Y7UI9O0P";
    for (int i = 0; keys[i]; ++i) EXPECT_EQ(PcKeyboard::offsetOf(keys[i]), i) << keys[i];
    for (char c : std::string("148AFKL,.")) EXPECT_EQ(PcKeyboard::offsetOf(c), -1) << c;

    PcKeyboard k;
    EXPECT_EQ(k.key('Q', true, true).message, noteOn(60, 100));
    const auto repeat = k.key('Q', true, true);  // autorepeat of a held key
    EXPECT_TRUE(repeat.taken);
    EXPECT_EQ(repeat.message, 0u);
    EXPECT_EQ(k.key('Q', false, true).message, noteOff(60));
    EXPECT_FALSE(k.key('Q', true, false).taken);  // Caps Lock off
    EXPECT_TRUE(k.key('A', true, true).taken);
    EXPECT_EQ(k.key('A', true, true).message, 0u);
    EXPECT_FALSE(k.key(0x70, true, true).taken);  // F1 goes on to the editors
}

TEST(PcKeyboard, VelocitySteps) {
    PcKeyboard k;
    for (int i = 0; i < 3; ++i) k.key(0xBE, true, true);
    EXPECT_EQ(k.velocity(), 127);
    for (int i = 0; i < 10; ++i) k.key(0xBC, true, true);
    EXPECT_EQ(k.velocity(), 27);
    for (int i = 0; i < 3; ++i) k.key(0xBC, true, true);
    EXPECT_EQ(k.velocity(), 1);
    EXPECT_EQ(k.key('P', true, true).message, noteOn(76, 1));
}

TEST(PcKeyboard, HeldNoteEndsAfterCapsLockWentOff) {
    PcKeyboard k;
    k.key('Z', true, true);
    const auto up = k.key('Z', false, false);
    EXPECT_TRUE(up.taken);
    EXPECT_EQ(up.message, noteOff(48));
    EXPECT_FALSE(k.key('Z', false, false).taken);
}

}  // namespace
}  // namespace tarvio
