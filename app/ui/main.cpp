#include <QApplication>

#include "app/ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarvio::MainWindow window;
    window.resize(1024, 720);
    window.show();
    return app.exec();
}
