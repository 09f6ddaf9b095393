#include "model/event.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace tarvio {

namespace {
std::atomic<uint32_t> g_serial{1};
}

uint32_t nextSerial() {
    uint32_t s = g_serial.fetch_add(1, std::memory_order_relaxed);
    if (s == 0) s = g_serial.fetch_add(1, std::memory_order_relaxed);  // 0 is reserved for "no serial"
    return s;
}

std::string_view CommentText::view() const {
    return std::string_view(text.data(), strnlen(text.data(), 32));
}

Event::Event() : serial_(nextSerial()) {}
Event::Event(uint32_t serial) : serial_(serial) {}

static std::unique_ptr<EventPayload> clonePayload(const std::unique_ptr<EventPayload>& p) {
    if (!p) return nullptr;
    if (auto* blk = std::get_if<std::unique_ptr<ParameterBlock>>(p.get()))
        return std::make_unique<EventPayload>(*blk ? std::make_unique<ParameterBlock>(**blk)
                                                   : std::unique_ptr<ParameterBlock>());
    return std::visit(
        [](const auto& v) -> std::unique_ptr<EventPayload> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::unique_ptr<ParameterBlock>>)
                return nullptr;
            else
                return std::make_unique<EventPayload>(v);
        },
        *p);
}

Event::Event(const Event& o)
    : step(o.step), b(o.b), serial_(o.serial_), kind_(o.kind_), payload_(clonePayload(o.payload_)) {}

Event& Event::operator=(const Event& o) {
    if (this != &o) {
        serial_ = o.serial_;
        step = o.step;
        b = o.b;
        kind_ = o.kind_;
        payload_ = clonePayload(o.payload_);
    }
    return *this;
}

PayloadTag Event::payloadTag() const {
    if (!payload_) return PayloadTag::None;
    switch (payload_->index()) {
        case 1: return PayloadTag::Bytes;
        case 2: return std::get<2>(*payload_) ? PayloadTag::ParamBlock : PayloadTag::None;
        case 3: return PayloadTag::PhraseCall;
        case 4: return PayloadTag::Clone;
        case 5: return PayloadTag::Text;
        default: return PayloadTag::None;
    }
}

const ParameterBlock* Event::paramBlock() const {
    auto* p = get<std::unique_ptr<ParameterBlock>>();
    return p ? p->get() : nullptr;
}
ParameterBlock* Event::paramBlock() {
    auto* p = get<std::unique_ptr<ParameterBlock>>();
    return p ? p->get() : nullptr;
}

void Event::setKind(EventKind k) {
    kind_ = k;
    payload_.reset();
    b = {0, 0, 0, 0};
}

