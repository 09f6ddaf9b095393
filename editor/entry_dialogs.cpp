#include "editor/entry_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/song.h"

namespace tarvio {

namespace {

int32_t loadI32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
double loadF64(const uint8_t* p) {
    double v;
    std::memcpy(&v, p, 8);
    return v;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

int controllerListShortcut(int vk) {
    if (vk >= 0x60 && vk <= 0x69) vk = '0' + (vk - 0x60);  // keypad digits
    return NumericEditor::controllerListEntryForKey(vk);
}

const char* entryListTitle(EditorRequest::Kind kind) {
    using K = EditorRequest::Kind;
    switch (kind) {
    case K::ControllerList: return "Controller";
    case K::ProcedureList: return "Procedure";
    case K::PhraseList: return "Phrase";
    case K::InstructionList: return "Command";
    case K::CloneList: return "Clone";
    case K::BankSetList: return "Bank Set";
    case K::PortList: return "Port";
    default: return "";
    }
}

std::vector<std::string> ProgramChoices::programs(int bankRow) const {
    std::vector<std::string> out;
    const Bank* bank = bankRow >= 0 && size_t(bankRow) < banks.size() ? banks[size_t(bankRow)].bank : nullptr;
    char buf[8];
    for (int p = 0; p < 128; ++p) {
        std::snprintf(buf, sizeof buf, "%03d", p);
        std::string s = buf;
        if (bank && !bank->programs[size_t(p)].empty()) s += " " + bank->programs[size_t(p)];
        out.push_back(std::move(s));
    }
    return out;
}

int ProgramChoices::rowOf(uint8_t msb, uint8_t lsb) const {
    for (size_t i = 0; i < banks.size(); ++i)
        if (banks[i].msb == msb && banks[i].lsb == lsb) return int(i);
    return -1;
}

ProgramChoices programChoices(const std::vector<BankSet>& sets, const std::string& setName, uint8_t msb, uint8_t lsb) {
    ProgramChoices c;
    char buf[32];
    for (const BankSet& set : sets) {
        if (set.title != setName) continue;
        for (const Bank& b : set.banks) {
            std::snprintf(buf, sizeof buf, "  (%03d:%03d)", b.msb, b.lsb);
            c.banks.push_back({b.name + buf, b.msb, b.lsb, &b});
        }
        break;
    }
    if (c.rowOf(msb, lsb) < 0) {
        std::snprintf(buf, sizeof buf, "---  (%03d:%03d)", msb, lsb);
        c.banks.push_back({buf, msb, lsb, nullptr});
    }
    return c;
}

std::vector<std::string> jumpTrackTexts(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (size_t i = 0; i < names.size(); ++i) out.push_back(std::to_string(i + 1) + "  " + names[i]);
    return out;
}

uint32_t trackNumberAt(const Song& song, int row) {
    if (row < 0) return 0;
    for (const auto& t : song.tracks)
        if (row-- == 0) return t->number;
    return 0;
}

std::vector<ParameterRow> parameterRows(const ParameterBlock& block) {
    std::vector<ParameterRow> rows;
    const int count = std::clamp(block.count, 0, 256);
    char buf[64];
    for (int i = 0; i < count; ++i) {
        const uint8_t* r = block.records[i].raw;
        ParameterRow row;
        const char* name = reinterpret_cast<const char*>(r + 4);
        row.name.assign(name, strnlen(name, 32));
        if (loadI32(r) == 1) {
            std::snprintf(buf, sizeof buf, "%f", loadF64(r + 56));
            row.type = "float";
        } else {
            std::snprintf(buf, sizeof buf, "%d", loadI32(r + 48));
            row.type = "number";
        }
        row.value = buf;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool setParameterText(ParameterBlock& block, int row, std::string_view text) {
    if (row < 0 || row >= std::clamp(block.count, 0, 256)) return false;
    const std::string s = trimmed(text);
    if (s.empty()) return false;
    uint8_t* r = block.records[row].raw;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
    if (loadI32(r) == 1) {
        const double lo = loadF64(r + 40), hi = loadF64(r + 48);
        const double x = lo <= hi ? std::clamp(v, lo, hi) : v;
        std::memcpy(r + 56, &x, 8);
    } else {
        const int32_t lo = loadI32(r + 40), hi = loadI32(r + 44);
        // Whole numbers only, truncated toward zero like every conversion to an integer.
        double t = std::trunc(v);
        t = std::clamp(t, -2147483648.0, 2147483647.0);
        int32_t x = int32_t(t);
        if (lo <= hi) x = std::clamp(x, lo, hi);
        std::memcpy(r + 48, &x, 4);
    }
    return true;
}

size_t textLimit(EditorRequest::Kind kind) { return kind == EditorRequest::Kind::CommentText ? 32 : 0; }

std::string cutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    size_t n = maxBytes;
    // Back over continuation bytes to the start of the character that would be cut.
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    return std::string(text.substr(0, n));
}

}  // namespace tarvio
