// The loader and the echo plug-in, driven through the interface as the host drives it.
#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>

#include "model/song.h"
#include "plugin_test.h"

using namespace tarvio;
using namespace plugtest;

namespace {

struct Repeat {
    uint32_t tick;
    int key, velocity, merge;
    bool operator==(const Repeat&) const = default;
};
using Repeats = std::vector<Repeat>;

std::ostream& operator<<(std::ostream& os, const Repeat& r) {
    return os << "{" << r.tick << " " << r.key << " v" << r.velocity << " m" << r.merge << "}";
}

Repeats repeats(const std::vector<TarvioPluginEvent>& events) {
    Repeats out;
    for (const auto& e : events) out.push_back({e.tick, e.key, e.velocity, e.merge});
    return out;
}

TarvioParameterRecord record(const ParameterBlock& b, int k) {
    TarvioParameterRecord r;
    std::memcpy(&r, &b.records[k], sizeof r);
    return r;
}

class EchoTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        loadPlugins(echoFolder());
        ASSERT_TRUE(bindPluginSlot(track, 0, "tarvio Echo"));
        inst = track.slots[0].instance;
    }
    void TearDown() override {
        clearPluginSlot(track, 0);
        PluginTest::TearDown();
    }
    // Parameters 0..4: velocity decay, repeats, delay, delay decay, pitch decay.
    void setParams(std::initializer_list<std::pair<int, int32_t>> values) {
        ParameterBlock b = track.slotBlock(0);
        for (auto [k, v] : values) {
            TarvioParameterRecord r = record(b, k);
            r.v.i.value = v;
            std::memcpy(static_cast<void*>(&b.records[k]), &r, sizeof r);
        }
        track.setSlotBlock(0, b);
    }
    void input(TarvioPluginEvent e) { inst->ops->input(inst, &e); }

    Track track;
    TarvioPluginInstance* inst = nullptr;
};

}  // namespace

TEST_F(PluginTest, EchoLoadsWithItsIdentityAndDefaults) {
    loadPlugins(echoFolder());
    loadPlugins(echoFolder());  // a second load adds nothing
    auto list = listPlugins();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "tarvio Echo");
    EXPECT_EQ(list[0].author, "ostrand");
    EXPECT_EQ(std::filesystem::path(list[0].file).filename(), std::filesystem::path(TARVIO_ECHO_PATH).filename());

    Track t;
    ASSERT_TRUE(bindPluginSlot(t, 2, "tarvio Echo"));
    EXPECT_EQ(std::string(t.slots[2].instance->ops->getName(t.slots[2].instance)), "tarvio Echo");
    EXPECT_EQ(t.slots[0].block, nullptr);  // the other slots stay free
    ASSERT_EQ(pluginParameterCount(t.slots[2]), 5);
    const char* names[] = {"Velocity Decay", "Max Echo Num", "Delay", "Delay Decay", "Pitch Decay"};
    const int32_t ranges[][3] = {{-128, 127, -12}, {1, 16, 16}, {0, 1920, 360}, {-1920, 1920, 0}, {-24, 24, 0}};
    for (int k = 0; k < 5; ++k) {
        TarvioParameterRecord r = record(t.slotBlock(2), k);
        EXPECT_EQ(r.type, TARVIO_PARAM_INTEGER);
        EXPECT_STREQ(r.name, names[k]);
        EXPECT_EQ((std::vector<int32_t>{r.v.i.min, r.v.i.max, r.v.i.value}),
                  (std::vector<int32_t>(ranges[k], ranges[k] + 3))) << k;
    }
}

TEST_F(PluginTest, BrokenLibraryIsSkippedWithALogLineAndTheFirstOfTwoNamesWins) {
    ::setenv("TARVIO_LOG", "1", 1);
    testing::internal::CaptureStderr();
    loadPlugins(TARVIO_FAKES_DIR);
    std::string log = testing::internal::GetCapturedStderr();
    ::unsetenv("TARVIO_LOG");
    EXPECT_NE(log.find("tarvio_fake_noinfo.so: no export getPluginInfo"), std::string::npos) << log;
    auto list = listPlugins();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].author, "impostor");

    // Without TARVIO_LOG the same skip says nothing.
    unloadPlugins();
    testing::internal::CaptureStderr();
    loadPlugins(TARVIO_FAKES_DIR);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // The impostor came first, so the echo loaded after it is listed but never found.
    loadPlugins(echoFolder());
    list = listPlugins();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].author, "ostrand");
    EXPECT_EQ(findPlugin("tarvio Echo")->author, "impostor");
}

