#include "cli/json.h"

#include <cstdint>

#include "model/song.h"

namespace tarvio::cli {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendEscape(std::string& out, uint8_t c) {
    out += "\\u00";
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

bool isCont(uint8_t c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are not valid).
size_t utf8Length(std::string_view s, size_t i) {
    uint8_t c = uint8_t(s[i]);
    size_t left = s.size() - i;
    auto at = [&](size_t k) { return uint8_t(s[i + k]); };
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return left >= 2 && isCont(at(1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isCont(at(1)) || !isCont(at(2))) return 0;
        if (c == 0xE0 && at(1) < 0xA0) return 0;   // overlong
        if (c == 0xED && at(1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !isCont(at(1)) || !isCont(at(2)) || !isCont(at(3))) return 0;
        if (c == 0xF0 && at(1) < 0x90) return 0;  // overlong
        if (c == 0xF4 && at(1) >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

void appendNumber(std::string& out, int64_t v) { out += std::to_string(v); }

void appendTrack(std::string& out, const Track& t) {
    out += "{\"number\":";
    appendNumber(out, t.number);
    out += ",\"type\":";
    appendNumber(out, uint16_t(t.type));
    out += ",\"name\":";
    appendJsonString(out, t.name);
    out += ",\"bank_set\":";
    appendJsonString(out, t.bankSet);
    out += ",\"port\":";
    appendNumber(out, t.port);
    out += ",\"channel\":";
    appendNumber(out, t.channel);
    out += ",\"mute\":";
    appendNumber(out, t.mute);
    out += ",\"solo\":";
    appendNumber(out, t.solo);
    out += ",\"record\":";
    appendNumber(out, t.record);
    out += ",\"offset\":";
    appendNumber(out, t.offset);
    out += ",\"transpose\":";
    appendNumber(out, t.transpose);
    out += ",\"events\":";
    appendNumber(out, int64_t(t.events.size()));
    out += ",\"slots\":[";
    for (int s = 0; s < 4; ++s) {
        if (s) out += ',';
        appendJsonString(out, t.slots[s].name);
    }
    out += "]}";
}

void appendTrackList(std::string& out, const std::list<std::unique_ptr<Track>>& list) {
    out += '[';
    bool first = true;
    for (auto& t : list) {
        if (!first) out += ',';
        first = false;
        appendTrack(out, *t);
    }
    out += ']';
}

}  // namespace

void appendJsonString(std::string& out, std::string_view s) {
    out += '"';
    size_t i = 0;
    while (i < s.size()) {
        uint8_t c = uint8_t(s[i]);
        size_t n = utf8Length(s, i);
        if (n == 0) {
            appendEscape(out, c);
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s.substr(i, n));
            i += n;
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) appendEscape(out, c);
                else out += char(c);
        }
        ++i;
    }
    out += '"';
}

std::string songInfoJson(const Song& song) {
    std::string out;
    out.reserve(4096);
    out += "{\"title\":";
    appendJsonString(out, song.title);
    out += ",\"rights\":";
    appendJsonString(out, song.rights);
    out += ",\"tempo\":";
    appendNumber(out, song.tempo);
    out += ",\"tpqn\":";
    appendNumber(out, song.tpqn);
    out += ",\"beat\":[";
    appendNumber(out, song.initialBeat.numerator);
    out += ',';
    appendNumber(out, song.initialBeat.denominator);
    out += "],\"beats\":[";
    for (size_t i = 0; i < song.beats.size(); ++i) {
        const BeatEntry& b = song.beats[i];
        if (i) out += ',';
        out += '[';
        appendNumber(out, b.measure);
        out += ',';
        appendNumber(out, b.numerator);
        out += ',';
        appendNumber(out, b.denominator);
        out += ']';
    }
    out += "],\"markers\":[";
    for (size_t i = 0; i < song.markers.size(); ++i) {
        if (i) out += ',';
        appendNumber(out, song.markers[i]);
    }
    out += "],\"tempo_track\":";
    appendTrack(out, *song.tempoTrack);
    out += ",\"tracks\":";
    appendTrackList(out, song.tracks);
    out += ",\"phrases\":";
    appendTrackList(out, song.phrases);
    out += '}';
    return out;
}

}  // namespace tarvio::cli