void Event::setNote(uint8_t note, uint8_t velocity, uint16_t gate) {
    setKind(EventKind::Note);
    b = {note, velocity, uint8_t(gate & 0xFF), uint8_t(gate >> 8)};
}
void Event::setRest() { setNote(64, 0, 0); }
void Event::setNoteOff(uint8_t note, uint8_t velocity) {
    setKind(EventKind::NoteOff);
    b = {note, velocity, 0, 0};
}
void Event::setControl(uint8_t controller, uint8_t value) {
    setKind(EventKind::Control);
    b = {controller, value, 0, 0};
}
void Event::setProgram(uint8_t program, uint8_t bankMsb, uint8_t bankLsb) {
    setKind(EventKind::Program);
    b = {program, bankMsb, bankLsb, 0};
}
void Event::setPolyPressure(uint8_t note, uint8_t pressure) {
    setKind(EventKind::PolyPressure);
    b = {note, pressure, 0, 0};
}
void Event::setChannelPressure(uint8_t pressure) {
    setKind(EventKind::ChannelPressure);
    b = {pressure, 0, 0, 0};
}
void Event::setBendBytes(uint8_t msb, uint8_t lsb) {
    setKind(EventKind::PitchBend);
    b = {msb, lsb, 0, 0};
}
void Event::setBend(int v) {
    v = std::clamp(v, -8192, 8191);
    setBendBytes(uint8_t((v + 8192) >> 7), uint8_t(v & 127));
}
void Event::setCommand(uint16_t index, uint8_t p1, uint8_t p2) {
    setKind(EventKind::Command);
    b = {uint8_t(index & 0xFF), uint8_t(index >> 8), p1, p2};
}
void Event::setTempo(uint32_t bpm) { setKindValue(EventKind::Tempo, bpm); }
void Event::setPhraseCall(const PhraseCallData& d) {
    setKind(EventKind::PhraseCall);
    attach(d);
}
void Event::setPluginSwitch(uint8_t slot, bool on) {
    setKind(EventKind::PluginSwitch);
    b = {slot, uint8_t(on ? 1 : 0), 0, 0};
}
void Event::setPluginParams(uint8_t slot, const ParameterBlock& block) {
    setKind(EventKind::PluginParams);
    b = {slot, 0, 0, 0};
    attach(std::make_unique<ParameterBlock>(block));
}
void Event::setPluginParamsEmpty(uint8_t slot) {
    setKind(EventKind::PluginParams);
    b = {slot, 0, 0, 0};
}
void Event::setClone(const CloneData& d) {
    setKind(EventKind::Clone);
    attach(d);
}
void Event::setLabel() { setKind(EventKind::Label); }
void Event::setComment(std::string_view text) {
    setKind(EventKind::Comment);
    CommentText t;
    std::memcpy(t.text.data(), text.data(), std::min<size_t>(text.size(), 32));
    attach(t);
}
void Event::setExclusive(std::vector<uint8_t> bytes, uint8_t p1, uint8_t p2) {
    setKind(EventKind::Exclusive);
    b = {0, 0, p1, p2};
    attach(std::move(bytes));
}
void Event::setRegisterOp(EventKind op, uint16_t reg, int16_t operand) {
    setKind(op);
    b = {uint8_t(reg & 0xFF), uint8_t(reg >> 8), uint8_t(uint16_t(operand) & 0xFF), uint8_t(uint16_t(operand) >> 8)};
}
void Event::setKindValue(EventKind kind, uint32_t v) {
    setKind(kind);
    b = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
void Event::setContent(const Event& o) {
    if (this == &o) return;
    kind_ = o.kind_;
    b = o.b;
    payload_ = clonePayload(o.payload_);
}

bool Event::sameContent(const Event& o) const {
    if (kind_ != o.kind_ || b != o.b || payloadTag() != o.payloadTag()) return false;
    if (auto* p = paramBlock()) return *p == *o.paramBlock();
    if (payloadTag() == PayloadTag::None) return true;
    return std::visit(
        [&](const auto& v) -> bool {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, std::unique_ptr<ParameterBlock>>)
                return true;
            else
                return v == std::get<T>(*o.payload_);
        },
        *payload_);
}

// ---- byte helpers ----

