// Notes from the computer keyboard while Caps Lock is on: two rows of keys form a piano of
// 29 keys from key 48, "," and "." step the velocity. Keys are Windows virtual-key codes.
#pragma once

#include <array>
#include <cstdint>

namespace tarvio {

class PcKeyboard {
public:
    static constexpr int kBaseNote = 48;
    static constexpr int kStartVelocity = 100;
    static constexpr int kReleaseVelocity = 64;

    struct Result {
        bool taken = false;      // the key is not to be passed on
        uint32_t message = 0;    // a short message for the input path (0x90/0x80 | note << 8 | velocity << 16), 0: none
    };

    // Semitones above the base note for a virtual key, -1 when it plays no note.
    static int offsetOf(int virtualKey);

    // Offers a key-down (autorepeat included) or key-up with the state of Caps Lock.
    Result key(int virtualKey, bool down, bool capsLock);

    int velocity() const { return velocity_; }

private:
    int velocity_ = kStartVelocity;
    std::array<bool, 256> held_{};  // by virtual key
};

}  // namespace tarvio
