#include "views/ui/qt_painter.h"

#include <QFontDatabase>
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
    const int ascent = p_.fontMetrics().ascent();
    p_.drawText(topLeft.x, topLeft.y + ascent, QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

}  // namespace tarvio
