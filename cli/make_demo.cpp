// Writes the demo song through the model's own API, so that it always matches what the
// model can express: tarvio-make-demo OUT.tvo
//
// The song: 16 measures of 4/4 in C major at 112 BPM, an 8-measure waltz in A minor at
// 132 BPM, and a final measure of 4/4 that slows down. Chords, bass lines and melody
// figures are phrases called with transposition and key fitting; the drum groove repeats
// through clones, counts its passes in registers and plays a fill on every fourth pass.
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "io/song_file.h"
#include "model/song.h"

using namespace tarvio;

namespace {

constexpr int32_t Q = 480;  // quarter note at TPQN 480
constexpr int32_t E8 = Q / 2;
constexpr int32_t H = 2 * Q;
constexpr int32_t BAR4 = 4 * Q;
constexpr int32_t BAR3 = 3 * Q;
constexpr int32_t WALTZ = 16 * BAR4;        // first measure of the waltz
constexpr int32_t CODA = WALTZ + 8 * BAR3;  // the closing 4/4 measure
constexpr int32_t END = CODA + BAR4;

// Register use: $1 holds 1, $2 the hi-hat velocity, $4 its increment per measure,
// $5 the pass counter of the drum groove, $6 and $7 the pad's expression and its increment.
constexpr uint8_t reg(int n) { return uint8_t(128 + n); }

// Events placed at absolute ticks; events at one tick keep the order they were added in.
class Timeline {
public:
    void at(int32_t tick, Event e) { items_.emplace_back(tick, std::move(e)); }
    void writeTo(EventList& list, int32_t end) {
        std::stable_sort(items_.begin(), items_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < items_.size(); ++i) {
            int32_t next = i + 1 < items_.size() ? items_[i + 1].first : end;
            items_[i].second.step = next - items_[i].first;
            list.pushBack(std::move(items_[i].second));
        }
        items_.clear();
    }

private:
    std::vector<std::pair<int32_t, Event>> items_;
};

Event note(int n, int velocity, int gate) {
    Event e;
    e.setNote(uint8_t(n), uint8_t(velocity), uint16_t(gate));
    return e;
}
Event control(int cc, int value) {
    Event e;
    e.setControl(uint8_t(cc), uint8_t(value));
    return e;
}
Event program(int p, int msb = 128, int lsb = 128) {
    Event e;
    e.setProgram(uint8_t(p), uint8_t(msb), uint8_t(lsb));
    return e;
}
Event tempo(int bpm) {
    Event e;
    e.setTempo(uint32_t(bpm));
    return e;
}
Event op(EventKind k, int r, int operand) {
    Event e;
    e.setRegisterOp(k, uint16_t(r), int16_t(operand));
    return e;
}
Event plain(EventKind k) {
    Event e;
    e.setKindValue(k, 0);
    return e;
}
Event call(uint32_t phrase, int transpose, int root, KeyMode mode) {
    Event e;
    e.setPhraseCall(PhraseCallData{phrase, 0, transpose, uint32_t(root), uint32_t(mode)});
    return e;
}
Event clone(CloneMode mode, int32_t position) {
    Event e;
    e.setClone(CloneData{0, uint8_t(mode), position});
    return e;
}
Event comment(const char* text) {
    Event e;
    e.setComment(text);
    return e;
}

// Volume, pan, expression, reverb and chorus at the start of a track.
void mixer(Timeline& tl, int32_t tick, int volume, int pan, int reverb, int chorus) {
    tl.at(tick, control(7, volume));
    tl.at(tick, control(10, pan));
    tl.at(tick, control(11, 100));
    tl.at(tick, control(91, reverb));
    tl.at(tick, control(93, chorus));
}

// A phrase holding the notes given as (start, note, velocity, gate), as long as length.
Track& makePhrase(Song& song, const char* name, int32_t length,
                  std::initializer_list<std::tuple<int32_t, int, int, int>> notes) {
    Track& p = song.createPhrase();
    p.name = name;
    Timeline tl;
    for (auto [t, n, v, g] : notes) tl.at(t, note(n, v, g));
    tl.writeTo(p.events, length);
    return p;
}

enum Root { C = 0, D = 2, Em = 4, F = 5, G = 7, A = 9 };

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvio-make-demo OUT.tvo\n");
        return 2;
    }
    Song song;
    song.title = "tarvio demo";
    song.rights = "Free to use, copy and change";
    song.tempo = 112;
    song.tpqn = 480;
    song.setBeat(0, 4, 4);
    song.setBeat(16, 3, 4);
    song.setBeat(24, 4, 4);
    song.markers[0] = uint32_t(WALTZ);  // loop range: the waltz
    song.markers[1] = uint32_t(CODA);

    // Phrases. The chord shapes hold a root, a third and a fifth; key fitting turns the
    // third into the scale's own third on every degree.
    // Root, minor third, fifth: in a major key the fitting raises the third where needed.
    const uint32_t padMajorKey =
        makePhrase(song, "Pad chord, major key", BAR4, {{0, 60, 72, 1880}, {0, 63, 68, 1880}, {0, 67, 68, 1880}})
            .number;
    // Root, major third, fifth: in a minor key the fitting lowers the third where needed.
    const uint32_t padMinorKey =
        makePhrase(song, "Pad chord, minor key", BAR3, {{0, 60, 72, 1400}, {0, 64, 68, 1400}, {0, 67, 68, 1400}})
            .number;
    // The A# fits to the scale's seventh: B over C, E over F, F over G.
    const uint32_t bassGroove = makePhrase(song, "Bass groove", BAR4,
                                           {{0, 48, 104, 420},
                                            {3 * E8, 48, 84, 200},
                                            {H, 55, 96, 420},
                                            {3 * Q, 58, 84, 200},
                                            {3 * Q + E8, 60, 88, 200}})
                                    .number;
    const uint32_t bassWaltz =
        makePhrase(song, "Bass waltz", BAR3, {{0, 48, 100, 900}, {H, 55, 80, 420}}).number;
    const uint32_t theme = makePhrase(song, "Theme", 2 * BAR4,
                                      {{0, 67, 92, 440},
                                       {Q, 72, 96, 440},
                                       {H, 76, 100, 680},
                                       {H + 3 * E8, 74, 88, 220},
                                       {BAR4, 72, 96, 920},
                                       {BAR4 + H, 71, 84, 440},
                                       {BAR4 + 3 * Q, 69, 88, 440}})
                               .number;
    // Root, second, minor third, fifth, octave: a rising figure that fits any degree.
    const uint32_t figure = makePhrase(song, "Rising figure", BAR4,
                                       {{0, 72, 88, 220},
                                        {E8, 74, 84, 220},
                                        {Q, 75, 96, 440},
                                        {H, 79, 96, 440},
                                        {3 * Q, 84, 100, 440}})
                                .number;
    const uint32_t waltzMotif =
        makePhrase(song, "Waltz motif", BAR3, {{0, 76, 96, 900}, {H, 73, 84, 440}}).number;

    // Tempo track: the waltz is faster, the last measure slows down.
    {
        Timeline tl;
        tl.at(0, tempo(112));
        tl.at(WALTZ, tempo(132));
        tl.at(CODA, tempo(104));
        tl.at(CODA + H, tempo(92));
        tl.writeTo(song.tempoTrack->events, END);
    }

    // Drums (channel 10 of the General MIDI drum kit).
    {
        Track& t = song.createTrack();
        t.name = "Drums";
        t.channel = 9;
        Timeline tl;
        tl.at(0, program(0));
        mixer(tl, 0, 100, 64, 30, 0);
        tl.at(0, op(EventKind::Mov, 1, 1));
        tl.at(0, op(EventKind::Mov, 2, 56));
        tl.at(0, op(EventKind::Mov, 4, 2));
        tl.at(0, op(EventKind::Mov, 5, 1));
        // Measure 1: crash and a snare pickup.
        tl.at(0, note(49, 100, 900));
        tl.at(0, note(36, 110, 120));
        for (int i = 2; i < 6; ++i) tl.at(i * E8, note(42, 60, 100));
        tl.at(H, note(38, 96, 120));
        tl.at(3 * Q, note(38, 80, 100));
        tl.at(3 * Q + E8 / 2, note(38, 88, 100));
        tl.at(3 * Q + E8, note(38, 100, 100));
        // Measure 2: the groove. Each pass raises the hi-hat velocity and counts; the
        // fourth pass plays a fill and starts the count again.
        const int32_t m = BAR4;
        tl.at(m, op(EventKind::Add, 5, 1));
        tl.at(m, op(EventKind::Add, 2, 4));
        for (int i = 0; i < 8; ++i) {
            const int32_t t8 = m + i * E8;
            if (i == 0 || i == 4 || i == 5) tl.at(t8, note(36, i == 5 ? 88 : 112, 120));
            if (i == 2) tl.at(t8, note(38, 100, 120));
            if (i < 6) tl.at(t8, note(42, reg(2), 100));
        }
        for (int i = 6; i < 8; ++i) {
            const int32_t t8 = m + i * E8;
            tl.at(t8, op(EventKind::IfEq, 5, 4));
            tl.at(t8, note(i == 6 ? 38 : 36, 100, 120));
            tl.at(t8, note(i == 6 ? 50 : 45, 100, 120));
            if (i == 7) tl.at(t8, op(EventKind::Mov, 5, 0));
            tl.at(t8, plain(EventKind::Else));
            tl.at(t8, i == 6 ? note(38, 100, 120) : note(46, 72, 200));
            tl.at(t8, plain(EventKind::EndIf));
        }
        // Measures 3 to 16 repeat measure 2.
        tl.at(2 * BAR4, clone(CloneMode::Measure, 1));
        // The waltz: kick, then side stick, with the ride on every beat; eight measures.
        tl.at(WALTZ, note(36, 104, 120));
        tl.at(WALTZ, note(51, 70, 300));
        tl.at(WALTZ + Q, note(37, 64, 100));
        tl.at(WALTZ + Q, note(51, 60, 300));
        tl.at(WALTZ + H, note(37, 58, 100));
        tl.at(WALTZ + H, note(51, 60, 300));
        tl.at(WALTZ + BAR3, clone(CloneMode::Relative, -BAR3));
        tl.at(CODA, note(49, 110, 1600));
        tl.at(CODA, note(36, 112, 240));
        tl.at(CODA, note(57, 90, 1600));
        tl.writeTo(t.events, END);
    }

    // Bass: an octave below the written phrases through the track's transpose.
    {
        Track& t = song.createTrack();
        t.name = "Bass";
        t.channel = 1;
        t.transpose = -12;
        Timeline tl;
        tl.at(0, program(33, 0, 0));  // fingered electric bass
        mixer(tl, 0, 104, 60, 20, 0);
        const int roots[16] = {C, A - 12, F, G, C, A - 12, D, G, F, G, Em, A - 12, F, G, C, Em};
        for (int i = 0; i < 16; ++i) tl.at(i * BAR4, call(bassGroove, roots[i], 0, KeyMode::Major));
        tl.at(WALTZ, program(32, 0, 0));  // acoustic bass for the waltz
        const int waltzRoots[8] = {A - 12, D, G - 12, C, F, D, Em, Em};
        for (int i = 0; i < 8; ++i) {
            const bool dominant = i >= 6;  // E major: no key fitting, so the G# stays
            tl.at(WALTZ + i * BAR3,
                  call(bassWaltz, waltzRoots[i], dominant ? 0 : A, dominant ? KeyMode::None : KeyMode::Minor));
        }
        tl.at(CODA, note(45, 104, 1800));
        tl.writeTo(t.events, END);
    }

    // Pad: chords as phrase calls; in the waltz the expression swells through a register.
    {
        Track& t = song.createTrack();
        t.name = "Pad";
        t.channel = 2;
        Timeline tl;
        tl.at(0, program(89, 0, 0));  // warm pad
        mixer(tl, 0, 84, 40, 70, 40);
        const int roots[15] = {C, A - 12, F - 12, G - 12, C, A - 12, D, G - 12,
                               F - 12, G - 12, Em, A - 12, F - 12, G - 12, C};
        for (int i = 0; i < 15; ++i) tl.at(i * BAR4, call(padMajorKey, roots[i], C, KeyMode::Major));
        // Measure 16, E major, is written out.
        for (int n : {52, 56, 59, 64}) tl.at(15 * BAR4, note(n, 70, 1880));
        tl.at(WALTZ, program(48, 0, 0));  // strings for the waltz
        tl.at(WALTZ, op(EventKind::Mov, 6, 64));
        tl.at(WALTZ, op(EventKind::Mov, 7, 6));
        const int waltzRoots[8] = {A - 12, D, G - 12, C, F - 12, D, Em - 12, Em - 12};
        for (int i = 0; i < 8; ++i) {
            const int32_t at = WALTZ + i * BAR3;
            const bool dominant = i >= 6;
            tl.at(at, op(EventKind::Add, 6, 7));
            tl.at(at, control(11, reg(6)));
            tl.at(at, call(padMinorKey, waltzRoots[i], dominant ? 0 : A, dominant ? KeyMode::None : KeyMode::Minor));
        }
        tl.at(CODA, control(11, 110));
        tl.at(CODA, call(padMajorKey, A - 12, A, KeyMode::Minor));
        tl.writeTo(t.events, END);
    }

    // Melody: flute over the 4/4 part, clarinet in the waltz.
    {
        Track& t = song.createTrack();
        t.name = "Melody";
        t.channel = 0;
        Timeline tl;
        tl.at(0, comment("Theme in C major"));
        tl.at(0, program(73, 0, 0));  // flute
        mixer(tl, 0, 96, 84, 60, 20);
        // Roland reverb macro (hall); other synths ignore it. The checksum is computed on play.
        Event gs;
        gs.setExclusive({0xF0, 0x41, 0x10, 0x42, 0x12, 0xFA, 0x40, 0x01, 0x30, 0x04, 0xFB, 0xF7});
        tl.at(0, gs);
        auto line = [&](int32_t start, std::initializer_list<std::pair<int, int32_t>> notes) {
            int32_t at = start;
            for (auto [n, len] : notes) {
                if (n > 0) tl.at(at, note(n, 92, len - len / 10));
                at += len;
            }
        };
        tl.at(0, call(theme, 0, C, KeyMode::Major));
        line(2 * BAR4, {{69, Q}, {72, Q}, {77, 3 * E8}, {76, E8}, {74, H}, {71, Q}, {67, Q}});
        tl.at(4 * BAR4, call(theme, 0, C, KeyMode::Major));
        line(6 * BAR4, {{77, Q}, {76, Q}, {74, Q}, {69, Q}, {71, Q}, {74, Q}, {79, H}});
        const int figureRoots[4] = {F - 12, G - 12, Em - 12, A - 12};
        for (int i = 0; i < 4; ++i) tl.at((8 + i) * BAR4, call(figure, figureRoots[i], C, KeyMode::Major));
        line(12 * BAR4, {{72, H}, {69, Q}, {72, Q}, {74, 3 * Q}, {71, Q}, {72, BAR4}, {71, H}, {68, H}});
        tl.at(WALTZ, comment("Waltz in A minor"));
        tl.at(WALTZ, program(71, 0, 0));  // clarinet
        const int motifRoots[7] = {0, -7, -2, 3, -4, 5, -5};
        for (int i = 0; i < 7; ++i) {
            const bool dominant = i == 6;
            tl.at(WALTZ + i * BAR3,
                  call(waltzMotif, motifRoots[i], dominant ? 0 : A, dominant ? KeyMode::None : KeyMode::Minor));
        }
        line(WALTZ + 7 * BAR3, {{76, Q}, {74, Q}, {71, Q}, {69, BAR4}});
        tl.writeTo(t.events, END);
    }

    std::string err;
    if (!writeSongFile(argv[1], song, &err)) {
        std::fprintf(stderr, "tarvio-make-demo: %s\n", err.c_str());
        return 1;
    }
    return 0;
}
