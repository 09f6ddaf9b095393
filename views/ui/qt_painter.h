// The pane painter on a QPainter: the one place where the panes' drawing meets Qt.
#pragma once

#include <QFont>
#include <functional>

#include "views/painter.h"

class QPainter;

namespace tarvio {

class QtPainter : public Painter {
public:
    // The fixed-pitch font for a character height (the program passes its shared fonts);
    // without one the system's fixed-pitch font is sized to the height.
    using FontFor = std::function<QFont(int charHeight)>;

    QtPainter(QPainter& painter, Rect device, FontFor fontFor = {}, int charHeight = 12);

    static QFont defaultFont(int charHeight);

protected:
    void deviceFill(Rect r, Color c, Rect clip) override;
    void deviceLine(Point a, Point b, Color c, Rect clip) override;
    void deviceText(Point topLeft, std::string_view utf8, Color c, int charHeight, Rect clip) override;

private:
    void applyClip(Rect clip);

    QPainter& p_;
    FontFor fontFor_;
    int fontHeight_ = 0;
};

}  // namespace tarvio
