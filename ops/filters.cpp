#include "ops/filters.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>
#include <thread>

#include "io/file_util.h"

namespace tarvio {

const char kNewFilterName[] = "新規ルール";

namespace {

bool matches(const Filter& f, const Event& e) {
    switch (f.source) {
        case kSourceNoteOn: return e.kind() == EventKind::Note;
        case kSourceNoteOff: return e.kind() == EventKind::NoteOff;
        case kSourceKeyPress: return e.kind() == EventKind::PolyPressure && e.b[0] == f.parameter;
        case kSourceCC: return e.kind() == EventKind::Control && e.b[0] == f.parameter;
        case kSourceProgram: return e.kind() == EventKind::Program;
        case kSourceChPress: return e.kind() == EventKind::ChannelPressure;
        case kSourcePitch: return e.kind() == EventKind::PitchBend;
        default: return false;
    }
}

int64_t currentValue(const Event& e) {
    switch (e.kind()) {
        case EventKind::PolyPressure:
        case EventKind::Control: return e.b[1];
        case EventKind::PitchBend: return int64_t(e.b[0]) * 128 + e.b[1];
        case EventKind::Command: return int64_t(e.b[2]) * 128 + e.b[3];
        default: return e.b[0];  // note, note-off, program, channel pressure
    }
}

uint8_t data7(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 127)); }

// Keeps repeated arithmetic from overflowing; every field clamps far inside this range.
int64_t saturate(int64_t v) {
    return std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

void splitCommandValue(Event& e, int64_t v) {
    const int64_t w = std::clamp<int64_t>(v, 0, 16383);
    e.b[2] = uint8_t(w >> 7);
    e.b[3] = uint8_t(w & 127);
}

void writeValue(Event& e, int64_t v, bool setVal) {
    switch (e.kind()) {
        case EventKind::Note:
        case EventKind::NoteOff:
        case EventKind::ChannelPressure: e.b[0] = data7(v); break;
        case EventKind::PolyPressure:
        case EventKind::Control: e.b[1] = data7(v); break;
        case EventKind::Program:
            e.b[0] = data7(v);
            if (setVal) e.b[1] = e.b[2] = 0xFF;
            break;
        case EventKind::PitchBend: e.setBend(int(std::clamp<int64_t>(v, -8192, 8191))); break;
        case EventKind::Command: splitCommandValue(e, v); break;
        default: break;
    }
}

Event converted(const Event& y, const FilterRule& r, int64_t v) {
    Event c;
    const uint8_t target = uint8_t(r.value) & 0x7F;  // a MIDI data byte, never a register reference
    switch (r.option) {
        case kConvertKeyPress: c.setPolyPressure(target, data7(v)); break;
        case kConvertCC: c.setControl(target, data7(v)); break;
        case kConvertChPress: c.setChannelPressure(data7(v)); break;
        case kConvertPitch: c.setBend(int(std::clamp<int64_t>(v - 8192, -8192, 8191))); break;
        case kConvertProcedure:
            c.setCommand(uint16_t(r.value & 0xFFFF), 0, 0);
            splitCommandValue(c, v);
            break;
        default: return y;  // unknown target: the event stays as it is
    }
    c.step = y.step;
    return c;
}

Event copyOf(const Event& y) {
    Event c;
    c.setContent(y);
    c.step = y.step;
    return c;
}

// One rule on y: appends what it produces to out and updates v.
void runRule(const FilterRule& r, Event y, int64_t& v, std::vector<Event>& out) {
    switch (r.action) {
        case kActionDelete: return;
        case kActionLayer:
            out.push_back(copyOf(y));
            out.push_back(std::move(y));
            return;
        case kActionConvert: out.push_back(converted(y, r, v)); return;
        case kActionSetVal:
        case kActionAddVal:
        case kActionMulVal:
        case kActionDivVal:
            if (r.action == kActionDivVal && r.value == 0) break;  // undefined: leave the event alone
            if (r.action == kActionSetVal) v = r.value;
            if (r.action == kActionAddVal) v = saturate(v + r.value);
            if (r.action == kActionMulVal) v = saturate(v * r.value);
            if (r.action == kActionDivVal) v = saturate(v / r.value);
            writeValue(y, v, r.action == kActionSetVal);
            break;
        default: break;
    }
    out.push_back(std::move(y));
}

}  // namespace

std::vector<Event> applyFilter(const Filter& filter, const Event& event) {
    std::vector<Event> out{event};
    if (!filter.enabled || !matches(filter, event)) return out;
    int64_t v = currentValue(event);
    for (const FilterRule& r : filter.rules) {
        if (out.empty()) break;
        Event y = std::move(out.back());
        out.pop_back();
        runRule(r, std::move(y), v, out);
    }
    return out;
}

