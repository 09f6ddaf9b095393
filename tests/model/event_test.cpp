#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/event.h"

using namespace tarvio;

namespace {

std::vector<uint8_t> fileForm(const Event& e) {
    std::vector<uint8_t> out;
    encodeFileForm(e, out);
    return out;
}

std::vector<uint8_t> flatForm(const Event& e) {
    std::vector<uint8_t> out;
    encodeFlatForm(e, out);
    return out;
}

Event decodedFile(const std::vector<uint8_t>& bytes) {
    ByteReader r(bytes.data(), bytes.size());
    Event e(0);
    EXPECT_TRUE(decodeFileForm(r, e));
    EXPECT_TRUE(r.atEnd());
    return e;
}

ParameterBlock sampleBlock() {
    ParameterBlock blk;
    blk.count = 3;
    blk.records[0].raw[0] = 'a';
    blk.records[255].raw[63] = 0x5A;
    return blk;
}

// One event of every payload shape, for the tests that run over all of them.
std::vector<Event> sampleEvents() {
    std::vector<Event> v(8);
    v[0].setNote(60, 100, 480);
    v[1].setExclusive({0xF0, 0x41, 0xFC, 0xF7}, 5, 6);
    v[2].setPhraseCall(PhraseCallData{7, 120, -3, 9, 2});
    v[3].setClone(CloneData{-5, 2, -960});
    v[4].setComment("hello");
    v[5].setPluginParams(2, sampleBlock());
    v[6].setTempo(0x12345678);
    v[7].setRegisterOp(EventKind::Mov, 300, -2);
    int step = 10;
    for (Event& e : v) e.step = step++;
    return v;
}

}  // namespace

TEST(Event, RestsAndValueViews) {
    Event e;
    e.setNote(60, 100, 0);
    EXPECT_TRUE(e.isRest());
    e.setNote(60, 0, 96);
    EXPECT_TRUE(e.isRest());
    e.setNote(60, 100, 0x1234);
    EXPECT_FALSE(e.isRest());
    EXPECT_EQ(e.gate(), 0x1234);
    EXPECT_EQ(e.b[2], 0x34);
    e.setRest();
    EXPECT_EQ(e.kind(), EventKind::Note);
    EXPECT_EQ(e.b, (std::array<uint8_t, 4>{64, 0, 0, 0}));

    e.setRegisterOp(EventKind::IfLe, 300, -300);
    EXPECT_EQ(e.word0(), 300);
    EXPECT_EQ(e.operand(), -300);
}

TEST(Event, BendFromSignedValue) {
    Event e;
    e.setBend(-8192);
    EXPECT_EQ(e.b[0], 0);
    EXPECT_EQ(e.b[1], 0);
    e.setBend(8191);
    EXPECT_EQ(e.b[0], 127);
    EXPECT_EQ(e.b[1], 127);
    for (int v : {-1, 0, 1, 127, 128, -4000, 5000}) {
        e.setBend(v);
        EXPECT_EQ(e.signedBend(), v) << v;
    }
    e.setBend(20000);
    EXPECT_EQ(e.signedBend(), 8191);
    e.setBend(-20000);
    EXPECT_EQ(e.signedBend(), -8192);
}

TEST(Event, CopyOwnsItsOwnPayload) {
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
    ASSERT_NE(q.paramBlock(), nullptr);
    EXPECT_NE(q.paramBlock(), p.paramBlock());
    q.paramBlock()->count = 99;
    EXPECT_EQ(p.paramBlock()->count, 3);
    EXPECT_TRUE(q.sameContent(q));
    EXPECT_FALSE(q.sameContent(p));

    Event c(0);
    c.setContent(p);
    EXPECT_TRUE(c.sameContent(p));
    EXPECT_NE(c.paramBlock(), p.paramBlock());
}

TEST(Event, KindChangeReleasesPayload) {
    Event e;
    e.setPhraseCall(PhraseCallData{3, 0, 0, 0, 1});
    EXPECT_EQ(e.payloadTag(), PayloadTag::PhraseCall);
    e.setNote(60, 100, 10);
    EXPECT_EQ(e.payloadTag(), PayloadTag::None);
    EXPECT_EQ(e.phraseCall(), nullptr);
    e.setPhraseCall(PhraseCallData{4});
    EXPECT_EQ(e.phraseCall()->number, 4u);
    EXPECT_EQ(e.phraseCall()->mode, 0u);

    e.setPluginParams(0, sampleBlock());
    EXPECT_EQ(e.payloadTag(), PayloadTag::ParamBlock);
    e.setKindValue(EventKind::Control, 0x0A07);
    EXPECT_EQ(e.paramBlock(), nullptr);
    EXPECT_EQ(e.b, (std::array<uint8_t, 4>{7, 10, 0, 0}));
    e.setPluginParamsEmpty(1);
    EXPECT_EQ(e.payloadTag(), PayloadTag::None);

    e.setComment(std::string(40, 'x'));
    EXPECT_EQ(e.comment()->view(), std::string(32, 'x'));
    e.setLabel();
    EXPECT_EQ(e.comment(), nullptr);
}

