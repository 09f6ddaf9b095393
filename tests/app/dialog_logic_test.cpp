// The settings dialogs' decisions without a window: port and device list texts and their
// mapping to stored numbers, and the filter editor's field rules.
#include <gtest/gtest.h>

#include "app/filter_editor.h"
#include "app/port_list.h"

using namespace tarvio;

namespace {

DeviceNames twoDevices() {
    DeviceNames n;
    n.out = {"Synth", "Loopback"};
    n.in = {"Keys"};
    n.unassigned = "none";
    return n;
}

TEST(PortList, RowsAndDeviceChoicesMapToStoredNumbers) {
    const DeviceNames n = twoDevices();
    EXPECT_EQ(outputPortRow(0, -1, n), "Port   1  none");
    EXPECT_EQ(outputPortRow(255, 1, n), "Port 256  Loopback");
    // A device the system no longer lists keeps its number and shows it.
    EXPECT_EQ(outputPortRow(3, 7, n), "Port   4  (7)");
    EXPECT_EQ(deviceRows(n), (std::vector<std::string>{"none", "Synth", "Loopback"}));
    for (int32_t device : {-1, 0, 1}) EXPECT_EQ(deviceOfRow(deviceRowOf(device, n)), device);
    EXPECT_EQ(deviceRowOf(-2, n), 0);
    EXPECT_EQ(deviceRowOf(7, n), -1);
}

TEST(PortList, PortChoicesShowNumberAndDeviceAndMapNoneToMinusOne) {
    const DeviceNames n = twoDevices();
    PortSetup setup;
    setup.outputMap[0] = 1;
    const PortChoices out = outputPortChoices(setup, n, true);
    ASSERT_EQ(out.size(), 257u);
    EXPECT_EQ(out[0].text, "[---]");
    EXPECT_EQ(out[1].text, "[001] Loopback");
    EXPECT_EQ(out[256].text, "[256] none");
    EXPECT_EQ(outputPortChoices(setup, n, false).front().port, 0);
    const PortChoices in = inputPortChoices(n);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[1].text, "[001] Keys");
    for (int32_t port : {-1, 0}) EXPECT_EQ(portOfChoice(in, choiceOf(in, port)), port);
    EXPECT_EQ(choiceOf(in, -5), 0);
    EXPECT_EQ(portOfChoice(in, 9), -1);
    // A stored input port without a device is listed rather than replaced by another.
    EXPECT_EQ(choiceOf(in, 4), -1);
    const PortChoices kept = withStoredPort(in, 4);
    EXPECT_EQ(portOfChoice(kept, choiceOf(kept, 4)), 4);
    EXPECT_EQ(withStoredPort(in, 0).size(), in.size());
}

TEST(FilterEditorRules, FieldsApplyOnlyWhereTheyMeanSomething) {
    for (int32_t s = kSourceNoteOn; s <= kSourcePitch; ++s)
        EXPECT_EQ(parameterRange(s).used, s == kSourceKeyPress || s == kSourceCC) << s;
    for (int32_t a = kActionDelete; a <= kActionDivVal; ++a) EXPECT_EQ(optionUsed(a), a == kActionConvert) << a;
    struct Case {
        FilterRule rule;
        bool acceptable;
    } cases[] = {
        {{kActionDivVal, 0, 0}, false},  // a division by 0 is refused
        {{kActionDivVal, 0, -3}, true},
        {{kActionConvert, kConvertCC, 127}, true},
        {{kActionConvert, kConvertCC, 128}, false},
        {{kActionConvert, kConvertProcedure, 65535}, true},
        {{kActionConvert, 5, 0}, false},
        {{kActionSetVal, 0, 16383}, true},
        {{kActionAddVal, 0, -16384}, false},
        {{7, 0, 0}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(acceptableRule(c.rule), c.acceptable) << ruleText(c.rule);
    // Fields that do not apply are stored as 0.
    EXPECT_EQ(normalizedRule({kActionDelete, 3, 9}), (FilterRule{kActionDelete, 0, 0}));
    EXPECT_EQ(normalizedRule({kActionConvert, kConvertPitch, 9}), (FilterRule{kActionConvert, kConvertPitch, 0}));
    EXPECT_EQ(normalizedRule({kActionMulVal, 2, 4}), (FilterRule{kActionMulVal, 0, 4}));
}

TEST(FilterEditorRules, EditingAFilterAndTheList) {
    FilterEditor e{Filter{}};
    EXPECT_EQ(e.filter().name, "新規ルール");
    EXPECT_TRUE(e.addRule({kActionLayer, 4, 4}));
    EXPECT_FALSE(e.addRule({kActionDivVal, 0, 0}));
    EXPECT_TRUE(e.addRule({kActionAddVal, 0, 12}));
    EXPECT_EQ(e.ruleTexts(), (std::vector<std::string>{"<layer>", "<add val>+<12>"}));
    EXPECT_EQ(e.moveRule(1, -1), 0);
    EXPECT_EQ(e.moveRule(0, -1), 0);  // the first cannot move up
    EXPECT_EQ(e.ruleTexts().front(), "<add val>+<12>");
    EXPECT_FALSE(e.removeRule(2));
    EXPECT_TRUE(e.removeRule(0));
    // The parameter of a source that ignores it is kept, not overwritten.
    e.setSource(kSourceCC, 7);
    e.setSource(kSourcePitch, 0);
    EXPECT_EQ(e.filter().parameter, 7);

    FilterListEditor list{FilterList{}};
    EXPECT_EQ(list.add(), 0);
    EXPECT_EQ(list.add(), 1);
    list.setEnabled(1, true);
    EXPECT_EQ(list.move(1, -1), 0);
    EXPECT_EQ(list.list()[0].enabled, 1);
    EXPECT_EQ(list.move(1, +1), 1);  // the last cannot move down
    EXPECT_EQ(list.remove(1), 0);    // the one before is selected
    EXPECT_EQ(list.remove(0), -1);   // none left
    EXPECT_EQ(list.remove(0), -1);
}

TEST(FilterEditorRules, VelocityValueRangeFollowsTheMode) {
    EXPECT_FALSE(velocityValueRange(0).used);
    EXPECT_EQ(velocityValueRange(1).min, 1);
    EXPECT_EQ(velocityValueRange(2).min, -126);
}

}  // namespace
