// Playback reserves what a song can need, and no more: a deep call chain plays without its
// cursor growing, while a song of many plain tracks stays small.
#include <gtest/gtest.h>

#include "engine/emitter.h"
#include "engine/song_play.h"
#include "model/song.h"

namespace tarvio {
namespace {

Event stepped(Event e, int32_t step) {
    e.step = step;
    return e;
}

Event note(uint8_t key, int32_t step) {
    Event e;
    e.setNote(key, 100, 60);
    return stepped(e, step);
}

Event call(uint32_t number, int32_t step) {
    Event e;
    e.setPhraseCall(PhraseCallData{number, 0, 0, 0, 0});
    return stepped(e, step);
}

TEST(Reserve, ACallChainPlaysWithinItsReserveAndPlainTracksStaySmall) {
    Song song;
    constexpr int kChain = 30;
    std::vector<Track*> chain;
    for (int i = 0; i < kChain; ++i) chain.push_back(&song.createPhrase());
    for (int i = 0; i < kChain; ++i) {
        chain[size_t(i)]->events.pushBack(note(uint8_t(40 + i), 0));
        if (i + 1 == kChain)
            for (uint8_t k = 0; k < 3; ++k) chain[size_t(i)]->events.pushBack(note(uint8_t(100 + k), 0));
        else chain[size_t(i)]->events.pushBack(call(chain[size_t(i + 1)]->number, 0));
        chain[size_t(i)]->events.pushBack(note(90, 30));
    }
    Track& deep = song.createTrack();
    for (int k = 0; k < 8; ++k) deep.events.pushBack(call(chain.front()->number, 120));
    Track& cyclic = song.createTrack();  // calls a phrase that calls itself
    Track& self = song.createPhrase();
    self.events.pushBack(call(self.number, 10));
    cyclic.events.pushBack(call(self.number, 10));
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
}  // namespace tarvio
