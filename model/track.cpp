#include "model/track.h"

#include <cstdio>
#include <cstddef>
#include <cstring>

#include "model/undo.h"
#include "plugin/tarvio_plugin.h"

namespace tarvio {

std::string defaultTrackName(uint32_t number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Track %3u", number);
    return buf;
}

Track::Track(Song* owner_, TrackType type_, uint32_t number_) : owner(owner_), number(number_), type(type_) {
    name = type_ == TrackType::TempoTrack ? "Tempo Trk." : defaultTrackName(number_);
}

// The model's block is handed to plug-ins as it is.
static_assert(sizeof(ParameterBlock) == sizeof(TarvioParameterBlock));
static_assert(alignof(ParameterBlock) == alignof(TarvioParameterBlock));
static_assert(offsetof(ParameterBlock, count) == offsetof(TarvioParameterBlock, count));
static_assert(offsetof(ParameterBlock, records) == offsetof(TarvioParameterBlock, records));
static_assert(sizeof(ParameterRecord) == sizeof(TarvioParameterRecord));

const ParameterBlock& PluginSlot::params() const {
    static const ParameterBlock empty{};
    return block ? *block : empty;
}

ParameterBlock& PluginSlot::ensureBlock() {
    if (!block) block = std::make_unique<ParameterBlock>();
    return *block;
}

void PluginSlot::releaseInstance() {
    TarvioPluginInstance* inst = instance;
    instance = nullptr;
    if (inst) inst->ops->release(inst);
}

void PluginSlot::clear() {
    releaseInstance();
    name.clear();
    block.reset();
}

void PluginSlot::setBlock(const ParameterBlock& b) {
    std::memcpy(&ensureBlock(), &b, sizeof(ParameterBlock));
    if (instance) instance->ops->setParameters(instance, reinterpret_cast<const TarvioParameterBlock*>(block.get()));
}

Track::~Track() = default;

void Track::setSlotBlock(int s, const ParameterBlock& block) {
    if (s < 0 || s > 3) return;
    slots[s].setBlock(block);
}

}  // namespace tarvio
