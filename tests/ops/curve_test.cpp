// Control curves: values by kind, the value table, applying to a track, and curve files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "model/song.h"
#include "model/track.h"
#include "ops/curve.h"
#include "tests/support/lists.h"

using namespace tarvio;

namespace {

Curve make(CurveKind kind, int start, int end, int length, int count = 1, int param = 0) {
    Curve c;
    c.kind = int32_t(kind), c.start = start, c.end = end, c.length = length, c.count = count, c.param = param;
    c.minimum = std::min(start, end), c.maximum = std::max(start, end);
    return c;
}

Curve limit(Curve c, int lo, int hi) {
    c.minimum = lo, c.maximum = hi;
    return c;
}

void add(EventList& l, int32_t step, void (*set)(Event&)) {
    Event e;
    set(e), e.step = step, l.pushBack(e);
}

// (tick, kind, b0, b1, b2, b3) of every event, and the list length.
using Timeline = std::vector<std::tuple<int64_t, int, int, int, int, int>>;
Timeline timeline(const EventList& l) {
    Timeline r;
    int64_t t = 0;
    for (const Event& e : l) {
        r.emplace_back(t, int(e.kind()), e.b[0], e.b[1], e.b[2], e.b[3]);
        t += e.step;
    }
    r.emplace_back(t, -1, 0, 0, 0, 0);
    return r;
}

}  // namespace

// Each kind against the formulas worked by hand; random, chaos and noise from a fresh
// generator with seed 1 (first rand() values 16838, 5758, 10113).
TEST(CurveValue, EachKindFollowsItsFormula) {
    const std::vector<std::tuple<const char*, Curve, std::vector<int64_t>, std::vector<int64_t>>> cases = {
        {"line", make(CurveKind::Line, 0, 127, 1920), {0, 719, 1920, 5000}, {0, 48, 127, 127}},
        {"line, limited", limit(make(CurveKind::Line, 0, 127, 100), 20, 90), {0, 100}, {20, 90}},
        {"line, two teeth", make(CurveKind::Line, 0, 100, 100, 2), {25, 50, 75}, {50, 100, 50}},
        {"count beyond length", make(CurveKind::Line, 0, 100, 2, 5), {1}, {100}},
        {"x^2", make(CurveKind::Power, 0, 100, 100, 1, 2), {50}, {25}},
        {"x^-2", make(CurveKind::Power, 0, 100, 100, 1, -2), {50}, {75}},
        {"sin, two quarters", make(CurveKind::Sin, 0, 100, 100, 2), {25, 50}, {71, 100}},
        {"cos", make(CurveKind::Cos, 0, 100, 100, 2), {25, 50}, {15, 50}},
        {"x+sin", make(CurveKind::XPlusSin, 0, 100, 100), {25}, {9}},
        {"x+sin, flat ends", make(CurveKind::XPlusSin, 0, 100, 100, 1, 10), {5}, {0}},
        {"x*sin", make(CurveKind::XTimesSin, 0, 100, 100, 1, 5), {50}, {35}},
        {"x*cos", make(CurveKind::XTimesCos, 0, 100, 100, 1, 5), {50}, {7}},  // 14.64 * 0.5
        {"random", make(CurveKind::Random, 0, 100, 100), {0, 50, 100}, {0, 72, 100}},
        {"random, D = -1", make(CurveKind::Random, 50, 49, 100), {0, 50, 99, 100}, {50, 50, 50, 50}},
        {"chaos", make(CurveKind::Chaos, 0, 100000, 100), {10, 10, 10}, {100, 100, 101}},
        {"noise", make(CurveKind::Noise, 0, 1000, 100), {10, 10, 10}, {523, 547, 524}},
    };
    for (const auto& [name, curve, ticks, expected] : cases) {
        CurveGenerator gen(1);
        std::vector<int64_t> got;
        for (int64_t t : ticks) got.push_back(curveValue(curve, t, gen));
        EXPECT_EQ(got, expected) << name;
    }
}

