// The in-place controls of the panes: a text or number field drawn in a cell, and a drop-down
// list drawn over the tree. Keys are Windows virtual-key codes; text arrives as typed UTF-8.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "views/pane.h"

namespace tarvio {

// Virtual-key codes the controls and panes use.
enum VirtualKey : int {
    kVkBack = 0x08,
    kVkTab = 0x09,
    kVkReturn = 0x0D,
    kVkEscape = 0x1B,
    kVkPrior = 0x21,
    kVkNext = 0x22,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkDelete = 0x2E,
};

class EditField {
public:
    enum class Result { Ignored, Changed, Commit, Cancel };

    // A text of at most maxChars characters, caret at its end.
    static EditField text(std::string_view initial, int maxChars);
    // A number in [min, max]. The first typed digit replaces the shown value, as when an edit
    // control opens with its text selected.
    static EditField number(int initial, int min, int max);

    bool isNumber() const { return number_; }
    Result key(int virtualKey);
    Result typed(std::string_view utf8);

    std::string text() const;  // UTF-8
    int caret() const { return caret_; }
    // Number fields: the value to write back, clamped to the range; false when the field is
    // empty (or only a sign), which writes nothing.
    bool value(int& out) const;

    // Draws the field filling r, with the caret.
    void draw(Painter& painter, Rect r) const;

private:
    Result insert(std::u32string_view s);

    bool number_ = false;
    bool fresh_ = false;
    int min_ = 0, max_ = 0, maxChars_ = 0;
    std::u32string chars_;
    int caret_ = 0;
};

// A drop-down list: entries, the chosen one highlighted. Up/Down, PageUp/PageDown, Home/End
// move the choice; Enter or a click on an entry confirms it, Esc cancels. Closing it any other
// way (a press elsewhere) confirms the highlighted entry, as a closing in-place control writes
// back. done(confirmed, index) is called once and the list closes itself.
class ListPopup : public Pane {
public:
    using Done = std::function<void(bool confirmed, int index)>;
    static constexpr int kVisibleRows = 10;

    // rect in the root's coordinates; its height is fitted to the rows.
    ListPopup(Rect rect, std::vector<std::string> entries, int current, int charHeight, Done done);
    // A list destroyed before it was closed (another pop-up replaced it) counts as cancelled.
    ~ListPopup() override;

    int current() const { return current_; }
    int firstVisible() const { return top_; }
    const std::vector<std::string>& entries() const { return entries_; }
    int rowHeight() const { return charHeight_ + 2; }
    int visibleRows() const;

    void draw(Painter& painter) override;
    bool leftDown(Point p) override;
    bool leftDouble(Point p) override { return leftDown(p); }
    bool wheel(Point p, int delta) override;
    bool mouseMove(Point) override { return true; }
    bool leftUp(Point) override { return true; }
    bool key(int virtualKey) override;
    bool typed(std::string_view) override { return true; }
    void focusLost() override { finish(true); }
    // Closes the list, confirming the highlighted entry or not; dismiss() closes it without
    // calling done (its caller is going away).
    void close(bool confirmed) { finish(confirmed); }
    void dismiss();

private:
    void choose(int index);
    void finish(bool confirmed);

    std::vector<std::string> entries_;
    int current_ = 0, top_ = 0, charHeight_ = 12;
    Done done_;
};

std::u32string utf8Decode(std::string_view s);
std::string utf8Encode(std::u32string_view s);

}  // namespace tarvio
