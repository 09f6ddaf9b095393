// The application's settings record (144 bytes): metronome, recording, entry, grid editor,
// numerical editor windows, global link, and time code and machine control. Stored in
// "tarvio.dat" behind the version word 6 and followed by the key map.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/metronome.h"

namespace tarvio {

class KeyMap;

constexpr int32_t kSettingsVersion = 6;
constexpr size_t kAppSettingsBytes = 144;

// Per numerical editor slot (0, 1, 2 and 9).
struct EditorWindowSettings {
    int32_t midiInputMode = 0;
    int32_t gateRate = 100;
    uint8_t flag = 0;  // kept and saved, not otherwise used
    int32_t charHeight = 12;
    bool operator==(const EditorWindowSettings&) const = default;
};

struct AppSettings {
    MetronomeSettings metronome;  // offsets 0..6
    int32_t preCount = 0;         // recording pre-count in ticks
    int32_t bendRange = 12;       // pitch-bend input range in semitones
    int32_t gridZoom = 16;        // grid editor bar positions and view bytes
    int32_t gridKey = 12;
    int32_t gridKeyHeight = 8;
    uint8_t gridByte28 = 0;
    uint8_t gridByte29 = 0;
    std::array<EditorWindowSettings, 4> editorWindows{};  // slots 0, 1, 2, 9
    uint8_t globalLink = 1;
    int32_t mtcInPort = -1;
    int32_t syncOffset = 0;  // ms, into both time-code readers
    uint8_t sendMtc = 0;
    int32_t mtcOutPort = -1;
    int32_t mtcFrameFormat = 2;  // 0 24, 1 25, 2 30 drop, 3 30 fps
    uint8_t sendMmc = 0;
    int32_t mmcOutPort = -1;
    int32_t mmcSendId = 127;
    uint8_t acceptMmc = 0;
    int32_t mmcInPort = -1;
    int32_t mmcReceiveId = 127;

    // The record of an editor slot; nullptr for the slots that keep none (3..8).
    EditorWindowSettings* editorWindow(int slot);
    const EditorWindowSettings* editorWindow(int slot) const { return const_cast<AppSettings*>(this)->editorWindow(slot); }
    bool operator==(const AppSettings&) const = default;
};

// The 144-byte record, zero where no field lies.
std::vector<uint8_t> serializeAppSettings(const AppSettings& s);
// Fields the data holds completely are taken; the rest keep their value.
void parseAppSettings(const uint8_t* data, size_t size, AppSettings& s);

// "tarvio.dat": i32 6, the record, then the key map in its keymap.dat form.
std::vector<uint8_t> serializeSettingsFile(const AppSettings& s, const KeyMap& keys);
// Reads the record of a file with version 6 (the key map copy behind it is not read); false,
// with the record unchanged, for any other version.
bool parseSettingsFile(const uint8_t* data, size_t size, AppSettings& s);

// The engine's part of the record: the metronome, the time-code input port and correction, the
// time-code output switch, port and frame format, and machine control out and in.
void applyEngineSettings(const AppSettings& s);

}  // namespace tarvio