// The table holds each interval's middle value and reads the ends outside the curve; free hand
// holds the boundary values, is clamped, resampled and drawn per interval.
TEST(CurveTable, IntervalsDelayAndFreeHand) {
    Curve c = make(CurveKind::Line, 0, 100, 10);
    c.interval = 4, c.delay = 5;
    CurveGenerator gen;
    generateCurveTable(c, gen);
    EXPECT_EQ(c.values, std::vector<int32_t>({0, 0, 0, 0, 50, 50, 50, 50, 90, 90, 100}));  // f(5+4+1), f(5+8+1)
    EXPECT_EQ(std::vector<int64_t>({curveTableAt(c, 0), curveTableAt(c, 9), curveTableAt(c, 99)}),
              std::vector<int64_t>({0, 50, 100}));

    Curve f = make(CurveKind::FreeHand, 10, 20, 4);
    f.interval = 2, f.values = {5, 30, 15, 16, 17};
    generateCurveTable(f, gen);
    EXPECT_EQ(f.values, std::vector<int32_t>({10, 10, 15, 15, 17}));
    resampleFreeHand(f, 8);
    EXPECT_EQ(f.values, std::vector<int32_t>({10, 10, 10, 10, 15, 15, 15, 15, 17}));
    drawFreeHand(f, 3, 2, 127);  // boundary 2 up to boundary 4: maximum, not maximum + 1
    drawFreeHand(f, 7, 8, 0);
    EXPECT_EQ(f.values, std::vector<int32_t>({10, 10, 20, 20, 15, 15, 10, 10, 10}));
}

// A curve file may hold any shape parameter: the most negative one is not negated as an int, and
// every kind keeps to its range.
TEST(CurveTable, ExtremeShapeParameters) {
    for (int kind = 1; kind < kCurveKindCount; ++kind) {
        for (int32_t n : {INT32_MIN, INT32_MIN + 1, -1, INT32_MAX}) {
            Curve c = make(CurveKind(kind), 0, 100, 16);
            c.param = n;
            CurveGenerator gen;
            generateCurveTable(c, gen);
            for (int32_t v : c.values) {
                EXPECT_GE(v, 0) << "kind " << kind << " n " << n;
                EXPECT_LE(v, 100) << "kind " << kind << " n " << n;
            }
        }
    }
}

// A command's curve runs over the values the user sees (min..max moved by the base): a line
// over the whole shown range of a centred 14-bit command writes every stored value once, and
// adding keeps to the same range.
TEST(CurveApply, CommandValuesRunOverTheShownRange) {
    Song song;
    song.commands[5].type = 1, song.commands[5].max = 16383, song.commands[5].base = -8192;
    song.commands[6].type = 0, song.commands[6].min = 40, song.commands[6].max = 88, song.commands[6].base = -64;
    const TargetSpec fine{EditTarget::Procedure, 5}, coarse{EditTarget::Procedure, 6};
    const FieldRange shown = curveValueRange(song, fine, false), added = curveValueRange(song, fine, true);
    EXPECT_EQ(std::make_tuple(shown.lo, shown.hi, added.lo, added.hi), std::make_tuple(-8192, 8191, -16383, 16383));

    Track& t = song.createTrack();
    Curve line = limit(make(CurveKind::Line, -8192, 8191, 16383), int(shown.lo), int(shown.hi));
    CurveGenerator gen;
    generateCurveTable(line, gen);
    EXPECT_EQ(applyCurve(song, t, line, fine, false, 0, 16384), 16384);
    int64_t expected = 0;
    for (const auto& [tick, kind, b0, b1, b2, b3] : timeline(t.events)) {
        if (kind < 0) break;
        ASSERT_EQ(std::make_pair(tick, int64_t(b2 * 128 + b3)), std::make_pair(expected, expected));
        ++expected;
    }
    EXPECT_EQ(expected, 16384);
    EXPECT_TRUE(t.undo());

    // Stored 0, 8192 and 16383 (shown -8192, 0, 8191); the coarse one holds 10, below its min.
    add(t.events, 0, [](Event& e) { e.setCommand(5, 0, 0); });
    add(t.events, 0, [](Event& e) { e.setCommand(5, 64, 0); });
    add(t.events, 0, [](Event& e) { e.setCommand(5, 127, 127); });
    add(t.events, 10, [](Event& e) { e.setCommand(6, 0, 10); });
    auto stored = [&] {
        std::vector<int> r;
        for (const Event& e : t.events) r.push_back(e.b[2] * 128 + e.b[3]);
        return r;
    };
    auto addFlat = [&](int v, TargetSpec target) {
        Curve c = limit(make(CurveKind::Line, v, v, 10), -16383, 16383);
        generateCurveTable(c, gen);
        return applyCurve(song, t, c, target, true, 0, 10);
    };
    EXPECT_EQ(addFlat(0, fine), 0);
    EXPECT_EQ(addFlat(0, coarse), 0);
    EXPECT_EQ(stored(), std::vector<int>({0, 8192, 16383, 10}));
    EXPECT_EQ(addFlat(100, fine), 2);
    EXPECT_EQ(stored(), std::vector<int>({100, 8292, 16383, 10}));
    EXPECT_EQ(addFlat(-300, fine), 3);
    EXPECT_EQ(stored(), std::vector<int>({0, 7992, 16083, 10}));
}

