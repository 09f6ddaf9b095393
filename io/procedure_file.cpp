#include "io/procedure_file.h"

#include <cstdint>
#include <string>
#include <vector>

#include "io/file_util.h"
#include "model/song.h"

namespace tarvio {

namespace {

// Decimal as atoi reads it: optional sign, digits up to the first other character, 0 when
// there are none; saturated so that an absurd number cannot overflow.
int32_t parseDecimal(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > INT32_MAX) v = int64_t(INT32_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    return int32_t(v);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A literal byte from the first two characters. Reading stops at the first character that is
// not a hex digit, as a "%2x" scan does: "7" is 0x07, "1G" is 0x01, and a token that starts
// with no hex digit at all (a typo, stray text) is 0x00.
uint8_t parseHexByte(std::string_view tok) {
    unsigned v = 0;
    for (size_t i = 0; i < tok.size() && i < 2; ++i) {
        int d = hexDigit(tok[i]);
        if (d < 0) break;
        v = v * 16 + unsigned(d);
    }
    return uint8_t(v);
}

uint8_t tokenByte(std::string_view tok) {
    if (tok == "*m") return 0xFC;
    if (tok == "*l") return 0xFD;
    if (tok == "*g") return 0xFE;
    if (tok == "*v") return 0xFF;
    if (tok == "[") return 0xFA;
    if (tok == "]") return 0xFB;
    if (tok.size() == 2 && tok[0] >= '0' && tok[0] <= '7' && tok[1] == 'n') return uint8_t(0xC0 + (tok[0] - '0'));
    if (tok.size() == 3 && tok[0] == 'r' && tok[1] >= '0' && tok[1] <= '7' && tok[2] == 'n')
        return uint8_t(0xD0 + (tok[1] - '0'));
    return parseHexByte(tok);
}

// Splits at every ","; only a trailing empty token is dropped (inner empty tokens read as 0x00).
std::vector<std::string_view> splitTokens(std::string_view value) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        size_t comma = value.find(',', start);
        if (comma == std::string_view::npos) {
            if (start < value.size()) out.push_back(value.substr(start));
            return out;
        }
        out.push_back(value.substr(start, comma - start));
        start = comma + 1;
    }
}

class Loader {
public:
    explicit Loader(Song& song) : song_(song) {}

    void apply(std::string_view key, std::string_view value) {
        CommandDef& d = song_.commands[current_];
        if (key == "def") {
            int32_t index = parseDecimal(value);
            current_ = index < 0 || index >= int32_t(kCommandCount) ? 0 : size_t(index);
            CommandDef& sel = song_.commands[current_];
            sel.type = 0;
            sel.min = 0;
            sel.max = 127;
            sel.base = 0;
        } else if (key == "name") {
            d.name = std::string(value);
        } else if (key == "base") {
            d.base = parseDecimal(value);
        } else if (key == "max") {
            d.max = parseDecimal(value);
        } else if (key == "min") {
            d.min = parseDecimal(value);
        } else if (key == "cc") {
            cc(d, splitTokens(value));
        } else if (key == "exclusive") {
            exclusive(d, splitTokens(value));
        }
    }

private:
    // A controller template needs its two bytes; a line with fewer is a typo and sends nothing
    // (rather than a guessed controller). Tokens after the second are ignored.
    static void cc(CommandDef& d, const std::vector<std::string_view>& toks) {
        if (toks.size() < 2) return;
        for (size_t i = 0; i < 2; ++i) {
            const std::string_view t = toks[i];
            if (t == "*m" || t == "*l") d.type = 1;
            else if (t == "*g") d.type = 2;
            else if (t == "*v" && d.type != 2) d.type = 0;
        }
        d.flag = 1;
        Event e;
        e.setControl(tokenByte(toks[0]), tokenByte(toks[1]));
        d.body.pushBack(std::move(e));
    }

    // An empty exclusive line would only send a bare F0 F7, so it adds nothing.
    static void exclusive(CommandDef& d, const std::vector<std::string_view>& toks) {
        if (toks.empty()) return;
        std::vector<uint8_t> bytes;
        bytes.reserve(toks.size() + 2);
        bytes.push_back(0xF0);
        for (std::string_view t : toks) {
            uint8_t b = tokenByte(t);
            if (t == "*m" || t == "*l") d.type = 1;
            else if (t == "*g") d.type = 2;
            if (b >= 0xC0 && b <= 0xC7) d.flag = 1;
            bytes.push_back(b);
        }
        bytes.push_back(0xF7);  // always closed, even when the tokens already end with F7
        Event e;
        e.setExclusive(std::move(bytes));
        d.body.pushBack(std::move(e));
    }

    Song& song_;
    size_t current_ = 0;
};

}  // namespace

void parseCommandDefinitions(std::string_view text, Song& song) {
    song.resetCommands();
    // Editors on Windows like to start UTF-8 files with a byte order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Loader loader(song);
    std::string key, value;
    bool inValue = false;
    auto endLine = [&] {
        loader.apply(key, value);
        key.clear();
        value.clear();
        inValue = false;
    };
    for (char c : text) {
        if (c == '\n') {
            endLine();
            continue;
        }
        // Blanks are dropped everywhere; so is the CR of a CR LF line end.
        if (c == ' ' || c == '\t' || c == '\r') continue;
        if (c == '=') {
            inValue = true;  // the first one ends the key; later ones are dropped
            continue;
        }
        (inValue ? value : key).push_back(c);
    }
    if (!key.empty() || !value.empty()) endLine();
}

bool loadCommandTable(const std::string& path, Song& song) {
    song.resetCommands();
    std::vector<uint8_t> data;
    if (!readWholeFile(path, data)) return false;
    parseCommandDefinitions(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), song);
    return true;
}

}  // namespace tarvio
