#include "app/fkey.h"

#include <cstdio>

#include "model/event.h"

namespace tarvio {

namespace {

// Each value is q * num / den (the five built-in resolutions divide evenly); a den of 0 marks a
// fixed value held in num.
struct Ratio {
    int32_t num, den;
};
constexpr Ratio kRule[kFkeyCount] = {
    {4, 1}, {3, 1}, {2, 1}, {3, 2}, {1, 1}, {3, 4}, {1, 2}, {3, 8}, {1, 4}, {1, 8}, {1, 16}, {kFkeyTie, 0},
    {8, 3}, {7, 2}, {4, 3}, {7, 4}, {2, 3}, {7, 8}, {1, 3}, {7, 16}, {1, 6}, {1, 12}, {1, 24}, {kFkeyRest, 0},
    {4, 1}, {8, 1}, {12, 1}, {16, 1}, {20, 1}, {24, 1}, {28, 1}, {32, 1}, {36, 1}, {40, 1}, {0, 0}, {0, 0},
    {3, 1}, {6, 1}, {9, 1}, {12, 1}, {15, 1}, {18, 1}, {21, 1}, {24, 1}, {27, 1}, {30, 1}, {0, 0}, {0, 0},
};

constexpr int32_t kBuiltInResolutions[] = {960, 480, 192, 96, 48};

bool readValues(ByteReader& r, FkeyValues& out) {
    if (r.remaining() < sizeof(int32_t) * kFkeyCount) return false;
    for (int32_t& v : out) r.i32(v);
    return true;
}

}  // namespace

FkeyTemplate fkeyTemplateFor(int32_t tpqn) {
    FkeyTemplate t;
    // The spelling of the names is the one users know from their files.
    t.name = std::to_string(tpqn) + " TPQN templete";
    for (int i = 0; i < kFkeyCount; ++i) t.values[size_t(i)] = kRule[i].den ? tpqn * kRule[i].num / kRule[i].den : kRule[i].num;
    return t;
}

FkeyTable builtInFkeyTable() {
    FkeyTable table;
    for (int32_t q : kBuiltInResolutions) table.templates.push_back(fkeyTemplateFor(q));
    table.current = table.templates.front().values;
    table.currentName = table.templates.front().name;
    return table;
}

std::vector<uint8_t> serializeFkeys(const FkeyTable& table) {
    std::vector<uint8_t> out;
    ByteWriter w{out};
    for (int32_t v : table.current) w.i32(v);
    for (const FkeyTemplate& t : table.templates) {
        w.u8(1);
        w.i32(int32_t(t.name.size()));
        w.bytes(t.name.data(), t.name.size());
        for (int32_t v : t.values) w.i32(v);
    }
    w.u8(0);
    return out;
}

void parseFkeys(const uint8_t* data, size_t size, FkeyTable& table) {
    table.templates.clear();
    ByteReader r(data, size);
    FkeyValues current;
    if (!readValues(r, current)) return;
    table.current = current;
    for (;;) {
        uint8_t more = 0;
        int32_t length = 0;
        if (!r.u8(more) || more == 0 || !r.i32(length)) return;
        if (length < 0 || length > kFkeyMaxNameBytes || r.remaining() < size_t(length)) return;
        FkeyTemplate t;
        t.name.assign(reinterpret_cast<const char*>(r.cursor()), size_t(length));
        r.skip(size_t(length));
        if (!readValues(r, t.values)) return;
        table.templates.push_back(std::move(t));
    }
}

std::string fkeyStatusText(const FkeyTable& table, int row) {
    std::string text;
    if (row < 0 || row > 3) return text;
    for (int key = 0; key < 12; ++key) {
        const int32_t v = table.current[size_t(fkeyIndex(row, key))];
        if (v == kFkeyTie) text += "   Tie";
        else if (v == kFkeyRest) text += "  Rest";
        else if (v < 0) text += "      ";
        else {
            char buf[16];
            std::snprintf(buf, sizeof buf, " %5d", int(v));
            text += buf;
        }
    }
    return text;
}

}  // namespace tarvio
