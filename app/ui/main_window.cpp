// The document first: Qt's "slots" keyword would hide the track's slots.
#include "app/document.h"

#include "app/ui/main_window.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QShortcut>

#include "app/ui/main_window_host.h"

namespace tarvio {

MainWindow::MainWindow(MainWindowHost& host, Transport&, QWidget* parent)
    : QMainWindow(parent), host_(host), mdi_(new QMdiArea(this)) {
    setCentralWidget(mdi_);
    setObjectName(QStringLiteral("MainWindow"));
    new QShortcut(QKeySequence::Save, this, [this] { host_.saveDocument(); });
    documentReplaced();
}

void MainWindow::documentReplaced() {
    const Document* d = host_.document();
    setWindowTitle(QString::fromStdString(d ? d->windowTitle() : Document::noDocumentTitle()));
}

QByteArray MainWindow::barState() const { return saveState(); }

bool MainWindow::restoreBarState(const QByteArray& state) { return restoreState(state); }

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!host_.closeDocument()) {
        event->ignore();
        return;
    }
    emit closing();
    event->accept();
}

}  // namespace tarvio
