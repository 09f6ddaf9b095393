// A buffered writer for the command output, which can run to millions of lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvio::cli {

class Output {
public:
    // fd < 0 keeps everything in memory (see text()).
    explicit Output(int fd);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void put(char c) {
        if (buf_.size() >= kFlushAt) drain();
        buf_.push_back(c);
    }
    void write(std::string_view s);
    void dec(int64_t v);
    void hex2(uint8_t v);  // two uppercase hex digits
    void hex4(uint16_t v);

    // False (with the error number kept) once a write to the descriptor has failed.
    bool flush();
    int error() const { return errno_; }
    const std::string& text() const { return buf_; }

private:
    static constexpr size_t kFlushAt = size_t(1) << 20;
    void drain();
    int fd_;
    int errno_ = 0;
    std::string buf_;
};

}  // namespace tarvio::cli
