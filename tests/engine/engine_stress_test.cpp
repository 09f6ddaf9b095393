// The engine's real clock thread. Alone it plays and stops a song. Under stress it plays,
// records and previews while an input thread plays into the loopback and the user-interface
// thread edits, solos, rewinds, holds and replaces the song; built for the thread sanitizer, it
// checks no timing, only that every wait is answered and the engine ends stopped.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/drivers/device_driver.h"
#include "engine/drivers/loopback.h"
#include "player_fixture.h"

using namespace tarvio;
using namespace enginetest;

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

using EngineThread = EngineTest;

TEST_F(EngineThread, PlaysAndStopsOnTheRealClock) {
    setEngineClock(nullptr);  // the ports keep the fake clock
    setWaitPumpForTests(nullptr);
    setSendObserver(nullptr);
    Track& t = track({});
    for (int i = 0; i < 1000; ++i) t.events.pushBack(note(uint8_t(40 + i % 40), 20, 10));
    setSong(&song);
    startEngine();
    EXPECT_TRUE(engineRunning());
    startPlay();
    EXPECT_TRUE(playerPlaying());
    sleepMs(300);
    stopPlay();
    EXPECT_FALSE(playerPlaying());
    shutdownEngine();
    EXPECT_FALSE(engineRunning());
    EXPECT_GT(driver.shorts.size(), 2u);
    EXPECT_GT(clockThreadCpuSeconds(), 0.0);
}

// exit() with the clock thread running ends the process normally instead of aborting it.
TEST(EngineExit, ExitWithTheClockThreadRunningEndsNormally) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        startEngine();
        std::exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST(EngineStress, ClockInputAndEditsTogether) {
    setEngineClock(nullptr);
    resetPlayerForTests();
    resetMetronomeForTests();
    resetInputForTests();
    std::vector<std::unique_ptr<OutputDevice>> outs;
    outs.push_back(makeLoopbackOutput());
    std::vector<std::unique_ptr<InputDevice>> ins;
    ins.push_back(makeLoopbackInput());
    auto driver = std::make_unique<DeviceDriver>(std::move(outs), std::move(ins), engineClock());
    createPorts(*driver, engineClock());
    setOutDevice(0, 0);
    ASSERT_TRUE(openOut(0) && openIn(0));
    setThru(true);
    setThruPort(2);  // no device there: built and dropped

    Song songs[2];
    for (Song& song : songs) {
        for (uint8_t i = 0; i < 3; ++i) {
            Track& t = song.createTrack();
            t.port = i == 0 ? 0 : 3;
            t.channel = t.record = i;
            for (int k = 0; k < 200; ++k) t.events.pushBack(note(uint8_t(48 + (k + i) % 24), 60, 40));
        }
        song.createPhrase().events.pushBack(note(60, 120, 100));
    }
    setSong(&songs[0]);
    startEngine();

    std::atomic<bool> stop{false};
    std::thread input([&] {
        for (uint32_t k = 0; !stop; ++k) {
            send(0, 0x500090u | (40 + k % 30) << 8);
            send(0, 0x000080u | (40 + k % 30) << 8);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });

    int current = 0;
    for (int i = 0; i < 120; ++i) {
        Song& song = songs[current];
        Track& a = *song.tracks.front();
        Track& b = *song.tracks.back();
        switch (i % 12) {
            case 0: startPlay(); break;
            case 1: song.setSolo(a, !a.solo); break;
            case 2:
                suspendEngine(false);
                b.events.pushBack(note(uint8_t(60 + i % 12), 30, 20));
                b.resetFlag = 1;
                suspendEngine(true);
                break;
            case 3: setRecording(i % 24 == 3); break;
            case 4: previewNote(0, 1, 64, 90, 5); break;
            case 5: setWindFlags(false, false, true); break;
            case 6:
                holdEngine(true);
                stopPlay();
                holdEngine(false);
                setWindFlags(false, false, false);
                break;
            case 7: startPlay(a.number); break;
            case 8: takeFinishedRecordings(song); break;
            case 9:
                previewTrack(song.phrases.front().get());
                song.restoreMutes();
                break;
            case 10:
                stopPlay();
                if (i % 36 == 10) {
                    takeFinishedRecordings(song);
                    current ^= 1;
                    setSong(&songs[current]);
                }
                break;
            case 11: locate(i * 10); break;
        }
        sleepMs(3);
    }
    stop = true;
    input.join();
    setWindFlags(false, false, false);
    stopPlay();
    takeFinishedRecordings(songs[current]);
    EXPECT_FALSE(playerPlaying());
    EXPECT_FALSE(recordingActive());
    setSong(nullptr);
    shutdownEngine();
    setThru(false);
    resetPlayerForTests();
    resetInputForTests();
    destroyPortsForTests();
    driver.reset();
}

}  // namespace
