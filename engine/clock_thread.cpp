#include "engine/clock_thread.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "engine/input.h"
#include "engine/metronome.h"
#include "engine/mtc_out.h"
#include "engine/platform/clock.h"
#include "engine/platform/log.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "model/song.h"

namespace tarvio {

namespace {

constexpr uint32_t kWindFast = 1, kWindForward = 2, kWindRewind = 4;
constexpr int64_t kChaseRelocateMs = 1000;
constexpr int64_t kFastForwardCapMs = 500;
constexpr long kNsPerMs = 1000000L;
// A pass later than this (an exclusive transfer blocked it) re-anchors the deadlines instead
// of running the missed passes back to back; the elapsed time carries the gap anyway.
constexpr long kLateNs = 3 * kNsPerMs;
// While nothing can happen (stopped, no request, no wind, no preview, no click sounding) the
// passes are this far apart, so that an idle engine costs next to nothing; every request
// wakes the thread at once.
constexpr long kIdlePassMs = 10;

std::atomic<uint32_t> gWind{0};
std::atomic<int32_t> gSync{kSyncInternal};
std::atomic<MtcTimeSource> gMtcSource{nullptr};
std::atomic<uint32_t> gWakeSequence{0};
std::atomic<uint32_t> gPassCount{0};
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));

// Locals of the thread body, kept here so that tests can run passes without the thread.
struct PassLocals {
    uint32_t previousPass = 0;
    uint32_t previousWind = 0;
    bool windStarted = false;
    uint32_t accumulated = 0;
    bool rewinding = false;
    bool fastForwarding = false;
    bool restartTimeBase = false;
    bool resumeAfterRewind = false;
} gLocals;

struct EngineThread {
    std::thread thread;
    std::atomic<bool> keepRunning{false};
    std::atomic<bool> alive{false};
    std::atomic<double> cpuAtExit{0};
    // A program that ends without shutdownEngine (exit() from a library, as Qt does when the
    // display goes away) would otherwise abort on the still-joinable thread.
    ~EngineThread() {
        if (!thread.joinable()) return;
        keepRunning = false;
        wakeClockThread();
        thread.join();
    }
} gEngine;

