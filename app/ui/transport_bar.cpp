#include "app/ui/transport_bar.h"

#include "app/ui/fonts.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPixmap>
#include <QRawFont>
#include <QStaticText>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>
#include <QPolygon>
#include <QRegion>
#include <QToolTip>

namespace tarvio {

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

void paintLoopSymbol(QPainter& p, const QRectF& box, const QColor& ink, double pen) {
    const qreal l = box.left(), r = box.right(), t = box.top(), b = box.bottom();
    const qreal arrow = std::max(2.5, box.height() * 0.36), round = std::min(box.height() / 2, box.width() / 4);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, pen, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    QPainterPath upper(QPointF(l, b - arrow));  // up the left side, right along the top
    upper.lineTo(l, t + round);
    upper.quadTo(l, t, l + round, t);
    upper.lineTo(r - arrow, t);
    QPainterPath lower(QPointF(r, t + arrow));  // down the right side, left along the bottom
    lower.lineTo(r, b - round);
    lower.quadTo(r, b, r - round, b);
    lower.lineTo(l + arrow, b);
    p.drawPath(upper);
    p.drawPath(lower);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const qreal h = arrow * 0.8;
    p.drawPolygon(QPolygonF({QPointF(r - arrow - 0.5, t - h), QPointF(r + 0.5, t), QPointF(r - arrow - 0.5, t + h)}));
    p.drawPolygon(QPolygonF({QPointF(l + arrow + 0.5, b - h), QPointF(l - 0.5, b), QPointF(l + arrow + 0.5, b + h)}));
    p.restore();
}

// The painted area of the transport bar, in bar pixels. While playing the TIME and MEAS fields
// change on every tick, so a paint copies the static parts (background, field boxes, labels)
// from a picture made once and draws only the values, from texts laid out when they changed.
class TransportBarCanvas : public QWidget {
public:
    explicit TransportBarCanvas(TransportBar& bar) : QWidget(&bar), bar_(bar) {
        setFixedSize(TransportBarView::kWidth, TransportBarView::kHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
        const QFontMetrics m(valueFont_);
        valueAdvance_ = m.horizontalAdvance(QLatin1Char('0'));
        valueHeight_ = m.height();
        valueAscent_ = m.ascent();
        // The glyphs of the printable ASCII characters, where the face has each one with the
        // same advance (a character it lacks, or a face that is not fixed-pitch, is laid out).
        glyphs_ = QRawFont::fromFont(valueFont_);
        if (glyphs_.isValid()) {
            for (char32_t c = 0x20; c < 0x7F; ++c) {
                const QList<quint32> g = glyphs_.glyphIndexesForString(QString(QChar(c)));
                if (g.size() != 1 || g[0] == 0) continue;
                const QList<QPointF> a = glyphs_.advancesForGlyphIndexes(g);
                if (a.size() == 1 && std::abs(a[0].x() - valueAdvance_) < 0.01) glyphOf_[c] = g[0];
            }
        }
        for (Value& v : values_) {
            v.text.setTextFormat(Qt::PlainText);
            v.text.setPerformanceHint(QStaticText::AggressiveCaching);
        }
    }

    // The part of a value's box that must be repainted when its text changes from before to
    // now: with the fixed-pitch face and the right alignment, only from the first changed
    // character on (and a little to its left, where a glyph may reach).
    QRect changedPart(const BarRect& r, const std::string& before, const std::string& now) const {
        const QRect box = valueBox(r);
        const bool ascii = std::all_of(now.begin(), now.end(), [](char c) { return (c & 0x80) == 0; }) &&
                           std::all_of(before.begin(), before.end(), [](char c) { return (c & 0x80) == 0; });
        if (!ascii || before.size() != now.size()) return toQRect(r);
        size_t first = 0;
        while (first < now.size() && now[first] == before[first]) ++first;
        const int left = box.right() + 1 - int(now.size() - first) * valueAdvance_ - 2;
        return QRect(QPoint(std::max(left, r.left), r.top), QPoint(r.right, r.bottom));
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        const QRegion& dirty = e->region();
        const qreal dpr = devicePixelRatioF();
        if (face_.isNull() || face_.devicePixelRatio() != dpr) makeFace(dpr);
        for (const QRect& r : dirty)
            p.drawPixmap(QRectF(r), face_, QRectF(r.left() * dpr, r.top() * dpr, r.width() * dpr, r.height() * dpr));
        // The painter is clipped to the dirty region already.
        const auto& d = bar_.view_.current();
        const auto field = [&](int slot, const BarRect& r, const std::string& value) {
            if (dirty.intersects(toQRect(r))) drawValue(p, slot, r, value);
        };
        field(0, TransportBarView::tempoRect(), d.tempo);
        field(1, TransportBarView::timeRect(), d.time);
        field(2, TransportBarView::measureRect(), d.measure);
        field(3, TransportBarView::syncRect(), d.sync);
        field(4, TransportBarView::metronomeRect(), d.metronome);
        if (!d.syncRate.empty() && dirty.intersects(toQRect(TransportBarView::syncRateRect()))) {
            p.fillRect(toQRect(TransportBarView::syncRateRect()), kDisplayBack);
            drawValue(p, 5, TransportBarView::syncRateRect(), d.syncRate);
        }

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
    struct Value {
        std::string source;  // what run or text holds
        bool ascii = false;  // drawn from run
        QGlyphRun run;
        QList<quint32> indexes;
        QList<QPointF> positions;
        QStaticText text;
    };

    QRect valueBox(const BarRect& r) const { return toQRect(r).adjusted(0, 0, -2, 0); }

    // The background, the field boxes and their labels (the label sits in the value's leading
    // blanks, as high as the value and dimmer).
    void makeFace(qreal dpr) {
        face_ = QPixmap(QSize(width(), height()) * dpr);
        face_.setDevicePixelRatio(dpr);
        QPainter p(&face_);
        p.fillRect(rect(), kBackground);
        const auto box = [&](const BarRect& r, const char* label) {
            const QRect q = toQRect(r);
            p.fillRect(q, kDisplayBack);
            p.setFont(labelFont_);
            p.setPen(kLabelText);
            p.drawText(q.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(label));
        };
        box(TransportBarView::tempoRect(), TransportBarTexts::tempo);
        box(TransportBarView::timeRect(), TransportBarTexts::time);
        box(TransportBarView::measureRect(), TransportBarTexts::measure);
        box(TransportBarView::syncRect(), TransportBarTexts::sync);
        box(TransportBarView::metronomeRect(), TransportBarTexts::metronome);
    }

    // Right-aligned and centred in the box. The digits change on every tick while playing, so
    // ASCII texts are not laid out: with the fixed-pitch face each character's glyph (looked up
    // once) goes to its cell. Other texts are laid out when they change.
    void drawValue(QPainter& p, int slot, const BarRect& r, const std::string& value) {
        Value& v = values_[size_t(slot)];
        const QRect box = valueBox(r);
        if (v.source != value) {
            v.source = value;
            v.ascii = glyphs_.isValid() && std::all_of(value.begin(), value.end(), [&](char c) {
                          return c >= 0x20 && c < 0x7F && glyphOf_[size_t(c)] != 0;
                      });
            if (v.ascii) {
                v.indexes.resize(qsizetype(value.size()));
                v.positions.resize(qsizetype(value.size()));
                const qreal right = box.right() + 1, baseline = box.top() + (box.height() - valueHeight_) / 2 + valueAscent_;
                for (size_t i = 0; i < value.size(); ++i) {
                    v.indexes[qsizetype(i)] = glyphOf_[size_t(value[i])];
                    v.positions[qsizetype(i)] = QPointF(right - qreal(value.size() - i) * valueAdvance_, baseline);
                }
                v.run.setRawFont(glyphs_);
                v.run.setGlyphIndexes(v.indexes);
                v.run.setPositions(v.positions);
            } else {
                v.text.setText(QString::fromUtf8(value));
                v.text.prepare(QTransform(), valueFont_);
            }
        }
        p.setPen(kDisplayText);
        if (v.ascii) {
            p.drawGlyphRun(QPointF(0, 0), v.run);
            return;
        }
        p.setFont(valueFont_);
        const int w = int(std::ceil(v.text.size().width()));
        p.drawStaticText(QPoint(box.right() + 1 - w, box.top() + (box.height() - valueHeight_) / 2), v.text);
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
            case TransportButton::Loop: paintLoopSymbol(p, QRectF(cx - 8, cy - 3.5, 16, 8), ink, 1.5); break;
            case TransportButton::Count: break;
        }
        p.setBrush(Qt::NoBrush);
    }

    TransportBar& bar_;
    const QFont labelFont_ = sharedFont(12);
    const QFont valueFont_ = sharedFont(12);
    int valueAdvance_ = 0, valueHeight_ = 0, valueAscent_ = 0;
    QRawFont glyphs_;
    std::array<quint32, 128> glyphOf_{};  // 0: lay the text out
    QPixmap face_;
    std::array<Value, 6> values_;
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
    shown_ = view_.current();
}

QWidget* TransportBar::canvas() const { return canvas_; }

void TransportBar::refresh(const TransportSnapshot& snapshot) {
    if (!view_.refresh(snapshot) && !unpainted_) return;
    // What was painted is kept rather than copied on each tick, whose strings would allocate.
    const TransportBarView::Display& before = shown_;
    const TransportBarView::Display& now = view_.current();
    const bool stateChanged = before.tempo != now.tempo || before.sync != now.sync || before.syncRate != now.syncRate ||
                              before.metronome != now.metronome || before.playing != now.playing ||
                              before.recording != now.recording || before.loopOn != now.loopOn;
    if (!stateChanged && sincePaint_.isValid() && sincePaint_.elapsed() < runningPaintMs_) {
        unpainted_ = true;
        return;
    }
    unpainted_ = false;
    sincePaint_.start();
    ++repaints_;
    // While playing the time changes on every tick: repaint only the fields that changed.
    QRegion region;
    const auto mark = [&](bool changed, const BarRect& r) {
        if (changed) region += toQRect(r);
    };
    const auto text = [&](const std::string& was, const std::string& is, const BarRect& r) {
        if (was != is) region += canvas_->changedPart(r, was, is);
    };
    text(before.tempo, now.tempo, TransportBarView::tempoRect());
    text(before.time, now.time, TransportBarView::timeRect());
    text(before.measure, now.measure, TransportBarView::measureRect());
    text(before.sync, now.sync, TransportBarView::syncRect());
    mark(before.syncRate != now.syncRate, TransportBarView::syncRateRect());
    text(before.metronome, now.metronome, TransportBarView::metronomeRect());
    // The load bar: only the part between the old and the new length.
    if (before.load != now.load) {
        const BarRect l = TransportBarView::loadRect();
        region += QRect(QPoint(l.left + std::min(before.load, now.load), l.top),
                        QPoint(l.left + std::max(before.load, now.load), l.bottom));
    }
    mark(before.playing != now.playing, TransportBarView::buttonRect(TransportButton::Play));
    mark(before.recording != now.recording, TransportBarView::buttonRect(TransportButton::Record));
    mark(before.loopOn != now.loopOn, TransportBarView::buttonRect(TransportButton::Loop));
    shown_ = now;
    lastUpdate_ = region;
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
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        const QRegion& dirty = e->region();
        p.fillRect(dirty.boundingRect(), kBackground);
        // Every key under the update, in the view's order (black keys over the white ones).
        for (const KeyRect& k : bar_.view_.keys()) {
            const QRect r = toQRect(k.rect);
            if (!dirty.intersects(r)) continue;
            const QColor face = k.held ? QColor(0xF0, 0x60, 0x40) : k.black ? Qt::black : Qt::white;
            p.fillRect(r, face);
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        // The octaves' names, each beside a tick at its C.
        p.setFont(labelFont_);
        for (const OctaveLabel& l : labels_) {
            const QRect r = toQRect(l.rect);
            if (!dirty.intersects(r)) continue;
            p.setPen(kLabelText);
            p.drawLine(r.left(), r.top(), r.left(), r.top() + 3);
            p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(l.text));
        }
    }

private:
    KeyboardBar& bar_;
    const QFont labelFont_ = sharedFont(12);
    const std::vector<OctaveLabel> labels_ = KeyboardBarView::octaveLabels();
};

KeyboardBar::KeyboardBar(QWidget* parent) : QToolBar(parent), canvas_(new KeyboardBarCanvas(*this)) {
    setObjectName(QStringLiteral("KeyboardBar"));
    setWindowTitle(tr("キーボードバー"));
    addWidget(canvas_);
}

QWidget* KeyboardBar::canvas() const { return canvas_; }

void KeyboardBar::refresh(const TransportSnapshot& snapshot) {
    // Most ticks hold the same keys: nothing to look at then.
    if (snapshot.heldKeys == lastHeld_) return;
    lastHeld_ = snapshot.heldKeys;
    held_.clear();
    for (const KeyRect& k : view_.keys()) held_.push_back(k.held);
    if (!view_.refresh(snapshot.heldKeys)) return;
    ++repaints_;
    // Only the keys that went down or up.
    QRegion region;
    const auto& keys = view_.keys();
    for (size_t i = 0; i < keys.size() && i < held_.size(); ++i)
        if (keys[i].held != held_[i]) region += toQRect(keys[i].rect);
    lastUpdate_ = region;
    canvas_->update(region);
}

}  // namespace tarvio
