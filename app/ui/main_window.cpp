#include "app/ui/main_window.h"

#include <QMdiArea>

namespace tarvio {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
    setCentralWidget(mdi_);
    setWindowTitle(QStringLiteral("tarvio"));
}

}  // namespace tarvio