std::vector<Event> applyFilters(const FilterList& filters, const Event& event) {
    std::vector<Event> work{event};
    for (const Filter& f : filters) {
        if (!f.enabled) continue;
        Event last = std::move(work.back());
        work.pop_back();
        std::vector<Event> produced = applyFilter(f, last);
        if (produced.empty()) break;  // dropped: what earlier filters layered stays
        for (Event& e : produced) work.push_back(std::move(e));
    }
    return work;
}

std::string ruleText(const FilterRule& r) {
    char text[64];
    switch (r.action) {
        case kActionDelete: return "<delete>";
        case kActionLayer: return "<layer>";
        case kActionConvert:
            switch (r.option) {
                case kConvertKeyPress: return "<convert> to <KeyPress>";
                case kConvertCC: std::snprintf(text, sizeof text, "<convert> to <CC(%d)>", int(r.value)); return text;
                case kConvertChPress: return "<convert> to <Ch.Press>";
                case kConvertPitch: return "<convert> to <Pitch>";
                case kConvertProcedure:
                    std::snprintf(text, sizeof text, "<convert> to <Procedure(%d)>", int(r.value));
                    return text;
                default: return "<convert> to ";
            }
        case kActionSetVal: std::snprintf(text, sizeof text, "<set val>=<%d>", int(r.value)); return text;
        case kActionAddVal: std::snprintf(text, sizeof text, "<add val>+<%d>", int(r.value)); return text;
        case kActionMulVal: std::snprintf(text, sizeof text, "<mul val>+<%d>", int(r.value)); return text;
        case kActionDivVal: std::snprintf(text, sizeof text, "<div val>+<%d>", int(r.value)); return text;
        default: return std::string();
    }
}

FilterList parseFilters(const uint8_t* data, size_t size) {
    FilterList list;
    ByteReader r(data, size);
    uint32_t marker = 0;
    while (r.u32(marker) && marker == 1) {
        Filter f;
        uint8_t enabled = 0;
        if (!r.str(f.name) || !r.u8(enabled) || !r.i32(f.source) || !r.i32(f.parameter)) break;
        f.enabled = enabled ? 1 : 0;
        bool complete = false;
        uint32_t ruleMarker = 0;
        while (r.u32(ruleMarker)) {
            if (ruleMarker != 1) {
                complete = ruleMarker == 0;
                break;
            }
            FilterRule rule;
            if (!r.i32(rule.action) || !r.i32(rule.option) || !r.i32(rule.value)) break;
            f.rules.push_back(rule);
        }
        list.push_back(std::move(f));
        if (!complete) break;
    }
    return list;
}

std::vector<uint8_t> serializeFilters(const FilterList& filters) {
    std::vector<uint8_t> out;
    ByteWriter w{out};
    for (const Filter& f : filters) {
        w.u32(1);
        w.str(f.name);
        w.u8(f.enabled ? 1 : 0);
        w.i32(f.source);
        w.i32(f.parameter);
        for (const FilterRule& rule : f.rules) {
            w.u32(1);
            w.i32(rule.action);
            w.i32(rule.option);
            w.i32(rule.value);
        }
        w.u32(0);
    }
    w.u32(0);
    return out;
}

FilterList readFilterFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return {};
    return parseFilters(bytes.data(), bytes.size());
}

bool writeFilterFile(const std::string& path, const FilterList& filters) {
    return writeFileAtomic(path, serializeFilters(filters));
}

std::string filterFilePath() { return programFolder() + "/filter.dat"; }

namespace {

// The list is replaced whole; readers copy the pointer under a short spin claim and keep the
// list it points to alive for as long as they use it. Nothing else happens under the claim,
// so the input thread never waits for more than a pointer copy.
std::atomic_flag gFiltersClaim = ATOMIC_FLAG_INIT;
std::shared_ptr<const FilterList> gFilters = std::make_shared<const FilterList>();

template <class F>
void claimed(F&& f) {
    while (gFiltersClaim.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    f();
    gFiltersClaim.clear(std::memory_order_release);
}

}  // namespace

std::shared_ptr<const FilterList> currentFilters() {
    std::shared_ptr<const FilterList> snapshot;
    claimed([&] { snapshot = gFilters; });
    return snapshot;
}

void setFilters(FilterList filters) {
    std::shared_ptr<const FilterList> next = std::make_shared<const FilterList>(std::move(filters));
    claimed([&] { gFilters.swap(next); });
    // The old list is freed here, outside the claim, unless a reader still holds it.
}

void loadFilters() { setFilters(readFilterFile(filterFilePath())); }

bool saveFilters() { return writeFilterFile(filterFilePath(), *currentFilters()); }

}  // namespace tarvio
