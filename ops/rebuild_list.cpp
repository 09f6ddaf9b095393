#include "ops/rebuild_list.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "model/track.h"
#include "ops/edit_scope.h"

namespace tarvio {

namespace {

int64_t clampTick(int64_t t) { return std::clamp<int64_t>(t, 0, INT32_MAX); }

enum class Source : uint8_t { Kept, Moved, Created };

struct Item {
    EventList::iterator it;
    int64_t tick;
    int rank;    // 0 ahead of the kept events of its tick, 1 kept, 2 after them
    size_t seq;  // list index for kept and moved events; after all of them for created ones
    Source source;
    size_t src;  // Moved: index into taken_; Created: index into the plan's creates
};

bool before(const Item& a, const Item& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.seq < b.seq;
}

}  // namespace

void RebuildListCommand::doIt() {
    inserted_.clear();
    taken_.clear();
    steps_.clear();
    oldValues_.clear();
    if (created_.size() != plan_.creates.size() + 1) created_.assign(plan_.creates.size() + 1, 0);
    EventList& list = container_.events;

    const std::unordered_set<uint32_t> removing(plan_.remove.begin(), plan_.remove.end());
    std::unordered_map<uint32_t, int64_t> moving;
    for (const ListPlan::Move& m : plan_.moves) moving[m.serial] = clampTick(m.tick);
    std::unordered_map<uint32_t, size_t> valuing;
    for (size_t i = 0; i < plan_.values.size(); ++i) valuing[plan_.values[i].serial] = i;

    std::vector<Item> kept, placed;
    std::vector<bool> taking;  // per list index: taken out (moved or removed)
    size_t takenCount = 0, index = 0;
    int64_t tick = 0;
    for (auto it = list.begin(); it != list.end(); ++it, ++index) {
        const uint32_t serial = it->serial();
        if (auto v = valuing.find(serial); v != valuing.end() && it->b != plan_.values[v->second].b) {
            oldValues_.push_back({serial, it->b});
            it->b = plan_.values[v->second].b;
        }
        bool take = removing.count(serial) > 0;
        if (!take)
            if (auto m = moving.find(serial); m != moving.end() && m->second != tick) {
                placed.push_back({list.end(), m->second, 2, index, Source::Moved, takenCount});
                take = true;
            }
        if (take) ++takenCount;
        else kept.push_back({it, tick, 1, index, Source::Kept, 0});
        taking.push_back(take);
        tick += it->step;
    }
    const int64_t length = tick;
    if (takenCount == 0 && plan_.creates.empty()) return;

    for (size_t k = 0; k < plan_.creates.size(); ++k) {
        const ListPlan::Create& c = plan_.creates[k];
        placed.push_back({list.end(), clampTick(c.tick), c.first ? 0 : 2, index + k, Source::Created, k});
    }
    std::sort(placed.begin(), placed.end(), before);
    std::vector<Item> order;
    order.reserve(kept.size() + placed.size() + 1);
    std::merge(kept.begin(), kept.end(), placed.begin(), placed.end(), std::back_inserter(order), before);

    auto create = [&](EventList::iterator pos, const Event& content, size_t slot) {
        Event n(created_[slot]);  // the serial of the first do, so that redo finds the same events
        n.setContent(content);
        auto it = list.insert(pos, std::move(n));
        created_[slot] = it->serial();
        inserted_.push_back(it->serial());
        return it;
    };

    // Take the moved and removed events out in list order, noting what followed each ...
    size_t i = 0;
    for (auto it = list.begin(); it != list.end(); ++i) {
        if (!taking[i]) {
            ++it;
            continue;
        }
        auto next = std::next(it);
        taken_.push_back({*it, next == list.end() ? 0u : next->serial()});
        it = list.erase(it);
    }
    // ... put the moved and created ones in their places, from the end ...
    auto pos = list.end();
    for (auto o = order.rbegin(); o != order.rend(); ++o) {
        if (o->source == Source::Moved) o->it = list.insert(pos, taken_[o->src].event);
        else if (o->source == Source::Created) o->it = create(pos, plan_.creates[o->src].content, o->src);
        pos = o->it;
    }
    // ... a list starts at tick 0: a rest stands for the time before its first event ...
    if (order.empty() ? length > 0 : order.front().tick > 0) {
        Event rest(0);
        rest.setRest();
        order.insert(order.begin(), Item{create(list.begin(), rest, plan_.creates.size()), 0, 0, 0, Source::Created, 0});
    }
    // ... and make every step the distance to the next event.
    for (size_t k = 0; k < order.size(); ++k) {
        const int64_t to = k + 1 < order.size() ? order[k + 1].tick : std::max(length, order[k].tick);
        const int32_t step = int32_t(std::clamp<int64_t>(to - order[k].tick, 0, INT32_MAX));
        Event& e = *order[k].it;
        if (e.step == step) continue;
        if (order[k].source == Source::Kept) steps_.push_back({e.serial(), e.step});
        e.step = step;
    }
}

void RebuildListCommand::undo() {
    EventList& list = container_.events;
    for (uint32_t s : inserted_)
        if (auto it = list.find(s); it != list.end()) list.erase(it);
    for (const Taken& t : taken_)
        if (auto it = list.find(t.event.serial()); it != list.end()) list.erase(it);
    // From the back: each event's follower is in place before the event goes back in.
    for (auto t = taken_.rbegin(); t != taken_.rend(); ++t) list.insert(t->next ? list.find(t->next) : list.end(), t->event);
    for (auto [serial, step] : steps_)
        if (auto it = list.find(serial); it != list.end()) it->step = step;
    for (const auto& [serial, b] : oldValues_)
        if (auto it = list.find(serial); it != list.end()) it->b = b;
    inserted_.clear();
    taken_.clear();
    steps_.clear();
    oldValues_.clear();
}

const RebuildListCommand* applyPlan(Song& song, Track& track, ListPlan plan) {
    if (plan.empty()) return nullptr;
    EditScope scope(song, track);
    auto cmd = std::make_unique<RebuildListCommand>(track, std::move(plan));
    const RebuildListCommand* raw = cmd.get();
    track.push(std::move(cmd));
    return raw;
}

}  // namespace tarvio
