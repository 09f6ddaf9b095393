#include "app/engine_transport.h"

#include <gtest/gtest.h>

#include "engine/input.h"
#include "engine/player.h"
#include "model/song.h"

namespace tarvio {
namespace {

// No clock thread runs: the requests stay as the transport left them.
TEST(EngineTransport, RecordArmsAtThePositionPlaysThePreCountBeforeAndNestedEditsResumeOnce) {
    resetPlayerForTests();
    resetInputForTests();
    Song song;
    EngineTransport t(960);
    t.setSong(&song);
    PlayerState& s = playerState();

    // Where the pre-count reaches before the song's start, that part is a count-in.
    struct Case { int32_t at, punch, start, countIn; };
    for (Case c : {Case{3840, 3840, 2880, 0}, Case{480, 480, 0, 480}, Case{0, 0, 0, 960}}) {
        t.locate(c.at);
        t.record();
        EXPECT_TRUE(s.punchArmed);
        EXPECT_EQ(s.punchInTick.load(), c.punch);
        EXPECT_EQ(playerPosition(), c.start);
        EXPECT_EQ(s.countIn.load(), c.countIn);
        EXPECT_TRUE(s.playRequested);
        t.stop();
        EXPECT_FALSE(s.punchArmed);
        EXPECT_EQ(s.countIn.load(), 0);  // a later plain play counts nothing in
    }

    t.beginEdit();
    t.beginEdit();
    t.endEdit();
    EXPECT_FALSE(s.engineEnabled);  // the outer edit still runs
    t.endEdit();
    EXPECT_TRUE(s.engineEnabled);
    t.setSong(nullptr);
}

}  // namespace
}  // namespace tarvio
