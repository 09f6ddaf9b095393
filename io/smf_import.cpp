#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "io/file_util.h"
#include "io/smf.h"
#include "model/song.h"

namespace tarvio {

bool isImportTpqn(int tpqn) { return tpqn == 960 || tpqn == 480 || tpqn == 192 || tpqn == 96 || tpqn == 48; }

namespace {

// Absolute ticks stop here, so that every step (and so every gate) fits its field.
constexpr int64_t kMaxTick = INT32_MAX;
// File ticks stop here, so that scaling them to the song's resolution cannot overflow.
constexpr int64_t kMaxFileTick = int64_t(1) << 50;
// Every track carries its four plug-in parameter blocks (64 KB) whatever the file holds, so a
// file of empty chunks must not be able to make tracks without bound.
constexpr size_t kMaxTracks = 1024;
constexpr uint16_t kNoFormat = 0xFFFF;

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

// Variable-length quantity of at most four bytes; false when it runs past end or is longer.
inline bool readVlq(const uint8_t*& p, const uint8_t* end, uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end) return false;
        uint8_t c = *p++;
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80)) return true;
    }
    return false;
}

Event restEvent(int64_t step) {
    Event e;
    e.setRest();
    e.step = int32_t(step);
    return e;
}

class Importer {
public:
    Importer(Song& song, uint16_t tpqn) : song_(song), tpqn_(tpqn) {}

    ReadReport run(const uint8_t* p, const uint8_t* end) {
        begin_ = p;
        while (end - p >= 4) {
            const uint8_t* type = p;
            chunkStart_ = p;
            size_t left = size_t(end - p);
            uint64_t len = left >= 8 ? be32(p + 4) : 0;
            p += std::min<size_t>(8, left);
            // A chunk that claims more than the file holds ends with the file.
            const uint64_t present = std::min<uint64_t>(len, uint64_t(end - p));
            const uint8_t* bodyEnd = p + present;
            const bool cut = left < 8 || present < len;
            const bool damagedBefore = report_.damaged();
            const bool isHeader = std::memcmp(type, "MThd", 4) == 0, isTrack = std::memcmp(type, "MTrk", 4) == 0;
            if (isHeader) {
                header(p, bodyEnd);
            } else if (isTrack) {
                ++trackChunks_;
                trackChunk(p, bodyEnd);
            }
            ++chunks_;
            // Only a cut header or track loses data; a cut chunk of another kind is skipped anyway.
            if (cut && (isHeader || isTrack) && !damagedBefore) {
                // Where the chunk's events stopped, else at the end of the file.
                uint64_t at = report_.damaged() ? report_.offset : uint64_t(end - begin_);
                report_.status = ReadReport::Status::Damaged;
                report_.offset = at;
                report_.reason = "the file ends inside chunk " + std::to_string(chunks_) + " ('" + tagText(type) +
                                 "'), which claims " + std::to_string(len) + " bytes but has " +
                                 std::to_string(present);
            }
            p = bodyEnd;
        }
        if (!sawHeader_) return ReadReport{ReadReport::Status::NotThisKind, 0, "no \"MThd\" header"};
        if (trackChunks_ < announcedTracks_)
            damage(end, "the header announces " + std::to_string(announcedTracks_) + " tracks but the file holds " +
                            std::to_string(trackChunks_));
        finish();
        return report_;
    }

private:
    // Left uninitialised until used (activeNotes_ says which are): a table touched only where
    // the file plays keeps a short import from faulting in pages it never needed.
    struct NoteEntry {
        Event* ev;
        int64_t start;
        // Struck while the key still sounded: a note-off on the same tick belongs to the note
        // this one closed (many writers put the next note-on before the previous note-off).
        bool restruck;
    };
    // Where new events of one channel (format 0) or of the chunk (format 1) go.
    struct Lane {
        Track* track = nullptr;
        EventList::iterator last;
        bool hasLast = false;
        int64_t lastTick = 0;
    };
    struct TempoMeta {
        int64_t tick;
        uint32_t bpm;
    };

    static std::string tagText(const uint8_t* t) {
        std::string out;
        for (int i = 0; i < 4; ++i) out += t[i] >= 0x20 && t[i] < 0x7F ? char(t[i]) : '?';
        return out;
    }

