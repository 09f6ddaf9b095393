#include <gtest/gtest.h>

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

    KeyboardBar keys;
    EXPECT_EQ(keys.objectName(), "KeyboardBar");
    const QImage up = keys.grab().toImage();
    s.heldKeys[60] = 100;
    keys.refresh(s);
    EXPECT_EQ(keys.repaintRequests(), 1);
    EXPECT_NE(keys.grab().toImage(), up);
}

}  // namespace
}  // namespace tarvio
