#include "engine/drivers/rtmidi_devices.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

#include "engine/platform/log.h"

namespace tarvio {

namespace {

// Our own client; its ports are left out of the lists.
constexpr char kClientName[] = "tarvio";

bool ownPort(const std::string& name) { return name.starts_with("tarvio:") || name.starts_with("tarvio-"); }

void rtmidiMessage(RtMidiError::Type, const std::string& text, void*) {
    engineLogf("[EMIDI](rtmidi) %s\n", text.c_str());
}

// Opening an RtMidi JACK client without a server prints a warning before an error callback
// can be set, so the server is looked for first, quietly.
bool jackServerRuns() {
    jack_status_t status{};
    jack_client_t* c = jack_client_open("tarvio-probe", JackNoStartServer, &status);
    if (!c) return false;
    jack_client_close(c);
    return true;
}

bool alsaSequencerPresent() { return ::access("/dev/snd/seq", R_OK | W_OK) == 0; }

// RtMidi reports failures by throwing; none may escape into the port layer.
template <class F>
bool guarded(F&& f) {
    try {
        return f();
    } catch (const std::exception& e) {
        engineLogf("[EMIDI](rtmidi) %s\n", e.what());
        return false;
    }
}

// A client of ours with the port found again by its name (numbers change as clients come
// and go); null when the port is gone.
template <class Midi>
std::unique_ptr<Midi> clientFor(RtMidi::Api api, const std::string& port, unsigned& index) {
    auto midi = std::make_unique<Midi>(api, kClientName);
    midi->setErrorCallback(rtmidiMessage);
    for (unsigned i = 0, n = midi->getPortCount(); i < n; ++i)
        if (midi->getPortName(i) == port) {
            index = i;
            return midi;
        }
    engineLogf("[EMIDI](rtmidi) %s is gone\n", port.c_str());
    return nullptr;
}

class RtOutputDevice final : public OutputDevice {
public:
    RtOutputDevice(RtMidi::Api api, std::string port, std::string shown)
        : api_(api), port_(std::move(port)), shown_(std::move(shown)) {}
    ~RtOutputDevice() override { close(); }

    std::string name() const override { return shown_; }

    bool open() override {
        return guarded([&] {
            unsigned index = 0;
            auto out = clientFor<RtMidiOut>(api_, port_, index);
            if (!out) return false;
            out->openPort(index, "out");
            if (!out->isPortOpen()) return false;
            out_ = std::move(out);
            return true;
        });
    }

    void close() override {
        guarded([&] {
            out_.reset();
            return true;
        });
    }

    bool sendShort(uint32_t message) override {
        const unsigned char b[3] = {uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
        return send(b, shortMessageLength(b[0]));
    }

    bool sendLong(const uint8_t* data, size_t size) override { return send(data, size); }

    // Sustain off and all notes off on every channel, as a hardware reset does.
    void reset() override {
        for (uint8_t ch = 0; ch < 16; ++ch) {
            const unsigned char sustain[3] = {uint8_t(0xB0 | ch), 64, 0};
            const unsigned char notesOff[3] = {uint8_t(0xB0 | ch), 123, 0};
            send(sustain, 3);
            send(notesOff, 3);
        }
    }

private:
    bool send(const unsigned char* data, size_t size) {
        if (!out_) return false;
        return guarded([&] {
            out_->sendMessage(data, size);
            return true;
        });
    }

    RtMidi::Api api_;
    std::string port_, shown_;
    std::unique_ptr<RtMidiOut> out_;
};

class RtInputDevice final : public InputDevice {
public:
    RtInputDevice(RtMidi::Api api, std::string port, std::string shown)
        : api_(api), port_(std::move(port)), shown_(std::move(shown)) {}
    ~RtInputDevice() override { close(); }

    std::string name() const override { return shown_; }

    bool open(InputReceiver& receiver) override {
        return guarded([&] {
            unsigned index = 0;
            auto in = clientFor<RtMidiIn>(api_, port_, index);
            if (!in) return false;
            // Exclusive and time code are wanted; active sensing is not.
            in->ignoreTypes(false, false, true);
            receiver_ = &receiver;
            in->setCallback(&RtInputDevice::deliver, this);
            in->openPort(index, "in");
            if (!in->isPortOpen()) return false;
            in_ = std::move(in);
            return true;
        });
    }

    // Destroying the RtMidiIn ends its input thread, so no delivery follows.
    void close() override {
        guarded([&] {
            in_.reset();
            return true;
        });
        receiver_ = nullptr;
    }

private:
    static void deliver(double, std::vector<unsigned char>* message, void* user) {
        auto* self = static_cast<RtInputDevice*>(user);
        if (!message || message->empty() || !self->receiver_) return;
        const std::vector<unsigned char>& m = *message;
        if (m[0] == 0xF0 || m[0] < 0x80) {
            self->receiver_->receiveLong(m.data(), m.size());
            return;
        }
        uint32_t packed = 0;
        for (size_t i = 0; i < m.size() && i < 3; ++i) packed |= uint32_t(m[i]) << (8 * i);
        self->receiver_->receiveShort(packed);
    }

    RtMidi::Api api_;
    std::string port_, shown_;
    std::unique_ptr<RtMidiIn> in_;
    InputReceiver* receiver_ = nullptr;
};

void addApi(RtMidi::Api api, const std::string& prefix, std::vector<std::unique_ptr<OutputDevice>>& outs,
            std::vector<std::unique_ptr<InputDevice>>& ins) {
    guarded([&] {
        RtMidiOut out(api, kClientName);
        out.setErrorCallback(rtmidiMessage);
        for (unsigned i = 0, n = out.getPortCount(); i < n; ++i) {
            std::string name = out.getPortName(i);
            if (!name.empty() && !ownPort(name)) outs.push_back(std::make_unique<RtOutputDevice>(api, name, prefix + name));
        }
        RtMidiIn in(api, kClientName);
        in.setErrorCallback(rtmidiMessage);
        for (unsigned i = 0, n = in.getPortCount(); i < n; ++i) {
            std::string name = in.getPortName(i);
            if (!name.empty() && !ownPort(name)) ins.push_back(std::make_unique<RtInputDevice>(api, name, prefix + name));
        }
        return true;
    });
}

}  // namespace

void addRtMidiDevices(std::vector<std::unique_ptr<OutputDevice>>& outs, std::vector<std::unique_ptr<InputDevice>>& ins) {
    if (alsaSequencerPresent()) addApi(RtMidi::LINUX_ALSA, "", outs, ins);
    if (jackServerRuns()) addApi(RtMidi::UNIX_JACK, "JACK ", outs, ins);
}

}  // namespace tarvio
