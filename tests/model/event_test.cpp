#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "model/event.h"

using namespace tarvio;

namespace {

std::vector<uint8_t> encode(const Event& e, bool flat) {
    std::vector<uint8_t> out;
    if (flat) encodeFlatForm(e, out);
    else encodeFileForm(e, out);
    return out;
}

bool decode(const std::vector<uint8_t>& bytes, size_t n, bool flat, Event& e, bool* atEnd = nullptr) {
    ByteReader r(bytes.data(), n);
    bool ok = flat ? decodeFlatForm(r, e) : decodeFileForm(r, e);
    if (atEnd) *atEnd = r.atEnd();
    return ok;
}

ParameterBlock sampleBlock() {
    ParameterBlock blk;
    blk.count = 3;
    blk.records[0].raw[0] = 'a';
    blk.records[255].raw[63] = 0x5A;
    return blk;
}

}  // namespace

TEST(Event, NoteRestAndBendRules) {
    Event e;
    for (auto [vel, gate, rest] : {std::tuple{100, 0, true}, {0, 96, true}, {100, 0x1234, false}}) {
        e.setNote(60, uint8_t(vel), uint16_t(gate));
        EXPECT_EQ(e.isRest(), rest) << vel << "/" << gate;
    }
    EXPECT_EQ(e.gate(), 0x1234);
    e.setRest();
    EXPECT_EQ(e.b, (std::array<uint8_t, 4>{64, 0, 0, 0}));

    // Bend: signed round trip, clamped at both ends.
    for (auto [in, out] : {std::pair{8191, 8191}, {-1, -1}, {-4000, -4000}, {20000, 8191}, {-20000, -8192}}) {
        e.setBend(in);
        EXPECT_EQ(e.signedBend(), out) << in;
    }
    e.setBend(-8192);
    EXPECT_EQ(e.b[0] | e.b[1], 0);
}

TEST(Event, PayloadIsOwnedAndReleased) {
    Event x;
    x.setExclusive({0xF0, 1, 0xF7});
    Event y = x;
    y.bytes()->push_back(9);
    EXPECT_EQ(x.bytes()->size(), 3u);
    EXPECT_EQ(y.serial(), x.serial());

    Event p;
    p.setPluginParams(1, sampleBlock());
    Event q(0);
    q = p;
    q.paramBlock()->count = 99;
    EXPECT_EQ(p.paramBlock()->count, 3);
    EXPECT_FALSE(q.sameContent(p));
    Event c(0);
    c.setContent(p);
    EXPECT_TRUE(c.sameContent(p));
    EXPECT_NE(c.paramBlock(), p.paramBlock());

    // Changing kind drops the old payload; a new one starts clean.
    Event e;
    e.setPhraseCall(PhraseCallData{3, 0, 0, 0, 1});
    e.setNote(60, 100, 10);
    EXPECT_EQ(e.payloadTag(), PayloadTag::None);
    e.setPhraseCall(PhraseCallData{4});
    EXPECT_EQ(e.phraseCall()->mode, 0u);
    e.setPluginParams(0, sampleBlock());
    e.setKindValue(EventKind::Control, 0x0A07);
    EXPECT_EQ(e.paramBlock(), nullptr);
    e.setPluginParamsEmpty(1);
    EXPECT_EQ(e.payloadTag(), PayloadTag::None);
    e.setComment(std::string(40, 'x'));
    EXPECT_EQ(e.comment()->view(), std::string(32, 'x'));
    e.setLabel();
    EXPECT_EQ(e.comment(), nullptr);
}

TEST(EventEncoding, EveryKindRoundTripsAndRejectsTruncation) {
    std::vector<Event> v(8);
    v[0].setNote(60, 100, 480);
    v[1].setExclusive({0xF0, 0x41, 0xFC, 0xF7}, 5, 6);
    v[2].setPhraseCall(PhraseCallData{7, 120, -3, 9, 2});
    v[3].setClone(CloneData{-5, 2, -960});
    v[4].setComment(std::string(32, 'Z'));
    v[5].setPluginParams(2, sampleBlock());  // the clipboard form carries no block
    v[6].setTempo(0x12345678);
    v[7].setRegisterOp(EventKind::Mov, 300, -2);
    const size_t sizes[2][8] = {{10, 18, 26, 12, 38, 6 + 4 + 4 + 16384, 10, 10}, {10, 18, 26, 12, 38, 6, 10, 10}};

    for (size_t i = 0; i < v.size(); ++i) {
        v[i].step = int32_t(10 + i);
        for (bool flat : {false, true}) {
            auto bytes = encode(v[i], flat);
            EXPECT_EQ(bytes.size(), sizes[flat][i]) << i;
            Event d(0);
            bool atEnd = false;
            ASSERT_TRUE(decode(bytes, bytes.size(), flat, d, &atEnd));
            EXPECT_TRUE(atEnd);
            EXPECT_EQ(d.step, v[i].step);
            EXPECT_EQ(d.kind(), v[i].kind());
            EXPECT_TRUE(d.sameContent(v[i]) || (flat && i == 5 && !d.paramBlock())) << i << " flat=" << flat;
            for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(decode(bytes, n, flat, d)) << i << " at " << n;
        }
    }
    // Exact file bytes of a note, a clone and an exclusive message: kind, step, then fields.
    EXPECT_EQ(encode(v[0], false), (std::vector<uint8_t>{0x90, 0, 10, 0, 0, 0, 60, 100, 0xE0, 0x01}));
    EXPECT_EQ(encode(v[3], false), (std::vector<uint8_t>{0x04, 0x01, 13, 0, 0, 0, 2, 0xFB, 0x40, 0xFC, 0xFF, 0xFF}));
    EXPECT_EQ(encode(v[1], false),
              (std::vector<uint8_t>{0xF0, 0, 11, 0, 0, 0, 0, 0, 5, 6, 4, 0, 0, 0, 0xF0, 0x41, 0xFC, 0xF7}));
    // A byte count larger than what follows.
    std::vector<uint8_t> bad = {0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xF0};
    EXPECT_FALSE(decode(bad, bad.size(), false, v[0]));
}
