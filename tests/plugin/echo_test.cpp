// The loader and the echo plug-in, driven through the interface as the host drives it.
#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>

#include "model/song.h"
#include "plugin_test.h"

using namespace tarvio;
using namespace plugtest;

namespace {

// "tick key velocity merge" of each event, comma separated.
std::string text(const std::vector<TarvioPluginEvent>& events) {
    std::string out;
    for (const auto& e : events)
        out += (out.empty() ? "" : ", ") + std::to_string(e.tick) + " " + std::to_string(e.key) + " " +
               std::to_string(e.velocity) + " " + std::to_string(e.merge);
    return out;
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
    // Parameters 0..4: velocity decay, repeats, delay, delay decay, pitch decay; the value is
    // at byte 48 of a record.
    void setParams(std::initializer_list<std::pair<int, int32_t>> values) {
        ParameterBlock b = track.slotBlock(0);
        for (auto [k, v] : values) std::memcpy(b.records[k].raw + 48, &v, 4);
        track.setSlotBlock(0, b);
    }
    void input(TarvioPluginEvent e) { inst->ops->input(inst, &e); }

    Track track;
    TarvioPluginInstance* inst = nullptr;
};

}  // namespace

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

    // The impostor came first, so the echo loaded after it is listed but never found; a second
    // load of a folder adds nothing.
    loadPlugins(echoFolder());
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

TEST_F(EchoTest, DelayDecaySpreadsAndPitchDecayLeavesTheKeyRange) {
    setParams({{1, 3}, {2, 100}, {3, 60}});
    input(noteEvent(0, 60, 100));
    pull(inst, 0);
    EXPECT_EQ(text(pull(inst, 100000)), "100 60 88 0, 260 60 76 0, 480 60 64 0");

    setParams({{1, 16}, {2, 360}, {3, 0}, {4, 12}});
    input(noteEvent(1000, 100, 100));
    EXPECT_EQ(text(pull(inst, 100000)), "1000 100 100 1, 1360 112 88 0, 1720 124 76 0");
}

TEST_F(EchoTest, LaterEventsReplaceTheirMatchAtOneTickAndResetDropsThemAll) {
    EXPECT_STREQ(inst->ops->getName(inst), "tarvio Echo");
    input(noteEvent(0, 60, 100));
    EXPECT_EQ(pull(inst, 0).size(), 1u);
    EXPECT_TRUE(pull(inst, 359).empty());  // before every pending tick
    EXPECT_EQ(inst->pending, 8);

    // At 360 the other key stays; the repeat of 60 is replaced by the new 60, which goes last.
    input(noteEvent(360, 61, 50));
    input(noteEvent(360, 60, 100));
    EXPECT_EQ(text(pull(inst, 360)), "360 61 50 1, 360 60 100 1");
    EXPECT_EQ(text(pull(inst, 720)), "720 61 38 0, 720 60 88 0");

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

    inst->on = 0;
    inst->ops->reset(inst);
    EXPECT_EQ(inst->on, 1);
    EXPECT_EQ(inst->pending, 0);
    EXPECT_TRUE(pull(inst, 100000).empty());
}
