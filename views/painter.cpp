#include "views/painter.h"

#include <algorithm>
#include <array>

namespace tarvio {

Rect Rect::intersected(const Rect& o) const {
    const int l = std::max(x, o.x), t = std::max(y, o.y);
    const int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
    return {l, t, std::max(0, r - l), std::max(0, b - t)};
}

Rgb defaultRgb(ColorRole role) {
    static constexpr std::array<Rgb, size_t(ColorRole::Count)> kPalette = {{
        {0, 0, 0},        // Background
        {60, 68, 92},     // StripFace
        {92, 60, 60},     // TempoStripFace
        {56, 88, 68},     // PhraseStripFace
        {36, 78, 140},    // SelectedFace
        {255, 255, 255},  // StripText
        {0, 0, 0},        // StripShadow
        {176, 184, 200},  // Label
        {20, 22, 30},     // CellFace
        {0, 255, 255},    // CellText
        {104, 108, 120},  // ButtonFace
        {235, 235, 235},  // ButtonText
        {168, 172, 184},  // ButtonLight
        {28, 30, 36},     // ButtonDark
        {236, 150, 30},   // MuteOn
        {70, 190, 70},    // SoloOn
        {220, 40, 40},    // RecordOn
        {200, 60, 170},   // MixOn
        {255, 255, 255},  // FieldFace
        {0, 0, 0},        // FieldText
        {0, 64, 128},     // FieldHighlight
        {255, 255, 255},  // FieldHighlightText
        {0, 0, 0},        // Caret
    }};
    const size_t i = size_t(role);
    return i < kPalette.size() ? kPalette[i] : Rgb{};
}

int utf8Length(std::string_view s) {
    int n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

void Painter::fillRect(Rect r, Color c) {
    const Rect d = r.translated(state_.origin.x, state_.origin.y);
    if (!d.intersected(state_.clip).empty()) deviceFill(d, c, state_.clip);
}

void Painter::frameRect(Rect r, Color c) {
    if (r.empty()) return;
    fillRect({r.x, r.y, r.w, 1}, c);
    fillRect({r.x, r.bottom() - 1, r.w, 1}, c);
    fillRect({r.x, r.y, 1, r.h}, c);
    fillRect({r.right() - 1, r.y, 1, r.h}, c);
}

void Painter::line(Point a, Point b, Color c) {
    const Point o = state_.origin;
    deviceLine({a.x + o.x, a.y + o.y}, {b.x + o.x, b.y + o.y}, c, state_.clip);
}

void Painter::text(Point p, std::string_view utf8, Color c) {
    if (utf8.empty()) return;
    const Rect run{p.x + state_.origin.x, p.y + state_.origin.y, utf8Length(utf8) * charWidth(), charHeight()};
    if (run.intersected(state_.clip).empty()) return;
    deviceText({run.x, run.y}, utf8, c, charHeight(), state_.clip);
}

void Painter::restore() {
    if (stack_.empty()) return;
    state_ = stack_.back();
    stack_.pop_back();
}

void Painter::clip(Rect r) { state_.clip = state_.clip.intersected(r.translated(state_.origin.x, state_.origin.y)); }

// ---- RecordingPainter ----

void RecordingPainter::deviceFill(Rect r, Color c, Rect clip) { calls_.push_back({Op::Fill, r, c, {}, 0, clip}); }

void RecordingPainter::deviceLine(Point a, Point b, Color c, Rect clip) {
    calls_.push_back({Op::Line, {a.x, a.y, b.x - a.x, b.y - a.y}, c, {}, 0, clip});
}

void RecordingPainter::deviceText(Point p, std::string_view utf8, Color c, int charHeight, Rect clip) {
    const Rect run{p.x, p.y, utf8Length(utf8) * (charHeight / 2), charHeight};
    calls_.push_back({Op::Text, run, c, std::string(utf8), charHeight, clip});
}

std::vector<std::string> RecordingPainter::texts() const {
    std::vector<std::string> out;
    for (const Call& c : calls_)
        if (c.op == Op::Text) out.push_back(c.text);
    return out;
}

const RecordingPainter::Call* RecordingPainter::findText(std::string_view needle) const {
    for (const Call& c : calls_)
        if (c.op == Op::Text && c.text.find(needle) != std::string::npos) return &c;
    return nullptr;
}

const RecordingPainter::Call* RecordingPainter::fillAt(Point p) const {
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
        if (it->op == Op::Fill && it->rect.intersected(it->clip).contains(p)) return &*it;
    return nullptr;
}

}  // namespace tarvio
