// The song: tempo track, tracks, numbered phrases, time signatures, command table,
// registers and markers.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/track.h"

namespace tarvio {

struct BeatEntry {
    uint32_t measure = 0;
    uint8_t numerator = 4;
    uint8_t denominator = 4;
    bool operator==(const BeatEntry&) const = default;
};

struct CommandDef {
    std::string name;
    int32_t type = -1;  // 0 one parameter, 1 one 14-bit parameter, 2 two parameters, -1 undefined
    uint8_t flag = 0;
    int32_t min = 0;
    int32_t max = 127;
    int32_t base = 0;
    EventList body;
    bool defined() const { return type != -1; }
};

constexpr size_t kCommandCount = 1000;
constexpr size_t kRegisterCount = 128;
constexpr size_t kMarkerCount = 64;

// One message the song produced for the player.
struct OutputRecord {
    uint8_t port = 0;
    uint32_t message = 0;      // status | data1 << 8 | data2 << 16; tempo: 0xFF, 'Q', bpm << 16
    uint32_t sysexOffset = 0;  // status 0xF0: bytes in OutputList::sysex
    uint32_t sysexCount = 0;
    uint8_t status() const { return uint8_t(message & 0xFF); }
    bool isTempo() const { return status() == 0xFF && ((message >> 8) & 0xFF) == 0x51; }
    uint16_t tempo() const { return uint16_t(message >> 16); }
};

struct OutputList {
    std::vector<OutputRecord> records;
    std::vector<uint8_t> sysex;
    void clear() {
        records.clear();
        sysex.clear();
    }
    const uint8_t* sysexBytes(const OutputRecord& r) const { return sysex.data() + r.sysexOffset; }
};

struct HistoryEntry {
    uint16_t type;  // TrackType of the container
    uint32_t number;
    // Part of the same user step as the entry below it (an edit of several containers).
    bool joined = false;
    bool operator==(const HistoryEntry&) const = default;
};

// The song's phrases in their order, with an index by number so that a phrase call finds its
// phrase in constant time. Only the song adds, removes and renumbers phrases, which keeps the
// index; everyone else reads the list.
class PhraseList {
public:
    using List = std::list<std::unique_ptr<Track>>;
    using const_iterator = List::const_iterator;

    const_iterator begin() const { return list_.begin(); }
    const_iterator end() const { return list_.end(); }
    size_t size() const { return list_.size(); }
    bool empty() const { return list_.empty(); }
    const std::unique_ptr<Track>& front() const { return list_.front(); }
    const std::unique_ptr<Track>& back() const { return list_.back(); }
    operator const List&() const { return list_; }

private:
    friend class Song;
    // The first phrase in list order with the number; null when none.
    Track* scan(uint32_t number) const;
    // Points number's entry at the first phrase that has it, or drops the entry.
    void reindex(uint32_t number);

    List list_;
    std::unordered_map<uint32_t, Track*> byNumber_;
};

class Song {
public:
    Song();
    ~Song();
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    std::string title;
    std::string rights;
    uint16_t tempo = 120;
    uint16_t tpqn = 480;
    BeatEntry initialBeat{0, 4, 4};
    std::vector<BeatEntry> beats;  // measures 1 and later, ascending
    std::unique_ptr<Track> tempoTrack;
    std::list<std::unique_ptr<Track>> tracks;
    PhraseList phrases;
    std::vector<CommandDef> commands;  // kCommandCount entries
    std::array<float, kRegisterCount> registers{};
    std::array<uint32_t, kMarkerCount> markers{};
    std::vector<HistoryEntry> undoHistory, redoHistory;
    OutputList output;
    int32_t startPosition = 0;

    // Lookup; null when none. findPhrase takes constant time for a phrase that exists and does
    // not allocate (the clock thread calls it for every phrase call).
    Track* findTrack(uint32_t number) const;
    Track* findPhrase(uint32_t number) const;
    // Any container by type and number (1 = the tempo track for type TempoTrack).
    Track* findContainer(uint16_t type, uint32_t number) const;
    std::string phraseName(uint32_t number) const;  // "Phrase no match" when none

    // Creates a track before the track numbered before (0 or unknown: at the end).
    Track& createTrack(uint32_t before = 0);
    Track& createPhrase(uint32_t before = 0);
    // Append at the end in constant time, for building a song that does not play yet (reading
    // a file): no cursor is marked for reset and the phrase takes the number it is given.
    Track& appendTrack();
    Track& appendPhrase(uint32_t number);
    bool removeTrack(uint32_t number);
    bool removePhrase(uint32_t number);
    // Gives phrase p of this song another number; calls of the new number play it from now on.
    // False when p is not one of the song's phrases.
    bool renumberPhrase(Track& p, uint32_t number);
    bool moveTrack(uint32_t a, uint32_t b);
    uint32_t lowestFreePhraseNumber() const;

    void setBeat(uint32_t measure, uint8_t numerator, uint8_t denominator);
    BeatEntry beatAt(uint32_t measure) const;
    int32_t measureLength(uint32_t measure) const;

    // Solo rules for the track list's SOLO button.
    void setSolo(Track& t, bool on);
    // Effective mutes from the mute and solo flags: with any track soloed, exactly the
    // unsoloed tracks are silent; otherwise each track's own mute.
    void restoreMutes();
    void deriveEffectiveMutes() { restoreMutes(); }
    // The mutes playback obeys, each track's written once: during a preview of one track
    // (previewTrack other than 0) only that track sounds, otherwise as restoreMutes; while a
    // take runs (recording) the REC. tracks are silent as well.
    void setPlayMutes(uint32_t previewTrack, bool recording);

    // Undo across containers, in the order the song's history recorded. One call takes back
    // (or brings back) one user step, which may span several containers.
    bool undo();
    bool redo();
    // While a song group is open, the edits of all containers form one step of the song's
    // undo. Groups nest; a close without an open group is ignored.
    void openGroup() { ++groupDepth_; }
    void closeGroup();
    int groupDepth() const { return groupDepth_; }
    // Records that a container began an undo step (Track::push calls this).
    void recordEdit(HistoryEntry h);
    void resetCommands();

    template <class F>
    void forEachContainer(F&& f) {
        f(*tempoTrack);
        for (auto& t : tracks) f(*t);
        for (auto& p : phrases) f(*p);
    }

private:
    int groupDepth_ = 0;
    bool groupHasEntry_ = false;  // the open song group has recorded an entry
};

// Process-wide counter for normal track numbers (keeps counting across songs).
uint32_t nextTrackNumber();

}  // namespace tarvio
