#include "editor/editor_pane.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/keymap.h"
#include "model/song.h"

namespace tarvio {

namespace {

struct ColumnCells {
    int first, last;
};
constexpr ColumnCells kColumnCells[4] = {{11, 22}, {23, 32}, {33, 40}, {41, 46}};

constexpr Rgb kStatusLabel{192, 192, 192};
constexpr Rgb kStatusValue{255, 255, 255};
constexpr Rgb kStatusBoxFrame{110, 110, 110};
constexpr Rgb kStatusBoxFace{24, 24, 24};
constexpr Rgb kHeaderFace{36, 36, 44};
constexpr Rgb kHeaderText{200, 200, 200};
constexpr Rgb kSelectionFace{44, 44, 88};
constexpr Rgb kCaretColor{255, 255, 255};

Color rgb(Rgb c) { return Color::of(c.r, c.g, c.b); }
Color rgb(rows::Rgb c) { return Color::of(c.r, c.g, c.b); }

constexpr const char* kColumnHeader = "meas: tick data              step    gate   vel";

}  // namespace

int EditorLayout::cursorColumnAt(int charColumn) {
    for (int c = 0; c < 4; ++c)
        if (charColumn >= kColumnCells[c].first && charColumn <= kColumnCells[c].last) return c;
    return -1;
}

int EditorLayout::caretColumn(int cursorColumn) {
    if (cursorColumn <= 0) return kColumnCells[0].first;
    return kColumnCells[std::min(cursorColumn, 3)].last;
}

Point snapEditorWindow(Point start, Point moved, int windowWidth, int windowHeight, int clientWidth, int clientHeight) {
    Point p{start.x + moved.x, start.y + moved.y};
    if (p.x >= -9 && p.x <= 9) p.x = 0;
    if (p.y >= -9 && p.y <= 9) p.y = 0;
    if (std::abs(clientWidth - (p.x + windowWidth)) < 10) p.x = clientWidth - 4 - windowWidth;
    if (std::abs(clientHeight - (p.y + windowHeight)) < 10) p.y = clientHeight - 4 - windowHeight;
    return p;
}

std::string gateRateText(int rate) {
    char buf[16];
    if (rate >= 0) std::snprintf(buf, sizeof buf, "%3d%%", rate);
    else std::snprintf(buf, sizeof buf, "%4d", rate);
    return buf;
}

std::string midiModeText(int mode) {
    static const char* const names[7] = {"----", "NOTE", "VEL", "MONO", "MVEL", "POLY", "PVEL"};
    return mode >= 0 && mode < 7 ? names[mode] : "----";
}

std::string ghostText(bool on) { return on ? " ON" : "OFF"; }

// ---------------------------------------------------------------- the pane

EditorPane::EditorPane(NumericEditor& editor, const std::array<std::string, 128>* controllerNames)
    : editor_(&editor), names_(controllerNames) {
    strip_ = &emplaceChild<HeaderStrip>(Point{0, 0});
    strip_->setOnCommand([this](const StripCommand& c) { onStrip(c); });
    listChanged();
}

EditorPane::~EditorPane() = default;

void EditorPane::setStripNames(StripNames names) { strip_->setNames(std::move(names)); }

void EditorPane::listChanged() {
    const Track* list = editor_->list();
    strip_->setTrack(list ? &editor_->document().song() : nullptr, list);
    requestRedraw();
}

void EditorPane::setSize(int w, int h) {
    Pane::setSize(w, h);
    editor_->setVisibleRows(visibleRowCount());
}

// One screen of rows from the controller's first visible row, whose running position the
// controller finds from its cursor's (a screen of rows away at most).
void EditorPane::recompute() const {
    shown_.clear();
    const Track* list = editor_->list();
    if (!list) return;
    const NumericEditor::RowPlace at = editor_->placeOfRow(editor_->firstVisibleRow());
    rows::RowCursor c = rows::RowCursor::startingAt({&editor_->document().song(), list, names_},
                                                    {editor_->ghost(), editor_->inputDigit()}, at.event, at.into, at.row,
                                                    at.tick, at.measure, at.tickInMeasure, at.barLineAbove);
    const int n = visibleRowCount();
    for (int i = 0; i < n; ++i) {
        Shown& s = shown_.emplace_back();
        c.fill(s.row);
        s.editorRow = at.row + i;
        if (c.atEnd()) break;
        c.next();
    }
}

const std::vector<EditorPane::Shown>& EditorPane::shownRows() const {
    recompute();
    return shown_;
}

int EditorPane::cursorScreenRow() const {
    const auto& rows = shownRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].editorRow == editor_->row()) return int(i);
    return -1;
}

int64_t EditorPane::editorRowAt(Point p) const {
    const auto& rows = shownRows();
    if (rows.empty()) return 0;
    const int h = charHeight();
    const int dy = p.y - EditorLayout::rowsTop(h);
    const int i = dy < 0 ? -1 - (-dy - 1) / h : dy / h;
    if (i < 0) return std::max<int64_t>(0, rows.front().editorRow + i);
    if (size_t(i) >= rows.size()) return editor_->rowCount() - 1;
    return rows[size_t(i)].editorRow;
}

