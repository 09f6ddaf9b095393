// The cost of the main window's 10 ms timer (transport and keyboard bar refresh): the main
// window runs on a fake transport for 2 s per case and the process's CPU time (getrusage) is
// printed as a share of one core. Cases: stopped; playing with a steady snapshot; playing with
// the time, position and load changing every 10 ms; the same with held keys changing.
// Run on any platform: QT_QPA_PLATFORM=offscreen (default here) or xcb (bench/app_timer.sh).
#include "app/document.h"
#include "app/fake_transport.h"
#include "app/transport.h"
#include "model/song.h"
// (the model before Qt: a track's "slots" would meet Qt's macro)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/ui/fonts.h"
#include "app/ui/idle_host.h"
#include "app/ui/main_window.h"
#include "app/ui/transport_bar.h"

using namespace tarvio;

namespace {

struct Host final : IdleHost {
    explicit Host(Transport& t) : doc(std::make_unique<Document>(t)) {}
    std::unique_ptr<Document> doc;
    Document* document() override { return doc.get(); }
    bool closeDocument() override { return false; }
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

enum class Motion { Stopped, Steady, Time, TimeAndKeys };

// The transport the window reads: a fake whose snapshot moves on with the clock, as the
// engine's would between two reads, without a timer of its own adding wake-ups to the figure.
struct MovingTransport final : Transport {
    FakeTransport fake;
    Motion motion = Motion::Stopped;
    QElapsedTimer clock;

    TransportSnapshot snapshot() override {
        TransportSnapshot s = fake.snap;
        s.playing = motion != Motion::Stopped;
        const int n = int(clock.elapsed() / 10);
        if (motion == Motion::Time || motion == Motion::TimeAndKeys) {
            s.timeMs = uint32_t(n * 10);
            s.position = n * 10;
            s.tickInMeasure = s.position % 1920;
            s.beat = s.tickInMeasure / 480;
            s.measure = s.position / 1920;
            s.loadPeak = (n * 7) % 40;
        }
        if (motion == Motion::TimeAndKeys) s.heldKeys[size_t(48 + (n / 10) % 24)] = 100;
        return s;
    }
    void setSong(Song* s) override { fake.setSong(s); }
    void play() override {}
    void playSolo(uint32_t) override {}
    void setStopAt(int32_t) override {}
    void stop() override {}
    void cueToTop() override {}
    void wind(bool, bool) override {}
    void windRelease() override {}
    void record() override {}
    void locate(int32_t) override {}
    void setLoop(int32_t, int32_t) override {}
    void setLoopOn(bool) override {}
    void toggleSyncSource() override {}
    void previewNote(int, int, int, int, uint32_t) override {}
    void previewChord(int, int, const std::vector<std::pair<int, int>>&, uint32_t) override {}
    void previewTrack(Track*) override {}
    void cancelPreview() override {}
    void resetAllDevices() override {}
    void injectInput(uint32_t) override {}
    void beginEdit() override {}
    void endEdit() override {}
    int takeFinishedRecordings(Song&) override { return 0; }
};

// Where the time goes: the thread CPU time spent delivering update requests (painting and
// flushing to the window system) and timer events (the ticks), the rest being the event loop.
struct TimedApplication : QApplication {
    using QApplication::QApplication;
    double paintSeconds = 0, timerSeconds = 0, widgetPaintSeconds = 0;
    bool notify(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::Paint) {
            const double t0 = threadCpu();
            const bool r = QApplication::notify(receiver, event);
            widgetPaintSeconds += threadCpu() - t0;
            return r;
        }
        if (type != QEvent::UpdateRequest && type != QEvent::Timer) return QApplication::notify(receiver, event);
        const double t0 = threadCpu();
        const bool r = QApplication::notify(receiver, event);
        (type == QEvent::UpdateRequest ? paintSeconds : timerSeconds) += threadCpu() - t0;
        return r;
    }
    static double threadCpu() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }
};

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    // SECONDS per case; options (bench/run.sh passes Google Benchmark's) are ignored.
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 2;
    createSharedFonts();
    MovingTransport transport;
    Host host(transport);
    MainWindow window(host, transport);
    window.resize(1000, 700);
    window.documentReplaced();
    window.show();
    // Settle: the first layout and paint are not the timer's work.
    runFor(500);

    std::printf("platform %s, %d s per case\n", qPrintable(QGuiApplication::platformName()), seconds);
    const struct {
        const char* name;
        Motion motion;
    } cases[] = {{"stopped", Motion::Stopped},
                 {"playing, steady snapshot", Motion::Steady},
                 {"playing, time changing", Motion::Time},
                 {"playing, time and keys changing", Motion::TimeAndKeys}};
    for (const auto& c : cases) {
        transport.motion = c.motion;
        transport.clock.start();
        const int transportBefore = window.transportBar()->repaintRequests();
        const int keysBefore = window.keyboardBar()->repaintRequests();
        QElapsedTimer wall;
        app.paintSeconds = app.timerSeconds = app.widgetPaintSeconds = 0;
        const double cpu0 = cpuSeconds();
        wall.start();
        runFor(seconds * 1000);
        const double cpu = cpuSeconds() - cpu0;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        std::printf("%-32s cpu %5.2f %% of a core (paint+flush %4.2f %% of which paint events %4.2f %%, timers %4.2f %%; %d transport, %d keyboard repaints)\n",
                    c.name, 100.0 * cpu / elapsed, 100.0 * app.paintSeconds / elapsed, 100.0 * app.widgetPaintSeconds / elapsed, 100.0 * app.timerSeconds / elapsed, window.transportBar()->repaintRequests() - transportBefore,
                    window.keyboardBar()->repaintRequests() - keysBefore);
    }
    return 0;
}
