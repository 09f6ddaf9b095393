#include "ops/clipboard.h"

namespace tarvio {

std::vector<uint8_t> encodeClipboard(const std::vector<EventList>& lists) {
    std::vector<uint8_t> out;
    ByteWriter w{out};
    w.u32(lists.size() == 1 ? kClipboardOneList : kClipboardSeveralLists);
    w.u32(uint32_t(lists.size()));
    for (const EventList& l : lists) {
        w.u32(uint32_t(l.size()));
        for (const Event& e : l) encodeFlatForm(e, out);
    }
    return out;
}

bool decodeClipboard(const uint8_t* data, size_t size, std::vector<EventList>& lists) {
    lists.clear();
    if (!data) return false;
    ByteReader r(data, size);
    uint32_t mode = 0, count = 0;
    if (!r.u32(mode) || !r.u32(count)) return false;
    if (mode != kClipboardOneList && mode != kClipboardSeveralLists) return false;
    if (mode == kClipboardOneList && count != 1) return false;
    // Every list needs at least its count word: a count beyond that is a lie, not a reason to reserve.
    if (count > r.remaining() / 4) return false;
    std::vector<EventList> result;
    result.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t n = 0;
        if (!r.u32(n)) return false;
        // The smallest flat record is 6 bytes.
        if (n > r.remaining() / 6) return false;
        EventList& l = result.emplace_back();
        for (uint32_t k = 0; k < n; ++k) {
            Event e(0);
            if (!decodeFlatForm(r, e)) return false;
            l.pushBack(std::move(e));
        }
    }
    if (!r.atEnd()) return false;
    lists = std::move(result);
    return true;
}

}  // namespace tarvio
