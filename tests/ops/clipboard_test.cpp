// The clipboard block: what survives a round trip, and that no malformed block gets through.
#include <gtest/gtest.h>

#include <vector>

#include "ops/clipboard.h"

using namespace tarvio;

namespace {

std::vector<EventList> sample() {
    std::vector<EventList> lists(2);
    Event n;
    n.setNote(60, 100, 240);
    n.step = 480;
    lists[0].pushBack(n);
    Event x;
    x.setExclusive({0xF0, 0x7E, 0xF7}, 3, 4);
    lists[0].pushBack(x);
    Event c;
    c.setComment("exactly thirty-two characters!!!");
    c.step = 5;
    lists[1].pushBack(c);
    Event p;
    ParameterBlock block;
    block.count = 3;
    p.setPluginParams(1, block);
    lists[1].pushBack(p);
    Event call;
    call.setPhraseCall({7, -5, 2, 1, 2});
    lists[1].pushBack(call);
    return lists;
}

}  // namespace

TEST(Clipboard, RoundTripKeepsContentAndDropsParameterBlocks) {
    const std::vector<EventList> in = sample();
    for (size_t count : {size_t(1), size_t(2)}) {
        std::vector<EventList> part(in.begin(), in.begin() + count);
        const std::vector<uint8_t> block = encodeClipboard(part);
        EXPECT_EQ(block[0], count == 1 ? 1 : 2);
        std::vector<EventList> out;
        ASSERT_TRUE(decodeClipboard(block.data(), block.size(), out));
        ASSERT_EQ(out.size(), count);
        for (size_t i = 0; i < count; ++i) {
            ASSERT_EQ(out[i].size(), part[i].size());
            auto a = part[i].begin();
            for (const Event& e : out[i]) {
                EXPECT_EQ(e.step, a->step);
                EXPECT_EQ(e.kind(), a->kind());
                if (e.kind() == EventKind::PluginParams)
                    EXPECT_EQ(e.paramBlock(), nullptr);
                else
                    EXPECT_TRUE(e.sameContent(*a)) << int(e.kind());
                ++a;
            }
        }
    }
}

TEST(Clipboard, MalformedBlocksFailAndLeaveNothing) {
    const std::vector<uint8_t> good = encodeClipboard(sample());
    auto words = [](std::vector<uint32_t> w) {
        std::vector<uint8_t> b;
        ByteWriter bw{b};
        for (uint32_t v : w) bw.u32(v);
        return b;
    };
    std::vector<std::vector<uint8_t>> bad = {
        {},
        words({0, 1, 0}),                 // unknown mode
        words({3, 1, 0}),
        words({1, 2, 0, 0}),              // one list announced as several
        words({2, 0xFFFFFFFF}),           // list count far beyond the bytes
        words({1, 1, 0xFFFFFFFF}),        // event count far beyond the bytes
        words({1, 1, 1}),                 // event count with no record
    };
    // An exclusive whose byte count runs past the block.
    std::vector<uint8_t> sysex = words({1, 1, 1});
    ByteWriter w{sysex};
    w.u16(uint16_t(EventKind::Exclusive));
    w.i32(0);
    w.u32(0);
    w.u32(0xFFFFFFF0);
    sysex.push_back(0xF0);
    bad.push_back(sysex);
    // Trailing bytes after the last list.
    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    bad.push_back(trailing);
    // Every truncation of a good block.
    for (size_t n = 0; n < good.size(); ++n) bad.emplace_back(good.begin(), good.begin() + n);

    for (size_t i = 0; i < bad.size(); ++i) {
        std::vector<EventList> out(1);
        EXPECT_FALSE(decodeClipboard(bad[i].data(), bad[i].size(), out)) << "case " << i;
        EXPECT_TRUE(out.empty()) << "case " << i;
    }
}
