#include "editor/rows.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "model/song.h"
#include "model/track.h"

namespace tarvio::rows {

namespace {

constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

// One code point of UTF-8 text: its length in bytes and its width in cells. A byte that does
// not start a valid sequence counts as one narrow character of its own.
struct Glyph {
    uint32_t cp;
    int len;
    bool valid;
};

Glyph decode(std::string_view s, size_t i) {
    const uint8_t c = uint8_t(s[i]);
    if (c < 0x80) return {c, 1, true};
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + size_t(len) > s.size()) return {c, 1, false};
    uint32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        const uint8_t t = uint8_t(s[i + size_t(k)]);
        if ((t & 0xC0) != 0x80) return {c, 1, false};
        cp = (cp << 6) | (t & 0x3F);
    }
    return {cp, len, true};
}

// East Asian wide characters take two cells of the fixed-pitch font.
int cellWidth(uint32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
                   (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                   (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                   (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD)
               ? 2
               : 1;
}

int widthOf(std::string_view s) {
    int w = 0;
    for (size_t i = 0; i < s.size();) {
        if (uint8_t(s[i]) < 0x80) {
            ++w, ++i;
            continue;
        }
        const Glyph g = decode(s, i);
        w += g.valid ? cellWidth(g.cp) : 1;
        i += size_t(g.len);
    }
    return w;
}

// The first n cells of the text, never splitting a character.
std::string_view firstCells(std::string_view s, int n) {
    int w = 0;
    size_t i = 0;
    while (i < s.size()) {
        const Glyph g = decode(s, i);
        w += g.valid ? cellWidth(g.cp) : 1;
        if (w > n) break;
        i += size_t(g.len);
    }
    return s.substr(0, i);
}

// Builds one text the way the row layout writes it: fields padded to their widths.
class Text {
public:
    Text(Row& row, int column, ColorRole role) : t_(row.texts.emplace_back()) {
        t_.column = int8_t(column);
        t_.role = role;
    }
    Text& sp(int n) {
        const size_t at = std::min<size_t>(t_.size, sizeof t_.bytes);
        const size_t k = std::min<size_t>(size_t(std::max(n, 0)), sizeof t_.bytes - at);
        std::memset(t_.bytes + at, ' ', k);
        t_.size = uint8_t(at + k);
        return *this;
    }
    // Whole characters only: a text that would overrun its storage stops before the character.
    Text& str(std::string_view s) {
        for (size_t i = 0; i < s.size();) {
            if (uint8_t(s[i]) < 0x80) {
                put(s[i++]);
                continue;
            }
            const Glyph g = decode(s, i);
            if (t_.size + g.len > int(sizeof t_.bytes)) break;
            for (int k = 0; k < g.len; ++k) t_.bytes[t_.size++] = s[i + size_t(k)];
            i += size_t(g.len);
        }
        return *this;
    }
    Text& left(std::string_view s, int w) { return str(s).sp(w - widthOf(s)); }   // %-ws
    Text& right(std::string_view s, int w) { return sp(w - widthOf(s)).str(s); }  // %ws
    Text& num(int64_t v, int w) {
        char b[24];
        const auto r = std::to_chars(b, b + sizeof b, v);
        return right(std::string_view(b, size_t(r.ptr - b)), w);
    }
    Text& zeros(int64_t v, int digits) {  // %0<digits>d of a value of at most that many digits
        char b[24];
        const auto r = std::to_chars(b, b + sizeof b, v);
        for (int n = int(r.ptr - b); n < digits; ++n) put('0');
        return str(std::string_view(b, size_t(r.ptr - b)));
    }
    Text& reg(int value, int spaces) {  // a register reference: "$%3d" after some spaces
        return sp(spaces).str("$").num(value, 3);
    }

private:
    void put(char c) {
        if (t_.size < sizeof t_.bytes) t_.bytes[t_.size++] = c;
    }
    RowText& t_;
};

// A tick, step or gate number: lead spaces, then the number in width cells; with an input digit
// k the low k digits are set apart in the low-digit colour.
void splitNumber(Row& row, int column, int lead, int width, int64_t value, ColorRole role, int k) {
    if (k <= 0) {
        Text(row, column, role).sp(lead).num(value, width);
        return;
    }
    int64_t scale = 1;
    for (int i = 0; i < k; ++i) scale *= 10;
    Text(row, column, role).sp(lead).num(value / scale, width - k);
    const int64_t low = value % scale;
    Text(row, column, ColorRole::LowDigit).sp(lead + width - k).zeros(low < 0 ? -low : low, k);
}

void ghostText(Row& row) { Text(row, kDataOrigin, ColorRole::Rest).str("  |Ghost").sp(14); }

constexpr const char* kPitchNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
constexpr const char* kRootNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// The data text of a note: key and velocity; "rest" for a note that sounds nothing.
void noteText(Row& row, const Event& e) {
    const int key = e.b[0], vel = e.b[1];
    if (e.isRest()) {
        Text(row, kDataOrigin, ColorRole::Rest).str("rest").sp(27).num(vel, 5);
        return;
    }
    if (key < 128)
        Text(row, kDataOrigin, ColorRole::Text).left(noteName(key), 4).sp(1).num(key, 3);
    else
        Text(row, kDataOrigin, ColorRole::Text).str("Note").reg(key - 128, 0);
    if (vel < 128)
        Text(row, kDataOrigin, ColorRole::Text).sp(31).num(vel, 5);
    else
        Text(row, kDataOrigin, ColorRole::Text).reg(vel - 128, 32);
}

void commandText(Row& row, const Song& song, const Event& e) {
    const uint16_t index = e.word0();
    const CommandDef* def = index < song.commands.size() ? &song.commands[index] : nullptr;
    const int type = def ? def->type : -1;
    const int b2 = e.b[2], b3 = e.b[3];
    const bool reg = b3 >= 128;
    if (type < 0 || type > 2) {
        Text(row, kDataOrigin, ColorRole::Command).str("Procedure [").num(index, 3).str("]");
        return;
    }
    Text t(row, kDataOrigin, ColorRole::Command);
    t.left(def->name, 16);
    if (type == 2) {
        t.sp(11).num(b2, 3);
        if (reg)
            t.reg(b3 - 128, 2);
        else
            t.sp(3).num(int64_t(b3) + def->base, 3);
    } else if (reg) {
        t.reg(b3 - 128, 16);
    } else if (type == 0) {
        t.sp(17).num(int64_t(b3) + def->base, 3);
    } else {
        t.sp(14).num(int64_t(b2) * 128 + b3 + def->base, 6);
    }
}

void phraseCallText(Row& row, const Song& song, const Event& e) {
    const PhraseCallData d = e.phraseCall() ? *e.phraseCall() : PhraseCallData{};
    Text t(row, kDataOrigin, ColorRole::Call);
    t.left(song.phraseName(d.number), 10);
    if (d.mode == 1 || d.mode == 2)
        t.left(d.root < 12 ? kRootNames[d.root] : "", 2).left(d.mode == 1 ? "Maj" : "m", 4).sp(8);
    else
        t.str("NoKey").sp(9);
    t.num(d.offset, 6).sp(1).num(d.transpose, 5);
}

void cloneText(Row& row, const Event& e, int64_t measure) {
    static constexpr const char* kNames[4] = {"CloneMeas", "CloneAbs.", "CloneRel.", "CloneMeasRel."};
    const CloneData d = e.clone() ? *e.clone() : CloneData{};
    int64_t shown = d.position;
    if (d.mode == 0) shown += 1;
    if (d.mode == 3) shown += measure + 1;
    Text(row, kDataOrigin, ColorRole::Call).left(d.mode < 4 ? kNames[d.mode] : "Clone", 24).num(shown, 6).sp(1).num(d.transpose, 5);
}

// Everything a row of this event shows from column 11 on, before the step.
void dataText(Row& row, const RowSource& src, const Event& e, int64_t measure) {
    const auto k = e.kind();
    const int b0 = e.b[0], b1 = e.b[1];
    switch (k) {
        case EventKind::Note: noteText(row, e); return;
        case EventKind::Ghost: ghostText(row); return;
        case EventKind::PitchBend:
            if (b1 < 128)
                Text(row, kDataOrigin, ColorRole::PitchBend).str("Pitch").sp(26).num(e.signedBend(), 5);
            else
                Text(row, kDataOrigin, ColorRole::PitchBend).str("Pitch").reg(b1 - 128, 27);
            return;
        case EventKind::Program: {
            Text t(row, kDataOrigin, ColorRole::Program);
            t.str("Program").sp(16);
            const auto bank = [&](int v) -> Text& { return v >= 128 ? t.str("---") : t.num(v, 3); };
            bank(b1).str(":");
            bank(e.b[2]).sp(1).num(b0, 5);
            return;
        }
        case EventKind::Control: {
            row.controller = b0;
            static const std::string kNone;
            const std::string& name = src.controllerNames && b0 < 128 ? (*src.controllerNames)[size_t(b0)] : kNone;
            Text t(row, kDataOrigin, ColorRole::Controller);
            t.left(name, 16).sp(7).num(b0, 7);
            if (b1 < 128)
                t.sp(3).num(b1, 3);
            else
                t.reg(b1 - 128, 2);
            return;
        }
        case EventKind::ChannelPressure: Text(row, kDataOrigin, ColorRole::Pressure).str("ChPressure").sp(21).num(b0, 5); return;
        case EventKind::PolyPressure:
            Text(row, kDataOrigin, ColorRole::Pressure).str("PolyPresshure").sp(10).num(b0, 7).sp(1).num(b1, 5);
            return;
        case EventKind::Command: commandText(row, *src.song, e); return;
        case EventKind::Exclusive:
            Text(row, kDataOrigin, ColorRole::Exclusive).str("SysEx.").sp(21).num(e.b[2], 3).sp(3).num(e.b[3], 3);
            return;
        case EventKind::PhraseCall: phraseCallText(row, *src.song, e); return;
        case EventKind::Clone: cloneText(row, e, measure); return;
        case EventKind::Label:
            if (e.step < 1)
                Text(row, kDataOrigin, ColorRole::Rest).str("------------------------------------");
            else
                Text(row, kDataOrigin, ColorRole::Rest).str("-------------").sp(10).str("-------------");
            return;
        case EventKind::Comment: {
            const std::string_view text = e.comment() ? e.comment()->view() : std::string_view{};
            Text(row, kDataOrigin, ColorRole::Comment).str("> ").left(text, 32).str(" <");
            return;
        }
        case EventKind::Tempo: Text(row, kDataOrigin, ColorRole::Text).str("Tempo").sp(26).num(e.value32(), 5); return;
        case EventKind::PluginSwitch: {
            // The name stored in the slot, whether or not a plug-in of that name is loaded.
            const std::string_view name = b0 < 4 ? std::string_view(src.list->slots[b0].name) : std::string_view{};
            Text(row, kDataOrigin, ColorRole::Plugin)
                .str("P.Sw>")
                .right(firstCells(name, 11), 11)
                .sp(8)
                .str("slot:")
                .num(b0, 1)
                .sp(3)
                .right(b1 ? "on" : "off", 3);
            return;
        }
        case EventKind::PluginParams:
            Text(row, kDataOrigin, ColorRole::Plugin).str("PluginParams").sp(12).str("slot:").num(b0, 1).sp(6);
            return;
        case EventKind::Mov: Text(row, kDataOrigin, ColorRole::Text).str("MOV").sp(23).reg(e.word0(), 0).sp(1).num(e.operand(), 5); return;
        case EventKind::MovVar:
        case EventKind::Add:
        case EventKind::Sub:
        case EventKind::Mul:
        case EventKind::Div:
        case EventKind::Sin:
        case EventKind::Cos:
        case EventKind::Tan: {
            static constexpr const char* kOps[8] = {"MOV VAR", "ADD", "SUB", "MUL", "DIV", "SIN", "COS", "TAN"};
            Text(row, kDataOrigin, ColorRole::Text)
                .left(kOps[uint16_t(k) - uint16_t(EventKind::MovVar)], 26)
                .reg(e.word0(), 0)
                .reg(e.operand(), 2);
            return;
        }
        case EventKind::IfEq:
        case EventKind::IfGt:
        case EventKind::IfLt:
        case EventKind::IfGe:
        case EventKind::IfLe:
        case EventKind::IfNe: {
            static constexpr const char* kCmp[6] = {"==", " >", " <", ">=", "<=", "!="};
            Text(row, kDataOrigin, ColorRole::Text)
                .str("IF")
                .sp(24)
                .reg(e.word0(), 0)
                .str(kCmp[uint16_t(k) - uint16_t(EventKind::IfEq)])
                .num(e.operand(), 4);
            return;
        }
        case EventKind::Else: Text(row, kDataOrigin, ColorRole::Text).str("ELSE"); return;
        case EventKind::EndIf: Text(row, kDataOrigin, ColorRole::Text).str("ENDIF"); return;
        default: {
            // Kinds a list does not normally hold (None, NoteOff, unknown codes): their code.
            static constexpr char kHex[] = "0123456789ABCDEF";
            const unsigned code = uint16_t(k);
            const char hex[4] = {kHex[code >> 12], kHex[(code >> 8) & 15], kHex[(code >> 4) & 15], kHex[code & 15]};
            Text(row, kDataOrigin, ColorRole::Rest).str("Kind ").str(std::string_view(hex, 4));
            return;
        }
    }
}

// A sounding note whose gate reaches a later sounding note of the same key.
bool overlaps(EventList::const_iterator it, EventList::const_iterator end) {
    const Event& note = *it;
    const int64_t gate = note.gate();
    int64_t at = std::max(note.step, 0);
    for (++it; it != end && at < gate; ++it) {
        if (it->kind() == EventKind::Note && !it->isRest() && it->b[0] == note.b[0]) return true;
        at += std::max(it->step, 0);
    }
    return false;
}

}  // namespace

std::string noteName(int key) {
    if (key < 0) key = 0;
    return std::string(kPitchNames[key % 12]) + std::to_string(key / 12 - 1);
}

Rgb defaultColor(ColorRole role) {
    switch (role) {
        case ColorRole::Text: return {255, 255, 255};
        case ColorRole::Rest: return {128, 128, 128};
        case ColorRole::Controller: return {0, 255, 255};
        case ColorRole::Call: return {127, 255, 255};
        case ColorRole::Command: return {64, 255, 192};
        case ColorRole::Program: return {127, 255, 127};
        case ColorRole::Pressure: return {255, 127, 255};
        case ColorRole::PitchBend: return {255, 192, 192};
        case ColorRole::Exclusive: return {255, 255, 255};
        case ColorRole::Plugin: return {128, 220, 192};
        case ColorRole::Comment: return {255, 255, 55};
        case ColorRole::StepGate: return {255, 255, 255};
        case ColorRole::LowDigit: return {128, 160, 192};
    }
    return {255, 255, 255};
}

// ---- RowCursor ----

RowCursor::RowCursor(const RowSource& source, RowOptions options) : source_(source), options_(options) {
    options_.inputDigit = std::clamp(options_.inputDigit, 0, 4);
    const auto& beats = source_.song->beats;
    sortedBeats_ = std::is_sorted(beats.begin(), beats.end(),
                                  [](const BeatEntry& a, const BeatEntry& b) { return a.measure < b.measure; });
    it_ = list().begin();
    enterMeasure();
    settle();
}

RowCursor RowCursor::startingAt(const RowSource& source, RowOptions options, EventList::const_iterator at,
                                int64_t into, int64_t index, int64_t tick, int64_t measure,
                                int64_t tickInMeasure, bool barLineAbove) {
    RowCursor c(source, options);
    c.it_ = at;
    c.into_ = at == c.list().end() ? 0 : std::max<int64_t>(0, into);
    c.index_ = index;
    c.tick_ = tick;
    c.measure_ = std::max<int64_t>(0, measure);
    c.pos_ = std::max<int64_t>(0, tickInMeasure);
    c.beat_ = 0;
    c.enterMeasure();
    c.settle();
    c.barAbove_ = barLineAbove;
    return c;
}

const EventList& RowCursor::list() const { return source_.list->events; }

// Steps below 0 take no time on the screen.
int64_t RowCursor::eventStep() const { return std::max(it_->step, 0); }

int64_t RowCursor::measureLength() const {
    if (source_.list->isPhrase()) return source_.list->phraseLength;
    const uint32_t m = uint32_t(std::min<int64_t>(measure_, std::numeric_limits<uint32_t>::max()));
    return source_.song->measureLength(m);
}

void RowCursor::enterMeasure() {
    length_ = measureLength();
    nextChange_ = kNever;
    beatLength_ = 0;
    if (source_.list->isPhrase()) return;
    const BeatEntry beat = source_.song->beatAt(uint32_t(std::min<int64_t>(measure_, std::numeric_limits<uint32_t>::max())));
    if (beat.denominator) beatLength_ = int64_t(source_.song->tpqn * 4.0 / beat.denominator);
    // The signature in force stays the same up to the next entry after this measure.
    const auto& beats = source_.song->beats;
    if (sortedBeats_) {
        while (beat_ < beats.size() && int64_t(beats[beat_].measure) <= measure_) ++beat_;
        if (beat_ < beats.size()) nextChange_ = beats[beat_].measure;
    } else {
        for (const BeatEntry& b : beats)
            if (int64_t(b.measure) > measure_) nextChange_ = std::min<int64_t>(nextChange_, b.measure);
    }
}

bool RowCursor::settle() {
    bool crossed = false;
    for (;;) {
        if (length_ <= 0) {
            // Measures of no length take no time; without a later signature nothing ends here.
            if (nextChange_ == kNever) return crossed;
            measure_ = nextChange_;
            enterMeasure();
            continue;
        }
        if (pos_ < length_) return crossed;
        int64_t n = pos_ / length_;
        if (nextChange_ != kNever) n = std::min(n, nextChange_ - measure_);
        pos_ -= n * length_;
        measure_ += n;
        crossed = true;
        if (measure_ >= nextChange_) enterMeasure();
    }
}

MusicalPosition RowCursor::musicalPosition() const {
    if (beatLength_ <= 0) return {int32_t(measure_), 0, int32_t(pos_)};
    return {int32_t(measure_), int32_t(pos_ / beatLength_), int32_t(pos_ % beatLength_)};
}

RowKind RowCursor::kind() const {
    if (atEnd()) return RowKind::End;
    return into_ > 0 ? RowKind::Ghost : RowKind::Event;
}

int32_t RowCursor::shownStep() const {
    if (atEnd()) return 0;
    const int64_t rest = eventStep() - into_;
    if (options_.ghost && length_ > 0 && length_ - pos_ < rest) return int32_t(length_ - pos_);
    return into_ > 0 ? int32_t(rest) : it_->step;
}

void RowCursor::next() {
    if (atEnd()) return;
    ++index_;
    const int64_t rest = eventStep() - into_;
    if (options_.ghost && length_ > 0 && length_ - pos_ < rest) {
        // A bar line inside the step: the next row is a ghost row on it.
        const int64_t d = length_ - pos_;
        into_ += d;
        tick_ += d;
        pos_ += d;
        settle();
        barAbove_ = true;
        return;
    }
    tick_ += rest;
    pos_ += rest;
    ++it_;
    into_ = 0;
    barAbove_ = settle();
}

Row RowCursor::row() const {
    Row r;
    fill(r);
    return r;
}

void RowCursor::fill(Row& r) const {
    r.texts.clear();
    r.kind = kind();
    r.serial = atEnd() ? 0 : it_->serial();
    r.eventKind = atEnd() ? EventKind::None : it_->kind();
    r.tick = tick_;
    r.measure = measure();
    r.tickInMeasure = tickInMeasure();
    r.step = shownStep();
    r.barLineAbove = barAbove_;
    r.firstOfMeasure = firstOfMeasure();
    r.controller = -1;
    if (atEnd()) return;

    const int k = options_.inputDigit;
    if (r.firstOfMeasure) Text(r, kLeftOrigin, ColorRole::Text).num(measure_ + 1, 4).str(":");
    const Event& e = *it_;
    if (r.kind == RowKind::Ghost) {
        splitNumber(r, kLeftOrigin, 5, 5, pos_, ColorRole::Text, k);
        ghostText(r);
        splitNumber(r, kDataOrigin, 15, 7, r.step, ColorRole::StepGate, k);
        return;
    }
    if (e.step > 0 || r.firstOfMeasure) splitNumber(r, kLeftOrigin, 5, 5, pos_, ColorRole::Text, k);
    dataText(r, source_, e, measure_);
    const bool divider = e.kind() == EventKind::Comment || e.kind() == EventKind::Label;
    if (!divider || e.step >= 1) splitNumber(r, kDataOrigin, 15, 7, r.step, ColorRole::StepGate, k);
    if (!divider && r.step < 1) Text(r, kDataOrigin, ColorRole::LowDigit).sp(22).str("|");
    if (e.kind() == EventKind::Note && !e.isRest()) {
        splitNumber(r, kDataOrigin, 23, 7, e.gate(), ColorRole::StepGate, k);
        if (overlaps(it_, list().end())) Text(r, kDataOrigin, ColorRole::Text).sp(30).str("*");
    }
}

// ---- RowIndex ----

RowIndex::RowIndex(const RowSource& source, RowOptions options, int spacing) : spacing_(std::max(spacing, 1)) {
    RowCursor c(source, options);
    for (;;) {
        if (c.index() % spacing_ == 0) marks_.push_back(c);
        if (c.atEnd()) break;
        c.next();
    }
    count_ = c.index();
}

RowCursor RowIndex::at(int64_t row) const {
    row = std::clamp<int64_t>(row, 0, count_);
    RowCursor c = marks_[size_t(row / spacing_)];
    while (c.index() < row) c.next();
    return c;
}

std::vector<Row> RowIndex::rows(int64_t first, int count) const {
    std::vector<Row> out;
    if (count <= 0 || first > count_) return out;
    RowCursor c = at(first);
    out.reserve(size_t(std::min<int64_t>(count, count_ - c.index() + 1)));
    for (int i = 0; i < count; ++i) {
        c.fill(out.emplace_back());
        if (c.atEnd()) break;
        c.next();
    }
    return out;
}

int64_t RowIndex::rowOf(uint32_t serial) const {
    for (RowCursor c = marks_.front(); !c.atEnd(); c.next())
        if (c.kind() == RowKind::Event && c.event()->serial() == serial) return c.index();
    return -1;
}

int64_t RowIndex::rowAtTick(int64_t tick) const {
    // The last kept cursor before the tick: the first row at the tick may come right after it.
    auto mark = std::lower_bound(marks_.begin() + 1, marks_.end(), tick,
                                 [](const RowCursor& c, int64_t t) { return c.tick() < t; });
    RowCursor c = *(mark - 1);
    int64_t candidate = c.index();
    for (;;) {
        if (c.tick() == tick) return c.index();
        if (c.tick() > tick) return candidate;
        candidate = c.index();
        if (c.atEnd()) return candidate;
        c.next();
    }
}

// ---- cells ----

namespace {

bool allAscii(const Row& row) {
    for (const RowText& t : row.texts)
        for (uint8_t i = 0; i < t.size; ++i)
            if (uint8_t(t.bytes[i]) >= 0x80) return false;
    return true;
}

}  // namespace

void appendCells(const Row& row, std::string& out) {
    if (allAscii(row)) {  // the common case: one byte a cell
        char line[kRowColumns];
        std::memset(line, ' ', sizeof line);
        for (const RowText& t : row.texts)
            for (int i = std::max(0, -int(t.column)), n = std::min<int>(t.size, kRowColumns - t.column); i < n; ++i) {
                const char c = t.bytes[i];
                if (c != ' ') line[t.column + i] = (uint8_t(c) < 0x20 || c == 0x7F) ? '?' : c;
            }
        int end = kRowColumns;
        while (end > 0 && line[end - 1] == ' ') --end;
        out.append(line, size_t(end));
        return;
    }
    // A cell holds one character; the right half of a wide character is marked as such.
    struct Cell {
        char bytes[4];
        int8_t size;  // 0: blank; -1: right half of the wide character to its left
    };
    Cell cell[kRowColumns] = {};
    const auto blank = [&](int i) {
        if (i < 0 || i >= kRowColumns) return;
        if (cell[i].size == -1 && i > 0) cell[i - 1].size = 0;
        if (i + 1 < kRowColumns && cell[i + 1].size == -1) cell[i + 1].size = 0;
        cell[i].size = 0;
    };
    for (const RowText& t : row.texts) {
        const std::string_view s = t.text();
        int col = t.column;
        for (size_t i = 0; i < s.size() && col < kRowColumns;) {
            if (s[i] == ' ') {  // blanks paint nothing
                ++col, ++i;
                continue;
            }
            const Glyph g = decode(s, i);
            const int w = g.valid ? cellWidth(g.cp) : 1;
            if (s[i] != ' ' && col >= 0 && col + w <= kRowColumns) {
                blank(col);
                if (w == 2) blank(col + 1);
                Cell& c = cell[col];
                if (!g.valid || uint8_t(s[i]) < 0x20 || s[i] == 0x7F) {
                    c.bytes[0] = '?';
                    c.size = 1;
                } else {
                    std::copy_n(s.data() + i, g.len, c.bytes);
                    c.size = int8_t(g.len);
                }
                if (w == 2) cell[col + 1].size = -1;
            }
            col += w;
            i += size_t(g.len);
        }
    }
    int last = kRowColumns - 1;
    while (last >= 0 && cell[last].size == 0) --last;
    for (int i = 0; i <= last; ++i) {
        if (cell[i].size > 0)
            out.append(cell[i].bytes, size_t(cell[i].size));
        else if (cell[i].size == 0)
            out.push_back(' ');
    }
}

std::string cells(const Row& row) {
    std::string s;
    appendCells(row, s);
    return s;
}

}  // namespace tarvio::rows
