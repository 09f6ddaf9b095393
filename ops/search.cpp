#include "ops/search.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <memory>
#include <queue>

#include "model/pool.h"
#include "model/song.h"
#include "model/track.h"
#include "model/undo.h"
#include "ops/created_serials.h"
#include "ops/edit_scope.h"

namespace tarvio {

namespace {

constexpr const char* kFieldNames[kSearchFields] = {"Data", "Step", "Gate", "Vel"};
constexpr int64_t kMaxStep = 0x0FFFFFFF;
// How far ahead bulk removal and insertion load the list's index entries.
constexpr int kPrefetch = 16;

std::string withoutSpaces(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t') out += c;
    return out;
}

// ---- type codes ----

const char* typeCode(SearchType t) {
    switch (t) {
        case SearchType::All: return "A";
        case SearchType::Note: return "N";
        case SearchType::Pitch: return "P";
        case SearchType::ChPress: return "C";
        case SearchType::KeyPress: return "K";
        case SearchType::CC: return "CC";
        case SearchType::Procedure: return "PR";
    }
    return "A";
}

bool parseType(std::string_view code, SearchType& t) {
    std::string up;
    for (char c : code) up += char(std::toupper(static_cast<unsigned char>(c)));
    for (SearchType x : {SearchType::All, SearchType::Note, SearchType::Pitch, SearchType::ChPress,
                         SearchType::KeyPress, SearchType::CC, SearchType::Procedure})
        if (up == typeCode(x)) {
            t = x;
            return true;
        }
    return false;
}

EventKind kindOf(SearchType t) {
    switch (t) {
        case SearchType::Note: return EventKind::Note;
        case SearchType::Pitch: return EventKind::PitchBend;
        case SearchType::ChPress: return EventKind::ChannelPressure;
        case SearchType::KeyPress: return EventKind::PolyPressure;
        case SearchType::CC: return EventKind::Control;
        case SearchType::Procedure: return EventKind::Command;
        case SearchType::All: break;
    }
    return EventKind::None;
}

// ---- conditions ----

// A decimal number with an optional sign, or a note name: letter, optional '#' or '-', one
// octave digit (C4 = 60); a name below 0 counts as 0.
bool parseValue(std::string_view s, int64_t& v, bool& isName) {
    if (s.empty()) return false;
    static constexpr int kClass[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    const char c = char(std::toupper(static_cast<unsigned char>(s[0])));
    if (c >= 'A' && c <= 'G') {
        int pc = kClass[c - 'A'];
        size_t i = 1;
        if (i < s.size() && (s[i] == '#' || s[i] == '-')) pc += s[i++] == '#' ? 1 : -1;
        if (i + 1 != s.size() || s[i] < '0' || s[i] > '9') return false;
        v = std::max(0, pc + (s[i] - '0' + 1) * 12);
        isName = true;
        return true;
    }
    const bool plus = s[0] == '+';
    if (plus) s.remove_prefix(1);
    if (s.empty() || s[0] == '+' || (plus && s[0] == '-')) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    isName = false;
    return ec == std::errc() && end == s.data() + s.size();
}

// ---- conversion ----

struct FieldRange {
    int64_t lo, hi;
};

FieldRange rangeOf(EventKind k, int field) {
    switch (field) {
        case kData: return k == EventKind::PitchBend ? FieldRange{-8192, 8191} : FieldRange{0, 127};
        case kStep: return {0, kMaxStep};
        case kGate: return {1, 65535};
        default: return {0, 127};
    }
}

// Which of an event kind's fields are value bytes (which may hold a register reference, 128
// and above).
struct Layout {
    bool byte[4];
};

Layout layoutOf(EventKind k) {
    switch (k) {
        case EventKind::Note:
        case EventKind::PolyPressure:
        case EventKind::Control:
        case EventKind::Command: return {{true, false, false, true}};
        case EventKind::ChannelPressure: return {{true, false, false, false}};
        default: return {{false, false, false, false}};
    }
}

int64_t roundClamp(double x, FieldRange r) {
    x = std::round(x);  // halves away from zero
    if (x < double(r.lo)) return r.lo;
    if (x > double(r.hi)) return r.hi;
    return int64_t(x);
}

// Writes the script's conversion into e, whose fields were v before the change (e may be the
// event v was read from). Returns the new step.
int32_t convertEvent(const SearchScript& s, Event& e, const std::array<int64_t, 4>& v, int32_t step) {
    const EventKind from = e.kind();
    const EventKind to = s.newType ? kindOf(*s.newType) : from;
    const Layout src = layoutOf(from);
    std::array<int64_t, 4> r = v;
    std::array<bool, 4> given{};
    for (int f = 0; f < kSearchFields; ++f) {
        if (!s.expressions[f]) continue;
        const double x = s.expressions[f]->evaluate(v);
        if (std::isnan(x)) continue;
        r[f] = roundClamp(x, rangeOf(to, f));
        given[f] = true;
    }
    const int32_t newStep = given[kStep] ? int32_t(r[kStep]) : step;
    // A value byte keeps a register reference unless an expression replaces it.
    auto byteOf = [&](int f) -> uint8_t {
        if (!given[f] && src.byte[f] && r[f] >= 128 && r[f] <= 255) return uint8_t(r[f]);
        return uint8_t(std::clamp<int64_t>(r[f], 0, 127));
    };
    if (to == from) {
        auto set = [&](int f, uint8_t& b) {
            if (given[f]) b = uint8_t(r[f]);
        };
        switch (from) {
            case EventKind::Note:
                set(kData, e.b[0]);
                set(kVel, e.b[1]);
                if (given[kGate]) e.setNote(e.b[0], e.b[1], uint16_t(r[kGate]));
                break;
            case EventKind::PitchBend:
                if (given[kData]) e.setBend(int(r[kData]));
                break;
            case EventKind::ChannelPressure: set(kData, e.b[0]); break;
            case EventKind::PolyPressure:
            case EventKind::Control:
                set(kData, e.b[0]);
                set(kVel, e.b[1]);
                break;
            case EventKind::Command:
                set(kData, e.b[2]);
                set(kVel, e.b[3]);
                break;
            default: break;
        }
        return newStep;
    }
    switch (to) {
        case EventKind::Note:
            e.setNote(byteOf(kData), byteOf(kVel), uint16_t(std::clamp<int64_t>(r[kGate], 1, 65535)));
            break;
        case EventKind::PitchBend: e.setBend(int(std::clamp<int64_t>(r[kData], -8192, 8191))); break;
        case EventKind::ChannelPressure: e.setChannelPressure(byteOf(kData)); break;
        case EventKind::PolyPressure: e.setPolyPressure(byteOf(kData), byteOf(kVel)); break;
        case EventKind::Control: e.setControl(byteOf(kData), byteOf(kVel)); break;
        case EventKind::Command: e.setCommand(0, byteOf(kData), byteOf(kVel)); break;
        default: break;
    }
    return newStep;
}

// Finds events of a list in list order from where the last one was found: records kept in
// list order are found in one walk. Looks a serial up when it is not ahead.
class Seeker {
public:
    explicit Seeker(EventList& list) : list_(list), it_(list.end()) {}
    EventList::iterator seek(uint32_t serial) {
        if (started_)
            for (auto j = it_; j != list_.end(); ++j)
                if (j->serial() == serial) return it_ = j;
        started_ = true;
        return it_ = list_.find(serial);
    }
    void moveTo(EventList::iterator it) { it_ = it; }

private:
    EventList& list_;
    EventList::iterator it_;
    bool started_ = false;
};

// Calls f(iterator, tick) for every event of [start, end) that the script selects. Returns
// the tick where the walk stopped: end or beyond, or the list's length.
template <class List, class F>
int64_t forSelected(List& list, const SearchScript& s, int64_t start, int64_t end, F&& f) {
    int64_t tick = 0;
    for (auto it = list.begin(); it != list.end() && tick < end; ++it) {
        if (tick >= start && searchSelects(s, *it)) f(it, tick);
        tick += it->step;
    }
    return tick;
}

// Undo records of a million-event edit are tens of megabytes: taken from the event pool, they
// come in huge pages, so that filling them costs a few page faults rather than thousands.
template <class T>
using Records = std::vector<T, pool::Allocator<T>>;

// One search run over a list, in one walk from the first selected event (the caller found it;
// a redo walks from the list's start). Undo walks the list once in the same order: events made
// here go, changed steps and contents come back, removed events go back after the event that
// preceded them. A redo gives the events it makes the serials they had.
class SearchCommand final : public EditCommand {
public:
    SearchCommand(Track& t, const SearchScript& s, int64_t start, int64_t end, EventList::iterator first,
                  int64_t firstTick)
        : EditCommand(t), script_(s), start_(start), end_(end), first_(first), firstTick_(firstTick) {}

    void doIt() override {
        changed_.clear();
        payloads_.clear();
        removed_.clear();
        createdUsed_ = 0;
        selected_ = 0;
        EventList& list = container_.events;
        auto it = fresh_ ? first_ : list.begin();
        int64_t tick = fresh_ ? firstTick_ : 0;
        fresh_ = false;
        int64_t frontCarry = 0;  // removed steps at the list's start, for a rest put there
        uint32_t grown = 0;      // the kept event whose old step was recorded last
        const bool removes = script_.action == SearchAction::Delete || script_.action == SearchAction::Cut;
        auto ahead = it;  // kPrefetch events ahead of it while removing
        for (int i = 0; removes && i < kPrefetch && ahead != list.end(); ++i) ++ahead;
        while (it != list.end() && tick < end_) {
            if (removes && ahead != list.end()) list.prefetch((ahead++)->serial());
            const int32_t step = it->step;
            tick += step;
            if (tick - step < start_ || !searchSelects(script_, *it)) {
                ++it;
                continue;
            }
            ++selected_;
            switch (script_.action) {
                case SearchAction::Delete:
                case SearchAction::Cut: {
                    // Every selected event before it is gone: the one before it is kept.
                    uint32_t anchor = 0;
                    if (it == list.begin()) {
                        frontCarry += step;
                    } else {
                        auto kept = std::prev(it);
                        anchor = kept->serial();
                        if (step != 0) {
                            if (grown != anchor) record(*kept);
                            grown = anchor;
                            kept->step = int32_t(std::min<int64_t>(int64_t(kept->step) + step, INT32_MAX));
                        }
                    }
                    removed_.push_back({std::move(*it), anchor});
                    it = list.erase(it);  // the moved-from event still carries its serial
                    break;
                }
                case SearchAction::Mix: {
                    // The copy goes right after its original and takes over its step.
                    const auto v = searchValues(*it);
                    Event copy(0);
                    copy.setContent(*it);
                    copy.step = convertEvent(script_, copy, v, step);
                    record(*it);
                    it->step = 0;
                    it = std::next(insertCreated(list, std::next(it), std::move(copy)));
                    break;
                }
                default:
                    convert(*it);
                    ++it;
                    break;
            }
        }
        if (frontCarry > 0) {
            Event rest(0);
            rest.setRest();
            rest.step = int32_t(std::min<int64_t>(frontCarry, INT32_MAX));
            insertCreated(list, list.begin(), std::move(rest));
        }
    }

    void undo() override {
        EventList& list = container_.events;
        Seeker made(list);
        for (size_t i = 0; i < createdUsed_; ++i)
            if (auto it = made.seek(created_[i]); it != list.end()) made.moveTo(list.erase(it));
        Seeker back(list);
        size_t p = 0;
        for (size_t i = 0; i < changed_.size(); ++i) {
            const Changed& c = changed_[i];
            auto it = back.seek(c.serial);
            const bool full = p < payloads_.size() && payloads_[p].first == i;
            if (it != list.end()) {
                it->step = c.step;
                if (full)
                    it->setContent(payloads_[p].second);
                else if (c.content)
                    it->setKindValue(c.kind, c.value);
            }
            p += full;
        }
        Seeker anchors(list);
        for (size_t i = 0; i < removed_.size();) {
            const uint32_t anchor = removed_[i].anchor;
            auto pos = list.begin();
            if (anchor) {
                auto a = anchors.seek(anchor);
                pos = a == list.end() ? a : std::next(a);
            }
            for (; i < removed_.size() && removed_[i].anchor == anchor; ++i) {
                if (i + kPrefetch < removed_.size()) list.prefetch(removed_[i + kPrefetch].event.serial());
                list.insert(pos, std::move(removed_[i].event));
            }
        }
        changed_.clear();
        payloads_.clear();
        removed_.clear();
    }

private:
    struct Changed {
        uint32_t serial;
        int32_t step;  // before the change
        uint32_t value;
        EventKind kind;
        bool content;  // kind and value changed: restore them (or the payload entry's content)
    };
    struct Removed {
        Event event;
        uint32_t anchor;  // the kept event before it, 0 at the list's start
    };

    void convert(Event& e) {
        const auto v = searchValues(e);
        const int32_t step = e.step;
        const EventKind kind = e.kind();
        const uint32_t value = e.value32();
        const bool payload = e.payloadTag() != PayloadTag::None;
        Event old(0);
        if (payload) old.setContent(e);
        const int32_t newStep = convertEvent(script_, e, v, step);
        const bool content = e.kind() != kind || e.value32() != value;
        if (!content && newStep == step) return;
        if (content && payload) payloads_.emplace_back(changed_.size(), std::move(old));
        changed_.push_back({e.serial(), step, value, kind, content});
        e.step = newStep;
    }

public:
    int selected() const { return selected_; }

private:
    void record(const Event& e) { changed_.push_back({e.serial(), e.step, 0, e.kind(), false}); }

    EventList::iterator insertCreated(EventList& list, EventList::iterator pos, Event&& e) {
        return tarvio::insertCreated(list, pos, e, created_, createdUsed_);
    }

    SearchScript script_;
    int64_t start_, end_;
    EventList::iterator first_;
    int64_t firstTick_;
    bool fresh_ = true;
    int selected_ = 0;
    Records<Changed> changed_;                      // in list order
    std::vector<std::pair<size_t, Event>> payloads_;  // old contents with a payload, by changed_ index
    Records<Removed> removed_;                      // in list order
    Records<uint32_t> created_;                     // in list order
    size_t createdUsed_ = 0;
};

EventList copySelected(const EventList& list, const SearchScript& s, int64_t start, int64_t end, int& selected) {
    EventList out;
    int64_t last = -1;
    auto finishLast = [&](int64_t at) {
        if (last >= 0) out.back().step = int32_t(std::min<int64_t>(at - last, INT32_MAX));
    };
    const int64_t stop = forSelected(list, s, start, end, [&](auto it, int64_t tick) {
        if (last < 0 && tick > start) {
            Event rest(0);
            rest.setRest();
            rest.step = int32_t(std::min<int64_t>(tick - start, INT32_MAX));
            out.pushBack(std::move(rest));
        }
        finishLast(tick);
        Event c(0);
        c.setContent(*it);
        out.pushBack(std::move(c));
        last = tick;
        ++selected;
    });
    finishLast(std::min(end, stop));
    return out;
}

}  // namespace

// ---- script text ----

std::string formatSearchScript(const SearchForm& form) {
    static constexpr const char* kPrefix[] = {"/d ", "/c ", "/t ", "", "/m "};
    const bool converts = form.action == SearchAction::Convert || form.action == SearchAction::Mix;
    std::string s = kPrefix[int(form.action)];
    s += typeCode(form.type);
    if (converts && form.newType) s += std::string(":") + typeCode(*form.newType);
    for (int f = 0; f < kSearchFields; ++f) {
        std::string_view cond = form.conditions[f];
        if (f == kData) cond = cond.substr(0, cond.find('['));
        s += "," + withoutSpaces(cond);
        if (converts && !withoutSpaces(form.expressions[f]).empty()) s += ":" + withoutSpaces(form.expressions[f]);
    }
    return s;
}

bool parseSearchForm(std::string_view script, SearchForm& form, std::string& err) {
    SearchForm f;
    while (!script.empty() && (script.front() == ' ' || script.front() == '\t')) script.remove_prefix(1);
    if (!script.empty() && script.front() == '/') {
        const char a = script.size() > 1 ? char(std::tolower(static_cast<unsigned char>(script[1]))) : '\0';
        switch (a) {
            case 'd': f.action = SearchAction::Delete; break;
            case 'c': f.action = SearchAction::Copy; break;
            case 't': f.action = SearchAction::Cut; break;
            case 'm': f.action = SearchAction::Mix; break;
            default: err = "unknown action '" + std::string(script.substr(0, 2)) + "' (use /d, /c, /t or /m)"; return false;
        }
        script.remove_prefix(2);
    }
    std::vector<std::string> parts;
    for (;;) {
        const size_t comma = script.find(',');
        parts.push_back(std::string(script.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        script.remove_prefix(comma + 1);
    }
    if (parts.size() > 1 + kSearchFields) {
        err = "too many fields (type and four conditions at most)";
        return false;
    }
    const std::string type = withoutSpaces(parts[0]);
    const size_t colon = type.find(':');
    if (!parseType(type.substr(0, colon), f.type)) {
        err = "unknown type '" + type.substr(0, colon) + "' (use A, N, P, C, K, CC or PR)";
        return false;
    }
    if (colon != std::string::npos) {
        SearchType t;
        if (!parseType(type.substr(colon + 1), t) || t == SearchType::All) {
            err = "unknown new type '" + type.substr(colon + 1) + "' (use N, P, C, K, CC or PR)";
            return false;
        }
        f.newType = t;
    }
    for (int i = 0; i < kSearchFields && size_t(i) + 1 < parts.size(); ++i) {
        const std::string field = withoutSpaces(parts[size_t(i) + 1]);
        const size_t c = field.find(':');
        f.conditions[i] = field.substr(0, c);
        if (c != std::string::npos) f.expressions[i] = field.substr(c + 1);
    }
    SearchScript check;
    if (!compileSearch(f, check, err)) return false;
    form = std::move(f);
    return true;
}

bool parseCondition(std::string_view text, SearchCondition& out, std::string& err) {
    const std::string s = withoutSpaces(text);
    SearchCondition c;
    std::string_view body = s;
    if (!body.empty() && body.front() == '!') {
        c.negate = true;
        body.remove_prefix(1);
    }
    const size_t bar = body.find('_');
    bool isName = false;
    auto bound = [&](std::string_view part, int64_t& v) {
        if (part.empty()) return true;
        if (parseValue(part, v, isName)) return true;
        err = "invalid condition '" + s + "'";
        return false;
    };
    if (bar == std::string_view::npos) {
        if (!body.empty()) {
            int64_t v = 0;
            if (!bound(body, v)) return false;
            c.low = v;
            // A single note name is a lower bound: that note and everything above it.
            if (!isName) c.high = v;
        }
    } else {
        if (!bound(body.substr(0, bar), c.low) || !bound(body.substr(bar + 1), c.high)) return false;
        if (c.low > c.high) std::swap(c.low, c.high);
    }
    out = c;
    return true;
}

bool parseExpression(std::string_view text, SearchExpression& out, std::string& err) {
    const std::string s = withoutSpaces(text);
    SearchExpression x;
    size_t i = 0;
    auto fail = [&] {
        err = "invalid expression '" + s + "'";
        return false;
    };
    // A number: optional sign, then up to 16 digits and points.
    auto number = [&](double& v) {
        const size_t begin = i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const size_t digits = i;
        while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
        if (i == digits || i - digits > 16) return false;
        const char* first = s.data() + digits;
        auto [end, ec] = std::from_chars(first, s.data() + i, v);
        if (ec != std::errc() || end != s.data() + i) return false;
        if (s[begin] == '-') v = -v;
        return true;
    };
    if (i < s.size() && s[i] == '$') {
        static constexpr std::string_view kVars = "ksgv0123";
        const size_t k = i + 1 < s.size() ? kVars.find(char(std::tolower(static_cast<unsigned char>(s[i + 1]))))
                                          : std::string_view::npos;
        if (k == std::string_view::npos) return fail();
        x.variable = int(k % 4);
        i += 2;
    } else if (!number(x.number)) {
        return fail();
    }
    while (i < s.size()) {
        const char op = s[i++];
        double v = 0;
        if (std::string_view("+-*/%").find(op) == std::string_view::npos || !number(v)) return fail();
        x.ops.emplace_back(op, v);
    }
    out = std::move(x);
    return true;
}

double SearchExpression::evaluate(const std::array<int64_t, 4>& values) const {
    double acc = variable >= 0 ? double(values[size_t(variable)]) : number;
    for (auto [op, v] : ops) {
        switch (op) {
            case '+': acc += v; break;
            case '-': acc -= v; break;
            case '*': acc *= v; break;
            case '/':
                if (v != 0) acc /= v;
                break;
            case '%':
                // Remainder of the truncated operands; a divisor that truncates to 0 is skipped
                // like a 0 (it would divide by zero).
                if (std::trunc(v) != 0) acc = std::fmod(std::trunc(acc), std::trunc(v));
                break;
        }
    }
    return acc;
}

bool compileSearch(const SearchForm& form, SearchScript& out, std::string& err) {
    SearchScript s;
    s.action = form.action;
    s.type = form.type;
    if (form.newType && *form.newType == SearchType::All) {
        err = "the new type cannot be A";
        return false;
    }
    s.newType = form.newType;
    const bool converts = form.action == SearchAction::Convert || form.action == SearchAction::Mix;
    for (int f = 0; f < kSearchFields; ++f) {
        std::string_view cond = form.conditions[f];
        if (f == kData) cond = cond.substr(0, cond.find('['));
        if (!parseCondition(cond, s.conditions[f], err)) {
            err = std::string(kFieldNames[f]) + ": " + err;
            return false;
        }
        if (withoutSpaces(form.expressions[f]).empty()) continue;
        SearchExpression x;
        if (!parseExpression(form.expressions[f], x, err)) {
            err = std::string(kFieldNames[f]) + ": " + err;
            return false;
        }
        if (converts) s.expressions[f] = std::move(x);
    }
    if (!converts) s.newType.reset();
    out = std::move(s);
    return true;
}

bool parseSearchScript(std::string_view script, SearchScript& out, std::string& err) {
    SearchForm form;
    return parseSearchForm(script, form, err) && compileSearch(form, out, err);
}

// ---- selection ----

std::array<int64_t, 4> searchValues(const Event& e) {
    std::array<int64_t, 4> v{0, e.step, 0, 0};
    switch (e.kind()) {
        case EventKind::Note:
            v[kData] = e.b[0];
            v[kGate] = e.gate();
            v[kVel] = e.b[1];
            break;
        case EventKind::PitchBend: v[kData] = e.signedBend(); break;
        case EventKind::ChannelPressure: v[kData] = e.b[0]; break;
        case EventKind::PolyPressure:
        case EventKind::Control:
            v[kData] = e.b[0];
            v[kVel] = e.b[1];
            break;
        case EventKind::Command:
            v[kData] = e.b[2];
            v[kVel] = e.b[3];
            break;
        default: break;
    }
    return v;
}

bool searchSelects(const SearchScript& s, const Event& e) {
    if (s.type != SearchType::All && e.kind() != kindOf(s.type)) return false;
    const auto v = searchValues(e);
    for (int f = 0; f < kSearchFields; ++f)
        if (!s.conditions[f].matches(v[f])) return false;
    return true;
}

// ---- running ----

SearchResult runSearch(Song& song, Track& track, const SearchScript& script, int64_t start, int64_t end) {
    SearchResult r;
    start = std::max<int64_t>(start, 0);
    if (end <= start) return r;
    if (script.action == SearchAction::Copy || script.action == SearchAction::Cut)
        r.copied = copySelected(track.events, script, start, end, r.selected);
    if (script.action == SearchAction::Copy) return r;
    // The first selected event, so that the edit starts there (and none is no edit).
    int64_t tick = 0;
    auto it = track.events.begin();
    for (; it != track.events.end() && tick < end; tick += it->step, ++it)
        if (tick >= start && searchSelects(script, *it)) break;
    if (it == track.events.end() || tick >= end) return r;
    EditScope scope(song, track);
    auto cmd = std::make_unique<SearchCommand>(track, script, start, end, it, tick);
    SearchCommand& done = *cmd;
    track.push(std::move(cmd));
    r.selected = done.selected();
    return r;
}

bool runSearch(Song& song, Track& track, std::string_view script, int64_t start, int64_t end, SearchResult& result,
               std::string& err) {
    SearchScript s;
    if (!parseSearchScript(script, s, err)) return false;
    result = runSearch(song, track, s, start, end);
    return true;
}

// ---- sort ----

namespace {

// The order a selection sort gives that exchanges position i with the first extreme key of
// the positions from i on, found in O(n log n): per key a heap of the positions holding it.
// cur[p] is the index of the content at position p.
void selectionOrder(const std::vector<uint8_t>& keys, bool ascending, std::vector<size_t>& cur) {
    const size_t n = keys.size();
    std::array<std::priority_queue<size_t, std::vector<size_t>, std::greater<size_t>>, 256> heaps;
    for (size_t p = 0; p < n; ++p) heaps[keys[p]].push(p);
    auto keyAt = [&](size_t p) { return keys[cur[p]]; };
    int lowest = 0, highest = 255;  // bounds of the keys still present
    for (size_t i = 0; i < n; ++i) {
        while (heaps[size_t(lowest)].empty()) ++lowest;
        while (heaps[size_t(highest)].empty()) --highest;
        const int best = ascending ? lowest : highest;
        const size_t m = heaps[size_t(best)].top();
        heaps[size_t(best)].pop();
        if (m == i) continue;
        // i is the smallest position left, so it heads its key's heap; its content moves to m.
        auto& own = heaps[keyAt(i)];
        own.pop();
        own.push(m);
        std::swap(cur[i], cur[m]);
    }
}

}  // namespace

int sortNotes(Song& song, Track& track, int64_t start, int64_t end, SortOrder order, SearchRandom& random) {
    std::vector<EventList::iterator> notes;
    int64_t tick = 0;
    for (auto it = track.events.begin(); it != track.events.end() && tick < end; ++it) {
        if (tick >= start && it->kind() == EventKind::Note && !it->isRest()) notes.push_back(it);
        tick += it->step;
    }
    const size_t n = notes.size();
    std::vector<size_t> cur(n);
    for (size_t i = 0; i < n; ++i) cur[i] = i;
    if (order == SortOrder::Shuffle) {
        for (size_t i = 0; i < n; ++i) {
            const size_t r = size_t(random.next()) % (n - i);
            if (r > 0) std::swap(cur[i], cur[i + r - 1]);
        }
    } else {
        std::vector<uint8_t> keys(n);
        for (size_t i = 0; i < n; ++i) keys[i] = notes[i]->b[0];
        selectionOrder(keys, order == SortOrder::Ascending, cur);
    }
    std::vector<SetContentCommand::Change> changes;
    for (size_t i = 0; i < n; ++i) {
        const Event& from = *notes[cur[i]];
        if (cur[i] != i && !from.sameContent(*notes[i])) {
            Event c(0);
            c.setContent(from);
            changes.push_back({notes[i]->serial(), std::move(c)});
        }
    }
    if (changes.empty()) return 0;
    const int changed = int(changes.size());
    EditScope scope(song, track);
    track.push(std::make_unique<SetContentCommand>(track, std::move(changes)));
    return changed;
}

}  // namespace tarvio
