// The one QApplication of the window tests, made on first use. The tests need no display: they
// run on Qt's offscreen platform unless another is asked for.
#pragma once

#include <QApplication>

inline QApplication& ensureApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "app_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
