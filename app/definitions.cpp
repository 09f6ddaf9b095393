#include "app/definitions.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>

#include "io/file_util.h"

namespace tarvio {

namespace {

// Calls f with each line of the text, without its line feed and a carriage return before it
// (files written on Windows), cut to kDefinitionLineBytes. A final line feed ends the last
// line; it does not start an empty one.
template <class F>
void forEachLine(std::string_view text, F f) {
    while (!text.empty()) {
        const size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        f(line.substr(0, kDefinitionLineBytes));
    }
}

// The decimal integer at the start of the text as the C library reads it (leading white space,
// a sign, digits; 0 without digits), held within the int range.
int leadingInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\v' || s[i] == '\f' || s[i] == '\r')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), INT32_MAX + int64_t(1));
    v = negative ? -v : v;
    return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The first n characters of UTF-8 text, never splitting a character.
std::string firstChars(std::string_view s, size_t n) {
    // A character is a lead byte with at most three continuation bytes; a stray continuation
    // byte counts as a character of its own, so malformed text stays within n characters too.
    size_t chars = 0, i = 0, tail = 0;  // tail: continuation bytes the character may still take
    for (; i < s.size(); ++i) {
        const uint8_t c = uint8_t(s[i]);
        if ((c & 0xC0) == 0x80 && tail > 0) {
            --tail;
            continue;
        }
        if (chars++ == n) break;
        tail = c >= 0xC0 ? 3 : 0;
    }
    return std::string(s.substr(0, i));
}

std::string_view trimBlanks(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
           });
}

}  // namespace

const std::string& ControllerNames::name(int controller) const {
    static const std::string empty;
    return controller >= 0 && controller < 128 ? names[size_t(controller)] : empty;
}

void parseControllerNames(std::string_view text, ControllerNames& names) {
    forEachLine(text, [&](std::string_view line) {
        const int number = leadingInt(line);
        if (number < 0 || number > 127) return;
        const size_t sep = line.find_first_of(" \t");
        names.names[size_t(number)] = sep == std::string_view::npos ? std::string{} : firstChars(line.substr(sep + 1), kControllerNameChars);
    });
}

BankSet parseBankSet(std::string title, std::string_view text) {
    BankSet set{std::move(title), {}};
    forEachLine(text, [&](std::string_view line) {
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) return;
        const std::string_view key = trimBlanks(line.substr(0, eq));
        const std::string_view value = trimBlanks(line.substr(eq + 1));
        if (key.empty() || value.empty()) return;
        if (sameWord(key, "bank")) {
            set.banks.push_back(Bank{std::string(value), 0, 0, {}});
            return;
        }
        if (set.banks.empty()) return;
        Bank& bank = set.banks.back();
        if (sameWord(key, "msb")) {
            bank.msb = uint8_t(leadingInt(value));
        } else if (sameWord(key, "lsb")) {
            bank.lsb = uint8_t(leadingInt(value));
        } else if (key[0] >= '0' && key[0] <= '9') {
            const int program = leadingInt(key);
            if (program <= 127) bank.programs[size_t(program)] = std::string(value);
        }
    });
    return set;
}

std::vector<BankSet> readBankFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_regular_file(typeEc) && fileExtension(it->path().filename().string()) == "bnk") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
    std::vector<BankSet> sets;
    for (const fs::path& file : files) {
        std::vector<uint8_t> bytes;
        readWholeFile(file.string(), bytes);  // an unreadable file gives an empty set
        sets.push_back(parseBankSet(file.stem().string(),
                                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    }
    return sets;
}

}  // namespace tarvio
