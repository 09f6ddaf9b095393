// The pane tree that the editors draw with: a view owns one root pane, a pane owns its children,
// and every mouse event, key and paint enters at the root. A pane's rectangle is relative to
// its parent; each mouse operation gets the point relative to the pane and says whether it
// handled the event. By default a pane offers a mouse event to the children under the point, in
// order, and stops at the first that handles it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "views/painter.h"

namespace tarvio {

class Pane;

// Held modifier keys, as panes see them (the key map counts its modifier states otherwise).
enum Modifier : unsigned { kPaneShift = 1, kPaneCtrl = 2, kPaneAlt = 4 };

enum class MouseEvent : uint8_t {
    Move,
    LeftDown,
    LeftUp,
    LeftDouble,
    RightDown,
    RightUp,
    RightDouble,
    MiddleDown,
    MiddleUp,
    Wheel,
};

inline bool isPress(MouseEvent e) {
    return e == MouseEvent::LeftDown || e == MouseEvent::RightDown || e == MouseEvent::MiddleDown ||
           e == MouseEvent::LeftDouble || e == MouseEvent::RightDouble;
}

// What a pane asks of the view that owns its tree.
class PaneOwner {
public:
    virtual ~PaneOwner() = default;
    virtual void redraw(const Pane& pane) = 0;
    virtual unsigned modifiers() const = 0;
    // The pane gets every mouse event until the buttons are released (a drag); null releases.
    virtual void capture(Pane* pane) = 0;
    // The pane gets the keys and typed text before the root (an open in-place field); null
    // gives them back to the root.
    virtual void setFocus(Pane* pane) = 0;
    virtual Pane* focus() const = 0;
    // The pane is being destroyed: forget it.
    virtual void paneGone(const Pane& pane) = 0;
    // A pane drawn over the tree (a drop-down list), its rectangle in the root's coordinates.
    // It gets the focus, and the mouse events over it; a press elsewhere closes it after
    // calling its focusLost(). Closing from within its own handlers is safe.
    virtual void openPopup(std::unique_ptr<Pane> popup) = 0;
    virtual void closePopup() = 0;
    virtual Pane* popup() const = 0;
};

class Pane {
public:
    explicit Pane(Rect rect = {}) : x_(rect.x), y_(rect.y), w_(rect.w), h_(rect.h) {}
    virtual ~Pane();
    Pane(const Pane&) = delete;
    Pane& operator=(const Pane&) = delete;

    // ---- the tree ----
    // Appends the child (later children are offered events after earlier ones).
    virtual Pane& addChild(std::unique_ptr<Pane> child);
    template <class P, class... Args>
    P& emplaceChild(Args&&... args) {
        return static_cast<P&>(addChild(std::make_unique<P>(std::forward<Args>(args)...)));
    }
    virtual void setParent(Pane* parent) { parent_ = parent; }
    Pane* parent() const { return parent_; }
    const std::vector<std::unique_ptr<Pane>>& children() const { return children_; }
    // The root's owner, for every pane of the tree.
    PaneOwner* owner() const;
    void setOwner(PaneOwner* owner) { owner_ = owner; }

    // ---- geometry (relative to the parent) ----
    virtual void setSize(int w, int h) {
        w_ = w;
        h_ = h;
    }
    virtual int width() const { return w_; }
    virtual int height() const { return h_; }
    virtual Point position() const { return {x_, y_}; }
    virtual void setPosition(int x, int y) {
        x_ = x;
        y_ = y;
    }
    void moveBy(int dx, int dy) { setPosition(position().x + dx, position().y + dy); }
    Rect rect() const { return {position().x, position().y, width(), height()}; }
    Rect bounds() const { return {0, 0, width(), height()}; }
    // The pane's origin in the root's coordinates.
    Point rootOrigin() const;

    // ---- hit test and drawing ----
    // The area code under p (0: none) and, when out is given, the area's rectangle.
    virtual int hitTest(Point p, Rect* out = nullptr) const;
    // Draws the pane in its own coordinates; drawChildren draws the children, each translated
    // and clipped to its rectangle.
    virtual void draw(Painter& painter) = 0;
    void drawChildren(Painter& painter);

