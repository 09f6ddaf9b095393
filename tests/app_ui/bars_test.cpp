#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <QImage>
#include <QTest>

#include "app/fake_transport.h"
#include "app/ui/transport_bar.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

TEST(Bars, MouseOnTheCanvasReachesTheTransport) {
    ensureApp();
    FakeTransport t;
    TransportBar bar(t);
    EXPECT_EQ(bar.objectName(), "TransportBar");
    QTest::mouseClick(bar.canvas(), Qt::LeftButton, {}, QPoint(95, 30));
    QTest::mousePress(bar.canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 30));
    QTest::mouseRelease(bar.canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 30));
    EXPECT_EQ(t.takeCalls(), "play\nwind rewind fast\nwindRelease\n");
}

TEST(Bars, RefreshRepaintsOnlyChangedTexts) {
    ensureApp();
    FakeTransport t;
    TransportBar bar(t);
    TransportSnapshot s;
    s.tempo = 133;
    bar.refresh(s);
    const int after = bar.repaintRequests();
    bar.refresh(s);
    EXPECT_EQ(bar.repaintRequests(), after);
    EXPECT_EQ(bar.view().current().tempo, "    133");
    const QImage before = bar.canvas()->grab().toImage();
    s.tempo = 134;
    bar.refresh(s);
    EXPECT_EQ(bar.repaintRequests(), after + 1);
    EXPECT_NE(bar.canvas()->grab().toImage(), before);

    // The running figures wait for the paint interval; a change of state paints them at once.
    bar.setRunningPaintInterval(1 << 30);
    s.timeMs += 5;
    bar.refresh(s);
    EXPECT_EQ(bar.repaintRequests(), after + 1);
    s.playing = true;
    bar.refresh(s);
    EXPECT_EQ(bar.repaintRequests(), after + 2);
    const BarRect time = TransportBarView::timeRect();
    EXPECT_TRUE(bar.lastUpdate().intersects(QRect(QPoint(time.left, time.top), QPoint(time.right, time.bottom))));

    KeyboardBar keys;
    EXPECT_EQ(keys.objectName(), "KeyboardBar");
    const QImage up = keys.grab().toImage();
    s.heldKeys[60] = 100;
    keys.refresh(s);
    EXPECT_EQ(keys.repaintRequests(), 1);
    EXPECT_NE(keys.grab().toImage(), up);
}

// A refresh repaints only part of a bar; that part must hold every pixel that changed: painting
// just the update over the old picture gives the picture of the new state.
template <typename Bar>
void expectUpdateCoversTheChange(Bar& bar, const TransportSnapshot& from, const TransportSnapshot& to) {
    QWidget* canvas = bar.canvas();
    bar.refresh(from);
    QImage picture(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    canvas->render(&picture);
    bar.refresh(to);
    const QRegion update = bar.lastUpdate();
    canvas->render(&picture, update.boundingRect().topLeft(), update);
    QImage expected(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    canvas->render(&expected);
    EXPECT_EQ(picture, expected);
}

TEST(Bars, PartialRepaintsLeaveNoStalePixels) {
    ensureApp();
    FakeTransport t;
    TransportBar bar(t);
    bar.setRunningPaintInterval(0);
    KeyboardBar keys;
    TransportSnapshot a;
    a.playing = true;
    a.timeMs = 61990;
    a.position = 1910;
    a.tickInMeasure = 1910;
    a.beat = 3;
    a.loadPeak = 30;
    const struct {
        const char* name;
        void (*change)(TransportSnapshot&);
    } cases[] = {
        {"last digit", [](TransportSnapshot& s) { s.timeMs += 1; }},
        {"carry into the minutes", [](TransportSnapshot& s) { s.timeMs += 10; s.tickInMeasure = 0; s.measure = 1; s.beat = 0; }},
        {"load up and down", [](TransportSnapshot& s) { s.loadPeak = 90; }},
        {"load to nothing", [](TransportSnapshot& s) { s.loadPeak = 0; }},
        {"tempo", [](TransportSnapshot& s) { s.tempo = 99; }},
        {"MTC waiting", [](TransportSnapshot& s) { s.syncMtc = true; }},
        {"stopped, loop and metronome", [](TransportSnapshot& s) { s.playing = false; s.loopOn = true; s.metronomeOn = true; }},
        {"keys", [](TransportSnapshot& s) { s.heldKeys[61] = 90; s.heldKeys[64] = 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TransportSnapshot b = a;
        c.change(b);
        expectUpdateCoversTheChange(bar, a, b);
        expectUpdateCoversTheChange(bar, b, a);
        expectUpdateCoversTheChange(keys, a, b);
        expectUpdateCoversTheChange(keys, b, a);
    }
}

// The rows and columns of a rectangle of the picture holding pixels of a kind.
struct Ink {
    int top = INT32_MAX, bottom = -1, left = INT32_MAX, right = -1;
    int height() const { return bottom - top + 1; }
};
template <typename Is>
Ink inkOf(const QImage& image, const BarRect& r, Is is) {
    Ink ink;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x)
            if (is(QColor(image.pixel(x, y)))) {
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
    return ink;
}

// The field labels are read at a glance: their capitals stand at least 8 pixels high, and no
// label runs into its value, even where the box is narrowest.
TEST(Bars, TransportLabelsAreLegibleBesideTheirValues) {
    ensureApp();
    FakeTransport t;
    TransportBar bar(t);
    TransportSnapshot s;
    s.tempo = 240;
    s.syncMtc = true;
    s.metronomeOn = false;
    bar.refresh(s);
    const QImage picture = bar.canvas()->grab().toImage();
    // The labels are grey, the values green, on a near-black display.
    const auto label = [](const QColor& c) { return c.value() > 0x50 && std::abs(c.red() - c.green()) < 0x20; };
    const auto value = [](const QColor& c) { return c.green() - c.red() > 0x30; };
    for (const BarRect& r : {TransportBarView::tempoRect(), TransportBarView::timeRect(), TransportBarView::measureRect(),
                             TransportBarView::syncRect(), TransportBarView::metronomeRect()}) {
        SCOPED_TRACE(r.left);
        const Ink l = inkOf(picture, r, label), v = inkOf(picture, r, value);
        EXPECT_GE(l.height(), 8);
        ASSERT_GE(v.right, 0);
        EXPECT_LT(l.right, v.left);
    }
}

}  // namespace
}  // namespace tarvio