int EditorPane::hitTest(Point p, Rect* out) const {
    const auto give = [&](int area, Rect r) {
        if (out) *out = r;
        return area;
    };
    if (strip_->rect().contains(p)) {
        Rect r;
        const int area = strip_->hitTest({p.x - strip_->position().x, p.y - strip_->position().y}, &r);
        return give(area, r.translated(strip_->position().x, strip_->position().y));
    }
    if (EditorLayout::gateBox().contains(p)) return give(kAreaGateBox, EditorLayout::gateBox());
    if (EditorLayout::midiBox().contains(p)) return give(kAreaMidiBox, EditorLayout::midiBox());
    if (EditorLayout::ghostBox().contains(p)) return give(kAreaGhostBox, EditorLayout::ghostBox());
    const int h = charHeight();
    if (p.y >= 1 && p.y < EditorLayout::kTopBand && p.x >= EditorLayout::kHandleX)
        return give(kAreaMoveHandle, {EditorLayout::kHandleX, 1, width() - EditorLayout::kHandleX, EditorLayout::kTopBand - 1});
    if (p.y >= EditorLayout::headerTop() && p.y < EditorLayout::rowsTop(h))
        return give(kAreaColumnHeader, {0, EditorLayout::headerTop(), width(), h + 2});
    if (p.y >= EditorLayout::rowsTop(h) && p.y < height())
        return give(kAreaRows, {0, EditorLayout::rowsTop(h), width(), height() - EditorLayout::rowsTop(h)});
    return give(0, {});
}

// ---------------------------------------------------------------- drawing

void EditorPane::draw(Painter& p) {
    p.fillRect(bounds(), rgb(rows::kBackgroundColor));
    drawChildren(p);
    drawStatus(p);
    drawRows(p);
}

void EditorPane::drawStatus(Painter& p) {
    p.save();
    p.setCharHeight(EditorLayout::kStatusCharHeight);
    const auto item = [&](int y, const char* label, Rect box, const std::string& value) {
        p.text({EditorLayout::kStatusLabelX, y}, label, rgb(kStatusLabel));
        p.fillRect(box, rgb(kStatusBoxFace));
        p.frameRect(box, rgb(kStatusBoxFrame));
        p.text({box.x + 2, box.y + 1}, value, rgb(kStatusValue));
    };
    item(2, "GATE", EditorLayout::gateBox(), gateRateText(editor_->gateRate()));
    item(17, "MIDI", EditorLayout::midiBox(), midiModeText(editor_->midiInputMode()));
    item(32, "Ghost", EditorLayout::ghostBox(), ghostText(editor_->ghost()));
    if (gateField_) gateField_->draw(p, EditorLayout::gateBox());
    p.restore();
}

void EditorPane::drawRows(Painter& p) {
    const int h = charHeight(), cw = h / 2;
    p.save();
    p.setCharHeight(h);
    // The column header.
    p.fillRect({0, EditorLayout::headerTop(), width(), h + 2}, rgb(kHeaderFace));
    p.text({1, EditorLayout::headerTop() + 1}, kColumnHeader, rgb(kHeaderText));

    const int top = EditorLayout::rowsTop(h);
    p.clip({0, top, width(), std::max(0, height() - top)});
    const auto& rows = shownRows();
    const int cursorAt = cursorScreenRow();
    const bool selecting = editor_->selecting();
    const int64_t selFirst = editor_->selectionFirst(), selLast = editor_->selectionLast();
    for (size_t i = 0; i < rows.size(); ++i) {
        const Shown& s = rows[i];
        const int y = top + int(i) * h;
        const Rect band{0, y, width(), h};
        if (int(i) == cursorAt) {
            switch (editor_->insertMode()) {
            case 0: p.fillRect(band, rgb(rows::kCursorBarColor)); break;
            case 1: p.fillRect({0, y, width(), 2}, rgb(rows::kCursorInsertColor)); break;
            default: p.fillRect(band, rgb(rows::kCursorInsertColor)); break;
            }
        } else if (selecting && s.editorRow >= selFirst && s.editorRow <= selLast && s.row.kind != rows::RowKind::End) {
            p.fillRect(band, rgb(kSelectionFace));
        }
        if (s.row.barLineAbove) p.line({0, y}, {width() - 1, y}, rgb(rows::kBarLineColor));
        for (const rows::RowText& t : s.row.texts)
            p.text({1 + t.column * cw, y}, t.text(), rgb(rows::defaultColor(t.role)));
    }
    // What is being typed stands in the cursor's cell, and the caret after it.
    if (cursorAt >= 0) {
        const int y = top + cursorAt * h;
        const int col = editor_->column();
        int caret = EditorLayout::caretColumn(col);
        const TypedEntry& typed = editor_->typed();
        if (typed.active()) {
            const std::string text = typed.text();
            const ColumnCells cells = kColumnCells[std::clamp(col, 0, 3)];
            const int len = utf8Length(text);
            const int from = col == 0 ? cells.first : std::max(cells.first, cells.last - len + 1);
            p.fillRect({1 + cells.first * cw, y, (cells.last - cells.first + 1) * cw, h}, rgb(rows::kCursorInsertColor));
            p.text({1 + from * cw, y}, text, rgb(kStatusValue));
            caret = col == 0 ? std::min(cells.last, from + len) : cells.last;
        }
        p.frameRect({1 + caret * cw, y, cw, h}, rgb(kCaretColor));
    }
    p.restore();
}

