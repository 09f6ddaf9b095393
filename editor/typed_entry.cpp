#include "editor/typed_entry.h"

namespace tarvio {

namespace {
void shiftIn(std::string& field, char digit) {
    field.push_back(digit);
    if (field.size() > TypedEntry::kFieldChars) field.erase(0, 1);
}
int64_t fieldValue(const std::string& f) {
    int64_t v = 0;
    for (char c : f) v = v * 10 + (c - '0');
    return v;
}
constexpr int kPitchClass[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr char kLetters[] = "CDEFGAB";
}  // namespace

void TypedEntry::startNumber(char digit) {
    reset();
    state_ = First;
    shiftIn(first_, digit);
}

void TypedEntry::startNoteName(char letter) {
    reset();
    state_ = NoteName;
    letter_ = (letter - 'a' + 5) % 7;  // a..g → A 5, B 6, C 0, .. G 4
}

bool TypedEntry::numberChar(char c, bool dotToSecond) {
    if (state_ != First && state_ != Second) return false;
    if (c >= '0' && c <= '9') {
        shiftIn(state_ == First ? first_ : second_, c);
    } else if (c == '+') {
        negative_ = false;
    } else if (c == '-') {
        negative_ = true;
    } else if (c == '.') {
        if (state_ == Second) state_ = First;
        else if (dotToSecond) state_ = Second;
    } else {
        return false;
    }
    return true;
}

bool TypedEntry::noteNameChar(char c) {
    if (state_ != NoteName) return false;
    if (c >= 'a' && c <= 'g') letter_ = (c - 'a' + 5) % 7;
    else if (c == '+') accidental_ = 1;
    else if (c == '-') accidental_ = -1;
    else if (c >= '0' && c <= '9') octave_ = c - '0' + 1;
    else return false;
    return true;
}

bool TypedEntry::backspace() {
    switch (state_) {
    case Idle:
        return false;
    case First:
        if (!first_.empty()) first_.pop_back();
        if (first_.empty()) reset();
        break;
    case Second:
        if (!second_.empty()) second_.pop_back();
        else state_ = First;  // an empty second field: back to the first
        break;
    case NoteName:
        // The name's last part goes first: octave, then accidental, then the name itself.
        if (octave_ >= 0) octave_ = -1;
        else if (accidental_ != 0) accidental_ = 0;
        else reset();
        break;
    }
    return active();
}

int64_t TypedEntry::number(bool scaled, int inputDigit) const {
    const int64_t f = fieldValue(first_) * (negative_ ? -1 : 1);
    if (!scaled) return f;
    int64_t p = 1;
    for (int i = 0; i < inputDigit; ++i) p *= 10;
    return f * p + fieldValue(second_);
}

int64_t TypedEntry::noteKey(int templateKey) const {
    const int oct = octave_ >= 0 ? octave_ : (templateKey & 127) / 12;
    return kPitchClass[letter_] + accidental_ + 12 * oct;
}

std::string TypedEntry::text() const {
    if (state_ == NoteName) {
        std::string s(1, kLetters[letter_]);
        s += accidental_ > 0 ? "#" : accidental_ < 0 ? "b" : " ";
        if (octave_ >= 0) s += std::to_string(octave_ - 1);
        return s;
    }
    if (state_ == Idle) return {};
    std::string s = negative_ ? "-" : "";
    s += first_.empty() ? "0" : first_;
    if (state_ == Second || !second_.empty()) s += "." + second_;
    return s;
}

}  // namespace tarvio
