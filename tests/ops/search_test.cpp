// Search scripts (text, selection, each action on the list, exact undo) and note sorting.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "model/song.h"
#include "ops/search.h"
#include "tests/support/lists.h"

using namespace tarvio;

namespace {

// Notes (key, velocity, gate), or with gate -1 a controller (number, value), -2 a key pressure.
struct In {
    int step, a, b, gate;
};

Track& make(Song& song, const std::vector<In>& events) {
    Track& t = song.createTrack();
    for (const In& in : events) {
        Event e;
        if (in.gate >= 0)
            e.setNote(uint8_t(in.a), uint8_t(in.b), uint16_t(in.gate));
        else if (in.gate == -1)
            e.setControl(uint8_t(in.a), uint8_t(in.b));
        else
            e.setPolyPressure(uint8_t(in.a), uint8_t(in.b));
        e.step = in.step;
        t.events.pushBack(e);
    }
    return t;
}

// "tick:content" per event, then the list's length.
std::string show(const EventList& l) {
    std::string out;
    int64_t t = 0;
    auto n = [](int v) { return std::to_string(v); };
    for (const Event& e : l) {
        out += n(int(t)) + ":";
        switch (e.kind()) {
            case EventKind::Note: out += e.isRest() ? "r" : "N" + n(e.b[0]) + "v" + n(e.b[1]) + "g" + n(e.gate()); break;
            case EventKind::Control: out += "C" + n(e.b[0]) + "=" + n(e.b[1]); break;
            case EventKind::PolyPressure: out += "K" + n(e.b[0]) + "=" + n(e.b[1]); break;
            case EventKind::PitchBend: out += "P" + n(e.signedBend()); break;
            case EventKind::Command: out += "X" + n(e.word0()) + ":" + n(e.b[2]) + "," + n(e.b[3]); break;
            default: out += "?";
        }
        out += " ";
        t += e.step;
    }
    return out + "end" + n(int(t));
}

const std::vector<In> kList = {{100, 59, 120, 50},  {0, 60, 101, 50}, {100, 65, 50, 30},
                               {100, 71, 105, 40}, {100, 7, 100, -1}, {100, 60, 90, -2}};

}  // namespace

