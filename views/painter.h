// Drawing for panes without a window system: rectangles, lines and text in a fixed-pitch font,
// each in a colour given by role or as RGB, under a stack of origins and clip rectangles.
// A widget supplies the device; RecordingPainter keeps the calls so that tests read them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// x, y, width, height; contains [x, x + w) x [y, y + h).
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
    int right() const { return x + w; }   // one past the last column
    int bottom() const { return y + h; }  // one past the last row
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(Point p) const { return p.x >= x && p.x < right() && p.y >= y && p.y < bottom(); }
    Rect translated(int dx, int dy) const { return {x + dx, y + dy, w, h}; }
    Rect intersected(const Rect& o) const;
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The colours the panes name by role; the palette maps them to RGB in one place.
enum class ColorRole : uint8_t {
    Background,
    StripFace,        // a normal track's header strip
    TempoStripFace,   // the tempo track's
    PhraseStripFace,  // a phrase's
    SelectedFace,     // the strip of the selected row
    StripText,
    StripShadow,
    Label,            // "PORT", "CH.", "BANK SET"
    CellFace,
    CellText,
    ButtonFace,
    ButtonText,
    ButtonLight,      // the raised edge
    ButtonDark,       // the sunken edge
    MuteOn,
    SoloOn,
    RecordOn,
    MixOn,
    FieldFace,        // an in-place field or list
    FieldText,
    FieldHighlight,   // the chosen list entry
    FieldHighlightText,
    Caret,
    Count
};

Rgb defaultRgb(ColorRole role);

struct Color {
    bool isRole = true;
    ColorRole role = ColorRole::Background;
    Rgb rgb;
    Color() = default;
    Color(ColorRole r) : role(r) {}  // NOLINT: a role is a colour
    static Color of(uint8_t r, uint8_t g, uint8_t b) {
        Color c;
        c.isRole = false;
        c.rgb = {r, g, b};
        return c;
    }
    Rgb resolve() const { return isRole ? defaultRgb(role) : rgb; }
    bool operator==(const Color& o) const {
        return isRole == o.isRole && (isRole ? role == o.role : rgb == o.rgb);
    }
};

// Coordinates are pixels relative to the current origin; the device sees them translated and
// clipped. Text is UTF-8 drawn with its top-left corner at the point, with a transparent
// background, in the fixed-pitch font whose cell is charHeight() high and half as wide.
class Painter {
public:
    virtual ~Painter() = default;

    void fillRect(Rect r, Color c);
    void frameRect(Rect r, Color c);  // a one-pixel outline inside r
    void line(Point a, Point b, Color c);
    void text(Point topLeft, std::string_view utf8, Color c);
    // Text at a character cell: column col, row row of cells from the origin.
    void textAt(int col, int row, std::string_view utf8, Color c) {
        text({col * charWidth(), row * charHeight()}, utf8, c);
    }

    void setCharHeight(int h) { state_.charHeight = h; }
    int charHeight() const { return state_.charHeight; }
    int charWidth() const { return state_.charHeight / 2; }

    // save() pushes origin, clip and font; restore() pops them.
    void save() { stack_.push_back(state_); }
    void restore();
    void translate(int dx, int dy) {
        state_.origin.x += dx;
        state_.origin.y += dy;
    }
    // Narrows the clip to r (in current coordinates).
    void clip(Rect r);
    Point origin() const { return state_.origin; }
    Rect clipRect() const { return state_.clip; }  // in device coordinates

protected:
    // The device: coordinates already translated, clip in device coordinates.
    virtual void deviceFill(Rect r, Color c, Rect clip) = 0;
    virtual void deviceLine(Point a, Point b, Color c, Rect clip) = 0;
    virtual void deviceText(Point topLeft, std::string_view utf8, Color c, int charHeight, Rect clip) = 0;

    explicit Painter(Rect device, int charHeight = 12) {
        state_.clip = device;
        state_.charHeight = charHeight;
    }

private:
    struct State {
        Point origin;
        Rect clip;
        int charHeight = 12;
    };
    State state_;
    std::vector<State> stack_;
};

// Keeps every call in device coordinates: what a test reads instead of pixels.
class RecordingPainter : public Painter {
public:
    enum class Op : uint8_t { Fill, Line, Text };
    struct Call {
        Op op;
        Rect rect;         // Fill: the rectangle; Line: from (x, y) to (x + w, y + h); Text: the cell run
        Color color;
        std::string text;  // Text only
        int charHeight = 0;
        Rect clip;
    };

    explicit RecordingPainter(Rect device = {0, 0, 4096, 4096}, int charHeight = 12)
        : Painter(device, charHeight) {}

    const std::vector<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    // The texts in drawing order; the first text call containing needle (null when none).
    std::vector<std::string> texts() const;
    const Call* findText(std::string_view needle) const;
    // The last fill that covers the point (what shows there under any text), null when none.
    const Call* fillAt(Point p) const;

protected:
    void deviceFill(Rect r, Color c, Rect clip) override;
    void deviceLine(Point a, Point b, Color c, Rect clip) override;
    void deviceText(Point topLeft, std::string_view utf8, Color c, int charHeight, Rect clip) override;

private:
    std::vector<Call> calls_;
};

// The number of characters (code points) of UTF-8 text: its width in cells.
int utf8Length(std::string_view s);

}  // namespace tarvio
