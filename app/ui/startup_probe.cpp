#include "app/ui/startup_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvio {

namespace {

double nowNs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

std::vector<std::pair<std::string, double>>& steps() {
    static std::vector<std::pair<std::string, double>> s;
    return s;
}

// Prints after the first paint of the watched window has reached the screen: the paint event
// itself comes before the flush, so the report waits for the event loop's next turn.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!fired_ && event->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && w->window() == window_) {
                fired_ = true;
                markStartupStep("first paint");
                QTimer::singleShot(0, qApp, [] {
                    markStartupStep("painted");
                    for (const auto& [name, ms] : steps()) std::printf("%-24s %8.1f ms\n", name.c_str(), ms);
                    std::printf("startup_ms %.1f\n", steps().back().second);
                    // From the open's start (the end of the start-up) to the painted window.
                    for (const auto& [name, ms] : steps())
                        if (name == "started") std::printf("open_to_painted_ms %.1f\n", steps().back().second - ms);
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            }
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    bool fired_ = false;
};

}  // namespace

bool takeStartupProbeOption(QStringList& args) {
    return args.removeAll(QStringLiteral("--bench-startup")) > 0;
}

double msSinceProcessStart() {
    if (const char* t0 = std::getenv("TARVIO_BENCH_T0_NS"); t0 && *t0)
        return (nowNs(CLOCK_REALTIME) - std::strtod(t0, nullptr)) / 1e6;
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // The command name may hold blanks: the fields are counted after its closing parenthesis.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream in(line.substr(close + 2));
    std::string field;
    for (int i = 3; i < 22 && in >> field;) ++i;  // fields 3..21
    unsigned long long start = 0;
    in >> start;
    const double startNs = double(start) * 1e9 / double(sysconf(_SC_CLK_TCK));
    return (nowNs(CLOCK_BOOTTIME) - startNs) / 1e6;
}

void markStartupStep(const std::string& name) { steps().emplace_back(name, msSinceProcessStart()); }

void armStartupProbe(QWidget* window) {
    qApp->installEventFilter(new PaintWatch(window));
}

}  // namespace tarvio
