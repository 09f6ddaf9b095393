// Reads the renderer's WAV files: a 44-byte header, then 16-bit samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace wavtest {

struct Wav {
    std::vector<uint8_t> bytes;
    std::vector<int16_t> samples;  // interleaved stereo
    uint32_t at(size_t i, int n) const {
        uint32_t v = 0;
        for (int k = 0; k < n; ++k) v |= uint32_t(bytes[i + size_t(k)]) << (8 * k);
        return v;
    }
    std::string tag(size_t i) const { return std::string(bytes.begin() + long(i), bytes.begin() + long(i) + 4); }
    size_t frames() const { return samples.size() / 2; }
};

inline bool readWav(const std::string& path, Wav& w) {
    std::ifstream in(path, std::ios::binary);
    w.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (w.bytes.size() < 44) return false;
    for (size_t i = 44; i + 1 < w.bytes.size(); i += 2) w.samples.push_back(int16_t(w.at(i, 2)));
    return true;
}

struct Level {
    int peak = 0;
    double rms = 0;
};

// Over frames [from, to), both channels.
inline Level level(const Wav& w, size_t from, size_t to) {
    Level l;
    double sum = 0;
    to = std::min(to, w.frames());
    for (size_t i = from * 2; i < to * 2; ++i) {
        l.peak = std::max(l.peak, std::abs(int(w.samples[i])));
        sum += double(w.samples[i]) * w.samples[i];
    }
    l.rms = to > from ? std::sqrt(sum / double(2 * (to - from))) : 0;
    return l;
}

}  // namespace wavtest
