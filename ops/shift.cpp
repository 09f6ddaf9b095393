#include "ops/shift.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "model/song.h"
#include "model/track.h"
#include "model/undo.h"
#include "ops/edit_scope.h"

namespace tarvio {

FieldRange shiftAmountRange(EditTarget t) {
    switch (t) {
        case EditTarget::Step:
        case EditTarget::Gate: return {-65535, 65535};
        case EditTarget::Pitch: return {-16383, 16383};
        case EditTarget::Tempo: return {-255, 255};
        default: return {-127, 127};
    }
}

FieldRange compressThresholdRange(EditTarget t) {
    switch (t) {
        case EditTarget::Step:
        case EditTarget::Gate: return {0, 65535};
        case EditTarget::Pitch: return {0, 8191};
        case EditTarget::Tempo: return {30, 240};
        default: return {0, 127};
    }
}

FieldRange editedRange(EditTarget t) {
    FieldRange r = targetRange(t);
    if (t == EditTarget::Gate || t == EditTarget::Vel) r.lo = 1;
    return r;
}

int64_t compressValue(int64_t v, int64_t threshold, int ratio, FieldRange r) {
    int64_t m = std::llabs(v);
    if (m > threshold) m = threshold + (m - threshold) * ratio / 100;
    return std::clamp(v < 0 ? -m : m, r.lo, r.hi);
}

namespace {

// A value byte of 128 or more names a register: it is no value to add to or scale.
bool holdsRegister(const Event& e, EditTarget t) {
    switch (t) {
        case EditTarget::Note: return e.b[0] >= 128;
        case EditTarget::Vel:
        case EditTarget::Pitch:
        case EditTarget::ControlChange: return e.b[1] >= 128;
        case EditTarget::Procedure: return e.b[3] >= 128;
        default: return false;
    }
}

// Exchanges step and value bytes with events found by position, walking the list once; do and
// undo are the same exchange. Positions are safe because the undo stack runs each on the list
// exactly as the other left it; the serial is checked all the same.
class SwapValuesCommand final : public EditCommand {
public:
    struct Entry {
        uint32_t index;
        uint32_t serial;
        int32_t step;
        std::array<uint8_t, 4> b;
    };
    // entries in list order
    SwapValuesCommand(Track& t, std::vector<Entry> entries) : EditCommand(t), entries_(std::move(entries)) {}
    void doIt() override { swapAll(); }
    void undo() override { swapAll(); }

private:
    void swapAll() {
        EventList& list = container_.events;
        auto it = list.begin();
        uint32_t index = 0;
        for (Entry& en : entries_) {
            for (; index < en.index && it != list.end(); ++index) ++it;
            if (it == list.end()) return;
            if (it->serial() != en.serial) continue;
            std::swap(it->step, en.step);
            std::swap(it->b, en.b);
        }
    }
    std::vector<Entry> entries_;
};

// Gives every matching event in [start, end) the value f(old value), in one undo group.
template <class F>
int changeRange(Song& song, Track& track, TargetSpec target, int64_t start, int64_t end, F&& f) {
    if (start >= end) return 0;
    std::vector<SwapValuesCommand::Entry> changes;
    Event scratch(0);  // computes the new bytes as setTargetValue writes them
    int64_t tick = 0;
    uint32_t index = 0;
    for (const Event& e : track.events) {
        if (tick >= start && tick < end && targetMatches(e, target) && !holdsRegister(e, target.target)) {
            const int64_t v = targetValue(e, target);
            if (const int64_t nv = f(v); nv != v) {
                scratch.step = e.step;
                scratch.b = e.b;
                setTargetValue(scratch, target, nv);
                changes.push_back({index, e.serial(), scratch.step, scratch.b});
            }
        }
        tick += e.step;
        ++index;
    }
    if (changes.empty()) return 0;
    const int changed = int(changes.size());
    EditScope scope(song, track);
    track.push(std::make_unique<SwapValuesCommand>(track, std::move(changes)));
    return changed;
}

}  // namespace

int shiftRange(Song& song, Track& track, TargetSpec target, int64_t amount, int64_t start, int64_t end) {
    const FieldRange a = shiftAmountRange(target.target);
    amount = std::clamp(amount, a.lo, a.hi);
    const FieldRange r = editedRange(target.target);
    return changeRange(song, track, target, start, end,
                       [&](int64_t v) { return std::clamp(v + amount, r.lo, r.hi); });
}

int compressRange(Song& song, Track& track, TargetSpec target, int64_t threshold, int ratio, int64_t start,
                  int64_t end) {
    const FieldRange th = compressThresholdRange(target.target);
    threshold = std::clamp(threshold, th.lo, th.hi);
    ratio = std::clamp(ratio, 0, kCompressRatioMax);
    const FieldRange r = editedRange(target.target);
    return changeRange(song, track, target, start, end,
                       [&](int64_t v) { return compressValue(v, threshold, ratio, r); });
}

}  // namespace tarvio
