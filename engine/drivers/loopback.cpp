#include "engine/drivers/loopback.h"

#include <mutex>

namespace tarvio {

const char kLoopbackName[] = "tarvio Loopback";

namespace {

// Deliveries nest when the input's receiver sends to the loopback output again (a thru
// routed back onto itself); beyond this depth messages are still recorded but not delivered,
// which cuts such a loop instead of overflowing the stack.
constexpr int kMaxNesting = 16;

class LoopbackPair {
public:
    void send(const uint8_t* data, size_t size) {
        // Recursive: a receiver may send to the loopback output from inside a delivery.
        std::lock_guard lock(mutex_);
        sent_.emplace_back(data, data + size);
        if (!receiver_ || nesting_ >= kMaxNesting) return;
        ++nesting_;
        if (data[0] == 0xF0) {
            receiver_->receiveLong(data, size);
        } else {
            uint32_t m = 0;
            for (size_t i = 0; i < size && i < 3; ++i) m |= uint32_t(data[i]) << (8 * i);
            receiver_->receiveShort(m);
        }
        --nesting_;
    }

    bool attach(InputReceiver* r) {
        std::lock_guard lock(mutex_);
        if (receiver_) return false;
        receiver_ = r;
        return true;
    }

    // Taking the lock also waits for a delivery running on another thread.
    void detach(InputReceiver* r) {
        std::lock_guard lock(mutex_);
        if (receiver_ == r) receiver_ = nullptr;
    }

    std::vector<std::vector<uint8_t>> sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }

    void clear() {
        std::lock_guard lock(mutex_);
        sent_.clear();
    }

private:
    std::recursive_mutex mutex_;
    std::vector<std::vector<uint8_t>> sent_;
    InputReceiver* receiver_ = nullptr;
    int nesting_ = 0;
};

// Never destroyed: a driver torn down during exit may still detach from it.
LoopbackPair& pair() {
    static LoopbackPair* p = new LoopbackPair;
    return *p;
}

class LoopbackOutput final : public OutputDevice {
public:
    std::string name() const override { return kLoopbackName; }
    bool open() override { return true; }
    void close() override {}
    bool sendShort(uint32_t message) override {
        const uint8_t b[3] = {uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
        pair().send(b, shortMessageLength(b[0]));
        return true;
    }
    bool sendLong(const uint8_t* data, size_t size) override {
        if (size) pair().send(data, size);
        return true;
    }
    void reset() override {}
};

class LoopbackInput final : public InputDevice {
public:
    std::string name() const override { return kLoopbackName; }
    bool open(InputReceiver& receiver) override {
        if (!pair().attach(&receiver)) return false;
        receiver_ = &receiver;
        return true;
    }
    void close() override {
        pair().detach(receiver_);
        receiver_ = nullptr;
    }

private:
    InputReceiver* receiver_ = nullptr;
};

}  // namespace

std::vector<std::vector<uint8_t>> loopbackSent() { return pair().sent(); }
void clearLoopbackSent() { pair().clear(); }

std::unique_ptr<OutputDevice> makeLoopbackOutput() { return std::make_unique<LoopbackOutput>(); }
std::unique_ptr<InputDevice> makeLoopbackInput() { return std::make_unique<LoopbackInput>(); }

}  // namespace tarvio
