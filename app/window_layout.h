// Where the child windows stood: twelve rectangles in the main window's client coordinates,
// stored in "layout.dat" (192 bytes: per rectangle i32 left, top, right, bottom).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvio {

struct LayoutRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    // A rectangle narrower than 1 leaves the placement to the frame.
    bool usable() const { return right - left >= 1; }
    bool operator==(const LayoutRect&) const = default;
};

constexpr int kLayoutRects = 12;

// The kinds of child window whose rectangle is kept.
enum class ChildWindow : uint8_t { TrackList, Editor, Grid };
constexpr size_t kLayoutFileBytes = kLayoutRects * 16;

struct WindowLayout {
    // 0: the track list; 1..10: the numerical editors of slots 0..9; 11: the grid editor.
    std::array<LayoutRect, kLayoutRects> rects{};

    LayoutRect& trackList() { return rects[0]; }
    const LayoutRect& trackList() const { return rects[0]; }
    LayoutRect& grid() { return rects[11]; }
    const LayoutRect& grid() const { return rects[11]; }
    // nullptr for a slot outside 0..9.
    LayoutRect* editor(int slot) { return slot >= 0 && slot <= 9 ? &rects[size_t(1 + slot)] : nullptr; }
    const LayoutRect* editor(int slot) const { return const_cast<WindowLayout*>(this)->editor(slot); }
    // The rectangle of a kind of window (slot: the editor slot); nullptr when none is kept.
    LayoutRect* of(ChildWindow kind, int slot = -1) {
        switch (kind) {
        case ChildWindow::TrackList: return &trackList();
        case ChildWindow::Editor: return editor(slot);
        case ChildWindow::Grid: return &grid();
        }
        return nullptr;
    }
    bool operator==(const WindowLayout&) const = default;
};

std::vector<uint8_t> serializeLayout(const WindowLayout& layout);
// Fields the data holds completely are taken; the rest keep their value.
void parseLayout(const uint8_t* data, size_t size, WindowLayout& layout);

}  // namespace tarvio
