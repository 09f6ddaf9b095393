// A widget that hosts a pane tree: it paints the tree through QtPainter and forwards the mouse,
// the keys and typed text to it in its own pixels, as virtual-key codes.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "views/pane.h"
#include "views/ui/qt_painter.h"

class QKeyEvent;

namespace tarvio {

class PaneWidget : public QWidget {
    Q_OBJECT
public:
    explicit PaneWidget(std::unique_ptr<Pane> root = nullptr, QWidget* parent = nullptr);

    PaneView& view() { return view_; }
    void setFontFor(QtPainter::FontFor f) { fontFor_ = std::move(f); }
    // Qt key to Windows virtual key (0: none); the default knows the editing keys, letters,
    // digits and function keys.
    void setKeyTranslator(std::function<int(const QKeyEvent&)> f) { keyOf_ = std::move(f); }
    static int defaultVirtualKey(const QKeyEvent& e);
    static unsigned modifiersOf(Qt::KeyboardModifiers m);

    // Repaints when the tree asked for it (call after changing panes from outside).
    void refresh();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab belongs to the panes

private:
    void mouse(MouseEvent e, QMouseEvent* event);

    PaneView view_;
    QtPainter::FontFor fontFor_;
    std::function<int(const QKeyEvent&)> keyOf_;
};

}  // namespace tarvio
