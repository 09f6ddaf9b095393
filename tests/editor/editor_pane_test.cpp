// The editor's window content without a window: the rows it shows against the row index, the
// hit areas and what a click, a drag, the wheel and the status boxes do, and the window move's
// snapping.
#include "editor/editor_pane.h"

#include <gtest/gtest.h>

#include "app/app_settings.h"
#include "app/fake_transport.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "model/song.h"

namespace tarvio {
namespace {

Event note(int key, int step, int gate = 100) {
    Event e;
    e.setNote(uint8_t(key), 100, uint16_t(gate));
    e.step = step;
    return e;
}

struct PaneFixture : ::testing::Test {
    FakeTransport transport;
    Document doc{transport};
    KeyMap keys;
    FkeyTable fkeys = builtInFkeyTable();
    AppSettings settings;
    Track* track = nullptr;
    std::unique_ptr<NumericEditor> editor;
    PaneView view;
    EditorPane* pane = nullptr;
    std::vector<StripCommand> stripCommands;
    int moves = 0;

    void SetUp() override {
        track = &doc.song().createTrack();
        doc.song().setBeat(3, 3, 4);
    }
    void open(int height = 400) {
        editor = std::make_unique<NumericEditor>(doc, NumericEditor::Env{&keys, &fkeys, &settings, nullptr, nullptr}, 0, *track);
        auto p = std::make_unique<EditorPane>(*editor, nullptr);
        pane = p.get();
        EditorPane::Callbacks cb;
        cb.strip = [this](const StripCommand& c) { stripCommands.push_back(c); };
        cb.moveStart = [this] { ++moves; };
        pane->setCallbacks(cb);
        view.setRoot(std::move(p));
        pane->setSize(EditorLayout::paneWidth(12), height);
    }
    void fill(int n) {
        for (int i = 0; i < n; ++i) track->events.pushBack(note(40 + i % 40, i % 4 == 3 ? 0 : 240 + 60 * (i % 5)));
    }
    Point rowPoint(int screenRow, int charColumn) const {
        return {1 + charColumn * 6 + 2, EditorLayout::rowsTop(12) + screenRow * 12 + 3};
    }
    void click(Point p, unsigned mods = 0) {
        view.mouse(MouseEvent::LeftDown, p, mods);
        view.mouse(MouseEvent::LeftUp, p, mods);
    }
};

// The rows shown from the cursor's running position are those the index gives for the same
// rows, wherever the cursor went (bar lines, ghost rows, measure numbers and ticks included).
TEST_F(PaneFixture, ShownRowsMatchTheIndexAfterAnyMove) {
    fill(600);
    for (int i = 0; i < 20; ++i) track->events.pushBack(note(60, 1920 * 3));  // bar lines inside steps
    fill(100);
    open();
    const int n = pane->visibleRowCount();
    const int moves[] = {kActDown, kActPageDown, kActPageDown10, kActPageDown10, kActUp, kActPageUp, kActEnd, kActPageUp10, kActTop};
    for (bool ghost : {false, true}) {
        if (ghost) editor->action(kActGhost);
        const rows::RowIndex index({&doc.song(), track, nullptr}, {ghost, 0});
        ASSERT_EQ(editor->rowCount(), index.rowCount() + 1);
        for (int code : moves) {
            editor->action(code);
            const auto& shown = pane->shownRows();
            const auto expected = index.rows(editor->firstVisibleRow(), n);
            ASSERT_EQ(shown.size(), expected.size()) << code;
            for (size_t i = 0; i < shown.size(); ++i) {
                EXPECT_EQ(rows::cells(shown[i].row), rows::cells(expected[i])) << ghost << " action " << code << " row " << i;
                EXPECT_EQ(shown[i].row.barLineAbove, expected[i].barLineAbove) << ghost << " action " << code << " row " << i;
                EXPECT_EQ(shown[i].editorRow, editor->firstVisibleRow() + int64_t(i));
            }
            ASSERT_GE(pane->cursorScreenRow(), 0) << code;
        }
    }
}

TEST_F(PaneFixture, HitAreas) {
    open();
    EXPECT_EQ(pane->hitTest({270, 5}), kAreaGateBox);
    EXPECT_EQ(pane->hitTest({270, 20}), kAreaMidiBox);
    EXPECT_EQ(pane->hitTest({275, 35}), kAreaGhostBox);
    EXPECT_EQ(pane->hitTest({262, 35}), 0);  // the Ghost label, left of its box
    EXPECT_EQ(pane->hitTest({292, 10}), kAreaMoveHandle);
    EXPECT_EQ(pane->hitTest({100, 55}), kAreaColumnHeader);
    EXPECT_EQ(pane->hitTest(rowPoint(0, 0)), kAreaRows);
    const Rect mute = pane->strip().areaRect(kAreaMute);
    EXPECT_EQ(pane->hitTest({mute.x + 1, mute.y + 1}), kAreaMute);
    for (int c : {11, 22, 23, 32, 33, 40, 41, 46, 10, 47})
        EXPECT_EQ(EditorLayout::cursorColumnAt(c), c < 11 || c > 46 ? -1 : c <= 22 ? 0 : c <= 32 ? 1 : c <= 40 ? 2 : 3) << c;
}

// A click puts the cursor on the row and column under it; Shift extends a selection, a plain
// click ends it; a drag moves the selection's anchor while the cursor stays.
TEST_F(PaneFixture, ClicksAndDragsMoveTheCursorAndSelect) {
    fill(40);
    open();
    click(rowPoint(5, 25));
    EXPECT_EQ(editor->row(), 5);
    EXPECT_EQ(editor->column(), 1);
    click(rowPoint(8, 5));  // left of the data: the column stays
    EXPECT_EQ(editor->row(), 8);
    EXPECT_EQ(editor->column(), 1);
    EXPECT_FALSE(editor->selecting());

    click(rowPoint(12, 44), kPaneShift);
    EXPECT_TRUE(editor->selecting());
    EXPECT_EQ(editor->selectionFirst(), 8);
    EXPECT_EQ(editor->selectionLast(), 12);
    EXPECT_EQ(editor->column(), 3);
    click(rowPoint(3, 12));
    EXPECT_FALSE(editor->selecting());
    EXPECT_EQ(editor->row(), 3);

    view.mouse(MouseEvent::LeftDown, rowPoint(4, 12), 0);
    view.mouse(MouseEvent::Move, rowPoint(7, 12), 0);
    view.mouse(MouseEvent::Move, rowPoint(1000, 12), 0);  // below the rows: the end row
    EXPECT_EQ(editor->row(), 4);
    EXPECT_EQ(editor->selectionLast(), editor->rowCount() - 1);
    view.mouse(MouseEvent::Move, rowPoint(7, 12), 0);
    view.mouse(MouseEvent::LeftUp, rowPoint(7, 12), 0);
    EXPECT_EQ(editor->selectionFirst(), 4);
    EXPECT_EQ(editor->selectionLast(), 7);
    EXPECT_EQ(transport.calls.empty(), false);  // the cursor's moves located the player
}

TEST_F(PaneFixture, StatusBoxesStripAndHandle) {
    open();
    click({270, 20});
    EXPECT_EQ(editor->midiInputMode(), 1);
    click({275, 35});
    EXPECT_TRUE(editor->ghost());
    // A double-click on the gate box opens its field; typed digits and Return write it back.
    view.mouse(MouseEvent::LeftDown, {270, 5}, 0);
    view.mouse(MouseEvent::LeftUp, {270, 5}, 0);
    view.mouse(MouseEvent::LeftDouble, {270, 5}, 0);
    ASSERT_NE(pane->gateField(), nullptr);
    view.typed("-30", 0);
    view.key(kVkReturn, 0);
    EXPECT_EQ(pane->gateField(), nullptr);
    EXPECT_EQ(editor->gateRate(), -30);
    RecordingPainter painter;
    view.paint(painter);
    EXPECT_NE(painter.findText(" -30"), nullptr);
    EXPECT_NE(painter.findText(" ON"), nullptr);
    EXPECT_NE(painter.findText("NOTE"), nullptr);

    const Rect mute = pane->strip().areaRect(kAreaMute);
    click({mute.x + 2, mute.y + 2});
    ASSERT_EQ(stripCommands.size(), 1u);
    EXPECT_EQ(stripCommands[0].kind, StripCommand::Kind::ToggleMute);
    click({300, 10});
    const Rect name = pane->strip().areaRect(kAreaName);
    const Rect strip = pane->strip().rect();
    Point outside{strip.right() - 2, strip.bottom() - 2};
    if (pane->hitTest(outside) == kAreaStrip) click(outside);
    EXPECT_GE(moves, 1);
    (void)name;
}

// The wheel over the pane: 240 at once moves nine rows down when negative, one notch one row.
TEST_F(PaneFixture, WheelMovesBySquaredNotches) {
    fill(40);
    open();
    view.mouse(MouseEvent::Wheel, rowPoint(0, 12), 0, -240);
    EXPECT_EQ(editor->row(), 9);
    view.mouse(MouseEvent::Wheel, rowPoint(0, 12), 0, 120);
    EXPECT_EQ(editor->row(), 8);
    // A wheel without Shift ends a selection, with Shift extends it.
    editor->keyDown(vk::Down, true, false, false);
    ASSERT_TRUE(editor->selecting());
    view.mouse(MouseEvent::Wheel, rowPoint(0, 12), kPaneShift, -120);
    EXPECT_TRUE(editor->selecting());
    EXPECT_EQ(editor->selectionFirst(), 8);
    EXPECT_EQ(editor->selectionLast(), 10);
    view.mouse(MouseEvent::Wheel, rowPoint(0, 12), 0, -120);
    EXPECT_FALSE(editor->selecting());
}

// The cursor bar by insert mode, the typed text in the cursor's cell.
TEST_F(PaneFixture, CursorAndTypedEntryAreDrawn) {
    fill(10);
    open();
    const int y = EditorLayout::rowsTop(12) + 2 * 12 + 5;
    editor->action(kActDown);
    editor->action(kActDown);
    const rows::Rgb colours[3] = {rows::kCursorBarColor, rows::kCursorInsertColor, rows::kCursorInsertColor};
    for (int mode = 0; mode < 3; ++mode) {
        RecordingPainter painter;
        view.paint(painter);
        const auto* fill = painter.fillAt({200, y});
        const auto* top = painter.fillAt({200, y - 5});
        if (mode == 1) {
            ASSERT_NE(top, nullptr);
            EXPECT_EQ(top->color, Color::of(colours[mode].r, colours[mode].g, colours[mode].b));
            ASSERT_NE(fill, nullptr);
            EXPECT_NE(fill->color, Color::of(colours[mode].r, colours[mode].g, colours[mode].b));
        } else {
            ASSERT_NE(fill, nullptr);
            EXPECT_EQ(fill->color, Color::of(colours[mode].r, colours[mode].g, colours[mode].b)) << mode;
        }
        editor->action(kActInsertMode);
    }
    editor->action(kActRight);
    for (char c : std::string("9173")) {
        view.key(c, 0);
        view.typed(std::string(1, c), 0);
    }
    RecordingPainter painter;
    view.paint(painter);
    const auto* typed = painter.findText("9173");
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->rect.x, 1 + 29 * 6);  // right-aligned in the step's cells (23..32)
}

TEST(EditorWindowMove, SnapsToTheEdges) {
    // Left edge 7 pixels right of the client edge: x 0.
    EXPECT_EQ(snapEditorWindow({100, 100}, {-93, 0}, 300, 200, 1000, 800), (Point{0, 100}));
    EXPECT_EQ(snapEditorWindow({100, 100}, {-109, -95}, 300, 200, 1000, 800), (Point{0, 0}));
    EXPECT_EQ(snapEditorWindow({100, 100}, {-110, 0}, 300, 200, 1000, 800), (Point{-10, 100}));
    // The right edge within 10 of the client's, either side: 4 inside it.
    EXPECT_EQ(snapEditorWindow({600, 100}, {95, 0}, 300, 200, 1000, 800), (Point{696, 100}));
    EXPECT_EQ(snapEditorWindow({600, 100}, {108, 0}, 300, 200, 1000, 800), (Point{696, 100}));
    EXPECT_EQ(snapEditorWindow({600, 100}, {110, 0}, 300, 200, 1000, 800), (Point{710, 100}));
    EXPECT_EQ(snapEditorWindow({100, 500}, {0, 95}, 300, 200, 1000, 800), (Point{100, 596}));
}

TEST(EditorStatus, Texts) {
    EXPECT_EQ(gateRateText(100), "100%");
    EXPECT_EQ(gateRateText(5), "  5%");
    EXPECT_EQ(gateRateText(-30), " -30");
    EXPECT_EQ(midiModeText(6), "PVEL");
    EXPECT_EQ(ghostText(false), "OFF");
    EXPECT_EQ(EditorLayout::visibleRows(64 + 12 * 20 + 5, 12), 20);
    EXPECT_EQ(EditorLayout::visibleRows(50, 16), 2);
    EXPECT_EQ(EditorLayout::frameWidth(12), 320);
    EXPECT_EQ(EditorLayout::frameWidth(16), 416);
}

}  // namespace
}  // namespace tarvio