TEST_F(PluginTest, InstancesAreReleasedWhenReboundEmptiedOrDestroyed) {
    loadPlugins(TARVIO_FAKES_DIR);
    void* h = dlopen(TARVIO_IMPOSTOR_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(h, nullptr);
    auto live = reinterpret_cast<int (*)()>(dlsym(h, "fakeLiveInstances"));
    ASSERT_NE(live, nullptr);
    {
        Song song;
        Track& a = song.createTrack();
        Track& b = song.createTrack();
        EXPECT_TRUE(bindPluginSlot(a, 0, "tarvio Echo"));
        EXPECT_TRUE(bindPluginSlot(a, 0, "tarvio Echo"));
        EXPECT_EQ(live(), 1);
        EXPECT_FALSE(bindPluginSlot(a, 1, "Not Here"));
        EXPECT_EQ(a.slotName(1), "Not Here");
        EXPECT_EQ(a.slotInstance(1), nullptr);
        bindPluginSlot(b, 3, "tarvio Echo");
        EXPECT_EQ(live(), 2);
        clearPluginSlot(b, 3);
        EXPECT_EQ(live(), 1);
        EXPECT_TRUE(b.slotName(3).empty());
        bindPluginSlot(b, 2, "tarvio Echo");
        EXPECT_EQ(live(), 2);
    }
    EXPECT_EQ(live(), 0);
    dlclose(h);
}

TEST_F(EchoTest, DefaultsRepeatEightTimesAndSkipTheSilentRest) {
    input(noteEvent(0, 60, 100));
    EXPECT_EQ(inst->pending, 9);
    EXPECT_EQ(repeats(pull(inst, 0)), (Repeats{{0, 60, 100, 1}}));
    auto later = pull(inst, 100000);
    Repeats expect;
    for (int i = 1; i <= 8; ++i) expect.push_back({uint32_t(360 * i), 60, 100 - 12 * i, 0});
    EXPECT_EQ(repeats(later), expect);
    EXPECT_EQ(later.back().gate, 240);
    EXPECT_EQ(inst->pending, 0);
    EXPECT_TRUE(pull(inst, 200000).empty());
}

TEST_F(EchoTest, DelayDecaySpreadsAndPitchDecayLeavesTheKeyRange) {
    setParams({{1, 3}, {2, 100}, {3, 60}});
    input(noteEvent(0, 60, 100));
    pull(inst, 0);
    std::vector<uint32_t> ticks;
    for (auto& e : pull(inst, 100000)) ticks.push_back(e.tick);
    EXPECT_EQ(ticks, (std::vector<uint32_t>{100, 260, 480}));

    setParams({{1, 16}, {2, 360}, {3, 0}, {4, 12}});
    input(noteEvent(1000, 100, 100));
    EXPECT_EQ(repeats(pull(inst, 100000)), (Repeats{{1000, 100, 100, 1}, {1360, 112, 88, 0}, {1720, 124, 76, 0}}));
}

TEST_F(EchoTest, LaterEventsReplaceTheirMatchAtOneTick) {
    input(noteEvent(0, 60, 100));
    EXPECT_EQ(pull(inst, 0).size(), 1u);
    EXPECT_TRUE(pull(inst, 359).empty());  // before every pending tick
    EXPECT_EQ(inst->pending, 8);

    // At 360 the other key stays; the repeat of 60 is replaced by the new 60, which goes last.
    input(noteEvent(360, 61, 50));
    input(noteEvent(360, 60, 100));
    EXPECT_EQ(repeats(pull(inst, 360)), (Repeats{{360, 61, 50, 1}, {360, 60, 100, 1}}));
    EXPECT_EQ(repeats(pull(inst, 720)), (Repeats{{720, 61, 38, 0}, {720, 60, 88, 0}}));

    // Bends match on tick alone.
    TarvioPluginEvent bend{};
    bend.kind = TARVIO_EVENT_BEND;
    bend.tick = 800;
    for (int v : {100, -100}) {
        tarvio_event_set_bend(&bend, v);
        input(bend);
    }
    auto out = pull(inst, 800);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tarvio_event_bend(&out[0]), -100);
    EXPECT_EQ(out[0].merge, 1);
}

TEST_F(EchoTest, ResetDropsPendingEventsAndSwitchesOn) {
    input(noteEvent(0, 60, 100));
    inst->on = 0;
    inst->ops->reset(inst);
    EXPECT_EQ(inst->on, 1);
    EXPECT_EQ(inst->pending, 0);
    EXPECT_TRUE(pull(inst, 100000).empty());
}
