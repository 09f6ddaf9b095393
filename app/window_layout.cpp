#include "app/window_layout.h"

#include "model/event.h"

namespace tarvio {

std::vector<uint8_t> serializeLayout(const WindowLayout& layout) {
    std::vector<uint8_t> out;
    ByteWriter w{out};
    for (const LayoutRect& r : layout.rects) {
        w.i32(r.left);
        w.i32(r.top);
        w.i32(r.right);
        w.i32(r.bottom);
    }
    return out;
}

void parseLayout(const uint8_t* data, size_t size, WindowLayout& layout) {
    ByteReader r(data, size);
    for (LayoutRect& rect : layout.rects)
        if (!r.i32(rect.left) || !r.i32(rect.top) || !r.i32(rect.right) || !r.i32(rect.bottom)) return;
}

}  // namespace tarvio
