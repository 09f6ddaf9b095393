// What the user types into the numerical editor before committing it: one or two numbers, or a
// note name. The text fields hold at most six characters; digits shift in from the right.
#pragma once

#include <cstdint>
#include <string>

namespace tarvio {

class TypedEntry {
public:
    enum State : int { Idle = 0, First = 1, NoteName = 2, Second = 3 };
    static constexpr size_t kFieldChars = 6;

    State state() const { return state_; }
    bool active() const { return state_ != Idle; }
    void reset() { *this = TypedEntry(); }

    // A digit, '+', '-' or '.' in a number state. dotToSecond: whether '.' may switch to the
    // second field at the cursor cell. Returns whether the character was taken.
    bool numberChar(char c, bool dotToSecond);
    // Starts a number with the digit (state Idle).
    void startNumber(char digit);
    // Starts a note name with a letter a..g (state Idle).
    void startNoteName(char letter);
    // A letter, '+', '-' or a digit while a note name is typed.
    bool noteNameChar(char c);
    // Backspace: removes the last character of the current field; false when the entry ended.
    bool backspace();

    const std::string& first() const { return first_; }
    const std::string& second() const { return second_; }
    bool negative() const { return negative_; }
    int letter() const { return letter_; }          // C 0, D 1, .. B 6
    int accidental() const { return accidental_; }  // -1, 0, +1
    int octaveCode() const { return octave_; }      // typed digit + 1, -1 when unset

    // The value in states First and Second: first x sign x 10^scale + second when scaled,
    // first x sign otherwise. 64 bits: six digits times 10^4 fit with room.
    int64_t number(bool scaled, int inputDigit) const;
    // The key of a note name; the octave code defaults to the template key's octave.
    int64_t noteKey(int templateKey) const;
    // What the view shows while typing: the number(s), or the name as letter, "#", " " or "b"
    // and the octave digit.
    std::string text() const;

private:
    State state_ = Idle;
    std::string first_, second_;
    bool negative_ = false;
    int letter_ = 0;
    int accidental_ = 0;
    int octave_ = -1;
};

}  // namespace tarvio