// Set and add mode per target, and one undo restoring the list exactly.
TEST(CurveApply, SetAndAddPerTargetWithUndo) {
    Song song;
    song.commands[5].type = 1, song.commands[5].min = -100, song.commands[5].max = 8000, song.commands[5].base = -200;
    Track& t = song.createTrack();
    add(t.events, 480, [](Event& e) { e.setNote(60, 120, 100); });  // 0
    add(t.events, 120, [](Event& e) { e.setControl(11, 5); });      // 480: replaced
    add(t.events, 1320, [](Event& e) { e.setNote(62, 0, 100); });   // 600: a rest stays
    add(t.events, 0, [](Event& e) { e.setCommand(5, 1, 2); });      // 1920
    add(t.events, 600, [](Event& e) { e.setNote(64, 10, 100); });   // 1920
    add(t.events, 0, [](Event& e) { e.setControl(11, 9); });        // 2520, after the curve
    const testlists::Full exact = testlists::full(t.events);

    Curve line = make(CurveKind::Line, 0, 127, 1920);
    line.interval = 480;
    CurveGenerator gen;
    generateCurveTable(line, gen);
    EXPECT_EQ(applyCurve(song, t, line, {EditTarget::ControlChange, 11}, false, 0, 2000), 5);
    const int cc = int(EventKind::Control), note = int(EventKind::Note), cmd = int(EventKind::Command);
    EXPECT_EQ(timeline(t.events),
              Timeline({{0, cc, 11, 0, 0, 0}, {0, note, 60, 120, 100, 0}, {480, cc, 11, 48, 0, 0},
                        {600, note, 62, 0, 100, 0}, {960, cc, 11, 79, 0, 0}, {1440, cc, 11, 111, 0, 0},
                        {1920, cc, 11, 127, 0, 0}, {1920, cmd, 5, 0, 1, 2}, {1920, note, 64, 10, 100, 0},
                        {2520, cc, 11, 9, 0, 0}, {2520, -1, 0, 0, 0, 0}}));
    EXPECT_TRUE(t.undo());
    EXPECT_EQ(testlists::full(t.events), exact);

    // Add mode clamps to the field: velocity 120 + 20 and 10 - 50.
    Curve fall = make(CurveKind::Line, 20, -50, 1920);
    generateCurveTable(fall, gen);
    EXPECT_EQ(applyCurve(song, t, fall, {EditTarget::Vel, 0}, true, 0, 2000), 2);
    Timeline now = timeline(t.events);
    EXPECT_EQ(std::make_pair(std::get<3>(now[0]), std::get<3>(now[4])), std::make_pair(127, 0));
    // A command's value is stored as value - base in 14 bits: -70 + 8100 clamps to the shown
    // maximum 7800, stored 8000.
    Curve top = make(CurveKind::Line, 8100, 8100, 10);
    generateCurveTable(top, gen);
    EXPECT_EQ(applyCurve(song, t, top, {EditTarget::Procedure, 5}, true, 1920, 1921), 1);
    now = timeline(t.events);
    EXPECT_EQ(std::get<4>(now[3]) * 128 + std::get<5>(now[3]), 8000);
    // start = end is one quarter note: the note at 0, not the one at 1920.
    Curve steps = make(CurveKind::Line, 0, 100, 100);
    generateCurveTable(steps, gen);
    EXPECT_EQ(applyCurve(song, t, steps, {EditTarget::Note, 0}, false, 0, 0), 1);
    // Steps spread the curve over the range's events: positions 0, L/2 and L.
    EXPECT_EQ(applyCurve(song, t, steps, {EditTarget::Step, 0}, false, 0, 601), 3);
    const Timeline spread = timeline(t.events);
    EXPECT_EQ(std::make_tuple(std::get<0>(spread[1]), std::get<0>(spread[2]), std::get<0>(spread[3])),
              std::make_tuple(0, 50, 150));
}

