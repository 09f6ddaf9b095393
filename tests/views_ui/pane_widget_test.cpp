// The pane tree on Qt: the widget paints the header strip through the painter adapter and a
// click on it becomes an edit of the document.
#include <gtest/gtest.h>

// The model before Qt: Qt's "slots" keyword would clash with the track's slots.
#include "app/document.h"
#include "app/fake_transport.h"
#include "model/song.h"
#include "views/ui/strip_document.h"
#include "views/ui/pane_widget.h"

#include <QApplication>
#include <QImage>
#include <QTest>

namespace tarvio {
namespace {

QApplication& ensureApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "views_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct Changes : DocumentListener {
    int heard = 0;
    void documentChanged(const std::vector<DocumentChange>&) override { ++heard; }
};

TEST(PaneWidget, PaintsTheStripAndAClickMutesTheTrackThroughTheDocument) {
    ensureApp();
    FakeTransport transport;
    Document doc(transport);
    Track& track = doc.song().createTrack();
    Changes changes;
    doc.addListener(&changes);

    auto strip = std::make_unique<HeaderStrip>();
    HeaderStrip& s = *strip;
    s.setTrack(&doc.song(), &track);
    PaneWidget w(std::move(strip));
    s.setOnCommand([&](const StripCommand& c) {
        if (carryOut(doc, c)) s.requestRedraw();
    });
    w.resize(HeaderStrip::kWidth, HeaderStrip::kHeight);
    w.show();

    const Rect mute = s.areaRect(kAreaMute);
    const QPoint centre(mute.x + mute.w / 2, mute.y + mute.h / 2);
    // A pixel of the button's face beside its text.
    auto pixel = [&] { return w.grab().toImage().pixelColor(mute.x + 1, mute.y + 3); };
    const Rgb off = defaultRgb(ColorRole::ButtonFace), on = defaultRgb(ColorRole::MuteOn);
    EXPECT_EQ(pixel(), QColor(off.r, off.g, off.b));

    QTest::mouseClick(&w, Qt::LeftButton, {}, centre);
    EXPECT_EQ(track.mute, 1);
    EXPECT_EQ(track.effectiveMute, 1);
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(changes.heard, 1);
    EXPECT_EQ(transport.editDepth, 0);  // the edit was bracketed and closed
    EXPECT_EQ(pixel(), QColor(on.r, on.g, on.b));

    // An in-place field takes typed text and Enter from the keyboard.
    const Rect ch = s.areaRect(kAreaChannel);
    QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(ch.x + 3, ch.y + 3));
    QTest::keyClicks(&w, "12");
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(track.channel, 11);
    EXPECT_EQ(changes.heard, 2);
    doc.removeListener(&changes);
}

}  // namespace
}  // namespace tarvio
