// The clock thread's per-tick path: no allocation and no lock but the engine lock, over a song
// with deep phrase calls, clones, IFs and large exclusives, sent through the device driver.
//
// Allocations are counted by replacing the global operator new in this test program, and locks
// by interposing pthread_mutex_lock/trylock; both count only on a thread that asked for it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <new>
#include <vector>

#include "engine/clock_thread.h"
#include "engine/drivers/device_driver.h"
#include "expand/emitter.h"
#include "engine/input.h"
#include "engine/metronome.h"
#include "engine/mtc_out.h"
#include "engine/platform/clock.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "expand/song_play.h"
#include "model/song.h"
#include "model/undo.h"

namespace {

thread_local bool tCounting = false;
std::atomic<long> gAllocations{0};
std::atomic<long> gForeignLocks{0};  // locks of any mutex but the engine lock
pthread_mutex_t* gAllowed = nullptr;

void* counted(std::size_t n) {
    if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

void* countedAligned(std::size_t n, std::align_val_t a) {
    if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t al = std::max(sizeof(void*), std::size_t(a));
    void* p = nullptr;
    if (posix_memalign(&p, al, n ? n : 1) != 0) throw std::bad_alloc();
    return p;
}

void countLock(pthread_mutex_t* m) {
    if (tCounting && m != gAllowed) gForeignLocks.fetch_add(1, std::memory_order_relaxed);
}

using LockFn = int (*)(pthread_mutex_t*);
LockFn realLock() {
    static const auto f = reinterpret_cast<LockFn>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    return f;
}
LockFn realTryLock() {
    static const auto f = reinterpret_cast<LockFn>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
    return f;
}

}  // namespace

// Every form is replaced: the library's own would end in these, but a sanitizer replaces each
// form it is not given, and would see its own allocations freed here (or these freed by it).
void* operator new(std::size_t n) { return counted(n); }
void* operator new[](std::size_t n) { return counted(n); }
void* operator new(std::size_t n, std::align_val_t a) { return countedAligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return countedAligned(n, a); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return counted(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

extern "C" int pthread_mutex_lock(pthread_mutex_t* m) {
    countLock(m);
    return realLock()(m);
}
extern "C" int pthread_mutex_trylock(pthread_mutex_t* m) {
    countLock(m);
    return realTryLock()(m);
}

namespace {

using namespace tarvio;

// Stands still until slept on, and records nothing (a record would allocate).
class StillClock final : public Clock {
public:
    uint32_t now = 1000;
    uint32_t nowMs() override { return now; }
    void sleepMs(uint32_t ms) override { now += ms; }
};

// Counts the note-ons and exclusives that reach the device.
struct CountingOutput final : OutputDevice {
    long longs = 0, notesOn = 0;
    std::string name() const override { return "Counter"; }
    bool open() override { return true; }
    void close() override {}
    void reset() override {}
    bool sendShort(uint32_t m) override {
        if ((m & 0xF0) == 0x90 && (m >> 16) != 0) ++notesOn;
        return true;
    }
    bool sendLong(const uint8_t*, size_t) override {
        ++longs;
        return true;
    }
};

Event at(Event e, int32_t step) {
    e.step = step;
    return e;
}
Event reg(EventKind k, uint16_t a = 0, int16_t b = 0) {
    Event e;
    e.setRegisterOp(k, a, b);
    return e;
}
Event plain(EventKind k) {
    Event e;
    e.setKindValue(k, 0);
    return e;
}
Event note(uint8_t n, int32_t step) {
    Event e;
    e.setNote(n, 100, 60);
    return at(e, step);
}
Event exclusive(size_t size, uint8_t fill) {
    std::vector<uint8_t> bytes(size, fill);
    bytes.front() = 0xF0, bytes.back() = 0xF7;
    Event e;
    e.setExclusive(bytes);
    return e;
}
Event call(const Track& phrase, int32_t transpose, int32_t step) {
    Event e;
    e.setPhraseCall(PhraseCallData{phrase.number, 0, transpose, 0, 0});
    return at(e, step);
}

// Twenty phrases calling each other down to one that opens IFs without closing them, plays a
// note and a large exclusive; the track calls the chain again and again, and clones it.
void buildSong(Song& song) {
    std::vector<Track*> chain(20);
    for (Track*& p : chain) p = &song.createPhrase();
    for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i]->events.pushBack(call(*chain[i + 1], 0, 240));
    EventList& leaf = chain.back()->events;
    for (int i = 0; i < 40; ++i) leaf.pushBack(reg(EventKind::IfEq));  // all true
    for (const Event& e : {reg(EventKind::Add, 1, 2), exclusive(3000, 0x10), plain(EventKind::Else), note(61, 0),
                           plain(EventKind::Else), note(60, 120)})
        leaf.pushBack(e);  // the note 61 is skipped
    CommandDef& def = song.commands[3];
    def.type = 0;
    Event body;
    body.setExclusive(std::vector<uint8_t>(5000, 0x22));  // unframed
    def.body.pushBack(body);

    Track& t = song.createTrack();
    for (int k = 0; k < 6; ++k) {
        t.events.pushBack(call(*chain.front(), k, 240));
        Event cmd;
        cmd.setCommand(3, 1, 2);
        t.events.pushBack(cmd);
    }
    Event clone;
    clone.setClone(CloneData{0, uint8_t(CloneMode::Relative), -480});
    t.events.pushBack(at(clone, 1440));
}

// The engine on a standing clock with the counting device on port 0, passes run by the waits.
struct Rig {
    StillClock clock;
    CountingOutput* counts;
    std::unique_ptr<DeviceDriver> driver;

    Rig() {
        auto counter = std::make_unique<CountingOutput>();
        counts = counter.get();
        std::vector<std::unique_ptr<OutputDevice>> outs;
        outs.push_back(std::move(counter));
        driver = std::make_unique<DeviceDriver>(std::move(outs), std::vector<std::unique_ptr<InputDevice>>{}, clock);
        setEngineClock(&clock);
        createPorts(*driver, clock);
        setOutDevice(0, 0);
        openOut(0);
        resetPlayerForTests();
        resetMetronomeForTests();
        resetMtcOutputForTests();
        resetInputForTests();
        setSyncSource(kSyncInternal);
        setWaitPumpForTests([] { clockPass(); });
        clockPassBegin();
    }
    ~Rig() {
        setSong(nullptr);
        resetPlayerForTests();
        resetInputForTests();
        destroyPortsForTests();
        setEngineClock(nullptr);
    }
    // Clock passes while playing, counting allocations and foreign locks; returns the
    // allocations (the locks go to gForeignLocks).
    long countedPasses(int n) {
        gAllowed = engineLock().native_handle();
        tCounting = true;
        for (int i = 0; i < n && playerPlaying(); ++i) clockPass();
        tCounting = false;
        return gAllocations.exchange(0);
    }
};

TEST(Realtime, PlayingTakesNoLockButTheEngineLockAndAllocatesNothing) {
    // The hooks see a real lock and a real allocation.
    std::mutex probe;
    tCounting = true;
    probe.lock();
    probe.unlock();
    auto* v = new std::vector<int>(3);
    tCounting = false;
    delete v;
    ASSERT_EQ(gForeignLocks.exchange(0), 1);
    ASSERT_GE(gAllocations.exchange(0), 1);

    Rig rig;
    Song song;
    buildSong(song);
    setSong(&song);
    startPlay();
    ASSERT_TRUE(playerPlaying());

    const long allocations = rig.countedPasses(3000);
    const long locks = gForeignLocks.exchange(0);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(locks, 0);
    EXPECT_GT(playerPosition(), 2000);
    stopPlay();
    // The deepest phrase played every time it was called, clones included.
    EXPECT_GE(rig.counts->notesOn, 8);
    EXPECT_GE(rig.counts->longs, 8);
}

// An edit during playback that makes a phrase call twenty more phrases: the reserve is renewed
// when the edit ends, so the deeper chain plays without the clock thread allocating.
TEST(Realtime, AnEditThatDeepensPhraseCallsRenewsTheReserve) {
    Rig rig;
    Song song;
    Track& top = song.createPhrase();
    top.events.pushBack(note(60, 240));
    Track& t = song.createTrack();
    for (int k = 0; k < 20; ++k) t.events.pushBack(call(top, 0, 240));
    setSong(&song);
    startPlay();
    EXPECT_EQ(rig.countedPasses(300), 0);

    suspendEngine(false);
    std::vector<Track*> chain{&top};
    for (int i = 0; i < 20; ++i) chain.push_back(&song.createPhrase());
    for (size_t i = 0; i + 1 < chain.size(); ++i) {  // each call first in its phrase, long enough to play
        EventList& l = chain[i]->events;
        const Event c = call(*chain[i + 1], 0, i == 0 ? 0 : 240);
        chain[i]->push(makeInsert(*chain[i], {c}, l.empty() ? 0 : l.front().serial()));
    }
    chain.back()->events.pushBack(note(100, 0));
    // Resumed as from the user-interface thread, which runs no clock pass: the first pass that
    // plays the edited song is counted too.
    setWaitPumpForTests(nullptr);
    suspendEngine(true);
    setWaitPumpForTests([] { clockPass(); });
    const long notesBefore = rig.counts->notesOn;
    EXPECT_EQ(rig.countedPasses(2000), 0);
    gForeignLocks = 0;
    // The chain's end played at each call since the edit.
    EXPECT_GE(rig.counts->notesOn - notesBefore, 2 * 7);
    stopPlay();
}

// Playback reserves what a song can need, and no more: a deep call chain plays without its
// cursor growing, while a song of many plain tracks stays small.
TEST(Reserve, ACallChainPlaysWithinItsReserveAndPlainTracksStaySmall) {
    Song song;
    constexpr int kChain = 30;
    std::vector<Track*> chain;
    for (int i = 0; i < kChain; ++i) chain.push_back(&song.createPhrase());
    for (int i = 0; i < kChain; ++i) {
        chain[size_t(i)]->events.pushBack(note(uint8_t(40 + i), 0));
        if (i + 1 == kChain)
            for (uint8_t k = 0; k < 3; ++k) chain[size_t(i)]->events.pushBack(note(uint8_t(100 + k), 0));
        else chain[size_t(i)]->events.pushBack(call(*chain[size_t(i + 1)], 0, 0));
        chain[size_t(i)]->events.pushBack(note(90, 30));
    }
    Track& deep = song.createTrack();
    for (int k = 0; k < 8; ++k) deep.events.pushBack(call(*chain.front(), 0, 120));
    Track& cyclic = song.createTrack();  // calls a phrase that calls itself
    Track& self = song.createPhrase();
    self.events.pushBack(call(self, 0, 10));
    cyclic.events.pushBack(call(self, 0, 10));
    for (int i = 0; i < 500; ++i) song.createTrack();

    reservePlayback(song);
    const size_t frames = deep.cursor.frames.size();
    const size_t queue = deep.cursor.queue.capacity();
    EXPECT_GT(frames, size_t(kChain));
    EXPECT_EQ(cyclic.cursor.frames.size(), kFrameCapacity);
    const Track& plain = *song.tracks.back();
    EXPECT_EQ(plain.cursor.frames.size(), 1u);
    EXPECT_LE(plain.cursor.queue.capacity(), 8u);

    Emitter emitter;
    songLocate(song, 0, emitter);
    int deepest = 0;  // note-ons of the chain's last phrase: eight calls of three notes
    for (int32_t t = 1; t < 2000; ++t) {
        songAdvance(song, t, emitter);
        for (const OutputRecord& r : song.output.records)
            if ((r.status() & 0xF0) == 0x90 && ((r.message >> 8) & 0x7F) >= 100 && (r.message >> 16) != 0)
                ++deepest;
    }
    EXPECT_EQ(deepest, 8 * 3);
    EXPECT_EQ(deep.cursor.frames.size(), frames);
    EXPECT_EQ(deep.cursor.queue.capacity(), queue);
}

}  // namespace
