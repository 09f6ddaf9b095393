#include "model/track.h"

#include <cstdio>
#include <cstring>

#include "model/undo.h"

namespace tarvio {

std::string defaultTrackName(uint32_t number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Track %3u", number);
    return buf;
}

Track::Track(Song* owner_, TrackType type_, uint32_t number_) : owner(owner_), number(number_), type(type_) {
    name = type_ == TrackType::TempoTrack ? "Tempo Trk." : defaultTrackName(number_);
}

Track::~Track() = default;

void Track::setSlotBlock(int s, const ParameterBlock& block) {
    if (s < 0 || s > 3) return;
    std::memcpy(&slots[s].block, &block, sizeof(ParameterBlock));
}

}  // namespace tarvio
