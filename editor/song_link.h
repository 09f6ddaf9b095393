// The song position that the numerical editors share when global link is on: the editor whose
// cursor moves publishes its song position, and the others take it on their next timer tick.
// Process-wide and used from the user-interface thread only.
#pragma once

#include <cstdint>
#include <optional>

namespace tarvio::songlink {

void publish(int64_t position);
// The last published position; none before the first publication (or after clear()).
std::optional<int64_t> position();
void clear();

}  // namespace tarvio::songlink