    // The first fault is the one reported: what follows it may only be its consequence.
    void damage(const uint8_t* at, std::string reason) {
        if (report_.status == ReadReport::Status::Damaged) return;
        report_.status = ReadReport::Status::Damaged;
        report_.offset = uint64_t(at - begin_);
        report_.reason = std::move(reason);
    }

    void header(const uint8_t* p, const uint8_t* end) {
        sawHeader_ = true;
        song_.tpqn = tpqn_;
        format_ = kNoFormat;
        if (end - p < 6) {
            damage(p, "the header chunk is too short");
            return;
        }
        format_ = be16(p);
        announcedTracks_ = be16(p + 2);
        int division = int16_t(be16(p + 4));
        // Song ticks = file ticks × scaleNum_ / scaleDen_.
        scaleNum_ = tpqn_;
        if (division < 0) {
            // Frames per second times ticks per frame: ticks per second, taken at the initial
            // tempo 120 (two quarters a second) so that the song keeps the file's clock time.
            int fps = -(division >> 8);
            if (fps == 29) fps = 30;  // 29.97 drop frame
            scaleNum_ = int64_t(tpqn_) * 2;
            scaleDen_ = int64_t(fps) * (division & 0xFF);
        } else {
            scaleDen_ = division;
        }
        if (scaleDen_ <= 0) {
            scaleNum_ = tpqn_;
            scaleDen_ = 480;
        }
        measureLength_ = std::max<int64_t>(1, int64_t(tpqn_) * 4);
    }

    void trackChunk(const uint8_t* p, const uint8_t* end) {
        if (format_ == 0) {
            if (tracksMade_ + 16 > kMaxTracks) return tooManyTracks();
            for (int ch = 0; ch < 16; ++ch) lanes_[ch] = laneOf(newTrack(uint8_t(ch)));
        } else if (format_ == 1) {
            if (tracksMade_ + 1 > kMaxTracks) return tooManyTracks();
            lanes_[0] = laneOf(newTrack(0));
            lanesUsed_ = 1;
            channelLane_.fill(-1);
        } else {
            if (format_ != kNoFormat) damage(chunkStart_, "format " + std::to_string(format_) + " files are not imported");
            return;
        }
        activeNotes_.reset();
        cc0_.fill(0);
        cc32_.fill(0);
        fileTick_ = 0;
        abs_ = 0;
        measure_ = 0;
        position_ = 0;
        running_ = 0;
        lastChannel_ = 0;
        sysex_.clear();  // a continuation never reaches into another track
        events(p, end);
        // Notes still open keep gate 0: they are rests.
        if (format_ == 0) titlePending_ = false;
        // The tracks split off by channel carry the name of the chunk's track.
        if (format_ == 1)
            for (size_t i = 1; i < lanesUsed_; ++i) lanes_[i].track->name = lanes_[0].track->name;
    }

    void tooManyTracks() {
        damage(chunkStart_, "more than " + std::to_string(kMaxTracks) + " tracks: the rest are left out");
    }

    static Lane laneOf(Track* t) {
        Lane l;
        l.track = t;
        return l;
    }

    Track* newTrack(uint8_t channel) {
        // Built directly: the song is fresh, and marking every track for a reset per new track
        // would make a file of many chunks quadratic.
        auto t = std::make_unique<Track>(&song_, TrackType::Normal, nextTrackNumber());
        t->name = "No Track Name";
        t->channel = channel;
        Track* raw = t.get();
        song_.tracks.push_back(std::move(t));
        ++tracksMade_;
        return raw;
    }

    // Format 1: the chunk's track takes the first channel it sees; every further channel gets a
    // track of its own, so that each plays with its own program, volume and pan.
    Lane& channelLane(uint8_t ch) {
        int8_t& idx = channelLane_[ch];
        if (idx < 0) {
            if (!claimed_) {
                idx = 0;
                lanes_[0].track->channel = ch;
            } else if (lanesUsed_ < lanes_.size() && tracksMade_ + 1 <= kMaxTracks) {
                idx = int8_t(lanesUsed_++);
                lanes_[size_t(idx)] = laneOf(newTrack(ch));
            } else {
                idx = 0;  // out of tracks: it shares the first
            }
            claimed_ = true;
        }
        return lanes_[size_t(idx)];
    }

