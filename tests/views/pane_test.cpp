// The pane tree: routing of mouse events and keys, coordinates, capture, focus and pop-ups,
// and drawing through the recording painter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "views/field.h"
#include "views/pane.h"

namespace tarvio {
namespace {

// A pane that logs what reaches it and handles the events in `takes`.
struct Probe : Pane {
    Probe(std::string n, Rect r, std::vector<MouseEvent> takes = {}) : Pane(r), name(std::move(n)), takes(std::move(takes)) {}
    std::string name;
    std::vector<MouseEvent> takes;
    std::vector<std::string>* log = nullptr;
    int lost = 0;

    bool got(MouseEvent e, Point p) {
        if (log) log->push_back(name + "@" + std::to_string(p.x) + "," + std::to_string(p.y));
        for (MouseEvent t : takes)
            if (t == e) return true;
        return false;
    }
    bool leftDown(Point p) override { return got(MouseEvent::LeftDown, p) || route(MouseEvent::LeftDown, p, 0); }
    bool mouseMove(Point p) override { return got(MouseEvent::Move, p) || route(MouseEvent::Move, p, 0); }
    bool leftUp(Point p) override { return got(MouseEvent::LeftUp, p) || route(MouseEvent::LeftUp, p, 0); }
    bool key(int vk) override {
        if (log) log->push_back(name + " key " + std::to_string(vk));
        return vk == 'K';
    }
    void focusLost() override { ++lost; }
    void draw(Painter& p) override {
        p.fillRect({0, 0, 1000, 1000}, ColorRole::StripFace);
        drawChildren(p);
    }
};

struct Tree {
    std::vector<std::string> log;
    PaneView view;
    Probe *root, *a, *b, *inner;
    Tree() {
        auto r = std::make_unique<Probe>("root", Rect{0, 0, 400, 300});
        root = r.get();
        a = &r->emplaceChild<Probe>("a", Rect{10, 10, 50, 50}, std::vector{MouseEvent::LeftDown});
        b = &r->emplaceChild<Probe>("b", Rect{30, 30, 100, 100}, std::vector{MouseEvent::LeftDown, MouseEvent::Move});
        inner = &b->emplaceChild<Probe>("inner", Rect{50, 50, 20, 20}, std::vector{MouseEvent::LeftUp});
        for (Probe* p : {root, a, b, inner}) p->log = &log;
        view.setRoot(std::move(r));
    }
};

TEST(Panes, MouseGoesToTheChildrenUnderThePointInOrderUntilOneHandlesIt) {
    Tree t;
    // Both children lie under (40, 40); the first one takes the press, the second never sees it.
    EXPECT_TRUE(t.view.mouse(MouseEvent::LeftDown, {40, 40}, 0));
    EXPECT_EQ(t.log, (std::vector<std::string>{"root@40,40", "a@30,30"}));
    // The first declines a move, so the second gets it in its own coordinates.
    t.log.clear();
    EXPECT_TRUE(t.view.mouse(MouseEvent::Move, {40, 40}, 0));
    EXPECT_EQ(t.log, (std::vector<std::string>{"root@40,40", "a@30,30", "b@10,10"}));
    // A grandchild gets the point relative to itself; nothing takes a point over no child.
    t.log.clear();
    EXPECT_TRUE(t.view.mouse(MouseEvent::LeftUp, {85, 85}, 0));
    EXPECT_EQ(t.log.back(), "inner@5,5");
    EXPECT_FALSE(t.view.mouse(MouseEvent::LeftUp, {300, 250}, 0));
    EXPECT_FALSE(t.view.mouse(MouseEvent::LeftDown, {500, 10}, 0));  // outside the root
}

TEST(Panes, ACapturedPaneGetsMovesAndTheReleaseWhereverTheMouseIs) {
    Tree t;
    t.view.capture(t.inner);
    t.view.mouse(MouseEvent::Move, {0, 0}, 0);
    EXPECT_EQ(t.log, (std::vector<std::string>{"inner@-80,-80"}));
    EXPECT_TRUE(t.view.mouse(MouseEvent::LeftUp, {90, 0}, 0));
    EXPECT_EQ(t.view.captured(), nullptr);  // the release ends the capture
    t.log.clear();
    t.view.mouse(MouseEvent::Move, {0, 0}, 0);
    EXPECT_EQ(t.log.front(), "root@0,0");
}

TEST(Panes, KeysGoToTheFocusThenTheRootAndAPressElsewhereTakesTheFocus) {
    Tree t;
    t.view.setFocus(t.b);
    EXPECT_TRUE(t.view.key('K', 0));
    EXPECT_EQ(t.log, (std::vector<std::string>{"b key 75"}));
    t.log.clear();
    EXPECT_FALSE(t.view.key('J', kPaneShift));
    EXPECT_EQ(t.log, (std::vector<std::string>{"b key 74", "root key 74"}));
    EXPECT_TRUE(t.inner->shiftHeld());
    EXPECT_FALSE(t.inner->ctrlHeld());
    t.view.mouse(MouseEvent::LeftDown, {100, 100}, 0);  // inside b: it keeps the focus
    EXPECT_EQ(t.view.focus(), t.b);
    t.view.mouse(MouseEvent::LeftDown, {300, 250}, 0);
    EXPECT_EQ(t.view.focus(), nullptr);
    EXPECT_EQ(t.b->lost, 1);
}

TEST(Panes, ChildrenDrawTranslatedAndClippedAndAPopupDrawsOverThem) {
    Tree t;
    t.view.openPopup(std::make_unique<Probe>("pop", Rect{200, 200, 40, 40}, std::vector{MouseEvent::LeftDown}));
    RecordingPainter p;
    t.view.paint(p);
    ASSERT_EQ(p.calls().size(), 5u);
    EXPECT_EQ(p.calls()[3].rect, (Rect{80, 80, 1000, 1000}));  // inner, at its root origin
    EXPECT_EQ(p.calls()[3].clip, (Rect{80, 80, 20, 20}));
    EXPECT_EQ(p.calls()[4].clip, (Rect{200, 200, 40, 40}));    // the pop-up, last
    EXPECT_EQ(p.fillAt({210, 210}), &p.calls()[4]);

    // The pop-up takes the mouse over it; a press elsewhere closes it and goes on to the tree.
    auto* pop = static_cast<Probe*>(t.view.popup());
    pop->log = &t.log;
    EXPECT_TRUE(t.view.mouse(MouseEvent::LeftDown, {205, 210}, 0));
    EXPECT_EQ(t.log, (std::vector<std::string>{"pop@5,10"}));
    EXPECT_EQ(t.view.focus(), pop);
    EXPECT_TRUE(t.view.mouse(MouseEvent::LeftDown, {40, 40}, 0));
    EXPECT_EQ(t.view.popup(), nullptr);
    EXPECT_EQ(t.view.focus(), nullptr);
}

TEST(Panes, ListPopupMovesConfirmsAndCancels) {
    PaneView view(std::make_unique<Probe>("root", Rect{0, 0, 400, 400}));
    std::vector<int> done;
    auto open = [&](int current) {
        std::vector<std::string> rows;
        for (int i = 0; i < 30; ++i) rows.push_back("row " + std::to_string(i));
        view.openPopup(std::make_unique<ListPopup>(Rect{0, 0, 100, 0}, rows, current, 12,
                                                   [&](bool ok, int i) { done.push_back(ok ? i : -1); }));
        return static_cast<ListPopup*>(view.popup());
    };
    ListPopup* list = open(28);
    EXPECT_EQ(list->height(), 10 * 14 + 2);
    EXPECT_EQ(list->firstVisible(), 19);  // the current row is in sight
    view.key(kVkDown, 0);
    view.key(kVkDown, 0);  // stays on the last row
    view.key(kVkReturn, 0);
    EXPECT_EQ(done, (std::vector<int>{29}));
    EXPECT_EQ(view.popup(), nullptr);

    open(3);
    view.key(kVkUp, 0);
    view.key(kVkEscape, 0);
    open(0);
    view.mouse(MouseEvent::LeftDown, {5, 1 + 2 * 14 + 3}, 0);  // the third row
    open(5);
    view.mouse(MouseEvent::LeftDown, {300, 300}, 0);  // closing by a press elsewhere confirms
    EXPECT_EQ(done, (std::vector<int>{29, -1, 2, 5}));
}

TEST(Panes, EditFieldsTypeClampAndRefuse) {
    EditField n = EditField::number(5, 1, 16);
    n.typed("9");  // replaces the shown value
    n.typed("9");
    n.typed("9");  // two digits at most
    int v = 0;
    ASSERT_TRUE(n.value(v));
    EXPECT_EQ(n.text(), "99");
    EXPECT_EQ(v, 16);
    n.key(kVkBack);
    n.key(kVkBack);
    EXPECT_FALSE(n.value(v));  // empty: nothing to write
    n.typed("x-0");
    ASSERT_TRUE(n.value(v));
    EXPECT_EQ(v, 1);
    EXPECT_EQ(n.key(kVkUp), EditField::Result::Changed);
    n.value(v);
    EXPECT_EQ(v, 2);

    EditField s = EditField::number(-30, -999, 999);
    s.typed("-1234");
    s.value(v);
    EXPECT_EQ(v, -123);

    EditField t = EditField::text("ピアノ", 4);
    t.key(kVkLeft);
    t.typed("ab");  // the fourth character fits, the fifth does not
    EXPECT_EQ(t.text(), "ピアaノ");
    EXPECT_EQ(t.key(kVkReturn), EditField::Result::Commit);
    EXPECT_EQ(t.key(kVkEscape), EditField::Result::Cancel);
}

}  // namespace
}  // namespace tarvio
