// The step-time event record shared by tracks, phrases and command bodies.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarvio {

enum class EventKind : uint16_t {
    None = 0x0000,
    Ghost = 0x0001,
    NoteOff = 0x0080,
    Note = 0x0090,
    PolyPressure = 0x00A0,
    Control = 0x00B0,
    Program = 0x00C0,
    ChannelPressure = 0x00D0,
    PitchBend = 0x00E0,
    Exclusive = 0x00F0,
    Command = 0x0100,
    PhraseCall = 0x0101,
    PluginSwitch = 0x0102,
    PluginParams = 0x0103,
    Clone = 0x0104,
    Label = 0x0105,
    Comment = 0x0106,
    Tempo = 0xFF51,
    Mov = 0x1000,
    MovVar = 0x1001,
    Add = 0x1002,
    Sub = 0x1003,
    Mul = 0x1004,
    Div = 0x1005,
    Sin = 0x1006,
    Cos = 0x1007,
    Tan = 0x1008,
    IfEq = 0x1100,
    IfGt = 0x1101,
    IfLt = 0x1102,
    IfGe = 0x1103,
    IfLe = 0x1104,
    IfNe = 0x1105,
    Else = 0x1200,
    EndIf = 0x1201,
};

inline bool isRegisterOp(EventKind k) { return uint16_t(k) >= 0x1000 && uint16_t(k) <= 0x1008; }
inline bool isIf(EventKind k) { return uint16_t(k) >= 0x1100 && uint16_t(k) <= 0x1105; }

enum class PayloadTag : uint32_t { None = 0, Bytes = 1, ParamBlock = 2, PhraseCall = 4, Clone = 5, Text = 6 };

enum class KeyMode : uint32_t { None = 0, Major = 1, Minor = 2 };
enum class CloneMode : uint8_t { Measure = 0, Absolute = 1, Relative = 2, MeasureRelative = 3 };

struct PhraseCallData {
    uint32_t number = 0;
    int32_t offset = 0;
    int32_t transpose = 0;
    uint32_t root = 0;
    uint32_t mode = 0;  // KeyMode as stored
    bool operator==(const PhraseCallData&) const = default;
};

struct CloneData {
    int8_t transpose = 0;
    uint8_t mode = 0;  // CloneMode as stored
    int32_t position = 0;
    bool operator==(const CloneData&) const = default;
};

// Plug-in parameter record, laid out as the plug-in interface exchanges it.
struct ParameterRecord {
    uint8_t raw[64] = {};
    bool operator==(const ParameterRecord&) const = default;
};
static_assert(sizeof(ParameterRecord) == 64);

// Aligned like the plug-in interface's block, which holds doubles, so it can be handed over as is.
struct alignas(8) ParameterBlock {
    int32_t count = 0;
    uint8_t pad[4] = {};
    ParameterRecord records[256];
    bool operator==(const ParameterBlock&) const = default;
};
static_assert(sizeof(ParameterBlock) == 16392);
static_assert(offsetof(ParameterBlock, records) == 8);

struct CommentText {
    std::array<char, 33> text{};  // 32 characters and a terminating NUL
    bool operator==(const CommentText&) const = default;
    std::string_view view() const;
};

using EventPayload = std::variant<std::monostate, std::vector<uint8_t>, std::unique_ptr<ParameterBlock>,
                                  PhraseCallData, CloneData, CommentText>;

uint32_t nextSerial();  // takes a fresh process-wide serial

class Event {
public:
    Event();                        // kind None, fresh serial
    explicit Event(uint32_t serial);  // explicit serial (0 for pasted events)
    Event(const Event& o);
    Event& operator=(const Event& o);
    Event(Event&&) noexcept = default;
    Event& operator=(Event&&) noexcept = default;

    uint32_t serial() const { return serial_; }
    EventKind kind() const { return kind_; }
    int32_t step = 0;
    std::array<uint8_t, 4> b{};

    PayloadTag payloadTag() const;
    const std::vector<uint8_t>* bytes() const { return get<std::vector<uint8_t>>(); }
    std::vector<uint8_t>* bytes() { return get<std::vector<uint8_t>>(); }
    const ParameterBlock* paramBlock() const;
    ParameterBlock* paramBlock();
    const PhraseCallData* phraseCall() const { return get<PhraseCallData>(); }
    PhraseCallData* phraseCall() { return get<PhraseCallData>(); }
    const CloneData* clone() const { return get<CloneData>(); }
    CloneData* clone() { return get<CloneData>(); }
    const CommentText* comment() const { return get<CommentText>(); }

