// The exclusive dialog's hexadecimal field without a widget: the message bytes as cells, a
// cursor between cells (n = after the last), typed hex digits (two make a byte, inserted at
// the cursor), the function keys' template bytes, and the text the field shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

// The template byte a function key enters (fn 1..12), 0 for none: F1..F8 the part-numbered
// channel bytes 0xD0..0xD7 ("RolandCh."), Shift+F1..F8 the channel bytes 0xC0..0xC7
// ("AutoCh."), F9 0xFA (checksum start), F10 0xFB (checksum), F11 0xFE (parameter 1, the
// gate column) and F12 0xFF (parameter 2, the velocity column).
uint8_t sysExKeyByte(int fn, bool shift);
// The keys' help text, one line per group.
std::vector<std::string> sysExKeyHelp();
// What a template byte stands for ("RolandCh.", "AutoCh.", "BeginSum", "Send Sum", "gate",
// "vel"); empty for a plain byte.
std::string sysExByteMeaning(uint8_t b);

// Bytes as "F0 41 10 F7" (upper case, one space between).
std::string hexText(const std::vector<uint8_t>& bytes);
// Hex digits in pairs, with any spaces, commas or line breaks between pairs; nullopt for
// another character or a pair cut in half.
std::optional<std::vector<uint8_t>> parseHexText(std::string_view text);

class SysExField {
public:
    explicit SysExField(std::vector<uint8_t> bytes = {});

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t cursor() const { return cursor_; }
    int pendingDigit() const { return pending_; }  // the first digit of a byte being typed, -1 none

    // Each returns whether the field changed (text or cursor).
    bool typeHex(char c);        // 0-9, a-f, A-F
    bool insertByte(uint8_t b);  // a template byte (ends a half-typed byte first)
    bool left();
    bool right();
    bool home();
    bool end();
    bool backspace();  // the half-typed digit, else the byte before the cursor
    bool del();        // the byte at the cursor
    // Text pasted at the cursor; false when it is not hex pairs.
    bool paste(std::string_view text);
    void setCursor(size_t cell);  // kept within 0..size

    // The field's text: the bytes with the half-typed digit as a cell of its own, and the
    // character position of the cursor in it.
    std::string text() const;
    int textCursor() const;
    // The cell under a character position of text() (for a mouse click).
    static size_t cellAt(int textPosition);

private:
    void finishPending();
    std::vector<uint8_t> bytes_;
    size_t cursor_ = 0;
    int pending_ = -1;
};

}  // namespace tarvio
