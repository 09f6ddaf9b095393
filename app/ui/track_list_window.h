// The plain track list window: paints SimpleTrackList's rows and forwards the keys to it.
// It follows the document through DocumentListener.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/simple_track_list.h"

namespace tarvio {

class Document;
struct DocumentChange;

class TrackListWindow : public QWidget {
    Q_OBJECT
public:
    explicit TrackListWindow(Document& document, QWidget* parent = nullptr);
    ~TrackListWindow() override;

    // Forgets the document; documentAlive: stop listening to it first (otherwise it may be gone
    // already and is not called).
    void detach(bool documentAlive);
    Document* document() const { return document_; }
    const SimpleTrackList& list() const { return list_; }

    void documentChanged(const std::vector<DocumentChange>& changes);
    QSize sizeHint() const override;

signals:
    // A request to open the row in an editor: the status-bar text says so until editors exist.
    void openRequested(int target, int row, const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateTitle();

    struct Listener;
    Document* document_;
    SimpleTrackList list_;
    std::unique_ptr<Listener> listener_;
};

}  // namespace tarvio
