// The splash window shown while start-up reads the settings files: a borderless 500 x 285
// picture, centred a little above the middle of the screen, with one line of status text at its
// top-left corner.
#pragma once

#include <QString>
#include <QWidget>

namespace tarvio {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 285;

    explicit SplashWindow(QWidget* parent = nullptr);

    // Replaces the status line, repaints at once, then lets events run for 30 ms so that the
    // text can be read before the next step.
    void showStatus(const QString& text);
    // Shows "Finish" and closes the window one second later.
    void finish();

    const QString& statusText() const { return status_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString status_;
};

}  // namespace tarvio