    void events(const uint8_t* p, const uint8_t* end) {
        const bool f0 = format_ == 0;
        claimed_ = false;
        const std::string where = " in track chunk " + std::to_string(trackChunks_);
        while (p < end) {
            const uint8_t* at = p;
            uint32_t delta;
            if (!readVlq(p, end, delta))
                return damage(at, p >= end ? "a delta time runs past the end of its chunk" + where
                                           : "a delta time longer than four bytes" + where);
            advance(delta);
            if (p >= end) return damage(at, "the chunk ends after a delta time" + where);
            uint8_t status = *p;
            if (status < 0x80) {
                // Data bytes after an exclusive or meta event also continue the channel status.
                if (!running_) return damage(at, "a data byte without a status byte" + where);
                status = running_;
            } else {
                ++p;
            }
            if (status < 0xF0) {
                int n = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change and channel pressure
                if (end - p < n) return damage(at, "a channel message runs past the end of its chunk" + where);
                uint8_t d1 = p[0] & 0x7F;
                uint8_t d2 = n == 2 ? p[1] & 0x7F : 0;
                p += n;
                running_ = status;
                uint8_t ch = status & 0x0F;
                Lane& lane = f0 ? lanes_[ch] : channelLane(ch);
                if (f0) lastChannel_ = ch;
                place(lane, f0);
                channelMessage(lane, status & 0xF0, ch, d1, d2);
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t len;
                if (!readVlq(p, end, len) || len > uint64_t(end - p))
                    return damage(at, "an exclusive message runs past the end of its chunk" + where);
                Lane& lane = lanes_[0];
                place(lane, f0);
                if (status == 0xF0) {
                    sysex_.clear();
                    sysex_.push_back(0xF0);
                }
                sysex_.insert(sysex_.end(), p, p + len);
                p += len;
                if (len > 0 && p[-1] == 0xF7) {
                    Event e;
                    e.setExclusive(std::move(sysex_));
                    append(lane, std::move(e));
                    sysex_.clear();
                }
            } else if (status == 0xFF) {
                uint32_t len;
                const uint8_t type = p < end ? *p++ : 0;
                if (!readVlq(p, end, len) || len > uint64_t(end - p))
                    return damage(at, "a meta event runs past the end of its chunk" + where);
                if (!f0) place(lanes_[0], false);
                meta(type, p, len);
                p += len;
            } else {
                // Not interpreted; skipped with the data bytes of their system-common meaning.
                int n = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
                if (end - p < n) return damage(at, "a system message runs past the end of its chunk" + where);
                p += n;
                if (!f0) place(lanes_[0], false);
            }
        }
    }

    // Each event's song tick comes from its absolute file tick, so that rounding never adds up
    // along a track: tracks stay together whatever the division.
    void advance(uint32_t delta) {
        if (delta == 0) return;  // chords and controller groups: no division for them
        fileTick_ = std::min<int64_t>(fileTick_ + delta, kMaxFileTick);
        int64_t next = std::min(fileTick_ * scaleNum_ / scaleDen_, kMaxTick);
        int64_t d = next - abs_;
        abs_ = next;
        position_ += d;
        if (position_ >= measureLength_) {
            measure_ += position_ / measureLength_;
            position_ %= measureLength_;
        }
    }

    // Puts the lane's time at the current tick: the last event's step grows, or a leading rest
    // is made (format 0 makes one even at tick 0).
    void place(Lane& lane, bool restAtZero) {
        int64_t d = abs_ - lane.lastTick;
        lane.lastTick = abs_;
        if (lane.hasLast) lane.last->step += int32_t(d);
        else if (d > 0 || restAtZero) append(lane, restEvent(d));
    }

    EventList::iterator append(Lane& lane, Event&& e) {
        lane.last = lane.track->events.pushBack(std::move(e));
        lane.hasLast = true;
        return lane.last;
    }

    void closeNote(size_t index) {
        if (!activeNotes_.test(index)) return;
        const NoteEntry& n = notes_[index];
        // Clamped, not wrapped: a long note must not turn into a short one.
        int64_t gate = std::min<int64_t>(abs_ - n.start, 65535);
        n.ev->b[2] = uint8_t(gate & 0xFF);
        n.ev->b[3] = uint8_t(gate >> 8);
        activeNotes_.reset(index);
    }

