// The clipboard block for events ("tarvio sequence"): u32 mode (1 one list, 2 several),
// u32 list count, then per list a u32 event count and that many events in flat form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/event_list.h"

namespace tarvio {

inline constexpr const char* kClipboardFormat = "tarvio sequence";
inline constexpr uint32_t kClipboardOneList = 1;
inline constexpr uint32_t kClipboardSeveralLists = 2;

std::vector<uint8_t> encodeClipboard(const std::vector<EventList>& lists);

// Decodes a whole block into lists of events with serial 0 (they get fresh serials when
// inserted). Fails, leaving lists empty, on an unknown mode, a mode that disagrees with the
// list count, a truncated record or trailing bytes.
bool decodeClipboard(const uint8_t* data, size_t size, std::vector<EventList>& lists);

}  // namespace tarvio
