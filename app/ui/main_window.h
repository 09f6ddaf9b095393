// The main window: an MDI frame holding the document's views, with the menus and bars.
#pragma once

#include <QByteArray>
#include <QMainWindow>

class QMdiArea;

namespace tarvio {

class MainWindowHost;
class Transport;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(MainWindowHost& host, Transport& transport, QWidget* parent = nullptr);
    QMdiArea* mdiArea() const { return mdi_; }

    // The host replaced or closed its document: the views follow host.document().
    void documentReplaced();
    // The layout of the bars, as the profile keeps it.
    QByteArray barState() const;
    bool restoreBarState(const QByteArray& state);

signals:
    // The window is closing (the document was offered for saving): the placement can be stored.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainWindowHost& host_;
    QMdiArea* mdi_;
};

}  // namespace tarvio