    void channelMessage(Lane& lane, uint8_t kind, uint8_t ch, uint8_t d1, uint8_t d2) {
        if (kind <= 0x90) {
            const size_t index = size_t(ch) * 128 + d1;
            const bool sounding = activeNotes_.test(index);
            if (kind == 0x80 || d2 == 0) {
                NoteEntry& n = notes_[index];
                if (sounding && n.restruck && n.start == abs_) {
                    n.restruck = false;  // the earlier note's end, which the re-strike already made
                    return;
                }
                closeNote(index);
                return;
            }
            closeNote(index);
            Event e;
            e.setNote(d1, d2, 0);
            notes_[index] = NoteEntry{&*append(lane, std::move(e)), abs_, sounding};
            activeNotes_.set(index);
            return;
        }
        Event e;
        switch (kind) {
            case 0xA0: e.setPolyPressure(d1, d2); break;
            case 0xB0:
                e.setControl(d1, d2);
                if (d1 == 0) cc0_[ch] = d2;
                else if (d1 == 32) cc32_[ch] = d2;
                break;
            case 0xC0:
                if (format_ == 1) e.setProgram(d1, cc0_[ch], cc32_[ch]);
                else e.setProgram(d1, 0, 0);
                break;
            case 0xD0: e.setChannelPressure(d1); break;
            default: e.setBendBytes(d2, d1); break;  // the file sends LSB first
        }
        append(lane, std::move(e));
    }

    void meta(uint8_t type, const uint8_t* p, uint32_t len) {
        switch (type) {
            case 0x02: song_.rights.assign(reinterpret_cast<const char*>(p), len); break;
            case 0x03: {
                std::string text(reinterpret_cast<const char*>(p), len);
                if (titlePending_) {
                    song_.title = std::move(text);
                    titlePending_ = false;
                } else {
                    (format_ == 0 ? lanes_[lastChannel_] : lanes_[0]).track->name = std::move(text);
                }
                break;
            }
            case 0x51: {
                if (len < 3) break;
                uint32_t us = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                if (us == 0) break;
                // The nearest whole tempo: writers store 90 as 666667 µs, just below 90. At high
                // tempos the export (which divides down) would write that one back as another
                // period, so a neighbour that it writes back as this one is preferred. Clamped:
                // only 16 bits of a tempo are played.
                uint32_t bpm = (60000000u + us / 2) / us;
                for (uint32_t b : {bpm, bpm - 1, bpm + 1})
                    if (b > 0 && 60000000u / b == us) {
                        bpm = b;
                        break;
                    }
                bpm = std::min<uint32_t>(bpm, 65535);
                if (abs_ == 0 && tempos_.empty()) song_.tempo = uint16_t(bpm);
                else tempos_.push_back({abs_, bpm});
                break;
            }
            case 0x58: {
                if (len < 2) break;
                uint8_t nn = p[0], dd = p[1];
                // Beats of zero or below 1/128 have no measure: they are left out.
                if (nn == 0 || dd > 7) break;
                uint8_t den = uint8_t(1u << dd);
                beats_.push_back(BeatEntry{uint32_t(measure_), nn, den});
                measureLength_ = std::max<int64_t>(1, int64_t(tpqn_) * nn * 4 / den);
                break;
            }
            default: break;
        }
    }

    // Tempo changes and beats are gathered and laid down once at the end: the result is what
    // inserting each at its place in file order gives (the later one at a tick or measure
    // wins), without a walk of the tempo track or beat list per meta event.
    void finish() {
        std::stable_sort(tempos_.begin(), tempos_.end(),
                         [](const TempoMeta& a, const TempoMeta& b) { return a.tick < b.tick; });
        EventList& tt = song_.tempoTrack->events;
        int64_t at = tt.length();
        for (size_t i = 0; i < tempos_.size(); ++i) {
            if (i + 1 < tempos_.size() && tempos_[i + 1].tick == tempos_[i].tick) continue;
            const TempoMeta& t = tempos_[i];
            if (t.tick > at) tt.pushBack(restEvent(t.tick - at));
            at = std::max(at, t.tick);
            Event e;
            e.setTempo(t.bpm);
            tt.pushBack(std::move(e));
        }
        std::stable_sort(beats_.begin(), beats_.end(),
                         [](const BeatEntry& a, const BeatEntry& b) { return a.measure < b.measure; });
        for (size_t i = 0; i < beats_.size(); ++i) {
            if (i + 1 < beats_.size() && beats_[i + 1].measure == beats_[i].measure) continue;
            const BeatEntry& b = beats_[i];
            if (b.measure >= 1 && (song_.beats.empty() || b.measure > song_.beats.back().measure))
                song_.beats.push_back(b);
            else
                song_.setBeat(b.measure, b.numerator, b.denominator);
        }
        // Importing is not an edit: nothing needs a cursor reset, and mutes follow the flags.
        song_.forEachContainer([](Track& t) { t.resetFlag = 0; });
        song_.deriveEffectiveMutes();
    }

