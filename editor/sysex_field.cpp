#include "editor/sysex_field.h"

#include <algorithm>

namespace tarvio {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr char kDigits[] = "0123456789ABCDEF";

}  // namespace

uint8_t sysExKeyByte(int fn, bool shift) {
    if (fn >= 1 && fn <= 8) return uint8_t((shift ? 0xC0 : 0xD0) + fn - 1);
    if (shift) return 0;
    switch (fn) {
    case 9: return 0xFA;
    case 10: return 0xFB;
    case 11: return 0xFE;
    case 12: return 0xFF;
    default: return 0;
    }
}

std::vector<std::string> sysExKeyHelp() {
    return {"F1-F8 : RolandCh.", "Shift+F1-F8 : AutoCh.", "F9 : BeginSum   F10 : Send Sum",
            "F11 : gate   F12 : vel"};
}

std::string sysExByteMeaning(uint8_t b) {
    if (b >= 0xD0 && b <= 0xD7) return "RolandCh.";
    if (b >= 0xC0 && b <= 0xC7) return "AutoCh.";
    switch (b) {
    case 0xFA: return "BeginSum";
    case 0xFB: return "Send Sum";
    case 0xFC: case 0xFE: return "gate";
    case 0xFD: case 0xFF: return "vel";
    default: return {};
    }
}

std::string hexText(const std::vector<uint8_t>& bytes) {
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) s += ' ';
        s += kDigits[bytes[i] >> 4];
        s += kDigits[bytes[i] & 15];
    }
    return s;
}

std::optional<std::vector<uint8_t>> parseHexText(std::string_view text) {
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : text) {
        const int v = hexValue(c);
        if (v >= 0) {
            if (high < 0) {
                high = v;
            } else {
                out.push_back(uint8_t(high * 16 + v));
                high = -1;
            }
        } else if (c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r') {
            if (high >= 0) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (high >= 0) return std::nullopt;
    return out;
}

SysExField::SysExField(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)), cursor_(bytes_.size()) {}

void SysExField::finishPending() {
    // A lone digit is the low nibble of its byte, as "7" means 07.
    if (pending_ < 0) return;
    bytes_.insert(bytes_.begin() + std::ptrdiff_t(cursor_), uint8_t(pending_));
    ++cursor_;
    pending_ = -1;
}

bool SysExField::typeHex(char c) {
    const int v = hexValue(c);
    if (v < 0) return false;
    if (pending_ < 0) {
        pending_ = v;
    } else {
        bytes_.insert(bytes_.begin() + std::ptrdiff_t(cursor_), uint8_t(pending_ * 16 + v));
        ++cursor_;
        pending_ = -1;
    }
    return true;
}

bool SysExField::insertByte(uint8_t b) {
    finishPending();
    bytes_.insert(bytes_.begin() + std::ptrdiff_t(cursor_), b);
    ++cursor_;
    return true;
}

bool SysExField::left() {
    finishPending();
    if (cursor_ == 0) return false;
    --cursor_;
    return true;
}

bool SysExField::right() {
    finishPending();
    if (cursor_ >= bytes_.size()) return false;
    ++cursor_;
    return true;
}

bool SysExField::home() {
    finishPending();
    const bool moved = cursor_ != 0;
    cursor_ = 0;
    return moved;
}

bool SysExField::end() {
    finishPending();
    const bool moved = cursor_ != bytes_.size();
    cursor_ = bytes_.size();
    return moved;
}

bool SysExField::backspace() {
    if (pending_ >= 0) {
        pending_ = -1;
        return true;
    }
    if (cursor_ == 0) return false;
    bytes_.erase(bytes_.begin() + std::ptrdiff_t(--cursor_));
    return true;
}

bool SysExField::del() {
    if (pending_ >= 0) {
        pending_ = -1;
        return true;
    }
    if (cursor_ >= bytes_.size()) return false;
    bytes_.erase(bytes_.begin() + std::ptrdiff_t(cursor_));
    return true;
}

bool SysExField::paste(std::string_view text) {
    const auto read = parseHexText(text);
    if (!read) return false;
    finishPending();
    bytes_.insert(bytes_.begin() + std::ptrdiff_t(cursor_), read->begin(), read->end());
    cursor_ += read->size();
    return true;
}

void SysExField::setCursor(size_t cell) {
    finishPending();
    cursor_ = std::min(cell, bytes_.size());
}

std::string SysExField::text() const {
    if (pending_ < 0) return hexText(bytes_);
    std::vector<uint8_t> shown(bytes_.begin(), bytes_.begin() + std::ptrdiff_t(cursor_));
    std::string s = hexText(shown);
    if (!s.empty()) s += ' ';
    s += kDigits[pending_];
    s += '_';
    if (cursor_ < bytes_.size()) s += ' ' + hexText(std::vector<uint8_t>(bytes_.begin() + std::ptrdiff_t(cursor_), bytes_.end()));
    return s;
}

int SysExField::textCursor() const { return int(cursor_) * 3 + (pending_ >= 0 ? 1 : 0); }

size_t SysExField::cellAt(int textPosition) { return textPosition <= 0 ? 0 : size_t((textPosition + 1) / 3); }

}  // namespace tarvio
