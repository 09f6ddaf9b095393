#include "app/ui/splash.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <iterator>

#include "app/ui/fonts.h"

namespace tarvio {

namespace {

constexpr int kStatusPauseMs = 30;
constexpr int kFinishCloseMs = 1000;

// The picture: a dark field, a strip of step-sequenced note bars (the program's way of
// writing music) and the name.
void paintPicture(QPainter& p, const QRect& r) {
    QLinearGradient bg(r.topLeft(), r.bottomLeft());
    bg.setColorAt(0, QColor(24, 30, 48));
    bg.setColorAt(1, QColor(10, 12, 20));
    p.fillRect(r, bg);

    // Keyboard-row guide lines behind the notes.
    p.setPen(QColor(40, 50, 76));
    for (int y = 150; y <= 250; y += 10) p.drawLine(20, y, r.width() - 20, y);

    // A rising and falling figure of notes, one per step.
    static constexpr int kKeys[] = {0, 4, 7, 12, 7, 4, 9, 5, 2, 7, 11, 14, 12, 7, 4, 0};
    static constexpr int kLens[] = {2, 1, 1, 3, 1, 1, 2, 1, 1, 2, 1, 1, 3, 1, 1, 4};
    int x = 24;
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        const int y = 246 - kKeys[i] * 6;
        const int w = kLens[i] * 12 - 2;
        QColor c = QColor::fromHsv(int(190 + i * 6) % 360, 150, 230);
        p.fillRect(QRect(x, y, w, 6), c);
        x += kLens[i] * 12 + 6;
        if (x > r.width() - 40) break;
    }

    QFont name(QStringLiteral("Noto Sans CJK JP"));
    name.setPixelSize(72);
    name.setWeight(QFont::Light);
    p.setFont(name);
    p.setPen(QColor(236, 240, 250));
    p.drawText(QRect(0, 40, r.width(), 90), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("tarvio"));

    QFont sub = sharedFont(12);
    p.setFont(sub);
    p.setPen(QColor(150, 165, 200));
    p.drawText(QRect(0, 122, r.width(), 16), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("step-input MIDI sequencer"));
}

}  // namespace

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("tarvio"));
    setFixedSize(kWidth, kHeight);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen ? screen->geometry().size() : QSize(kWidth, kHeight);
    move(s.width() / 2 - 250, s.height() / 2 - 160);
}

void SplashWindow::showStatus(const QString& text) {
    status_ = text;
    repaint();
    QEventLoop pause;
    QTimer::singleShot(kStatusPauseMs, &pause, &QEventLoop::quit);
    pause.exec();
}

void SplashWindow::finish() {
    showStatus(QStringLiteral("Finish"));
    QTimer::singleShot(kFinishCloseMs, this, &QWidget::close);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintPicture(p, rect());
    if (status_.isEmpty()) return;
    const QFont& f = sharedFont(12);
    p.setFont(f);
    p.setPen(QColor(220, 225, 235));
    // The baseline sits at the font's ascent, so that the line starts at the very corner.
    p.drawText(QPoint(0, QFontMetrics(f).ascent()), status_);
}

}  // namespace tarvio