// ---------------------------------------------------------------- input

void EditorPane::notify() {
    requestRedraw();
    if (cb_.changed) cb_.changed();
}

void EditorPane::handle(const EditorRequest& r) {
    if (r && cb_.request) cb_.request(r);
}

void EditorPane::runAction(int code) {
    closeGateField(true);
    handle(editor_->action(code));
    notify();
}

void EditorPane::complete(const EditorResult& result) {
    handle(editor_->complete(result));
    listChanged();
    notify();
}

void EditorPane::onStrip(const StripCommand& c) {
    if (c.kind == StripCommand::Kind::Press) {
        if ((c.area == kAreaStrip || c.area == kAreaTempoStrip) && cb_.moveStart) cb_.moveStart();
        return;
    }
    if (c.kind == StripCommand::Kind::Open) return;  // the track list's; nothing here
    if (cb_.strip) cb_.strip(c);
    notify();
}

void EditorPane::closeGateField(bool writeBack) {
    if (!gateField_) return;
    int value = 0;
    if (writeBack && gateField_->value(value)) editor_->setGateRate(value);
    gateField_.reset();
    if (PaneOwner* o = owner(); o && o->focus() == this) o->setFocus(nullptr);
    notify();
}

bool EditorPane::leftDown(Point p) {
    const int area = hitTest(p);
    if (area != kAreaGateBox) closeGateField(true);
    if (strip_->rect().contains(p)) return strip_->leftDown({p.x - strip_->position().x, p.y - strip_->position().y});
    switch (area) {
    case kAreaGateBox: return true;
    case kAreaMidiBox: runAction(kActMidiInputNext); return true;
    case kAreaGhostBox: runAction(kActGhost); return true;
    case kAreaMoveHandle:
        if (cb_.moveStart) cb_.moveStart();
        return true;
    case kAreaRows: {
        const int col = EditorLayout::cursorColumnAt((p.x - 1) / std::max(1, charHeight() / 2));
        const int64_t row = editorRowAt(p);
        editor_->pointAt(row, col, shiftHeld());
        dragging_ = true;
        dragRow_ = row;
        if (PaneOwner* o = owner()) o->capture(this);
        notify();
        return true;
    }
    default: return area != 0;
    }
}

bool EditorPane::mouseMove(Point p) {
    if (!dragging_) return false;
    const int64_t row = editorRowAt(p);
    if (row != dragRow_) {
        dragRow_ = row;
        editor_->dragAnchorTo(row);
        notify();
    }
    return true;
}

bool EditorPane::leftUp(Point) {
    const bool was = dragging_;
    dragging_ = false;
    if (was)
        if (PaneOwner* o = owner()) o->capture(nullptr);
    return was;
}

bool EditorPane::leftDouble(Point p) {
    const int area = hitTest(p);
    if (area != kAreaGateBox) closeGateField(true);
    if (strip_->rect().contains(p)) return strip_->leftDouble({p.x - strip_->position().x, p.y - strip_->position().y});
    switch (area) {
    case kAreaGateBox:
        if (!gateField_) {
            gateField_ = EditField::number(editor_->gateRate(), -999, 999);
            if (PaneOwner* o = owner()) o->setFocus(this);
            notify();
        }
        return true;
    case kAreaMidiBox:
    case kAreaGhostBox:
    case kAreaRows: return leftDown(p);  // the second press of a double-click acts as a press
    default: return area != 0;
    }
}

bool EditorPane::rightDown(Point p) {
    closeGateField(true);
    strip_->closeField(true);
    (void)p;
    return true;
}

bool EditorPane::middleDown(Point p) { return rightDown(p); }

bool EditorPane::rightUp(Point p) {
    if (cb_.contextMenu) cb_.contextMenu(p);
    return true;
}

bool EditorPane::wheel(Point, int delta) {
    editor_->wheel(delta, shiftHeld());
    notify();
    return true;
}

bool EditorPane::key(int virtualKey) {
    if (gateField_) {
        switch (gateField_->key(virtualKey)) {
        case EditField::Result::Commit: closeGateField(true); break;
        case EditField::Result::Cancel: closeGateField(false); break;
        default: notify(); break;
        }
        return true;
    }
    handle(editor_->keyDown(virtualKey, shiftHeld(), ctrlHeld(), altHeld()));
    notify();
    return true;
}

bool EditorPane::typed(std::string_view utf8) {
    if (gateField_) {
        gateField_->typed(utf8);
        notify();
        return true;
    }
    for (char c : utf8)
        if (uint8_t(c) < 0x80) editor_->character(c, altHeld());
    notify();
    return true;
}

void EditorPane::focusLost() { closeGateField(true); }

}  // namespace tarvio
