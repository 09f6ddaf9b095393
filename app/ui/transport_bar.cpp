#include "app/ui/transport_bar.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>
#include <QPolygon>
#include <QRegion>
#include <QToolTip>

namespace tarvio {

QFont barDisplayFont(int pixelSize) {
    static const bool haveNoto = [] {
        const QString family = QStringLiteral("Noto Sans Mono CJK JP");
        if (QFontDatabase::families().contains(family)) return true;
        qWarning("tarvio: font \"Noto Sans Mono CJK JP\" not found, using the system's fixed font");
        return false;
    }();
    QFont f = haveNoto ? QFont(QStringLiteral("Noto Sans Mono CJK JP"))
                       : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(pixelSize);
    f.setStyleHint(QFont::Monospace);
    return f;
}

namespace {

QRect toQRect(const BarRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

const QColor kBackground(0x30, 0x30, 0x34);
const QColor kDisplayBack(0x10, 0x14, 0x10);
const QColor kDisplayText(0x70, 0xF0, 0x80);
const QColor kLabelText(0xA0, 0xA8, 0xA0);
const QColor kButtonFace(0x58, 0x58, 0x60);
const QColor kButtonDown(0x38, 0x38, 0x40);
const QColor kSymbol(0xE8, 0xE8, 0xE8);
const QColor kLit(0x60, 0xE0, 0x60);
const QColor kRecordLit(0xF0, 0x40, 0x40);

void triangle(QPainter& p, int x, int cy, int w, bool right) {
    const int h = 4;
    QPolygon poly;
    if (right) poly << QPoint(x, cy - h) << QPoint(x + w, cy) << QPoint(x, cy + h);
    else poly << QPoint(x + w, cy - h) << QPoint(x, cy) << QPoint(x + w, cy + h);
    p.drawPolygon(poly);
}

}  // namespace

// The painted area of the transport bar, in bar pixels.
class TransportBarCanvas : public QWidget {
public:
    explicit TransportBarCanvas(TransportBar& bar) : QWidget(&bar), bar_(bar) {
        setFixedSize(TransportBarView::kWidth, TransportBarView::kHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        const QRegion& dirty = e->region();
        p.setClipRegion(dirty);
        p.fillRect(rect(), kBackground);
        const auto& d = bar_.view_.current();
        // Only what the update covers is drawn: the time changes on every tick while playing.
        const auto field = [&](const BarRect& r, const char* label, const std::string& value) {
            if (dirty.intersects(toQRect(r))) drawField(p, r, label, value);
        };
        field(TransportBarView::tempoRect(), TransportBarTexts::tempo, d.tempo);
        field(TransportBarView::timeRect(), TransportBarTexts::time, d.time);
        field(TransportBarView::measureRect(), TransportBarTexts::measure, d.measure);
        field(TransportBarView::syncRect(), TransportBarTexts::sync, d.sync);
        field(TransportBarView::metronomeRect(), TransportBarTexts::metronome, d.metronome);
        if (!d.syncRate.empty()) field(TransportBarView::syncRateRect(), "", d.syncRate);

        const QRect load = toQRect(TransportBarView::loadRect());
        if (dirty.intersects(load)) {
            p.fillRect(load, kDisplayBack);
            p.fillRect(QRect(load.left(), load.top() + 2, d.load, load.height() - 4), kLit);
        }
        for (int i = 0; i < static_cast<int>(TransportButton::Count); ++i) {
            const auto b = static_cast<TransportButton>(i);
            if (dirty.intersects(toQRect(TransportBarView::buttonRect(b)))) button(p, b, d);
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const QPoint pt = e->position().toPoint();
        bar_.view_.press(bar_.transport_, pt.x(), pt.y(), e->modifiers() & Qt::ShiftModifier);
        update();
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const QPoint pt = e->position().toPoint();
        bar_.view_.release(bar_.transport_, pt.x(), pt.y());
        update();
    }

    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            for (const auto& [r, text] : bar_.tips_)
                if (r.contains(help->pos().x(), help->pos().y())) {
                    QToolTip::showText(help->globalPos(), text, this);
                    return true;
                }
            QToolTip::hideText();
            e->ignore();
            return true;
        }
        return QWidget::event(e);
    }

private:
    void drawField(QPainter& p, const BarRect& r, const char* label, const std::string& value) {
        const QRect box = toQRect(r);
        p.fillRect(box, kDisplayBack);
        // The label sits in the value's leading blanks, in a smaller face.
        if (*label) {
            p.setFont(labelFont_);
            p.setPen(kLabelText);
            p.drawText(box.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(label));
        }
        p.setFont(valueFont_);
        p.setPen(kDisplayText);
        p.drawText(box.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8(value));
    }

