#include "model/song.h"

#include <algorithm>
#include <atomic>

namespace tarvio {

namespace {
std::atomic<uint32_t> g_trackNumber{1};
}

uint32_t nextTrackNumber() { return g_trackNumber.fetch_add(1, std::memory_order_relaxed); }

Song::Song() : tempoTrack(std::make_unique<Track>(this, TrackType::TempoTrack, 0)) { resetCommands(); }

Song::~Song() = default;

void Song::resetCommands() {
    commands.clear();
    commands.resize(kCommandCount);
}

Track* Song::findTrack(uint32_t number) const {
    for (auto& t : tracks)
        if (t->number == number) return t.get();
    return nullptr;
}

Track* PhraseList::scan(uint32_t number) const {
    for (auto& p : list_)
        if (p->number == number) return p.get();
    return nullptr;
}

void PhraseList::reindex(uint32_t number) {
    if (Track* p = scan(number)) byNumber_[number] = p;
    else byNumber_.erase(number);
}

Track* Song::findPhrase(uint32_t number) const {
    auto it = phrases.byNumber_.find(number);
    if (it != phrases.byNumber_.end() && it->second->number == number) return it->second;
    // A number written straight into a phrase's field passes the index by: such a phrase is
    // still found, only slower.
    return phrases.scan(number);
}

Track* Song::findContainer(uint16_t type, uint32_t number) const {
    switch (TrackType(type)) {
        case TrackType::TempoTrack: return tempoTrack.get();
        case TrackType::Phrase: return findPhrase(number);
        default: return findTrack(number);
    }
}

std::string Song::phraseName(uint32_t number) const {
    Track* p = findPhrase(number);
    return p ? p->name : "Phrase no match";
}

Track& Song::createTrack(uint32_t before) {
    auto t = std::make_unique<Track>(this, TrackType::Normal, nextTrackNumber());
    Track& ref = *t;
    auto pos = tracks.end();
    if (before != 0)
        pos = std::find_if(tracks.begin(), tracks.end(), [&](auto& x) { return x->number == before; });
    tracks.insert(pos, std::move(t));
    for (auto& x : tracks) x->resetFlag = 1;
    return ref;
}

// Only numbers up to the phrase count can be the lowest free one.
uint32_t Song::lowestFreePhraseNumber() const {
    std::vector<bool> used(phrases.size() + 1);
    for (auto& p : phrases)
        if (p->number >= 1 && p->number <= phrases.size()) used[p->number - 1] = true;
    uint32_t n = 1;
    while (used[n - 1]) ++n;
    return n;
}

Track& Song::createPhrase(uint32_t before) {
    auto p = std::make_unique<Track>(this, TrackType::Phrase, lowestFreePhraseNumber());
    Track& ref = *p;
    auto& list = phrases.list_;
    auto pos = list.end();
    if (before != 0) pos = std::find_if(list.begin(), list.end(), [&](auto& x) { return x->number == before; });
    list.insert(pos, std::move(p));
    phrases.byNumber_[ref.number] = &ref;  // a free number: no other phrase has it
    return ref;
}

Track& Song::appendTrack() {
    tracks.push_back(std::make_unique<Track>(this, TrackType::Normal, nextTrackNumber()));
    return *tracks.back();
}

Track& Song::appendPhrase(uint32_t number) {
    phrases.list_.push_back(std::make_unique<Track>(this, TrackType::Phrase, number));
    Track& ref = *phrases.list_.back();
    // A damaged file may repeat a number; calls keep playing the first phrase that has it.
    Track*& slot = phrases.byNumber_[number];
    if (!slot || slot->number != number) slot = &ref;
    return ref;
}

bool Song::removeTrack(uint32_t number) {
    auto it = std::find_if(tracks.begin(), tracks.end(), [&](auto& x) { return x->number == number; });
    if (it == tracks.end()) return false;
    tracks.erase(it);
    return true;
}

bool Song::removePhrase(uint32_t number) {
    auto& list = phrases.list_;
    auto it = std::find_if(list.begin(), list.end(), [&](auto& x) { return x->number == number; });
    if (it == list.end()) return false;
    const Track* gone = it->get();
    list.erase(it);
    // No entry may keep pointing at it, also not one left under a number it no longer has.
    std::erase_if(phrases.byNumber_, [&](const auto& e) { return e.second == gone; });
    phrases.reindex(number);
    for (auto& t : tracks) t->resetFlag = 1;  // calls to it must stop
    return true;
}

bool Song::renumberPhrase(Track& p, uint32_t number) {
    auto& list = phrases.list_;
    if (std::none_of(list.begin(), list.end(), [&](auto& x) { return x.get() == &p; })) return false;
    const uint32_t old = p.number;
    p.number = number;
    phrases.reindex(old);
    phrases.reindex(number);
    // The song's undo finds containers by number: the phrase's earlier edits go with it.
    for (auto* history : {&undoHistory, &redoHistory})
        for (HistoryEntry& h : *history)
            if (h.type == uint16_t(TrackType::Phrase) && h.number == old) h.number = number;
    // Calls of either number now play something else.
    for (auto& t : tracks) t->resetFlag = 1;
    return true;
}

bool Song::moveTrack(uint32_t a, uint32_t b) {
    if (a == b) return false;
    auto ia = std::find_if(tracks.begin(), tracks.end(), [&](auto& x) { return x->number == a; });
    if (ia == tracks.end()) return false;
    auto ib = tracks.end();
    if (b != 0) {
        ib = std::find_if(tracks.begin(), tracks.end(), [&](auto& x) { return x->number == b; });
        if (ib == tracks.end()) return false;
    }
    if (std::next(ia) == ib) return false;  // already there (or already last for b = 0)
    tracks.splice(ib, tracks, ia);
    return true;
}

void Song::setBeat(uint32_t measure, uint8_t numerator, uint8_t denominator) {
    if (measure < 1) {
        initialBeat.numerator = numerator;
        initialBeat.denominator = denominator;
        return;
    }
    for (auto it = beats.begin(); it != beats.end(); ++it) {
        if (it->measure == measure) {
            it->numerator = numerator;
            it->denominator = denominator;
            return;
        }
        if (it->measure > measure) {
            beats.insert(it, BeatEntry{measure, numerator, denominator});
            return;
        }
    }
    beats.push_back(BeatEntry{measure, numerator, denominator});
}

BeatEntry Song::beatAt(uint32_t measure) const {
    if (measure == 0 || beats.empty() || measure < beats.front().measure) return initialBeat;
    BeatEntry r = initialBeat;
    for (const BeatEntry& b : beats) {
        if (b.measure > measure) break;
        r = b;
    }
    return r;
}

int32_t Song::measureLength(uint32_t measure) const {
    BeatEntry b = beatAt(measure);
    if (b.denominator == 0) return 0;
    return int32_t(int64_t(b.numerator) * tpqn * 4 / b.denominator);
}

void Song::setSolo(Track& t, bool on) {
    if (on) {
        t.solo = 1;
        t.effectiveMute = 0;
        for (auto& x : tracks)
            if (x.get() != &t && !x->solo) x->effectiveMute = 1;
        return;
    }
    t.solo = 0;
    t.effectiveMute = 1;
    restoreMutes();
}

void Song::restoreMutes() { setPlayMutes(0, false); }

void Song::setPlayMutes(uint32_t previewTrack, bool recording) {
    bool anySolo = false;
    for (auto& x : tracks) anySolo = anySolo || x->solo;
    for (auto& x : tracks) {
        uint8_t m = anySolo ? uint8_t(!x->solo) : x->mute;
        if (previewTrack != 0) m = x->number != previewTrack;
        if (recording && x->record == 1) m = 1;
        x->effectiveMute.store(m, std::memory_order_relaxed);
    }
}

}  // namespace tarvio