double threadCpuSeconds(clockid_t id) {
    timespec ts{};
    if (clock_gettime(id, &ts) != 0) return 0;
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

uint32_t currentMtcTime() {
    MtcTimeSource source = gMtcSource.load(std::memory_order_relaxed);
    return source ? source() : mtcTime();
}

int32_t windStep(const Song* song, uint32_t dt, bool fast) {
    const int64_t factor = fast ? 5 : 1;
    const int64_t step = song ? int64_t(song->tpqn / 50) * factor * dt : factor * dt * 9;
    return int32_t(std::min<int64_t>(step, INT32_MAX));
}

void endResume() {
    gLocals.resumeAfterRewind = false;
    playerState().resumePending = false;
}

void stoppedBranch(Clock& clock, int32_t step) {
    PlayerState& s = playerState();
    PassLocals& l = gLocals;
    const uint32_t wind = gWind.load(std::memory_order_relaxed);
    // While the song is edited nothing locates; the step answers the handshakes.
    const bool editing = !s.engineEnabled;
    if (s.playRequested && !l.resumeAfterRewind && !editing) {
        if (l.rewinding || l.fastForwarding) {
            locate(s.position);
            l.rewinding = l.fastForwarding = false;
        }
        stepPlayer(l.accumulated);
        l.restartTimeBase = true;
        return;
    }
    l.accumulated = 0;
    if (editing) {
        // Winding waits for the end of the edit.
    } else if (wind & kWindRewind) {
        l.rewinding = true;
        const int32_t pos = s.position;
        locate(step >= pos ? 0 : pos - step);
        clock.sleepMs(10);
    } else if (l.rewinding) {
        locate(s.position);
        l.rewinding = false;
        if (l.resumeAfterRewind) {
            endResume();
            stepPlayer(l.accumulated);
            l.restartTimeBase = true;
            return;
        }
    } else if (wind & kWindForward) {
        l.fastForwarding = true;
        locate(int32_t(std::min<int64_t>(int64_t(s.position) + step, INT32_MAX)));
        clock.sleepMs(10);
    } else if (l.fastForwarding) {
        locate(s.position);
        l.fastForwarding = false;
    }
    // Sends nothing while stopped, but answers the suspend, hold and stop requests; a play
    // request waits while a rewind from playback is held.
    stepPlayer(l.accumulated, !l.resumeAfterRewind);
    if (l.resumeAfterRewind && !s.playRequested) endResume();  // stopped while rewinding
    l.restartTimeBase = true;
}

void playingBranch(int64_t elapsed, int32_t step) {
    PlayerState& s = playerState();
    PassLocals& l = gLocals;
    const uint32_t wind = gWind.load(std::memory_order_relaxed);
    if ((wind & kWindRewind) && s.engineEnabled) {
        releaseAll();
        // The take so far waits for the document; recording starts again where play resumes.
        if (recordingActive()) stopRecording();
        l.rewinding = true;
        const int32_t pos = s.position;
        s.position = step >= pos ? 0 : pos - step;
        l.resumeAfterRewind = true;
        s.resumePending = true;
        s.playing = false;
        return;
    }
    if (!s.recording && (wind & kWindForward)) elapsed = std::min(elapsed * ((wind & kWindFast) ? 4 : 2), kFastForwardCapMs);
    s.nothingSent = true;
    if (elapsed > 0) l.accumulated += uint32_t(elapsed);
    if (!stepPlayer(l.accumulated)) l.restartTimeBase = true;
    if (mtcOutputOn()) mtcOutputPass(playTimeMs());
    if (s.nothingSent) lowerOutputLoad();
}

void runPass() {
    Clock& clock = engineClock();
    PlayerState& s = playerState();
    PassLocals& l = gLocals;

    const uint32_t now = clock.nowMs();
    if (l.restartTimeBase) {
        l.restartTimeBase = false;
        l.previousPass = now;
    }
    int64_t elapsed = uint32_t(now - l.previousPass);
    l.previousPass = now;

    // Following time code: a big difference relocates (after an edit in progress), a small one
    // paces the song.
    if (s.playing && syncSource() == kSyncMtc) {
        const uint32_t mtc = currentMtcTime();
        const int64_t diff = int64_t(mtc) - int64_t(playTimeMs());
        const bool jump = diff >= kChaseRelocateMs || diff <= -kChaseRelocateMs;
        if (jump && s.engineEnabled) {
            releaseAll();
            // The take so far waits for the document; recording starts again at the new place.
            if (recordingActive()) stopRecording();
            s.playing = false;
            locateMs(mtc);
        } else if (!jump) {
            elapsed = diff > 0 ? diff : 0;
        }
    }

    const uint32_t dt = l.windStarted ? now - l.previousWind : 0;
    l.previousWind = now;
    l.windStarted = true;
    const int32_t step = windStep(s.song, dt, gWind.load(std::memory_order_relaxed) & kWindFast);

    if (!s.playing) {
        stoppedBranch(clock, step);
        l.previousPass = clock.nowMs();
        s.nothingSent = true;
        // Once per millisecond that passed, as if every idle millisecond had its own pass.
        for (int64_t i = std::clamp<int64_t>(elapsed, 1, 100); i > 0 && outputLoad() > 0; --i) lowerOutputLoad();
    } else {
        playingBranch(elapsed, step);
    }

    metronomeTick();
    runPreviews();
    gPassCount.fetch_add(1, std::memory_order_release);
}

void addNs(timespec& t, long ns) {
    t.tv_nsec += ns;
    while (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
}

long diffNs(const timespec& a, const timespec& b) {
    return long(a.tv_sec - b.tv_sec) * 1000000000L + (a.tv_nsec - b.tv_nsec);
}

// Nothing for a pass to do until a request comes.
bool passIsIdle() {
    const PlayerState& s = playerState();
    const PassLocals& l = gLocals;
    return !s.playing && !s.playRequested && gWind.load(std::memory_order_relaxed) == 0 && !l.rewinding &&
           !l.fastForwarding && !l.resumeAfterRewind && s.notePreviewCount.load(std::memory_order_relaxed) == 0 &&
           !s.previewTrack.load(std::memory_order_relaxed) && !metronomeSounding() &&
           s.engineEnabled != s.suspendAck && s.holdRequested == s.holdAck;
}

// Sleeps until the absolute deadline or until the wake sequence moves on from seen.
void waitForWake(uint32_t seen, const timespec& deadline) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&gWakeSequence), FUTEX_WAIT_BITSET_PRIVATE, seen, &deadline,
            nullptr, FUTEX_BITSET_MATCH_ANY);
}

