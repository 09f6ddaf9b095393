#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "app/ui/transport_bar.h"
#include "tests/app_ui/qt_app.h"

namespace tarvio {
namespace {

class PlayCounter : public Transport {
public:
    int plays = 0, winds = 0, releases = 0;
    void setSong(Song*) override {}
    void play() override { ++plays; }
    void stop() override {}
    void cueToTop() override {}
    void wind(bool, bool fast) override { winds += fast ? 10 : 1; }
    void windRelease() override { ++releases; }
    void record() override {}
    void locate(int32_t) override {}
    void setLoop(int32_t, int32_t) override {}
    void setLoopOn(bool) override {}
    void toggleSyncSource() override {}
    void previewNote(int, int, int, int, uint32_t) override {}
    void previewTrack(Track*) override {}
    void cancelPreview() override {}
    void resetAllDevices() override {}
    void beginEdit() override {}
    void endEdit() override {}
    int takeFinishedRecordings(Song&) override { return 0; }
    TransportSnapshot snapshot() override { return {}; }
};

TEST(Bars, MouseOnTheCanvasReachesTheTransport) {
    ensureApp();
    PlayCounter t;
    TransportBar bar(t);
    EXPECT_EQ(bar.objectName(), "TransportBar");
    QTest::mouseClick(bar.canvas(), Qt::LeftButton, {}, QPoint(95, 30));
    EXPECT_EQ(t.plays, 1);
    QTest::mousePress(bar.canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 30));
    QTest::mouseRelease(bar.canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 30));
    EXPECT_EQ(t.winds, 10);
    EXPECT_EQ(t.releases, 1);
}

TEST(Bars, RefreshRepaintsOnlyChangedTexts) {
    ensureApp();
    PlayCounter t;
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
