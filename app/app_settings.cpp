#include "app/app_settings.h"

#include <algorithm>

#include "app/keymap.h"
#include "engine/input.h"
#include "engine/mtc_out.h"
#include "engine/player.h"
#include "model/event.h"

namespace tarvio {

namespace {

constexpr size_t kEditorWindowOffsets[4] = {32, 48, 64, 80};

// Field access at fixed offsets of the record. A reader takes a field only when the data holds
// all of it.
struct Fields {
    uint8_t* out = nullptr;           // writing
    const uint8_t* in = nullptr;      // reading
    size_t size = 0;

    void u8(size_t off, uint8_t& v) {
        if (out) out[off] = v;
        else if (off + 1 <= size) v = in[off];
    }
    void i32(size_t off, int32_t& v) {
        if (out) {
            const uint32_t u = uint32_t(v);
            for (int i = 0; i < 4; ++i) out[off + size_t(i)] = uint8_t(u >> (8 * i));
        } else if (off + 4 <= size) {
            uint32_t u = 0;
            for (int i = 0; i < 4; ++i) u |= uint32_t(in[off + size_t(i)]) << (8 * i);
            v = int32_t(u);
        }
    }
};

// One list of the fields and their offsets serves both directions.
template <class S>
void visit(Fields& f, S& s) {
    auto& m = s.metronome;
    f.u8(0, m.on);
    f.u8(1, m.port);
    f.u8(2, m.channel);
    f.u8(3, m.strongNote);
    f.u8(4, m.weakNote);
    f.u8(5, m.strongVelocity);
    f.u8(6, m.weakVelocity);
    f.i32(8, s.preCount);
    f.i32(12, s.bendRange);
    f.i32(16, s.gridZoom);
    f.i32(20, s.gridKey);
    f.i32(24, s.gridKeyHeight);
    f.u8(28, s.gridByte28);
    f.u8(29, s.gridByte29);
    for (size_t i = 0; i < 4; ++i) {
        const size_t off = kEditorWindowOffsets[i];
        auto& e = s.editorWindows[i];
        f.i32(off, e.midiInputMode);
        f.i32(off + 4, e.gateRate);
        f.u8(off + 8, e.flag);
        f.i32(off + 12, e.charHeight);
    }
    f.u8(96, s.globalLink);
    f.i32(100, s.mtcInPort);
    f.i32(104, s.syncOffset);
    f.u8(108, s.sendMtc);
    f.i32(112, s.mtcOutPort);
    f.i32(116, s.mtcFrameFormat);
    f.u8(120, s.sendMmc);
    f.i32(124, s.mmcOutPort);
    f.i32(128, s.mmcSendId);
    f.u8(132, s.acceptMmc);
    f.i32(136, s.mmcInPort);
    f.i32(140, s.mmcReceiveId);
}

}  // namespace

EditorWindowSettings* AppSettings::editorWindow(int slot) {
    if (slot >= 0 && slot <= 2) return &editorWindows[size_t(slot)];
    return slot == 9 ? &editorWindows[3] : nullptr;
}

std::vector<uint8_t> serializeAppSettings(const AppSettings& s) {
    std::vector<uint8_t> out(kAppSettingsBytes, 0);
    AppSettings copy = s;
    Fields f{out.data(), nullptr, out.size()};
    visit(f, copy);
    return out;
}

void parseAppSettings(const uint8_t* data, size_t size, AppSettings& s) {
    Fields f{nullptr, data, size};
    visit(f, s);
}

std::vector<uint8_t> serializeSettingsFile(const AppSettings& s, const KeyMap& keys) {
    std::vector<uint8_t> out;
    ByteWriter{out}.i32(kSettingsVersion);
    const std::vector<uint8_t> record = serializeAppSettings(s);
    out.insert(out.end(), record.begin(), record.end());
    keys.serialize(out);
    return out;
}

bool parseSettingsFile(const uint8_t* data, size_t size, AppSettings& s) {
    ByteReader r(data, size);
    int32_t version = 0;
    if (!r.i32(version) || version != kSettingsVersion) return false;
    parseAppSettings(r.cursor(), std::min(r.remaining(), kAppSettingsBytes), s);
    return true;
}

void applyEngineSettings(const AppSettings& s) {
    // The record may come from a hand-edited file: data bytes above 127 would reach the wire as
    // status bytes, so notes, velocities and the sent device id are clamped to 7 bits.
    auto seven = [](int v) { return uint8_t(std::clamp(v, 0, 127)); };
    MetronomeSettings m = s.metronome;
    m.channel &= 15;
    m.strongNote = seven(m.strongNote);
    m.weakNote = seven(m.weakNote);
    m.strongVelocity = seven(m.strongVelocity);
    m.weakVelocity = seven(m.weakVelocity);
    setMetronome(m);
    setMtcInPort(s.mtcInPort);
    setMtcOffset(s.syncOffset);
    setMtcOutput(s.sendMtc != 0);
    setMtcOutPort(s.mtcOutPort);
    setMtcOutRate(s.mtcFrameFormat);
    setMmcOutput(s.sendMmc != 0, s.mmcOutPort, seven(s.mmcSendId));
    setMmcReceive(s.acceptMmc != 0);
    setMmcInPort(s.mmcInPort);
    setMmcDeviceId(s.mmcReceiveId);
}

}  // namespace tarvio
