// The numerical editor on a track of 100,000 notes: a cursor move, a typed commit and a note
// entered at the end each cost about the same whatever the length of the list, since the
// cursor keeps its running position instead of walking the list from its start.
#include <benchmark/benchmark.h>

#include "app/app_settings.h"
#include "app/fake_transport.h"
#include "app/fkey.h"
#include "app/keymap.h"
#include "editor/numeric_editor.h"
#include "model/song.h"

using namespace tarvio;

namespace {

struct Setup {
    FakeTransport transport;
    Document doc{transport};
    KeyMap keys;
    FkeyTable fkeys = builtInFkeyTable();
    AppSettings settings;
    Track* track;
    std::unique_ptr<NumericEditor> editor;
    explicit Setup(int64_t n) {
        track = &doc.song().createTrack();
        for (int64_t i = 0; i < n; ++i) {
            Event e;
            e.setNote(uint8_t(60 + i % 12), 100, 100);
            e.step = 120;
            track->events.pushBack(std::move(e));
        }
        editor = std::make_unique<NumericEditor>(doc, NumericEditor::Env{&keys, &fkeys, &settings, nullptr, nullptr}, 0,
                                                 *track);
        editor->action(kActEnd);
        editor->action(kActPageUp10);
        transport.calls.clear();
    }
};

void CursorMove(benchmark::State& state) {
    Setup s(state.range(0));
    bool down = false;
    for (auto _ : state) {
        s.editor->action(down ? kActDown : kActUp);
        down = !down;
        s.transport.calls.clear();
    }
}
BENCHMARK(CursorMove)->Arg(1000)->Arg(100000);

// With ghost rows on a list of notes a measure and a half long: bar lines inside most steps.
void CursorMoveGhostRows(benchmark::State& state) {
    Setup s(state.range(0));
    for (Event& e : s.track->events) e.step = 2880;
    s.editor->action(kActTop);
    s.editor->action(kActGhost);
    s.editor->action(kActEnd);
    s.editor->action(kActPageUp10);
    bool down = false;
    for (auto _ : state) {
        s.editor->action(down ? kActDown : kActUp);
        down = !down;
        s.transport.calls.clear();
    }
}
BENCHMARK(CursorMoveGhostRows)->Arg(1000)->Arg(100000);

void TypedCommit(benchmark::State& state) {
    Setup s(state.range(0));
    s.editor->action(kActRight);
    int v = 0;
    for (auto _ : state) {
        s.editor->character(char('1' + (v++ % 8)));
        s.editor->action(kActReturn);
        s.transport.calls.clear();
    }
}
BENCHMARK(TypedCommit)->Arg(1000)->Arg(100000);

void NoteAtTheEnd(benchmark::State& state) {
    Setup s(state.range(0));
    s.editor->action(kActEnd);
    for (auto _ : state) {
        s.editor->action(kActReturn);
        s.transport.calls.clear();
    }
}
BENCHMARK(NoteAtTheEnd)->Arg(1000)->Arg(100000);

}  // namespace

BENCHMARK_MAIN();