    Song& song_;
    uint16_t tpqn_;
    const uint8_t* begin_ = nullptr;
    const uint8_t* chunkStart_ = nullptr;
    ReadReport report_;
    size_t chunks_ = 0;
    size_t trackChunks_ = 0;
    size_t announcedTracks_ = 0;
    bool sawHeader_ = false;
    uint16_t format_ = kNoFormat;
    int64_t scaleNum_ = 480, scaleDen_ = 480;
    int64_t fileTick_ = 0;
    int64_t measureLength_ = 1920;
    int64_t measure_ = 0;
    int64_t position_ = 0;
    int64_t abs_ = 0;
    uint8_t running_ = 0;
    uint8_t lastChannel_ = 0;
    std::array<uint8_t, 16> cc0_{}, cc32_{};  // bank select per channel, for program changes
    bool titlePending_ = true;
    size_t tracksMade_ = 0;
    std::array<Lane, 16> lanes_{};  // format 0: by channel; format 1: in order of first use
    std::array<int8_t, 16> channelLane_{};  // format 1: the lane of each channel, -1 before its first use
    size_t lanesUsed_ = 1;
    bool claimed_ = false;  // format 1: the chunk's track has its channel
    NoteEntry notes_[16 * 128];  // by channel and key
    std::bitset<16 * 128> activeNotes_;
    std::vector<uint8_t> sysex_;
    std::vector<TempoMeta> tempos_;
    std::vector<BeatEntry> beats_;
};

}  // namespace

ReadReport importSmf(const uint8_t* data, size_t size, Song& song, uint16_t tpqn) {
    if (!data) return ReadReport{ReadReport::Status::NotThisKind, 0, "no \"MThd\" header"};
    return Importer(song, tpqn).run(data, data + size);
}

namespace {

// A regular file read into memory mapped in one go: a fresh buffer faulted in page by page
// costs more than importing a typical file. The mapping is anonymous and filled by read(), so
// a file cut short while it is read only ends sooner. False when this way does not apply.
struct FileBytes {
    uint8_t* data = nullptr;
    size_t size = 0, mapped = 0;
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() {
        if (mapped) ::munmap(data, mapped);
    }
    bool read(const std::string& path) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return false;
        struct stat st;
        bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
        if (ok) {
            mapped = size_t(st.st_size);
            void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
            if (p == MAP_FAILED) {
                mapped = 0;
                ok = false;
            } else {
                data = static_cast<uint8_t*>(p);
            }
        }
        while (ok && size < mapped) {
            ssize_t r = ::read(fd, data + size, mapped - size);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) ok = false;
            if (r <= 0) break;
            size += size_t(r);
        }
        ::close(fd);
        return ok;
    }
};

}  // namespace

bool importSmfFile(const std::string& path, Song& song, uint16_t tpqn, std::string* err, ReadReport* report) {
    FileBytes mapped;
    std::vector<uint8_t> data;
    ReadReport r;
    if (mapped.read(path)) {
        r = importSmf(mapped.data, mapped.size, song, tpqn);
    } else if (readWholeFile(path, data, err)) {
        r = importSmf(data.data(), data.size(), song, tpqn);
    } else {
        r.status = ReadReport::Status::Unreadable;
    }
    if (r.status == ReadReport::Status::NotThisKind && err) *err = "cannot import " + path + ": not a Standard MIDI File";
    if (report) *report = r;
    return r.ok();
}

}  // namespace tarvio
