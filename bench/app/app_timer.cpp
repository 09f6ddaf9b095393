// The cost of the main window's 10 ms timer (transport and keyboard bar refresh): the main
// window runs on a fake transport for 2 s per case and the process's CPU time (getrusage) is
// printed as a share of one core. Cases: stopped; playing with a steady snapshot; playing with
// the time, position and load changing every 10 ms; the same with held keys changing.
// Run on any platform: QT_QPA_PLATFORM=offscreen (default here) or xcb (bench/app_timer.sh).
#include "app/document.h"
#include "app/fake_transport.h"
#include "model/song.h"
// (the model before Qt: a track's "slots" would meet Qt's macro)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/ui/fonts.h"
#include "app/ui/main_window.h"
#include "app/ui/main_window_host.h"
#include "app/ui/transport_bar.h"

using namespace tarvio;

namespace {

struct Host final : MainWindowHost {
    explicit Host(Transport& t) : doc(std::make_unique<Document>(t)) {}
    std::unique_ptr<Document> doc;
    Document* document() override { return doc.get(); }
    void newDocument() override {}
    void openDocument() override {}
    void openFile(const QString&) override {}
    void saveDocument() override {}
    void saveDocumentAs() override {}
    void importSmf() override {}
    void exportSmf() override {}
    QStringList recentFiles() override { return {}; }
    bool closeDocument() override { return false; }
    void editSongInfo() override {}
    void changeResolution() override {}
    void portSettings() override {}
    void metronomeSettings() override {}
    void recordingSettings() override {}
    void syncSettings() override {}
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

enum class Motion { Stopped, Steady, Time, TimeAndKeys };

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 2;
    createSharedFonts();
    FakeTransport transport;
    Host host(transport);
    MainWindow window(host, transport);
    window.resize(1000, 700);
    window.documentReplaced();
    window.show();
    // Settle: the first layout and paint are not the timer's work.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    std::printf("platform %s, %d s per case\n", qPrintable(QGuiApplication::platformName()), seconds);
    const struct {
        const char* name;
        Motion motion;
    } cases[] = {{"stopped", Motion::Stopped},
                 {"playing, steady snapshot", Motion::Steady},
                 {"playing, time changing", Motion::Time},
                 {"playing, time and keys changing", Motion::TimeAndKeys}};
    for (const auto& c : cases) {
        transport.snap = TransportSnapshot{};
        transport.snap.playing = c.motion != Motion::Stopped;
        // The engine's side: what the clock thread would have moved on by the next read.
        QTimer engine;
        engine.setTimerType(Qt::PreciseTimer);
        int n = 0;
        QObject::connect(&engine, &QTimer::timeout, [&] {
            ++n;
            TransportSnapshot& s = transport.snap;
            if (c.motion == Motion::Time || c.motion == Motion::TimeAndKeys) {
                s.timeMs += 10;
                s.position += 10;
                s.tickInMeasure = s.position % 1920;
                s.beat = s.tickInMeasure / 480;
                s.measure = s.position / 1920;
                s.loadPeak = (n * 7) % 40;
            }
            if (c.motion == Motion::TimeAndKeys) {
                s.heldKeys.fill(0);
                s.heldKeys[size_t(48 + (n / 10) % 24)] = 100;
            }
        });
        engine.start(10);
        const int transportBefore = window.transportBar()->repaintRequests();
        const int keysBefore = window.keyboardBar()->repaintRequests();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        loop.exec();
        const double cpu = cpuSeconds() - cpu0;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        engine.stop();
        std::printf("%-34s cpu %6.2f %% of a core  (%d transport, %d keyboard repaints)\n", c.name,
                    100.0 * cpu / elapsed, window.transportBar()->repaintRequests() - transportBefore,
                    window.keyboardBar()->repaintRequests() - keysBefore);
    }
    return 0;
}
