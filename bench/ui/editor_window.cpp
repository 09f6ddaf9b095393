// The numerical editor window on a track of 100,000 events, on the offscreen platform: opening
// it (to its first painted image), and from a key event to the painted image for a cursor move
// in the middle of the track, a typed step committed there, and a note entered at the end.
// Each figure is the median and the largest of its runs, in milliseconds.
#include "app/app_settings.h"
#include "app/document.h"
#include "app/fake_transport.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "editor/ui/editor_window.h"
#include "model/song.h"
// (the model before Qt: a track's "slots" would meet Qt's macro)
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "app/ui/fonts.h"

using namespace tarvio;

namespace {

constexpr int kEvents = 100000;
constexpr int kRuns = 200;

void fill(Track& t) {
    std::mt19937 rng(5);
    for (int i = 0; i < kEvents; ++i) {
        Event e;
        if (rng() % 10 < 8) e.setNote(uint8_t(36 + rng() % 48), uint8_t(1 + rng() % 127), uint16_t(30 + rng() % 900));
        else e.setControl(uint8_t(rng() % 128), uint8_t(rng() % 128));
        e.step = (i % 3 == 0) ? 0 : int32_t(60 * (1 + rng() % 8));
        t.events.pushBack(std::move(e));
    }
}

struct Figures {
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    void print(const char* what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-40s median %7.3f ms  max %7.3f ms  (%zu runs)\n", what, ms[ms.size() / 2], ms.back(), ms.size());
    }
};

// A key press delivered as the window system would, then the widget painted into an image.
double keyToImage(QWidget& w, QImage& image, int key, Qt::KeyboardModifiers mods = {}, const QString& text = {}) {
    QElapsedTimer t;
    t.start();
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&w, &press);
    w.render(&image);
    return double(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    createSharedFonts();
    FakeTransport transport;
    Document doc(transport);
    Track& track = doc.song().createTrack();
    track.name = "Bench";
    fill(track);
    KeyMap keys;
    FkeyTable fkeys = builtInFkeyTable();
    AppSettings settings;
    EditorServices s;
    s.env = {&keys, &fkeys, &settings, nullptr, nullptr};
    s.font = [](int h) { return sharedFont(h); };

    Figures open;
    std::unique_ptr<EditorWindow> window;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        window = std::make_unique<EditorWindow>(doc, s, 0, track);
        window->resize(window->sizeHint().width(), 900);
        window->show();
        QImage image(window->size(), QImage::Format_RGB32);
        window->render(&image);
        open.add(double(t.nsecsElapsed()) / 1e6);
        if (i + 1 < 20) window.reset();
    }
    QApplication::processEvents();

    QWidget& w = window->paneWidget();
    QImage image(window->size(), QImage::Format_RGB32);
    // To the middle of the track.
    for (int i = 0; i < 5; ++i) window->runAction(kActPageDown10);
    for (int i = 0; i < kEvents / 200; ++i) window->runAction(kActPageDown10);

    Figures move, commit, enter;
    for (int i = 0; i < kRuns; ++i) move.add(keyToImage(w, image, i % 2 ? Qt::Key_Up : Qt::Key_Down));
    keyToImage(w, image, Qt::Key_Right);  // the step column
    for (int i = 0; i < kRuns; ++i) {
        keyToImage(w, image, Qt::Key_1, {}, QStringLiteral("1"));
        keyToImage(w, image, Qt::Key_2, {}, QStringLiteral("2"));
        commit.add(keyToImage(w, image, Qt::Key_Return));
        keyToImage(w, image, Qt::Key_Up);
    }
    window->runAction(kActEnd);
    keyToImage(w, image, Qt::Key_Left);
    for (int i = 0; i < kRuns; ++i) enter.add(keyToImage(w, image, Qt::Key_Return));

    std::printf("numerical editor window, %d events, offscreen, %dx%d\n", kEvents, image.width(), image.height());
    open.print("open to the painted window");
    move.print("cursor move, key to painted image");
    commit.print("typed step committed, key to image");
    enter.print("note entered at the end, key to image");
    std::printf("events now %zu\n", track.events.size());
    window.reset();
    return 0;
}
