#include "views/pane.h"

namespace tarvio {

Pane::~Pane() {
    if (PaneOwner* o = owner()) o->paneGone(*this);
    // Children go first, while their parent is still whole enough to name the owner.
    children_.clear();
}

Pane& Pane::addChild(std::unique_ptr<Pane> child) {
    child->setParent(this);
    children_.push_back(std::move(child));
    return *children_.back();
}

PaneOwner* Pane::owner() const {
    const Pane* p = this;
    while (p->parent_ && !p->owner_) p = p->parent_;
    return p->owner_;
}

Point Pane::rootOrigin() const {
    Point o;
    for (const Pane* p = this; p; p = p->parent_) {
        o.x += p->position().x;
        o.y += p->position().y;
    }
    return o;
}

int Pane::hitTest(Point, Rect* out) const {
    if (out) *out = {};
    return 0;
}

void Pane::drawChildren(Painter& painter) {
    for (auto& c : children_) {
        const Rect r = c->rect();
        painter.save();
        painter.clip(r);
        painter.translate(r.x, r.y);
        c->draw(painter);
        painter.restore();
    }
}

bool Pane::mouse(MouseEvent e, Point p, int delta) {
    switch (e) {
    case MouseEvent::Move: return mouseMove(p);
    case MouseEvent::LeftDown: return leftDown(p);
    case MouseEvent::LeftUp: return leftUp(p);
    case MouseEvent::LeftDouble: return leftDouble(p);
    case MouseEvent::RightDown: return rightDown(p);
    case MouseEvent::RightUp: return rightUp(p);
    case MouseEvent::RightDouble: return rightDouble(p);
    case MouseEvent::MiddleDown: return middleDown(p);
    case MouseEvent::MiddleUp: return middleUp(p);
    case MouseEvent::Wheel: return wheel(p, delta);
    }
    return false;
}

bool Pane::route(MouseEvent e, Point p, int delta) {
    for (auto& c : children_) {
        const Rect r = c->rect();
        if (r.contains(p) && c->mouse(e, {p.x - r.x, p.y - r.y}, delta)) return true;
    }
    return false;
}

unsigned Pane::mods() const {
    const PaneOwner* o = owner();
    return o ? o->modifiers() : 0;
}

void Pane::requestRedraw() const {
    if (PaneOwner* o = owner()) o->redraw(*this);
}

// ---- PaneView ----

PaneView::PaneView(std::unique_ptr<Pane> root) { setRoot(std::move(root)); }

PaneView::~PaneView() {
    // The tree first: a pane that opened the pop-up closes it on its way out.
    root_.reset();
    popup_.reset();
    closed_.clear();
}

void PaneView::setRoot(std::unique_ptr<Pane> root) {
    captured_ = focus_ = nullptr;
    root_ = std::move(root);
    if (root_) root_->setOwner(this);
    redraw_ = true;
}

void PaneView::setFocus(Pane* pane) {
    if (focus_ == pane) return;
    Pane* old = focus_;
    focus_ = pane;
    if (old) old->focusLost();
}

void PaneView::paneGone(const Pane& pane) {
    if (captured_ == &pane) captured_ = nullptr;
    if (focus_ == &pane) focus_ = nullptr;
}

void PaneView::openPopup(std::unique_ptr<Pane> popup) {
    closePopup();
    popup_ = std::move(popup);
    popup_->setOwner(this);
    setFocus(popup_.get());
    redraw_ = true;
}

void PaneView::closePopup() {
    if (!popup_) return;
    if (focus_ == popup_.get()) focus_ = nullptr;
    if (captured_ == popup_.get()) captured_ = nullptr;
    closed_.push_back(std::move(popup_));
    redraw_ = true;
}

bool PaneView::deliver(MouseEvent e, Point p, int delta) {
    if (captured_ && !isPress(e)) {
        const Point o = captured_ == popup_.get() ? captured_->position() : captured_->rootOrigin();
        return captured_->mouse(e, {p.x - o.x, p.y - o.y}, delta);
    }
    if (popup_ && popup_->rect().contains(p)) {
        const Rect r = popup_->rect();
        return popup_->mouse(e, {p.x - r.x, p.y - r.y}, delta);
    }
    if (isPress(e)) {
        // A press elsewhere closes what is open over the tree and takes the focus from a pane
        // that is not under it.
        if (Pane* pop = popup_.get()) {
            closePopup();
            pop->focusLost();
        }
        if (focus_ && !Rect{focus_->rootOrigin().x, focus_->rootOrigin().y, focus_->width(), focus_->height()}.contains(p))
            setFocus(nullptr);
    }
    if (!root_) return false;
    const Rect r = root_->rect();
    return r.contains(p) && root_->mouse(e, {p.x - r.x, p.y - r.y}, delta);
}

bool PaneView::mouse(MouseEvent e, Point p, unsigned modifiers, int delta) {
    modifiers_ = modifiers;
    const bool handled = deliver(e, p, delta);
    if (e == MouseEvent::LeftUp || e == MouseEvent::RightUp || e == MouseEvent::MiddleUp) captured_ = nullptr;
    closed_.clear();
    return handled;
}

bool PaneView::key(int virtualKey, unsigned modifiers) {
    modifiers_ = modifiers;
    bool handled = focus_ && focus_->key(virtualKey);
    if (!handled && root_ && focus_ != root_.get()) handled = root_->key(virtualKey);
    closed_.clear();
    return handled;
}

bool PaneView::keyUp(int virtualKey, unsigned modifiers) {
    modifiers_ = modifiers;
    bool handled = focus_ && focus_->keyUp(virtualKey);
    if (!handled && root_ && focus_ != root_.get()) handled = root_->keyUp(virtualKey);
    return handled;
}

bool PaneView::typed(std::string_view utf8, unsigned modifiers) {
    modifiers_ = modifiers;
    bool handled = focus_ && focus_->typed(utf8);
    if (!handled && root_ && focus_ != root_.get()) handled = root_->typed(utf8);
    closed_.clear();
    return handled;
}

void PaneView::paint(Painter& painter) {
    redraw_ = false;
    for (Pane* p : {root_.get(), popup_.get()}) {
        if (!p) continue;
        const Rect r = p->rect();
        painter.save();
        painter.clip(r);
        painter.translate(r.x, r.y);
        p->draw(painter);
        painter.restore();
    }
}

}  // namespace tarvio
