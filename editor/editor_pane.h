// The numerical editor's window content as a pane: the track's header strip, the status items
// (GATE, MIDI, Ghost), the column header and the rows with the cursor, the selection and the
// caret. It paints what the controller and the row texts say and turns the mouse into
// controller calls; the window only hosts it, answers its requests and moves itself.
//
// The rows on the screen start from the controller's cursor, whose running position (tick and
// measure) it keeps: a paint walks back at most one screen of rows from there, never the list
// from its start.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/numeric_editor.h"
#include "editor/rows.h"
#include "views/field.h"
#include "views/header_strip.h"
#include "views/pane.h"

namespace tarvio {

// Hit areas of the editor besides those of the header strip (1..11).
enum EditorArea : int {
    kAreaGateBox = 101,
    kAreaMidiBox = 102,
    kAreaGhostBox = 103,
    kAreaRows = 200,
    kAreaMoveHandle = 201,  // the top band right of the status items
    kAreaColumnHeader = 202,
};

// The geometry of the editor's content, by character height (12, 14 or 16).
struct EditorLayout {
    static constexpr int kTopBand = 48;
    static constexpr int kStatusLabelX = 235;
    static constexpr int kHandleX = 292;
    static constexpr int kColumns = 48;
    static constexpr int kStatusCharHeight = 12;  // the status items keep the small font
    // The pane: 48 characters and a pixel on either side.
    static int paneWidth(int charHeight) { return charHeight / 2 * kColumns + 2; }
    // The window's fixed width (frame and scroll bar included).
    static int frameWidth(int charHeight) { return charHeight / 2 * kColumns + 32; }
    static int headerTop() { return kTopBand; }
    static int rowsTop(int charHeight) { return kTopBand + charHeight + 2; }
    // (height - 64) / row height, at least 2.
    static int visibleRows(int paneHeight, int charHeight) {
        const int n = (paneHeight - 64) / std::max(1, charHeight);
        return n < 2 ? 2 : n;
    }
    static Rect gateBox() { return {260, 1, 27, 15}; }
    static Rect midiBox() { return {260, 16, 27, 15}; }
    static Rect ghostBox() { return {266, 31, 21, 15}; }
    // The cursor column under a character column: 11..22 data, 23..32 step, 33..40 gate or
    // first value, 41..46 velocity or last value; -1 elsewhere (the column stays).
    static int cursorColumnAt(int charColumn);
    // The caret's character column for a cursor column.
    static int caretColumn(int cursorColumn);
};

// Where a dragged editor window goes: its position at the press plus the mouse's movement; a
// coordinate within 9 of 0 becomes 0, and a right or bottom edge within 10 of the client
// area's edge (either side) is placed 4 pixels inside it. The size stays.
Point snapEditorWindow(Point start, Point moved, int windowWidth, int windowHeight, int clientWidth, int clientHeight);

// The texts of the status items.
std::string gateRateText(int rate);     // "%3d%%" or "%4d" below 0
std::string midiModeText(int mode);     // "----", "NOTE", ...
std::string ghostText(bool on);         // " ON" or "OFF"

class EditorPane : public Pane {
public:
    struct Callbacks {
        std::function<void(const EditorRequest&)> request;    // a dialog or list to show
        std::function<void(const StripCommand&)> strip;       // a header-strip edit to carry out
        std::function<void()> moveStart;                       // a window move begins (left press)
        std::function<void(Point)> contextMenu;                // right button released, root point
        std::function<void()> changed;                         // the controller may have changed
    };

    EditorPane(NumericEditor& editor, const std::array<std::string, 128>* controllerNames);
    ~EditorPane() override;

    NumericEditor& editor() const { return *editor_; }
    HeaderStrip& strip() const { return *strip_; }
    void setCallbacks(Callbacks c) { cb_ = std::move(c); }
    void setStripNames(StripNames names);
    // After the list changed (retargeting, a switch of track): the strip shows it.
    void listChanged();

    int charHeight() const { return editor_->charHeight(); }
    // Sizes the pane and tells the controller how many rows it shows.
    void setSize(int w, int h) override;
    int visibleRowCount() const { return EditorLayout::visibleRows(height(), charHeight()); }

    // The rows on the screen, each with its controller row.
    struct Shown {
        rows::Row row;
        int64_t editorRow = 0;
    };
    const std::vector<Shown>& shownRows() const;
    // The screen row of the cursor, -1 when it is not shown.
    int cursorScreenRow() const;
    // The controller row under a point of the rows area (clamped to the end row).
    int64_t editorRowAt(Point p) const;
    // The in-place gate-rate field, when open.
    const EditField* gateField() const { return gateField_ ? &*gateField_ : nullptr; }

    int hitTest(Point p, Rect* out = nullptr) const override;
    void draw(Painter& painter) override;
    bool leftDown(Point p) override;
    bool leftUp(Point p) override;
    bool mouseMove(Point p) override;
    bool leftDouble(Point p) override;
    bool rightDown(Point p) override;
    bool rightUp(Point p) override;
    bool middleDown(Point p) override;
    bool wheel(Point p, int delta) override;
    bool key(int virtualKey) override;
    bool typed(std::string_view utf8) override;
    void focusLost() override;

    // Runs an editor action from a menu.
    void runAction(int code);
    // Hands a request's outcome back to the controller (and shows what it asks next).
    void complete(const EditorResult& result);

private:
    void recompute() const;
    void handle(const EditorRequest& r);
    void notify();
    void closeGateField(bool writeBack);
    void drawStatus(Painter& p);
    void drawRows(Painter& p);
    void onStrip(const StripCommand& c);

    NumericEditor* editor_;
    const std::array<std::string, 128>* names_;
    HeaderStrip* strip_;
    Callbacks cb_;
    std::optional<EditField> gateField_;
    bool dragging_ = false;
    int64_t dragRow_ = -1;
    mutable std::vector<Shown> shown_;
};

}  // namespace tarvio
