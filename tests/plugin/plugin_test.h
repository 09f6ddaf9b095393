// Shared helpers of the plug-in tests: a clean registry per test and direct instance calls.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plugin/host.h"
#include "plugin/tarvio_plugin.h"

namespace plugtest {

inline std::string echoFolder() { return std::filesystem::path(TARVIO_ECHO_PATH).parent_path().string(); }

// Every test starts and ends with an empty registry, so load order is the test's own.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { tarvio::unloadPlugins(); }
    void TearDown() override { tarvio::unloadPlugins(); }
};

inline TarvioPluginEvent noteEvent(uint32_t tick, uint8_t key, uint8_t velocity, uint16_t gate = 240) {
    TarvioPluginEvent e{};
    e.kind = TARVIO_EVENT_NOTE;
    e.tick = tick;
    e.key = key;
    e.velocity = velocity;
    e.gate = gate;
    return e;
}

inline std::vector<TarvioPluginEvent> pull(TarvioPluginInstance* inst, uint32_t tick) {
    TarvioPluginEventList* list = nullptr;
    inst->ops->pull(inst, tick, &list);
    std::vector<TarvioPluginEvent> out;
    for (TarvioPluginEventNode* n = list->head; n != list->end; n = n->next) out.push_back(n->event);
    EXPECT_EQ(int(out.size()), list->count);
    return out;
}

}  // namespace plugtest
