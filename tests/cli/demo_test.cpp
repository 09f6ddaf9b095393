// The committed demo song is exactly what its generator writes, and it plays cleanly.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

#include "run_cli.h"

namespace {
const std::string kDemo = std::string(TARVIO_SOURCE_DIR) + "/data/songs/demo.tvo";
}

TEST(DemoSong, GeneratorReproducesTheCommittedFile) {
    clitest::TempDir dir;
    const std::string out = dir.path("demo.tvo");
    auto r = clitest::run(TARVIO_MAKE_DEMO_PATH, {out});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string fresh = clitest::readFile(out);
    ASSERT_FALSE(fresh.empty());
    EXPECT_TRUE(fresh == clitest::readFile(kDemo))
        << "data/songs/demo.tvo is stale: regenerate it with tarvio-make-demo";
}

TEST(DemoSong, EveryNoteIsReleasedAndThePlayEnds) {
    auto r = clitest::runCli({"expand", kDemo});
    ASSERT_EQ(r.status, 0) << r.err;
    // Sounding notes per port, channel and key: a note-on while sounding retriggers.
    std::map<std::tuple<int, int, int>, bool> sounding;
    int noteOns = 0, lastTick = 0;
    for (const std::string& line : clitest::lines(r.out)) {
        std::istringstream in(line);
        int tick = 0, port = 0;
        std::string status, d1, d2;
        in >> tick >> port >> status >> d1 >> d2;
        lastTick = tick;
        if (status.size() != 2 || (status[0] != '8' && status[0] != '9')) continue;
        auto key = std::make_tuple(port, std::stoi(status.substr(1), nullptr, 16), std::stoi(d1, nullptr, 16));
        if (status[0] == '9') {
            ++noteOns;
            sounding[key] = true;
        } else {
            EXPECT_TRUE(sounding[key]) << "note-off without note-on: " << line;
            sounding[key] = false;
        }
    }
    EXPECT_GT(noteOns, 400);
    for (auto& [key, on] : sounding) EXPECT_FALSE(on) << "note left sounding: " << std::get<2>(key);
    // 16 measures of 4/4, 8 of 3/4 and one of 4/4 at 480 ticks per quarter note.
    EXPECT_LE(lastTick, 16 * 1920 + 8 * 1440 + 1920);
    EXPECT_GT(lastTick, 16 * 1920 + 8 * 1440);
}
