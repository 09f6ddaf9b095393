// The clipboard block: what survives a round trip, and that no malformed block gets through.
#include <gtest/gtest.h>

#include "ops/clipboard.h"

using namespace tarvio;

namespace {

std::vector<EventList> sample() {
    std::vector<EventList> lists(2);
    Event e[4];
    e[0].setNote(60, 100, 240);
    e[0].step = 480;
    e[1].setExclusive({0xF0, 0x7E, 0xF7}, 3, 4);
    e[2].setComment("exactly thirty-two characters!!!");
    e[2].step = 5;
    ParameterBlock block;
    block.count = 3;
    e[3].setPluginParams(1, block);
    for (int i = 0; i < 4; ++i) lists[i / 2].pushBack(e[i]);
    return lists;
}

std::vector<uint8_t> words(std::vector<uint32_t> w) {
    std::vector<uint8_t> b;
    for (uint32_t v : w) ByteWriter{b}.u32(v);
    return b;
}

}  // namespace

TEST(Clipboard, RoundTripKeepsContentAndDropsParameterBlocks) {
    const std::vector<EventList> in = sample();
    for (size_t count : {1, 2}) {
        const std::vector<EventList> part(in.begin(), in.begin() + count);
        const std::vector<uint8_t> block = encodeClipboard(part);
        EXPECT_EQ(block[0], count == 1 ? 1 : 2);
        std::vector<EventList> out;
        ASSERT_TRUE(decodeClipboard(block.data(), block.size(), out));
        ASSERT_EQ(out.size(), count);
        for (size_t i = 0; i < count; ++i) {
            ASSERT_EQ(out[i].size(), 2u);
            for (auto a = part[i].begin(); const Event& e : out[i]) {
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
    std::vector<std::vector<uint8_t>> bad = {
        words({0, 1, 0}),        // unknown modes
        words({3, 1, 0}),
        words({1, 2, 0, 0}),     // one list announced as several
        words({2, 0xFFFFFFFF}),  // counts far beyond the bytes
        words({1, 1, 0xFFFFFFFF}),
        // An exclusive whose byte count runs past the block.
        words({1, 1, 1, uint32_t(EventKind::Exclusive), 0, 0xFFFF0000, 0xF0}),
    };
    bad.push_back(good);
    bad.back().push_back(0);  // trailing bytes
    for (size_t n = 0; n < good.size(); ++n) bad.emplace_back(good.begin(), good.begin() + n);

    for (size_t i = 0; i < bad.size(); ++i) {
        std::vector<EventList> out(1);
        EXPECT_FALSE(decodeClipboard(bad[i].data(), bad[i].size(), out)) << "case " << i;
        EXPECT_TRUE(out.empty()) << "case " << i;
    }
}
