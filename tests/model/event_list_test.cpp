#include <gtest/gtest.h>

#include <vector>

#include "model/event_list.h"

using namespace tarvio;

namespace {

Event note(int step, uint8_t n = 60) {
    Event e;
    e.setNote(n, 100, 10);
    e.step = step;
    return e;
}

EventList listOf(std::vector<int> steps) {
    EventList l;
    uint8_t n = 60;
    for (int s : steps) l.pushBack(note(s, n++));
    return l;
}

std::vector<int> steps(const EventList& l) {
    std::vector<int> v;
    for (const Event& e : l) v.push_back(e.step);
    return v;
}

std::vector<int64_t> ticks(const EventList& l) {
    std::vector<int64_t> v;
    for (const Event& e : l) v.push_back(l.tickOf(e.serial()));
    return v;
}

}  // namespace

TEST(EventList, TicksAndFind) {
    EventList l = listOf({100, 0, 50});
    EXPECT_EQ(ticks(l), (std::vector<int64_t>{0, 100, 100}));
    EXPECT_EQ(l.length(), 150);
    EXPECT_EQ(l.tickOf(l.end()), 150);
    EXPECT_EQ(l.tickOf(0xFFFFFFF0u), -1);
    uint32_t s = std::next(l.begin())->serial();
    EXPECT_EQ(l.find(s)->b[0], 61);
    EXPECT_EQ(l.find(0xFFFFFFF0u), l.end());
    l.erase(l.find(s));
    EXPECT_FALSE(l.contains(s));
    EXPECT_EQ(l.find(s), l.end());
}

TEST(EventList, InsertKeepsOrAssignsSerials) {
    EventList l;
    Event a = note(10);
    uint32_t sa = a.serial();
    l.pushBack(a);
    EXPECT_EQ(l.front().serial(), sa);
    auto dup = l.pushBack(a);  // same serial again: must not shadow the first
    EXPECT_NE(dup->serial(), sa);
    EXPECT_EQ(l.find(sa), l.begin());
    auto pasted = l.insert(l.begin(), Event(0));
    EXPECT_NE(pasted->serial(), 0u);
    EXPECT_EQ(l.find(pasted->serial()), pasted);

    // A copied list is independent and indexes its own nodes.
    EventList c = l;
    c.find(sa)->step = 999;
    EXPECT_EQ(l.find(sa)->step, 10);
    c.erase(c.find(sa));
    EXPECT_EQ(c.size(), 2u);
    EXPECT_EQ(l.size(), 3u);
    l = c;
    EXPECT_EQ(l.find(sa), l.end());
    EXPECT_EQ(l.size(), 2u);
}

TEST(EventList, Locate) {
    EventList l = listOf({100, 0, 50});
    auto it1 = std::next(l.begin());
    auto p = l.locate(100);  // the first event starting there, not the zero-step one's follower
    EXPECT_EQ(p.it, it1);
    EXPECT_EQ(p.offset, 0);
    p = l.locate(0);
    EXPECT_EQ(p.it, l.begin());
    p = l.locate(40);
    EXPECT_EQ(p.it, l.begin());
    EXPECT_EQ(p.offset, 40);
    p = l.locate(120);
    EXPECT_EQ(p.it, std::next(it1));
    EXPECT_EQ(p.offset, 20);
    p = l.locate(150);
    EXPECT_EQ(p.it, l.end());
    EXPECT_EQ(p.offset, 0);
    p = l.locate(175);
    EXPECT_EQ(p.it, l.end());
    EXPECT_EQ(p.offset, 25);
    EventList empty;
    EXPECT_EQ(empty.locate(30).offset, 30);
}

TEST(EventList, MakeBoundary) {
    EventList l = listOf({100, 50});
    auto it = l.makeBoundary(30);
    EXPECT_EQ(steps(l), (std::vector<int>{30, 70, 50}));
    EXPECT_TRUE(it->isRest());
    EXPECT_EQ(l.tickOf(it->serial()), 30);

    EXPECT_EQ(l.makeBoundary(100), std::next(l.begin(), 2));
    EXPECT_EQ(l.size(), 3u);

    EXPECT_EQ(l.makeBoundary(150), l.end());
    EXPECT_EQ(l.size(), 3u);
    EXPECT_EQ(l.makeBoundary(200), l.end());
    EXPECT_EQ(steps(l), (std::vector<int>{30, 70, 50, 50}));
    EXPECT_TRUE(l.back().isRest());
}

TEST(EventList, DeleteKeepingTime) {
    // The only event: stays as a rest with the same step.
    EventList one = listOf({480});
    uint32_t s = one.front().serial();
    one.eraseKeepTime(one.begin());
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.front().serial(), s);
    EXPECT_TRUE(one.front().isRest());
    EXPECT_EQ(one.front().step, 480);

    // A later event: its step goes to the one before.
    EventList l = listOf({100, 120, 30});
    auto last = std::prev(l.end());
    uint32_t lastSerial = last->serial();
    l.eraseKeepTime(std::next(l.begin()));
    EXPECT_EQ(steps(l), (std::vector<int>{220, 30}));
    EXPECT_EQ(l.tickOf(lastSerial), 220);

    // A first event with step 0 is simply removed.
    EventList z = listOf({0, 40});
    z.eraseKeepTime(z.begin());
    EXPECT_EQ(steps(z), (std::vector<int>{40}));
    EXPECT_EQ(z.front().b[0], 61);
}

TEST(EventList, DeleteWithoutKeepingTime) {
    EventList l = listOf({100, 120, 30});
    uint32_t last = std::prev(l.end())->serial();
    l.erase(std::next(l.begin()));
    EXPECT_EQ(l.tickOf(last), 100);
    EXPECT_EQ(l.length(), 130);
}