// Files: a round trip, the list, refusal of foreign, cut and malformed files, and the
// rescaling of start and end to the target's range on load.
TEST(CurveFile, RoundTripRefusalsAndRescaling) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("tarvio-curve-test-" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(dir);
    Curve f = make(CurveKind::FreeHand, 0, 127, 3);
    f.values = {1, -2, 3, 127};
    f.delay = 7, f.interval = 2, f.count = 4, f.step = 9, f.param = -3;
    ASSERT_TRUE(saveCurve(dir, "b", f));
    ASSERT_TRUE(saveCurve(dir, "a", make(CurveKind::Sin, 0, 127, 480)));
    EXPECT_FALSE(saveCurve(dir, "../x", f));
    EXPECT_EQ(listCurves(dir), std::vector<std::string>({"a", "b"}));
    Curve back;
    ASSERT_TRUE(readCurveFile(curveFilePath(dir, "b"), back));
    auto fields = [](const Curve& c) {
        return std::tie(c.kind, c.delay, c.step, c.interval, c.count, c.length, c.start, c.end, c.param, c.maximum,
                        c.minimum, c.values);
    };
    EXPECT_EQ(fields(back), fields(f));

    std::ifstream in(curveFilePath(dir, "b"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    auto le32 = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 4; i-- > 0;) v = v << 8 | uint8_t(bytes[at + i]);
        return int32_t(v);
    };
    EXPECT_EQ(std::make_tuple(bytes.substr(0, 8), bytes.size(), le32(12), le32(28), le32(40), le32(44), le32(64)),
              std::make_tuple(std::string("tvocurve"), size_t(52 + 4 * 4), 7, 3, -3, 127, 127));
    auto variant = [&](size_t cut, size_t at, char c) {
        std::string b = bytes.substr(0, cut);
        if (at < b.size()) b[at] = c;
        std::ofstream(dir + "/v.crv", std::ios::binary) << b;
        Curve c2;
        return readCurveFile(dir + "/v.crv", c2);
    };
    EXPECT_FALSE(variant(bytes.size(), 0, 'T'));      // magic
    EXPECT_FALSE(variant(bytes.size() - 1, 99, 0));   // inside the values
    EXPECT_FALSE(variant(bytes.size(), 20, 0));       // interval 0
    EXPECT_FALSE(variant(bytes.size(), 29, 1));       // length 259: more values than the file holds

    Curve c = make(CurveKind::Line, 127, 0, 10);
    rescaleCurve(c, {-8192, 8191});
    EXPECT_EQ(std::vector<int32_t>({c.start, c.end, c.minimum, c.maximum}),
              std::vector<int32_t>({8191, -8192, -8192, 8191}));
    Curve flat = make(CurveKind::Line, 64, 200, 10);
    flat.minimum = flat.maximum = 64;  // no scale saved: clamped only
    rescaleCurve(flat, {0, 127});
    EXPECT_EQ(std::make_pair(flat.start, flat.end), std::make_pair(64, 127));
    std::filesystem::remove_all(dir);
}