    // ---- mouse: p relative to this pane ----
    virtual bool mouseMove(Point p) { return route(MouseEvent::Move, p, 0); }
    virtual bool leftDown(Point p) { return route(MouseEvent::LeftDown, p, 0); }
    virtual bool leftUp(Point p) { return route(MouseEvent::LeftUp, p, 0); }
    virtual bool leftDouble(Point p) { return route(MouseEvent::LeftDouble, p, 0); }
    virtual bool rightDown(Point p) { return route(MouseEvent::RightDown, p, 0); }
    virtual bool rightUp(Point p) { return route(MouseEvent::RightUp, p, 0); }
    virtual bool rightDouble(Point p) { return route(MouseEvent::RightDouble, p, 0); }
    virtual bool middleDown(Point p) { return route(MouseEvent::MiddleDown, p, 0); }
    virtual bool middleUp(Point p) { return route(MouseEvent::MiddleUp, p, 0); }
    virtual bool wheel(Point p, int delta) { return route(MouseEvent::Wheel, p, delta); }
    // Calls the operation for e.
    bool mouse(MouseEvent e, Point p, int delta = 0);

    // ---- keys ----
    bool shiftHeld() const { return (mods() & kPaneShift) != 0; }
    bool ctrlHeld() const { return (mods() & kPaneCtrl) != 0; }
    bool altHeld() const { return (mods() & kPaneAlt) != 0; }
    // A Windows virtual-key code; returns whether it was handled.
    virtual bool key(int /*virtualKey*/) { return false; }
    virtual bool keyUp(int /*virtualKey*/) { return false; }
    // Typed text (UTF-8) for a pane that holds the focus.
    virtual bool typed(std::string_view /*utf8*/) { return false; }
    // Called when the pane loses the focus to another pane or a press elsewhere.
    virtual void focusLost() {}

    void requestRedraw() const;

protected:
    // The default of every mouse operation.
    bool route(MouseEvent e, Point p, int delta);

private:
    unsigned mods() const;

    int x_, y_, w_, h_;
    Pane* parent_ = nullptr;
    PaneOwner* owner_ = nullptr;
    std::vector<std::unique_ptr<Pane>> children_;
};

// The view side of a pane tree, without a window: it owns the root, routes input to it (the
// captured pane and the focus first), remembers the modifier keys and whether a redraw is due.
// A widget feeds it events in its own pixels and paints it when redrawDue().
class PaneView : public PaneOwner {
public:
    explicit PaneView(std::unique_ptr<Pane> root = nullptr);
    ~PaneView() override;

    void setRoot(std::unique_ptr<Pane> root);
    Pane* root() const { return root_.get(); }

    // Mouse events at p (the root's coordinates). A press first takes the focus away from a
    // pane that does not lie under it (which closes an in-place field); while a pane has the
    // mouse captured, moves and releases go to it alone; a release of the last button ends
    // the capture.
    bool mouse(MouseEvent e, Point p, unsigned modifiers, int delta = 0);
    // Keys go to the focus pane, then to the root.
    bool key(int virtualKey, unsigned modifiers);
    bool keyUp(int virtualKey, unsigned modifiers);
    bool typed(std::string_view utf8, unsigned modifiers);
    void paint(Painter& painter);

    bool redrawDue() const { return redraw_; }
    bool takeRedraw() {
        const bool r = redraw_;
        redraw_ = false;
        return r;
    }

    // PaneOwner
    void redraw(const Pane&) override { redraw_ = true; }
    unsigned modifiers() const override { return modifiers_; }
    void capture(Pane* pane) override { captured_ = pane; }
    Pane* captured() const { return captured_; }
    void setFocus(Pane* pane) override;
    Pane* focus() const override { return focus_; }
    void paneGone(const Pane& pane) override;
    void openPopup(std::unique_ptr<Pane> popup) override;
    void closePopup() override;
    Pane* popup() const override { return popup_.get(); }

private:
    bool deliver(MouseEvent e, Point p, int delta);

    std::unique_ptr<Pane> root_;
    std::unique_ptr<Pane> popup_;
    std::vector<std::unique_ptr<Pane>> closed_;  // closed popups, destroyed after the event
    Pane* captured_ = nullptr;
    Pane* focus_ = nullptr;
    unsigned modifiers_ = 0;
    bool redraw_ = true;
};

}  // namespace tarvio
