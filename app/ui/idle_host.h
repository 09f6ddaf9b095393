// A main-window host that does nothing, beside FakeTransport for the same use: window tests and
// benches derive from it and keep only what they watch or need.
#pragma once

#include <QString>
#include <QStringList>

#include "app/app_config.h"
#include "app/ui/main_window_host.h"

namespace tarvio {

struct IdleHost : MainWindowHost {
    AppConfig config;
    Document* document() override { return nullptr; }
    void newDocument() override {}
    void openDocument() override {}
    void openFile(const QString&) override {}
    void saveDocument() override {}
    void saveDocumentAs() override {}
    void importSmf() override {}
    void exportSmf() override {}
    QStringList recentFiles() override { return {}; }
    bool closeDocument() override { return true; }
    void editSongInfo() override {}
    void changeResolution() override {}
    void portSettings() override {}
    void metronomeSettings() override {}
    void recordingSettings() override {}
    void syncSettings() override {}
    WindowLayout& windowLayout() override { return config.layout; }
};

}  // namespace tarvio
