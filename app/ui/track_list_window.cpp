// The model's headers come before Qt's: a track's "slots" would meet Qt's macro of that name.
#include "app/document.h"
#include "model/song.h"
// (the order above is deliberate)
#include "app/ui/track_list_window.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

#include "app/ui/fonts.h"
#include "app/ui/virtual_keys.h"

namespace tarvio {

namespace {
constexpr int kRowHeight = 20;
constexpr int kMargin = 4;
}  // namespace

struct TrackListWindow::Listener final : DocumentListener {
    explicit Listener(TrackListWindow& w) : window(w) {}
    void documentChanged(const std::vector<DocumentChange>& changes) override { window.documentChanged(changes); }
    TrackListWindow& window;
};

TrackListWindow::TrackListWindow(Document& document, QWidget* parent)
    : QWidget(parent), document_(&document), list_(&document.song()), listener_(std::make_unique<Listener>(*this)) {
    setObjectName(QStringLiteral("TrackListWindow"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    document_->addListener(listener_.get());
    updateTitle();
}

TrackListWindow::~TrackListWindow() {
    if (document_) document_->removeListener(listener_.get());
}

void TrackListWindow::detach(bool documentAlive) {
    if (document_ && documentAlive) document_->removeListener(listener_.get());
    document_ = nullptr;
    list_.setSong(nullptr);
    update();
}

void TrackListWindow::documentChanged(const std::vector<DocumentChange>& changes) {
    if (!document_) return;
    bool rows = false, title = false;
    for (const DocumentChange& c : changes) {
        rows = rows || c.kind == DocumentChange::Kind::Song || c.kind == DocumentChange::Kind::Tracks;
        title = title || c.kind == DocumentChange::Kind::File || c.kind == DocumentChange::Kind::Song;
    }
    if (rows) {
        list_.setSong(&document_->song());
        update();
    }
    if (title) updateTitle();
}

QSize TrackListWindow::sizeHint() const { return {480, 320}; }

void TrackListWindow::updateTitle() {
    if (document_) setWindowTitle(QStringLiteral("Track List - %1").arg(QString::fromStdString(document_->title())));
}

void TrackListWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.base());
    p.setFont(sharedFont(16));
    const auto& rows = list_.rows();
    const int selectedRow = list_.selected() + 1;
    const QFontMetrics fm = p.fontMetrics();
    const int top = (kRowHeight - fm.height()) / 2 + fm.ascent();  // the baseline, text centred in the row
    for (int i = 0; i < int(rows.size()); ++i) {
        const int y = i * kRowHeight;
        if (y > height()) break;
        const bool selected = i == selectedRow;
        if (selected) p.fillRect(0, y, width(), kRowHeight, pal.highlight());
        p.setPen(selected ? pal.highlightedText().color() : pal.text().color());
        p.drawText(kMargin, y + top, QString::fromStdString(rows[size_t(i)]));
    }
}

void TrackListWindow::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers m = event->modifiers();
    const SimpleTrackList::KeyResult r =
        list_.key(virtualKeyOf(*event), m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier));
    if (!r.handled) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (r.repaint) update();
    if (const char* source = SimpleTrackList::openRequestSource(r.open)) {
        const QString row = QString::fromStdString(list_.rows()[size_t(r.row + 1)]);
        emit openRequested(int(r.open), r.row, QCoreApplication::translate("tarvio::SimpleTrackList", source).arg(row));
    }
}

}  // namespace tarvio
