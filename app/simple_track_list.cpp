#include "app/simple_track_list.h"

#include <algorithm>

#include "app/texts.h"
#include "model/song.h"

namespace tarvio {

namespace {

constexpr int kVkReturn = 0x0D;
constexpr int kVkUp = 0x26;
constexpr int kVkDown = 0x28;

// %1 the row's text; the editors are not there yet, so the request is only reported.
constexpr const char* kOpenTexts[] = {
    QT_TRANSLATE_NOOP("tarvio::SimpleTrackList", "%1 をエディタ view1 で開く (エディタは未実装です)"),
    QT_TRANSLATE_NOOP("tarvio::SimpleTrackList", "%1 をエディタ view2 で開く (エディタは未実装です)"),
    QT_TRANSLATE_NOOP("tarvio::SimpleTrackList", "%1 をエディタ view3 で開く (エディタは未実装です)"),
    QT_TRANSLATE_NOOP("tarvio::SimpleTrackList", "%1 をグリッドエディタで開く (エディタは未実装です)"),
};

}  // namespace

void SimpleTrackList::setSong(const Song* song) {
    song_ = song;
    rows_.clear();
    if (!song) {
        selected_ = -1;
        return;
    }
    const bool named = song->tempoTrack && !song->tempoTrack->name.empty();
    rows_.push_back(named ? song->tempoTrack->name : std::string("Tempo Trk."));
    for (const auto& t : song->tracks) rows_.push_back(std::to_string(t->number) + " " + t->name);
    selected_ = std::clamp(selected_, -1, int(rows_.size()) - 2);
}

SimpleTrackList::KeyResult SimpleTrackList::key(int virtualKey, bool shift, bool ctrl) {
    KeyResult r;
    if (!song_) return r;
    const int last = int(rows_.size()) - 2;
    switch (virtualKey) {
    case kVkUp:
    case kVkDown: {
        const int next = std::clamp(selected_ + (virtualKey == kVkUp ? -1 : 1), -1, last);
        r.handled = true;
        r.repaint = next != selected_;
        selected_ = next;
        return r;
    }
    case kVkReturn:
        r.handled = true;
        r.row = selected_;
        r.open = ctrl ? (shift ? Target::View3 : Target::Grid) : (shift ? Target::View2 : Target::View1);
        return r;
    default:
        return r;
    }
}

const char* SimpleTrackList::openRequestSource(Target target) {
    return target == Target::None ? nullptr : kOpenTexts[int(target) - 1];
}

}  // namespace tarvio