// Conditions: the ranges they select, as [low, high] with negation; invalid texts fail.
TEST(Search, ConditionsParse) {
    const int64_t any = SearchCondition::kAny;
    struct Case {
        const char* text;
        bool ok;
        int64_t low, high;
        bool negate;
    } cases[] = {
        {"", true, -any, any, false},     {"!", true, -any, any, true},      {"64", true, 64, 64, false},
        {"72_60", true, 60, 72, false},   {"-5_", true, -5, any, false},     {"_+9", true, -any, 9, false},
        {"C4_b4", true, 60, 71, false},   {"A#3", true, 58, any, false},     {"c-0", true, 11, any, false},
        {"!1_100", true, 1, 100, true},   {"C-1_", true, 23, any, false},    {" 1 _ 2 ", true, 1, 2, false},
        {"H4", false, 0, 0, false},       {"C45", false, 0, 0, false},       {"1_2_3", false, 0, 0, false},
        {"1x", false, 0, 0, false},       {"+-1", false, 0, 0, false},       {"!!1", false, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SearchCondition got;
        std::string err;
        ASSERT_EQ(parseCondition(c.text, got, err), c.ok) << err;
        if (c.ok) {
            EXPECT_EQ(std::tuple(got.low, got.high, got.negate), std::tuple(c.low, c.high, c.negate));
        }
    }
}

// Expressions: left to right, "/" and "%" skipped for 0, "%" on truncated operands.
TEST(Search, ExpressionsEvaluate) {
    const std::array<int64_t, 4> v = {60, 480, 100, 105};
    struct Case {
        const char* text;
        double want;  // NAN: invalid
    } cases[] = {
        {"$v*0.8", 84},   {"$k+12", 72},     {"$2/0", 100},     {"$1 % 0.5", 480}, {"$s+1*2", 962},
        {"7.5%2", 1},     {"-3-$k", NAN},    {"$x", NAN},       {"1..2", NAN},     {"12345678901234567", NAN},
        {"$3-5.5", 99.5}, {"-7.9%3", -1},    {"$g/-4", -25},    {"", NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SearchExpression x;
        std::string err;
        ASSERT_EQ(parseExpression(c.text, x, err), !std::isnan(c.want)) << err;
        if (!std::isnan(c.want)) {
            EXPECT_DOUBLE_EQ(x.evaluate(v), c.want);
        }
    }
}

// The dialog's fields and the script text rebuild each other; the Data list's "[name]" is dropped.
TEST(Search, FormAndScriptRoundTrip) {
    for (const char* script : {"/d N,C4_B4,,,!1_100", "N:P,:$k*100,,,", "/m CC,7,,,:$v/2", "/c A,,,,", "PR:K,,,,"}) {
        SearchForm form;
        std::string err;
        ASSERT_TRUE(parseSearchForm(script, form, err)) << script << ": " << err;
        EXPECT_EQ(formatSearchScript(form), script);
    }
    SearchForm form{SearchAction::Convert, SearchType::CC, SearchType::KeyPress, {"007[Volume]"}, {"", "", "", "$v - 1"}};
    EXPECT_EQ(formatSearchScript(form), "CC:K,007,,,:$v-1");
    form.action = SearchAction::Delete;  // conversions belong to convert and mix only
    EXPECT_EQ(formatSearchScript(form), "/d CC,007,,,");
}

// Each action on the list of kList; then undo gives back the list exactly, and redo the result
// with the same serials.
TEST(Search, ActionsChangeTheListAndUndoRestoresIt) {
    struct Case {
        const char* script;
        int64_t begin, end;
        std::string want, copied;
    } cases[] = {
        // Keys 60..71 with velocity 0 or above 100 go; the others keep their ticks.
        {"/d N,C4_B4,,,!1_100", 0, 1000, "0:N59v120g50 100:N65v50g30 300:C7=100 400:K60=90 end500", ""},
        // The first event goes: its time stays as a rest.
        {"/d N,59,,,", 0, 1000, "0:r 100:N60v101g50 100:N65v50g30 200:N71v105g40 300:C7=100 400:K60=90 end500", ""},
        {"N,,,,:$v*0.8", 0, 1000, "0:N59v96g50 100:N60v81g50 100:N65v40g30 200:N71v84g40 300:C7=100 400:K60=90 end500", ""},
        {"N,C5_,,,", 0, 1000, "", ""},  // nothing selected: nothing done
        {"N,,,:$g/0,", 0, 1000, "", ""},
        {"N,:$k+60,,,", 50, 250, "0:N59v120g50 100:N120v101g50 100:N125v50g30 200:N127v105g40 300:C7=100 400:K60=90 end500", ""},
        // A new step moves the events after it.
        {"N,65,:$s*2,,", 0, 1000, "0:N59v120g50 100:N60v101g50 100:N65v50g30 300:N71v105g40 400:C7=100 500:K60=90 end600", ""},
        {"CC:N,,,,", 0, 1000, "0:N59v120g50 100:N60v101g50 100:N65v50g30 200:N71v105g40 300:N7v100g1 400:K60=90 end500", ""},
        {"K:P,:$k*-200,,,", 0, 1000, "0:N59v120g50 100:N60v101g50 100:N65v50g30 200:N71v105g40 300:C7=100 400:P-8192 end500", ""},
        // A single note name is a lower bound: C4 and above.
        {"A:PR,C4,,,", 300, 1000, "0:N59v120g50 100:N60v101g50 100:N65v50g30 200:N71v105g40 300:C7=100 400:X0:60,90 end500", ""},
        {"/m N,71,,,:$v/2", 0, 1000, "0:N59v120g50 100:N60v101g50 100:N65v50g30 200:N71v105g40 200:N71v53g40 300:C7=100 400:K60=90 end500", ""},
        // Copy: a rest from the range start, each step to the next copy, the last to the end.
        {"/c N,,,,!_100", 50, 350, "", "0:r 50:N60v101g50 150:N71v105g40 end300"},
        {"/t N,,,,101_", 0, 450, "0:r 100:N65v50g30 300:C7=100 400:K60=90 end500", "0:N59v120g50 100:N60v101g50 200:N71v105g40 end450"},
        {"N,,,,:$x", 0, 1000, "", ""},  // invalid: nothing happens
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Song song;
        Track& t = make(song, kList);
        const std::string before = show(t.events);
        const auto exact = testlists::full(t.events);
        SearchResult r;
        std::string err;
        const bool ok = runSearch(song, t, c.script, c.begin, c.end, r, err);
        EXPECT_EQ(ok, std::string(c.script).find("$x") == std::string::npos) << err;
        EXPECT_EQ(show(t.events), c.want.empty() ? before : c.want);
        EXPECT_EQ(r.copied.empty() ? "" : show(r.copied), c.copied);
        const auto after = testlists::full(t.events);
        if (t.undo()) {
            EXPECT_EQ(testlists::full(t.events), exact);
            t.redo();
            EXPECT_EQ(testlists::full(t.events), after);
        }
    }
}

// The selection sort's picks, reproduced without its quadratic walk: compared with the
// plain sort on many equal keys, whose order shows in the velocities.
TEST(Sort, OrdersAsTheSelectionSortDoesAndKeepsPositions) {
    auto keys = [](const Track& t) {
        std::vector<int> k;
        for (const Event& e : t.events)
            if (!e.isRest()) k.push_back(e.b[0] * 1000 + e.b[1]);
        return k;
    };
    Song song;
    Track& t = make(song, {{100, 64, 1, 10}, {0, 60, 2, 20}, {50, 64, 0, 0}, {70, 67, 3, 30}});
    SearchRandom random(1);
    EXPECT_EQ((std::array{random.next(), random.next()}), (std::array{16838, 5758}));  // C's reference rand()
    for (auto [order, want] : {std::pair{SortOrder::Ascending, "0:N60v2g20 100:N64v1g10 100:r 150:N67v3g30 end220"},
                               std::pair{SortOrder::Descending, "0:N67v3g30 100:N64v1g10 100:r 150:N60v2g20 end220"},
                               std::pair{SortOrder::Shuffle, "0:N60v2g20 100:N64v1g10 100:r 150:N67v3g30 end220"}}) {
        SearchRandom seeded(1);  // 16838 % 3 = 2: the first two exchange; then 0 and 0
        sortNotes(song, t, 0, 1000, order, seeded);
        EXPECT_EQ(show(t.events), want);
        t.undo();
    }

    std::vector<In> many;
    SearchRandom fill(7);
    for (int i = 0; i < 300; ++i) many.push_back({10, fill.next() % 6, 1 + i % 127, 10});
    Track& big = make(song, many);
    for (SortOrder order : {SortOrder::Ascending, SortOrder::Descending}) {
        std::vector<int> want = keys(big);
        for (size_t i = 0; i < want.size(); ++i) {
            size_t m = i;
            for (size_t j = i + 1; j < want.size(); ++j)
                if (order == SortOrder::Ascending ? want[j] / 1000 < want[m] / 1000 : want[j] / 1000 > want[m] / 1000) m = j;
            std::swap(want[i], want[m]);
        }
        sortNotes(song, big, 0, 3000, order, fill);
        EXPECT_EQ(keys(big), want);
        big.undo();
    }
}
