// The main window: an MDI frame holding the document's views, with the menus and bars.
#pragma once

#include <QMainWindow>

class QMdiArea;

namespace tarvio {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    QMdiArea* mdiArea() const { return mdi_; }

private:
    QMdiArea* mdi_;
};

}  // namespace tarvio
