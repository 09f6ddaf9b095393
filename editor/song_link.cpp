#include "editor/song_link.h"

namespace tarvio::songlink {

namespace {
std::optional<int64_t> g_position;
}

void publish(int64_t position) { g_position = position; }
std::optional<int64_t> position() { return g_position; }
void clear() { g_position.reset(); }

}  // namespace tarvio::songlink
