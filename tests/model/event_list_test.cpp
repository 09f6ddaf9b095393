#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "model/event_list.h"

using namespace tarvio;

namespace {

EventList listOf(std::vector<int> steps) {
    EventList l;
    uint8_t n = 60;
    for (int s : steps) {
        Event e;
        e.setNote(n++, 100, 10);
        e.step = s;
        l.pushBack(e);
    }
    return l;
}

std::vector<int> steps(const EventList& l) {
    std::vector<int> v;
    for (const Event& e : l) v.push_back(e.step);
    return v;
}

}  // namespace

TEST(EventList, TicksFindAndLocate) {
    EventList l = listOf({100, 0, 50});
    std::vector<int64_t> ticks;
    for (const Event& e : l) ticks.push_back(l.tickOf(e.serial()));
    EXPECT_EQ(ticks, (std::vector<int64_t>{0, 100, 100}));
    EXPECT_EQ(l.length(), 150);
    EXPECT_EQ(l.tickOf(l.end()), 150);
    EXPECT_EQ(l.tickOf(0xFFFFFFF0u), -1);
    EventList damaged = listOf({100, -60, 50});  // a negative step counts as 0, as when played
    EXPECT_EQ(damaged.tickOf(std::next(damaged.begin(), 2)), 100);
    EXPECT_EQ(l.find(0xFFFFFFF0u), l.end());

    // At 100 the first event starting there wins, not the zero-step one's follower.
    using C = std::tuple<int64_t, int, int64_t>;  // tick, index, offset
    for (auto [tick, index, offset] : {C{0, 0, 0}, {40, 0, 40}, {100, 1, 0}, {120, 2, 20}, {150, 3, 0}, {175, 3, 25}}) {
        auto p = l.locate(tick);
        EXPECT_EQ(p.it, std::next(l.begin(), index)) << tick;
        EXPECT_EQ(p.offset, offset) << tick;
    }
    EXPECT_EQ(EventList().locate(30).offset, 30);

    uint32_t s = l.front().serial();
    l.erase(l.find(s));  // plain erase: later events move earlier
    EXPECT_EQ(l.find(s), l.end());
    EXPECT_EQ(l.length(), 50);
    EXPECT_EQ(l.tickOf(l.back().serial()), 0);
}

TEST(EventList, InsertKeepsOrAssignsSerials) {
    EventList l;
    Event a;
    a.step = 10;
    uint32_t sa = a.serial();
    l.pushBack(a);
    EXPECT_EQ(l.front().serial(), sa);
    EXPECT_NE(l.pushBack(a)->serial(), sa);  // a duplicate must not shadow the first
    EXPECT_EQ(l.find(sa), l.begin());
    auto pasted = l.insert(l.begin(), Event(0));
    EXPECT_NE(pasted->serial(), 0u);
    EXPECT_EQ(l.find(pasted->serial()), pasted);

    // A copy is independent and indexes its own nodes.
    EventList c = l;
    c.find(sa)->step = 999;
    EXPECT_EQ(l.find(sa)->step, 10);
    c.erase(c.find(sa));
    EXPECT_EQ(l.size(), 3u);
    l = c;
    EXPECT_EQ(l.find(sa), l.end());
    EXPECT_EQ(l.size(), 2u);
}

TEST(EventList, MakeBoundarySplitsOrExtends) {
    EventList l = listOf({100, 50});
    auto it = l.makeBoundary(30);
    EXPECT_EQ(steps(l), (std::vector<int>{30, 70, 50}));
    EXPECT_TRUE(it->isRest());
    EXPECT_EQ(l.tickOf(it->serial()), 30);
    EXPECT_EQ(l.makeBoundary(100), std::next(l.begin(), 2));  // existing boundary
    EXPECT_EQ(l.makeBoundary(150), l.end());                  // exactly the end
    EXPECT_EQ(l.size(), 3u);
    EXPECT_EQ(l.makeBoundary(200), l.end());                  // past the end: a rest fills the gap
    EXPECT_EQ(steps(l), (std::vector<int>{30, 70, 50, 50}));
    EXPECT_TRUE(l.back().isRest());
}

// The first event with a step stays as a rest; a later one hands its step to the one before;
// a first event with step 0 simply goes.
TEST(EventList, DeleteKeepingTime) {
    using C = std::tuple<std::vector<int>, int, std::vector<int>, int>;  // steps, erased, steps after, first key (64: a rest)
    for (auto [before, at, after, key] : {C{{480}, 0, {480}, 64}, C{{100, 120, 30}, 1, {220, 30}, 60},
                                          C{{0, 40}, 0, {40}, 61}}) {
        EventList l = listOf(before);
        const uint32_t first = l.front().serial();
        l.eraseKeepTime(std::next(l.begin(), at));
        EXPECT_EQ(steps(l), after) << at;
        EXPECT_EQ(l.front().b[0], key) << at;
        EXPECT_EQ(l.front().isRest(), before.size() == 1) << at;
        EXPECT_EQ(l.front().serial() == first, key != 61) << at;
    }
}