TEST(EventEncoding, ExactFileBytes) {
    Event n;
    n.setNote(60, 100, 0x0102);
    n.step = 480;
    EXPECT_EQ(fileForm(n), (std::vector<uint8_t>{0x90, 0x00, 0xE0, 0x01, 0, 0, 60, 100, 0x02, 0x01}));

    Event c;
    c.setClone(CloneData{-2, 3, 0x01020304});
    c.step = -1;
    EXPECT_EQ(fileForm(c), (std::vector<uint8_t>{0x04, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0xFE, 4, 3, 2, 1}));

    Event t;
    t.setTempo(120);
    EXPECT_EQ(fileForm(t), (std::vector<uint8_t>{0x51, 0xFF, 0, 0, 0, 0, 120, 0, 0, 0}));

    Event x;
    x.setExclusive({0xF0, 0xF7}, 7, 8);
    EXPECT_EQ(fileForm(x), (std::vector<uint8_t>{0xF0, 0, 0, 0, 0, 0, 0, 0, 7, 8, 2, 0, 0, 0, 0xF0, 0xF7}));

    Event p;
    p.setPhraseCall(PhraseCallData{1, 2, -1, 4, 2});
    auto pb = fileForm(p);
    ASSERT_EQ(pb.size(), 26u);
    EXPECT_EQ(std::vector<uint8_t>(pb.begin() + 6, pb.begin() + 14), (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(pb[14], 0xFF);

    Event m;
    m.setComment(std::string(32, 'Z'));
    auto mb = fileForm(m);
    ASSERT_EQ(mb.size(), 38u);
    EXPECT_EQ(mb.back(), 'Z');
    Event back = decodedFile(mb);
    EXPECT_EQ(back.comment()->view(), std::string(32, 'Z'));
}

TEST(EventEncoding, RecordSizes) {
    std::vector<size_t> fileSizes = {10, 18, 26, 12, 38, 6 + 4 + 4 + 16384, 10, 10};
    std::vector<size_t> flatSizes = {10, 18, 26, 12, 38, 6, 10, 10};
    auto v = sampleEvents();
    for (size_t i = 0; i < v.size(); ++i) {
        EXPECT_EQ(fileForm(v[i]).size(), fileSizes[i]) << i;
        EXPECT_EQ(flatForm(v[i]).size(), flatSizes[i]) << i;
    }
}

TEST(EventEncoding, RoundTripKeepsContentAndStep) {
    auto v = sampleEvents();
    std::vector<uint8_t> file, flat;
    for (const Event& e : v) {
        encodeFileForm(e, file);
        encodeFlatForm(e, flat);
    }
    ByteReader rf(file.data(), file.size());
    ByteReader rl(flat.data(), flat.size());
    for (const Event& e : v) {
        Event a(0), b(0);
        ASSERT_TRUE(decodeFileForm(rf, a));
        ASSERT_TRUE(decodeFlatForm(rl, b));
        EXPECT_TRUE(a.sameContent(e)) << int(e.kind());
        EXPECT_EQ(a.step, e.step);
        EXPECT_EQ(b.step, e.step);
        if (e.kind() == EventKind::PluginParams) {
            EXPECT_EQ(b.kind(), EventKind::PluginParams);
            EXPECT_EQ(b.paramBlock(), nullptr);  // the clipboard carries no block
        } else {
            EXPECT_TRUE(b.sameContent(e)) << int(e.kind());
        }
    }
    EXPECT_TRUE(rf.atEnd());
    EXPECT_TRUE(rl.atEnd());
}

TEST(EventEncoding, TruncatedInputFails) {
    for (const Event& e : sampleEvents()) {
        for (bool flat : {false, true}) {
            auto bytes = flat ? flatForm(e) : fileForm(e);
            for (size_t n = 0; n < bytes.size(); ++n) {
                std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
                ByteReader r(cut.data(), cut.size());
                Event d(0);
                EXPECT_FALSE(flat ? decodeFlatForm(r, d) : decodeFileForm(r, d)) << int(e.kind()) << " at " << n;
            }
        }
    }
    // A byte count larger than what follows.
    std::vector<uint8_t> bad = {0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xF0};
    ByteReader r(bad.data(), bad.size());
    Event d(0);
    EXPECT_FALSE(decodeFileForm(r, d));
}
