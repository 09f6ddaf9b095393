// The transport bar and the keyboard bar: tool bars that paint what TransportBarView and
// KeyboardBarView decide and forward the mouse to them. The main window's 10 ms timer calls
// refresh(); a bar repaints only when what it shows changed.
#pragma once

#include <QFont>
#include <QRegion>
#include <QString>
#include <QElapsedTimer>
#include <QToolBar>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/keyboard_bar_view.h"
#include "app/transport_bar_view.h"

class QPainter;
class QRectF;
class QColor;

namespace tarvio {

// The loop symbol: two arrows running round a rounded rectangle (the transport bar's button and
// the tool bar's icon). pen: the line width.
void paintLoopSymbol(QPainter& p, const QRectF& box, const QColor& ink, double pen);

class TransportBarCanvas;
class KeyboardBarCanvas;

class TransportBar : public QToolBar {
    Q_OBJECT
public:
    explicit TransportBar(Transport& transport, QWidget* parent = nullptr);
    const TransportBarView& view() const { return view_; }
    QWidget* canvas() const;        // the painted area; its coordinates are the bar pixels
    int repaintRequests() const { return repaints_; }
    // The canvas area the last refresh asked to repaint.
    const QRegion& lastUpdate() const { return lastUpdate_; }
    // The running figures (time, measure, load) repaint at most this often; every other change
    // repaints at once. No screen shows a hundred frames a second, and under X each repaint
    // costs a round trip to the server, which would be most of the timer's work.
    void setRunningPaintInterval(int ms) { runningPaintMs_ = ms; }

public slots:
    void refresh(const TransportSnapshot& snapshot);

private:
    friend class TransportBarCanvas;
    Transport& transport_;
    QRegion lastUpdate_;
    TransportBarView view_;
    TransportBarView::Display shown_;  // what the canvas shows
    TransportBarCanvas* canvas_;
    std::vector<std::pair<BarRect, QString>> tips_;
    int repaints_ = 0;
    int runningPaintMs_ = 40;
    QElapsedTimer sincePaint_;
    bool unpainted_ = false;  // the view holds changes the canvas does not show yet
};

class KeyboardBar : public QToolBar {
    Q_OBJECT
public:
    explicit KeyboardBar(QWidget* parent = nullptr);
    const KeyboardBarView& view() const { return view_; }
    int repaintRequests() const { return repaints_; }
    // The canvas area the last refresh asked to repaint.
    const QRegion& lastUpdate() const { return lastUpdate_; }
    QWidget* canvas() const;

public slots:
    void refresh(const TransportSnapshot& snapshot);

private:
    friend class KeyboardBarCanvas;
    KeyboardBarView view_;
    KeyboardBarCanvas* canvas_;
    QRegion lastUpdate_;
    std::vector<bool> held_;  // the keys' state before a refresh, kept to avoid reallocation
    std::array<uint8_t, 128> lastHeld_{};  // the snapshot's keys at the last refresh
    int repaints_ = 0;
};

}  // namespace tarvio
