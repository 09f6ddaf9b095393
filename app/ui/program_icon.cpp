#include "app/ui/program_icon.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace tarvio {

namespace {

// Painted on the 64 x 64 grid of data/tarvio.svg, scaled to the size.
QPixmap paintIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient back(0, 2, 0, 62);
    back.setColorAt(0, QColor(0x18, 0x20, 0x3a));
    back.setColorAt(1, QColor(0x0a, 0x0c, 0x14));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    p.setPen(QPen(QColor(0x28, 0x32, 0x4c), size < 32 ? 64.0 / size : 1.0));
    for (int y = 20; y <= 52; y += 8) p.drawLine(QPointF(8, y), QPointF(56, y));
    p.setPen(Qt::NoPen);
    const struct {
        QRectF r;
        QColor c;
    } notes[] = {{{9, 46, 10, 5}, QColor(0x5e, 0xc8, 0xf0)},
                 {{21, 38, 6, 5}, QColor(0x6c, 0xb4, 0xf0)},
                 {{29, 30, 6, 5}, QColor(0x7a, 0xa0, 0xf0)},
                 {{37, 18, 17, 5}, QColor(0x8c, 0x8c, 0xf0)}};
    for (const auto& n : notes) p.fillRect(n.r, n.c);
    // The name is readable from 32 pixels on.
    if (size >= 32) {
        QFont f(QStringLiteral("Noto Sans"));
        f.setPixelSize(10);
        p.setFont(f);
        p.setPen(QColor(0xec, 0xf0, 0xfa));
        p.drawText(QRectF(2, 3, 60, 13), Qt::AlignCenter, QStringLiteral("tarvio"));
    }
    return pm;
}

}  // namespace

QIcon programIcon() {
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 24, 32, 48, 64, 128, 256}) i.addPixmap(paintIcon(size));
        return i;
    }();
    return icon;
}

void installProgramIcon() { QGuiApplication::setWindowIcon(programIcon()); }

}  // namespace tarvio