void askRealtime() {
    sched_param sp{};
    // Near the top, below the kernel's own real-time helpers.
    sp.sched_priority = std::max(sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO) - 9);
    const int r = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);
    if (r != 0) engineLogf("[EMIDI](clock) real-time priority refused (%s), running at normal priority\n", std::strerror(r));
}

void threadBody() {
    askRealtime();
    clockPassBegin();
    gEngine.alive = true;
    // Deadlines on whole milliseconds of the monotonic clock, which the millisecond clock
    // reads, so that every pass sees the millisecond it was meant for.
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_nsec -= deadline.tv_nsec % kNsPerMs;
    while (gEngine.keepRunning.load(std::memory_order_relaxed)) {
        const uint32_t seen = gWakeSequence.load(std::memory_order_acquire);
        if (passIsIdle()) {
            addNs(deadline, kIdlePassMs * kNsPerMs);
            waitForWake(seen, deadline);
        } else {
            addNs(deadline, kNsPerMs);
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
            }
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        // Woken early, or late after a blocking send: the deadlines start again from now.
        const long late = diffNs(now, deadline);
        if (late > kLateNs || late < 0) {
            deadline = now;
            deadline.tv_nsec -= deadline.tv_nsec % kNsPerMs;
        }
        runPass();
    }
    gEngine.cpuAtExit = threadCpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    gEngine.alive = false;
}

}  // namespace

uint32_t clockPassCount() { return gPassCount.load(std::memory_order_acquire); }

void clockPassBegin() {
    gLocals = PassLocals{};
    playerState().resumePending = false;
    gLocals.previousPass = engineClock().nowMs();
}

void clockPass() {
    engineClock().sleepMs(1);
    runPass();
}

void startEngine() {
    if (gEngine.thread.joinable()) return;
    installInputHandler();
    gEngine.keepRunning = true;
    // Signals stay with the other threads: the clock thread must never run a handler.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    try {
        gEngine.thread = std::thread(threadBody);
    } catch (const std::system_error& e) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        gEngine.keepRunning = false;
        throw std::runtime_error(std::string("cannot create the clock thread: ") + e.what());
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    while (!gEngine.alive) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void wakeClockThread() {
    gWakeSequence.fetch_add(1, std::memory_order_release);
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(&gWakeSequence), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

void shutdownEngine() {
    if (!gEngine.thread.joinable()) return;
    stopPlay();
    gEngine.keepRunning = false;
    wakeClockThread();
    gEngine.thread.join();
}

bool engineRunning() { return gEngine.alive; }

void setWindFlags(bool fast, bool forward, bool rewind) {
    gWind = (fast ? kWindFast : 0) | (forward ? kWindForward : 0) | (rewind ? kWindRewind : 0);
    wakeClockThread();
}
bool windRewindHeld() { return gWind & kWindRewind; }
bool windForwardHeld() { return gWind & kWindForward; }

void setSyncSource(int32_t source) { gSync = source; }
int32_t syncSource() { return gSync; }

void setMtcTimeSource(MtcTimeSource source) { gMtcSource = source; }

double clockThreadCpuSeconds() {
    if (gEngine.alive && gEngine.thread.joinable()) {
        clockid_t id;
        if (pthread_getcpuclockid(gEngine.thread.native_handle(), &id) == 0) return threadCpuSeconds(id);
    }
    return gEngine.cpuAtExit;
}

}  // namespace tarvio
