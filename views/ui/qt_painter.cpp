#include "views/ui/qt_painter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <algorithm>
#include <QPainter>

namespace tarvio {

namespace {
QColor qcolor(Color c) {
    const Rgb v = c.resolve();
    return QColor(v.r, v.g, v.b);
}
}  // namespace

QtPainter::QtPainter(QPainter& painter, Rect device, FontFor fontFor, int charHeight)
    : Painter(device, charHeight), p_(painter), fontFor_(std::move(fontFor)) {}

QFont QtPainter::defaultFont(int charHeight) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(charHeight);
    f.setStyleHint(QFont::TypeWriter);
    // The cells are half as wide as high; most fixed-pitch faces are wider, so narrow them.
    const qreal advance = QFontMetricsF(f).horizontalAdvance(QLatin1Char('M'));
    if (advance > 0) f.setStretch(std::clamp(int(100.0 * (charHeight / 2) / advance), 50, 200));
    return f;
}

void QtPainter::applyClip(Rect clip) { p_.setClipRect(QRect(clip.x, clip.y, clip.w, clip.h)); }

void QtPainter::deviceFill(Rect r, Color c, Rect clip) {
    applyClip(clip);
    p_.fillRect(QRect(r.x, r.y, r.w, r.h), qcolor(c));
}

void QtPainter::deviceLine(Point a, Point b, Color c, Rect clip) {
    applyClip(clip);
    p_.setPen(qcolor(c));
    p_.drawLine(a.x, a.y, b.x, b.y);
}

void QtPainter::deviceText(Point topLeft, std::string_view utf8, Color c, int charHeight, Rect clip) {
    applyClip(clip);
    if (fontHeight_ != charHeight) {
        p_.setFont(fontFor_ ? fontFor_(charHeight) : defaultFont(charHeight));
        fontHeight_ = charHeight;
    }
    p_.setPen(qcolor(c));
    // The baseline divides the cell as the font divides its height, so that descenders stay in
    // the cell even for a face that is taller than the cell.
    const QFontMetrics m = p_.fontMetrics();
    const int baseline = m.height() > 0 ? charHeight * m.ascent() / m.height() : m.ascent();
    p_.drawText(topLeft.x, topLeft.y + baseline, QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

}  // namespace tarvio
