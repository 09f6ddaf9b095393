// The one QApplication of the window tests, made on first use (offscreen under ctest).
#pragma once

#include <QApplication>

inline QApplication& ensureApp() {
    static int argc = 1;
    static char name[] = "app_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
