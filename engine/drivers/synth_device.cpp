#include "engine/drivers/synth_device.h"

#include <unistd.h>

#include <cstdlib>

#include "engine/drivers/library_log.h"
#include "engine/platform/log.h"

namespace tarvio {

const char kSynthName[] = "tarvio Synth";

namespace {

constexpr int kChannels = 16;
constexpr double kGain = 0.4;  // FluidSynth's default 0.2 is too quiet for a single GM song

bool readable(const std::string& path) { return !path.empty() && ::access(path.c_str(), R_OK) == 0; }

class SynthDevice final : public OutputDevice {
public:
    ~SynthDevice() override { close(); }

    std::string name() const override { return kSynthName; }

    bool open() override {
        routeLibraryLogs();
        const std::string font = synthSoundFontPath();
        if (font.empty()) {
            engineLog("[EMIDI](synth) no soundfont found\n");
            return false;
        }
        settings_ = new_fluid_settings();
        if (!settings_) return fail("cannot create the settings");
        fluid_settings_setnum(settings_, "synth.gain", kGain);
        synth_ = new_fluid_synth(settings_);
        if (!synth_) return fail("cannot create the synth");
        // Tried before the soundfont is loaded, so that a machine without sound fails fast.
        audio_ = new_fluid_audio_driver(settings_, synth_);
        if (!audio_) return fail("no audio output could be opened");
        if (fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED)
            return fail(("cannot load the soundfont " + font).c_str());
        return true;
    }

    void close() override {
        // The audio driver renders from the synth on its own thread, so it goes first.
        if (audio_) delete_fluid_audio_driver(audio_);
        if (synth_) delete_fluid_synth(synth_);
        if (settings_) delete_fluid_settings(settings_);
        audio_ = nullptr;
        synth_ = nullptr;
        settings_ = nullptr;
    }

    bool sendShort(uint32_t message) override {
        synthShortMessage(synth_, message);
        return true;
    }

    bool sendLong(const uint8_t* data, size_t size) override {
        synthExclusive(synth_, data, size);
        return true;
    }

    void reset() override {
        for (int ch = 0; ch < kChannels; ++ch) {
            fluid_synth_cc(synth_, ch, 64, 0);
            fluid_synth_all_notes_off(synth_, ch);
        }
    }

private:
    bool fail(const char* why) {
        engineLogf("[EMIDI](synth) %s\n", why);
        close();
        return false;
    }

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* audio_ = nullptr;
};

}  // namespace

std::string synthSoundFontPath() {
    if (const char* env = std::getenv("TARVIO_SOUNDFONT"); env && *env) return readable(env) ? env : "";
    for (const char* p : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"})
        if (readable(p)) return p;
    return "";
}

void synthShortMessage(fluid_synth_t* synth, uint32_t message) {
    const int status = int(message & 0xFF);
    const int ch = status & 0x0F;
    const int d1 = int((message >> 8) & 0x7F);
    const int d2 = int((message >> 16) & 0x7F);
    switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth, ch, d1); break;
        case 0x90:
            if (d2 == 0)
                fluid_synth_noteoff(synth, ch, d1);
            else
                fluid_synth_noteon(synth, ch, d1, d2);
            break;
        case 0xA0: fluid_synth_key_pressure(synth, ch, d1, d2); break;
        case 0xB0: fluid_synth_cc(synth, ch, d1, d2); break;
        case 0xC0: fluid_synth_program_change(synth, ch, d1); break;
        case 0xD0: fluid_synth_channel_pressure(synth, ch, d1); break;
        case 0xE0: fluid_synth_pitch_bend(synth, ch, d1 | d2 << 7); break;
        default:
            if (status == 0xFF) fluid_synth_system_reset(synth);
            break;
    }
}

void synthExclusive(fluid_synth_t* synth, const uint8_t* data, size_t size) {
    // FluidSynth takes the message without its framing bytes.
    if (size < 2 || data[0] != 0xF0) return;
    size_t n = size - 1;
    if (data[size - 1] == 0xF7) --n;
    fluid_synth_sysex(synth, reinterpret_cast<const char*>(data + 1), int(n), nullptr, nullptr, nullptr, 0);
}

std::unique_ptr<OutputDevice> makeSynthDevice() { return std::make_unique<SynthDevice>(); }

}  // namespace tarvio
