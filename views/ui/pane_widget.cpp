#include "views/ui/pane_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace tarvio {

PaneWidget::PaneWidget(std::unique_ptr<Pane> root, QWidget* parent) : QWidget(parent), view_(std::move(root)) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

unsigned PaneWidget::modifiersOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kPaneShift : 0u) | (m & Qt::ControlModifier ? kPaneCtrl : 0u) |
           (m & Qt::AltModifier ? kPaneAlt : 0u);
}

int PaneWidget::defaultVirtualKey(const QKeyEvent& e) {
    const int k = e.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 0x70 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    default: return 0;
    }
}

void PaneWidget::refresh() {
    if (view_.redrawDue()) update();
}

QSize PaneWidget::sizeHint() const {
    if (const Pane* r = view_.root()) return {r->width(), r->height()};
    return QWidget::sizeHint();
}

void PaneWidget::paintEvent(QPaintEvent*) {
    QPainter qp(this);
    qp.fillRect(rect(), QColor(0, 0, 0));
    QtPainter p(qp, {0, 0, width(), height()}, fontFor_);
    view_.paint(p);
}

void PaneWidget::mouse(MouseEvent e, QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (view_.mouse(e, {at.x(), at.y()}, modifiersOf(event->modifiers()))) event->accept();
    else event->ignore();
    refresh();
}

void PaneWidget::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    switch (event->button()) {
    case Qt::LeftButton: return mouse(MouseEvent::LeftDown, event);
    case Qt::RightButton: return mouse(MouseEvent::RightDown, event);
    case Qt::MiddleButton: return mouse(MouseEvent::MiddleDown, event);
    default: event->ignore();
    }
}

void PaneWidget::mouseReleaseEvent(QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton: return mouse(MouseEvent::LeftUp, event);
    case Qt::RightButton: return mouse(MouseEvent::RightUp, event);
    case Qt::MiddleButton: return mouse(MouseEvent::MiddleUp, event);
    default: event->ignore();
    }
}

void PaneWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton: return mouse(MouseEvent::LeftDouble, event);
    case Qt::RightButton: return mouse(MouseEvent::RightDouble, event);
    case Qt::MiddleButton: return mouse(MouseEvent::MiddleDown, event);
    default: event->ignore();
    }
}

void PaneWidget::mouseMoveEvent(QMouseEvent* event) { mouse(MouseEvent::Move, event); }

void PaneWidget::wheelEvent(QWheelEvent* event) {
    const QPoint at = event->position().toPoint();
    view_.mouse(MouseEvent::Wheel, {at.x(), at.y()}, modifiersOf(event->modifiers()), event->angleDelta().y());
    refresh();
}

void PaneWidget::keyPressEvent(QKeyEvent* event) {
    const unsigned mods = modifiersOf(event->modifiers());
    bool handled = false;
    // Printable text goes to an open field first; keys with Ctrl or Alt are commands.
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(mods & (kPaneCtrl | kPaneAlt)))
        handled = view_.typed(text.toStdString(), mods);
    if (!handled) {
        const int vk = keyOf_ ? keyOf_(*event) : defaultVirtualKey(*event);
        handled = vk != 0 && view_.key(vk, mods);
    }
    if (handled) event->accept();
    else QWidget::keyPressEvent(event);
    refresh();
}

void PaneWidget::keyReleaseEvent(QKeyEvent* event) {
    const int vk = keyOf_ ? keyOf_(*event) : defaultVirtualKey(*event);
    if (vk != 0 && !event->isAutoRepeat()) view_.keyUp(vk, modifiersOf(event->modifiers()));
    refresh();
}

}  // namespace tarvio