bool ByteReader::u8(uint8_t& v) {
    if (p_ >= end_) return false;
    v = *p_++;
    return true;
}
bool ByteReader::u16(uint16_t& v) {
    if (remaining() < 2) { p_ = end_; return false; }
    v = uint16_t(p_[0] | (p_[1] << 8));
    p_ += 2;
    return true;
}
bool ByteReader::u32(uint32_t& v) {
    if (remaining() < 4) { p_ = end_; return false; }
    v = uint32_t(p_[0]) | (uint32_t(p_[1]) << 8) | (uint32_t(p_[2]) << 16) | (uint32_t(p_[3]) << 24);
    p_ += 4;
    return true;
}
bool ByteReader::i32(int32_t& v) {
    uint32_t u;
    if (!u32(u)) return false;
    v = int32_t(u);
    return true;
}
bool ByteReader::f64(double& v) {
    uint8_t raw[8];
    if (!bytes(raw, 8)) return false;
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | raw[i];
    std::memcpy(&v, &u, 8);
    return true;
}
bool ByteReader::bytes(void* dst, size_t n) {
    if (remaining() < n) { p_ = end_; return false; }
    if (n) std::memcpy(dst, p_, n);
    p_ += n;
    return true;
}
bool ByteReader::skip(size_t n) {
    if (remaining() < n) { p_ = end_; return false; }
    p_ += n;
    return true;
}
bool ByteReader::str(std::string& s) {
    uint32_t n;
    if (!u32(n)) return false;
    if (n > remaining()) { p_ = end_; return false; }
    s.assign(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return true;
}

void ByteWriter::u16(uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void ByteWriter::u32(uint32_t v) {
    uint8_t t[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    out.insert(out.end(), t, t + 4);
}
void ByteWriter::f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) out.push_back(uint8_t(u >> (8 * i)));
}
void ByteWriter::bytes(const void* p, size_t n) {
    auto* c = static_cast<const uint8_t*>(p);
    out.insert(out.end(), c, c + n);
}
void ByteWriter::str(std::string_view s) {
    u32(uint32_t(s.size()));
    bytes(s.data(), s.size());
}

// ---- encodings ----

static void encode(const Event& e, std::vector<uint8_t>& out, bool flat) {
    ByteWriter w{out};
    w.u16(uint16_t(e.kind()));
    w.i32(e.step);
    switch (e.kind()) {
        case EventKind::Exclusive: {
            w.bytes(e.b.data(), 4);
            const auto* bytes = e.bytes();
            uint32_t n = bytes ? uint32_t(bytes->size()) : 0;
            w.u32(n);
            if (n) w.bytes(bytes->data(), n);
            break;
        }
        case EventKind::PhraseCall: {
            PhraseCallData d = e.phraseCall() ? *e.phraseCall() : PhraseCallData{};
            w.u32(d.number);
            w.i32(d.offset);
            w.i32(d.transpose);
            w.u32(d.root);
            w.u32(d.mode);
            break;
        }
        case EventKind::Clone: {
            CloneData d = e.clone() ? *e.clone() : CloneData{};
            w.u8(d.mode);
            w.u8(uint8_t(d.transpose));
            w.i32(d.position);
            break;
        }
        case EventKind::Comment: {
            char text[32] = {};
            if (auto* c = e.comment()) std::memcpy(text, c->text.data(), 32);
            w.bytes(text, 32);
            break;
        }
        case EventKind::PluginParams: {
            if (flat) break;  // the clipboard carries no parameter block
            w.bytes(e.b.data(), 4);
            const ParameterBlock* blk = e.paramBlock();
            static const ParameterBlock empty{};
            if (!blk) blk = &empty;
            w.i32(blk->count);
            w.bytes(blk->records, sizeof(blk->records));
            break;
        }
        default:
            w.bytes(e.b.data(), 4);
            break;
    }
}

void encodeFileForm(const Event& e, std::vector<uint8_t>& out) { encode(e, out, false); }
void encodeFlatForm(const Event& e, std::vector<uint8_t>& out) { encode(e, out, true); }

static bool decode(ByteReader& r, Event& e, bool flat) {
    uint16_t kind;
    int32_t step;
    if (!r.u16(kind) || !r.i32(step)) return false;
    e.step = step;
    EventKind k = EventKind(kind);
    switch (k) {
        case EventKind::Exclusive: {
            uint8_t v[4];
            uint32_t n;
            if (!r.bytes(v, 4) || !r.u32(n)) return false;
            if (n > r.remaining()) { r.skip(r.remaining()); return false; }
            std::vector<uint8_t> bytes(r.cursor(), r.cursor() + n);
            r.skip(n);
            e.setExclusive(std::move(bytes), v[2], v[3]);
            e.b[0] = v[0];
            e.b[1] = v[1];
            return true;
        }
        case EventKind::PhraseCall: {
            PhraseCallData d;
            if (!r.u32(d.number) || !r.i32(d.offset) || !r.i32(d.transpose) || !r.u32(d.root) || !r.u32(d.mode))
                return false;
            e.setPhraseCall(d);
            return true;
        }
        case EventKind::Clone: {
            CloneData d;
            uint8_t t;
            if (!r.u8(d.mode) || !r.u8(t) || !r.i32(d.position)) return false;
            d.transpose = int8_t(t);
            e.setClone(d);
            return true;
        }
        case EventKind::Comment: {
            char text[32];
            if (!r.bytes(text, 32)) return false;
            e.setComment(std::string_view(text, 32));
            return true;
        }
        case EventKind::PluginParams: {
            if (flat) {
                e.setPluginParamsEmpty(0);
                return true;
            }
            uint8_t v[4];
            if (!r.bytes(v, 4)) return false;
            auto blk = std::make_unique<ParameterBlock>();
            if (!r.i32(blk->count) || !r.bytes(blk->records, sizeof(blk->records))) return false;
            e.setPluginParams(v[0], *blk);
            e.b = {v[0], v[1], v[2], v[3]};
            return true;
        }
        default: {
            uint8_t v[4];
            if (!r.bytes(v, 4)) return false;
            e.setKindValue(k, uint32_t(v[0]) | (uint32_t(v[1]) << 8) | (uint32_t(v[2]) << 16) | (uint32_t(v[3]) << 24));
            return true;
        }
    }
}

bool decodeFileForm(ByteReader& r, Event& e) { return decode(r, e, false); }
bool decodeFlatForm(ByteReader& r, Event& e) { return decode(r, e, true); }

}  // namespace tarvio