    void button(QPainter& p, TransportButton b, const TransportBarView::Display& d) {
        const QRect r = toQRect(TransportBarView::buttonRect(b)).adjusted(1, 0, -1, 0);
        const bool down = bar_.view_.pressedButton() == b;
        p.fillRect(r, down ? kButtonDown : kButtonFace);
        p.setPen(down ? QColor(0x20, 0x20, 0x20) : QColor(0x90, 0x90, 0x98));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        bool lit = false;
        QColor litColor = kLit;
        switch (b) {
            case TransportButton::Play: lit = d.playing; break;
            case TransportButton::Record: lit = d.recording; litColor = kRecordLit; break;
            case TransportButton::Loop: lit = d.loopOn; break;
            default: break;
        }
        const QColor ink = lit ? litColor : kSymbol;
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const int cx = r.center().x(), cy = r.center().y();
        switch (b) {
            case TransportButton::Cue:
                p.drawRect(cx - 6, cy - 4, 2, 9);
                triangle(p, cx - 4, cy, 5, false);
                triangle(p, cx + 1, cy, 5, false);
                break;
            case TransportButton::Rewind:
                triangle(p, cx - 5, cy, 5, false);
                triangle(p, cx, cy, 5, false);
                break;
            case TransportButton::Play: triangle(p, cx - 3, cy, 7, true); break;
            case TransportButton::FastForward:
                triangle(p, cx - 5, cy, 5, true);
                triangle(p, cx, cy, 5, true);
                break;
            case TransportButton::Stop: p.drawRect(cx - 4, cy - 4, 9, 9); break;
            case TransportButton::Record: p.drawEllipse(QPoint(cx, cy), 4, 4); break;
            case TransportButton::Loop: {
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(ink, 2));
                p.drawArc(QRect(cx - 7, cy - 4, 14, 9), 30 * 16, 300 * 16);
                p.setPen(Qt::NoPen);
                p.setBrush(ink);
                triangle(p, cx + 4, cy - 3, 4, true);
                break;
            }
            case TransportButton::Count: break;
        }
        p.setBrush(Qt::NoBrush);
    }

    TransportBar& bar_;
    const QFont labelFont_ = barDisplayFont(8);
    const QFont valueFont_ = barDisplayFont(12);
};

TransportBar::TransportBar(Transport& transport, QWidget* parent)
    : QToolBar(parent), transport_(transport), canvas_(new TransportBarCanvas(*this)) {
    setObjectName(QStringLiteral("TransportBar"));
    setWindowTitle(tr("トランスポートバー"));
    addWidget(canvas_);
    const auto tip = [](TransportButton b, const QString& text) {
        return std::pair{TransportBarView::buttonRect(b), text};
    };
    // Tool tips name the buttons as the menus do.
    tips_ = {tip(TransportButton::Cue, tr("頭出し")),
             tip(TransportButton::Rewind, tr("巻き戻し")),
             tip(TransportButton::Play, tr("再生")),
             tip(TransportButton::FastForward, tr("早送り")),
             tip(TransportButton::Stop, tr("停止")),
             tip(TransportButton::Record, tr("録音")),
             tip(TransportButton::Loop, tr("ループ再生"))};
    view_.refresh(TransportSnapshot{});
}

QWidget* TransportBar::canvas() const { return canvas_; }

void TransportBar::refresh(const TransportSnapshot& snapshot) {
    const TransportBarView::Display before = view_.current();
    if (!view_.refresh(snapshot)) return;
    ++repaints_;
    // While playing the time changes on every tick: repaint only the fields that changed.
    const TransportBarView::Display& now = view_.current();
    QRegion region;
    const auto mark = [&](bool changed, const BarRect& r) {
        if (changed) region += toQRect(r);
    };
    mark(before.tempo != now.tempo, TransportBarView::tempoRect());
    mark(before.time != now.time, TransportBarView::timeRect());
    mark(before.measure != now.measure, TransportBarView::measureRect());
    mark(before.sync != now.sync, TransportBarView::syncRect());
    mark(before.syncRate != now.syncRate, TransportBarView::syncRateRect());
    mark(before.metronome != now.metronome, TransportBarView::metronomeRect());
    mark(before.load != now.load, TransportBarView::loadRect());
    mark(before.playing != now.playing, TransportBarView::buttonRect(TransportButton::Play));
    mark(before.recording != now.recording, TransportBarView::buttonRect(TransportButton::Record));
    mark(before.loopOn != now.loopOn, TransportBarView::buttonRect(TransportButton::Loop));
    canvas_->update(region);
}

// The keyboard's painted area.
class KeyboardBarCanvas : public QWidget {
public:
    explicit KeyboardBarCanvas(KeyboardBar& bar) : QWidget(&bar), bar_(bar) {
        setFixedSize(KeyboardBarView::kWidth, KeyboardBarView::kHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), kBackground);
        for (const KeyRect& k : bar_.view_.keys()) {
            const QRect r = toQRect(k.rect);
            const QColor face = k.held ? QColor(0xF0, 0x60, 0x40) : k.black ? Qt::black : Qt::white;
            p.fillRect(r, face);
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }

private:
    KeyboardBar& bar_;
};

KeyboardBar::KeyboardBar(QWidget* parent) : QToolBar(parent), canvas_(new KeyboardBarCanvas(*this)) {
    setObjectName(QStringLiteral("KeyboardBar"));
    setWindowTitle(tr("キーボードバー"));
    addWidget(canvas_);
}

void KeyboardBar::refresh(const TransportSnapshot& snapshot) {
    if (!view_.refresh(snapshot.heldKeys)) return;
    ++repaints_;
    canvas_->update();
}

}  // namespace tarvio
