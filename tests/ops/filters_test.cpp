// Input filters: rules and their chaining, the list texts, and "filter.dat".
#include <gtest/gtest.h>

#include <vector>

#include "ops/filters.h"

using namespace tarvio;

namespace {

using Rows = std::vector<std::vector<int>>;  // kind, b0, b1 of each event

Event make(EventKind k, uint8_t b0, uint8_t b1 = 0) {
    Event e;
    e.setKindValue(k, uint32_t(b0) | uint32_t(b1) << 8);
    return e;
}

Filter filter(int32_t source, int32_t parameter, std::vector<FilterRule> rules, bool enabled = true) {
    Filter f;
    f.enabled = enabled;
    f.source = source;
    f.parameter = parameter;
    f.rules = std::move(rules);
    return f;
}

Rows run(const FilterList& list, const Event& e) {
    Rows r;
    for (const Event& x : applyFilters(list, e)) r.push_back({int(x.kind()), x.b[0], x.b[1]});
    return r;
}

constexpr int kCC = int(EventKind::Control), kNote = int(EventKind::Note);

}  // namespace

TEST(Filters, ArithmeticOnTheMatchedMessageOnly) {
    const FilterList mul{filter(kSourceCC, 7, {{kActionMulVal, 0, 2}})};
    EXPECT_EQ(run(mul, make(EventKind::Control, 7, 50)), (Rows{{kCC, 7, 100}}));
    EXPECT_EQ(run(mul, make(EventKind::Control, 7, 80)), (Rows{{kCC, 7, 127}}));
    EXPECT_EQ(run(mul, make(EventKind::Control, 10, 50)), (Rows{{kCC, 10, 50}}));
    // Div Val 0 leaves the event and the value alone; the next rule works from the original.
    const FilterList div{filter(kSourceCC, 7, {{kActionDivVal, 0, 0}, {kActionAddVal, 0, -101}})};
    EXPECT_EQ(run(div, make(EventKind::Control, 7, 100)), (Rows{{kCC, 7, 0}}));
    // Set Val on a program also drops its bank.
    const Event p = applyFilters({filter(kSourceProgram, 0, {{kActionSetVal, 0, 3}})}, make(EventKind::Program, 5, 1))[0];
    EXPECT_EQ(p.b, (std::array<uint8_t, 4>{3, 0xFF, 0xFF, 0}));
}

TEST(Filters, LayerDeleteAndTheChain) {
    const Filter layer = filter(kSourceNoteOn, 0, {{kActionLayer, 0, 0}, {kActionAddVal, 0, 12}});
    const Event c60 = make(EventKind::Note, 60, 90);
    // A layer keeps the original and works on its copy; a later filter takes the last event of the
    // working list only, and a Delete there drops it.
    EXPECT_EQ(run({layer, filter(kSourceNoteOn, 0, {{kActionAddVal, 0, 1}})}, c60),
              (Rows{{kNote, 60, 90}, {kNote, 73, 90}}));
    EXPECT_EQ(run({layer, filter(kSourceNoteOn, 0, {{kActionDelete, 0, 0}})}, c60), (Rows{{kNote, 60, 90}}));
    const Filter pass = filter(kSourceCC, 7, {{kActionAddVal, 0, 1}});
    EXPECT_EQ(run({pass, filter(kSourceCC, 7, {{kActionDelete, 0, 0}})}, make(EventKind::Control, 7, 1)), Rows{});
    EXPECT_EQ(run({filter(kSourceCC, 7, {{kActionDelete, 0, 0}}, false)}, make(EventKind::Control, 7, 1)),
              (Rows{{kCC, 7, 1}}));
}

TEST(Filters, Conversions) {
    const Event pressure = make(EventKind::ChannelPressure, 64);
    EXPECT_EQ(run({filter(kSourceChPress, 0, {{kActionConvert, kConvertCC, 1}})}, pressure), (Rows{{kCC, 1, 64}}));
    const Event bend =
        applyFilters({filter(kSourceCC, 1, {{kActionConvert, kConvertPitch, 0}})}, make(EventKind::Control, 1, 100))[0];
    EXPECT_EQ(bend.signedBend(), 100 - 8192);
    // Procedure: index from the low 16 bits, the current value as high and low 7 bits, which
    // later arithmetic rewrites.
    const Event cmd = applyFilters({filter(kSourcePitch, 0, {{kActionConvert, kConvertProcedure, 0x1000C},
                                                             {kActionAddVal, 0, 3}})},
                                   make(EventKind::PitchBend, 0x41, 0x05))[0];
    EXPECT_EQ(cmd.kind(), EventKind::Command);
    EXPECT_EQ(cmd.word0(), 12);
    EXPECT_EQ(cmd.b[2] * 128 + cmd.b[3], 0x41 * 128 + 5 + 3);
}

// The texts that carry a value (the fixed ones are plain constants).
TEST(Filters, RuleTexts) {
    const std::vector<std::pair<FilterRule, const char*>> texts = {
        {{kActionConvert, kConvertCC, 1}, "<convert> to <CC(1)>"},
        {{kActionConvert, kConvertProcedure, 42}, "<convert> to <Procedure(42)>"},
        {{kActionSetVal, 0, -3}, "<set val>=<-3>"},
        {{kActionAddVal, 0, 12}, "<add val>+<12>"},
        {{kActionMulVal, 0, 2}, "<mul val>+<2>"},
        {{kActionDivVal, 0, 4}, "<div val>+<4>"},
    };
    for (const auto& [rule, text] : texts) EXPECT_EQ(ruleText(rule), text);
}

TEST(FilterFile, RoundTripAndDamagedFiles) {
    Filter a = filter(kSourceCC, 7, {{kActionAddVal, 0, -1}});
    a.name = "ab";
    EXPECT_EQ(serializeFilters({a}), (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 1, 3, 0, 0, 0, 7, 0, 0, 0,
                                                           1, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                                           0, 0, 0, 0, 0, 0, 0, 0}));
    Filter b = filter(kSourcePitch, 0, {{kActionConvert, kConvertProcedure, 9}, {kActionLayer, 0, 0}}, false);
    b.name = "音程";
    const FilterList list{a, b};
    const std::vector<uint8_t> data = serializeFilters(list);
    EXPECT_EQ(parseFilters(data.data(), data.size()), list);

    // Every truncation reads a prefix of the list (the last filter perhaps with fewer rules).
    for (size_t n = 0; n < data.size(); ++n) {
        const FilterList got = parseFilters(data.data(), n);
        ASSERT_LE(got.size(), list.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].name, list[i].name);
            EXPECT_LE(got[i].rules.size(), list[i].rules.size());
        }
    }
    const std::vector<uint8_t> huge = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'x'};  // a name beyond the file
    EXPECT_TRUE(parseFilters(huge.data(), huge.size()).empty());
    EXPECT_TRUE(readFilterFile("/nonexistent/filter.dat").empty());
}
