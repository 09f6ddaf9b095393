// The hidden option "--bench-startup" (bench/app_startup.sh): once the main window has been
// painted for the first time, the program prints the milliseconds since its process started
// (and the steps in between) and quits, leaving the settings files as they were. The song named
// on the command line is opened after the start-up, so that its open is timed as well.
#pragma once

#include <QStringList>

#include <string>

class QWidget;

namespace tarvio {

// Removes "--bench-startup" from args; true when it was given.
bool takeStartupProbeOption(QStringList& args);
// Milliseconds since the process started: from TARVIO_BENCH_T0_NS (CLOCK_REALTIME nanoseconds,
// set by the caller just before the start, exact) or else from /proc/self/stat (10 ms steps).
double msSinceProcessStart();
// Notes a step of the start-up for the report.
void markStartupStep(const std::string& name);
// Watches window: after its first paint the report is printed and the event loop ends.
void armStartupProbe(QWidget* window);

}  // namespace tarvio
