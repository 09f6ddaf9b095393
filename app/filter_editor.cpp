#include "app/filter_editor.h"

#include <algorithm>

namespace tarvio {

namespace {

constexpr int kOperandLimit = 16383;  // a pitch-bend value's range, the widest a filter sees

bool validIndex(const auto& list, int index) { return index >= 0 && size_t(index) < list.size(); }

}  // namespace

FieldRange parameterRange(int32_t source) {
    if (source == kSourceKeyPress || source == kSourceCC) return {true, 0, 127};
    return {false, 0, 0};
}

bool optionUsed(int32_t action) { return action == kActionConvert; }

FieldRange valueRange(int32_t action, int32_t option) {
    switch (action) {
        case kActionConvert:
            if (option == kConvertKeyPress || option == kConvertCC) return {true, 0, 127};
            if (option == kConvertProcedure) return {true, 0, 65535};
            return {false, 0, 0};
        case kActionSetVal:
        case kActionAddVal:
        case kActionMulVal:
        case kActionDivVal: return {true, -kOperandLimit, kOperandLimit};
        default: return {false, 0, 0};
    }
}

bool acceptableRule(const FilterRule& rule) {
    if (rule.action < kActionDelete || rule.action > kActionDivVal) return false;
    if (optionUsed(rule.action) && (rule.option < kConvertKeyPress || rule.option > kConvertProcedure)) return false;
    const FieldRange r = valueRange(rule.action, rule.option);
    if (r.used && (rule.value < r.min || rule.value > r.max)) return false;
    return !(rule.action == kActionDivVal && rule.value == 0);
}

FilterRule normalizedRule(FilterRule rule) {
    if (!optionUsed(rule.action)) rule.option = 0;
    if (!valueRange(rule.action, rule.option).used) rule.value = 0;
    return rule;
}

void FilterEditor::setSource(int32_t source, int32_t parameter) {
    filter_.source = source;
    // A parameter the source does not use keeps its stored value; it is only hidden.
    if (parameterRange(source).used) filter_.parameter = parameter;
}

bool FilterEditor::addRule(const FilterRule& rule) {
    const FilterRule r = normalizedRule(rule);
    if (!acceptableRule(r)) return false;
    filter_.rules.push_back(r);
    return true;
}

bool FilterEditor::removeRule(int index) {
    if (!validIndex(filter_.rules, index)) return false;
    filter_.rules.erase(filter_.rules.begin() + index);
    return true;
}

std::vector<std::string> FilterEditor::ruleTexts() const {
    std::vector<std::string> texts;
    for (const FilterRule& r : filter_.rules) texts.push_back(ruleText(r));
    return texts;
}

int FilterListEditor::add() {
    list_.push_back(Filter{});
    return int(list_.size()) - 1;
}

int FilterListEditor::remove(int index) {
    if (validIndex(list_, index)) list_.erase(list_.begin() + index);
    return std::min(index, int(list_.size()) - 1);
}

void FilterListEditor::setEnabled(int index, bool on) {
    if (validIndex(list_, index)) list_[size_t(index)].enabled = on ? 1 : 0;
}

void FilterListEditor::replace(int index, Filter filter) {
    if (validIndex(list_, index)) list_[size_t(index)] = std::move(filter);
}

}  // namespace tarvio