    // Value views.
    uint16_t gate() const { return uint16_t(b[2] | (b[3] << 8)); }
    uint16_t word0() const { return uint16_t(b[0] | (b[1] << 8)); }  // command index / register number
    int16_t operand() const { return int16_t(uint16_t(b[2] | (b[3] << 8))); }
    uint32_t value32() const { return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24); }
    bool isRest() const { return kind_ == EventKind::Note && (b[1] == 0 || gate() == 0); }
    int signedBend() const { return int(b[0]) * 128 + int(b[1]) - 8192; }

    // Setters: each sets the kind, fills its values or payload and drops the old kind's payload.
    void setNote(uint8_t note, uint8_t velocity, uint16_t gate);
    void setRest();
    void setNoteOff(uint8_t note, uint8_t velocity = 64);
    void setControl(uint8_t controller, uint8_t value);
    void setProgram(uint8_t program, uint8_t bankMsb = 128, uint8_t bankLsb = 128);
    void setPolyPressure(uint8_t note, uint8_t pressure);
    void setChannelPressure(uint8_t pressure);
    void setBendBytes(uint8_t msb, uint8_t lsb);
    void setBend(int value);  // signed -8192..8191
    void setCommand(uint16_t index, uint8_t p1, uint8_t p2);
    void setTempo(uint32_t bpm);
    void setPhraseCall(const PhraseCallData& d);
    void setPluginSwitch(uint8_t slot, bool on);
    void setPluginParams(uint8_t slot, const ParameterBlock& block);
    void setPluginParamsEmpty(uint8_t slot);  // as pasted: no block
    void setClone(const CloneData& d);
    void setLabel();
    void setComment(std::string_view text);
    void setExclusive(std::vector<uint8_t> bytes, uint8_t p1 = 0, uint8_t p2 = 0);
    void setRegisterOp(EventKind op, uint16_t reg, int16_t operand);
    void setKindValue(EventKind kind, uint32_t value);  // generic: kind plus value word, payload dropped
    // Copies kind, values and payload of another event (not serial or step).
    void setContent(const Event& o);
    bool sameContent(const Event& o) const;

private:
    friend class EventList;
    void setKind(EventKind k);
    template <class T>
    const T* get() const {
        return payload_ ? std::get_if<T>(payload_.get()) : nullptr;
    }
    template <class T>
    T* get() {
        return payload_ ? std::get_if<T>(payload_.get()) : nullptr;
    }
    template <class T>
    void attach(T&& v) {
        payload_ = std::make_unique<EventPayload>(std::forward<T>(v));
    }
    // Kept out of line so that the record stays small: most events carry no payload.
    uint32_t serial_;
    EventKind kind_ = EventKind::None;
    std::unique_ptr<EventPayload> payload_;
};
static_assert(sizeof(void*) != 8 || sizeof(Event) == 24, "keep the event record compact");

// Encodings: file form (song and phrase files) and flat form (clipboard).
void encodeFileForm(const Event& e, std::vector<uint8_t>& out);
void encodeFlatForm(const Event& e, std::vector<uint8_t>& out);

// Bounded little-endian reader over a byte range; every read fails cleanly at the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    size_t remaining() const { return size_t(end_ - p_); }
    bool atEnd() const { return p_ >= end_; }
    bool u8(uint8_t& v);
    bool u16(uint16_t& v);
    bool u32(uint32_t& v);
    bool i32(int32_t& v);
    bool f64(double& v);
    bool bytes(void* dst, size_t n);
    bool skip(size_t n);
    // String: u32 count then bytes; fails (consuming the rest) when the count exceeds what is left.
    bool str(std::string& s);
    const uint8_t* cursor() const { return p_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// Little-endian writer into a growing buffer.
struct ByteWriter {
    std::vector<uint8_t>& out;
    void u8(uint8_t v) { out.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(uint32_t(v)); }
    void f64(double v);
    void bytes(const void* p, size_t n);
    void str(std::string_view s);
};

// Decodes one whole event record (kind, step, then by kind) in file or flat form into e,
// keeping e's serial. Returns false when the input ends inside the record.
bool decodeFileForm(ByteReader& r, Event& e);
bool decodeFlatForm(ByteReader& r, Event& e);

}  // namespace tarvio
