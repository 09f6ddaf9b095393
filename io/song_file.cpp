#include "io/song_file.h"

#include <cstring>

#include "io/file_util.h"
#include "model/song.h"

namespace tarvio {

namespace {

PluginSlotHost g_host;

constexpr size_t kEntrySize = 28;  // type u32 and bytes 40..63 of a parameter record

uint32_t tagOf(const char (&t)[5]) {
    return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16 |
           uint32_t(uint8_t(t[3])) << 24;
}

int32_t loadI32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
void storeI32(uint8_t* p, int32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(uint32_t(v) >> (8 * i));
}
double loadF64(const uint8_t* p) {
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}
void storeF64(uint8_t* p, double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(u >> (8 * i));
}

// ---- writing ----

void writeSlot(ByteWriter& w, const PluginSlot& slot) {
    if (!slot.instance || slot.name.empty()) {
        w.i32(0);
        return;
    }
    w.str(slot.name);
    const ParameterBlock& block = slot.params();
    int32_t count = g_host.parameterCount ? g_host.parameterCount(slot) : block.count;
    if (count < 0) count = 0;
    w.i32(count);
    static const uint8_t zero[24] = {};
    for (int32_t k = 0; k < count; ++k) {
        if (k < block.count && k < 256) {
            const uint8_t* raw = block.records[k].raw;
            w.u32(uint32_t(loadI32(raw)));
            w.bytes(raw + 40, 24);
        } else {
            w.u32(0);
            w.bytes(zero, 24);
        }
    }
}

void writeBody(ByteWriter& w, const Track& t) {
    w.u16(uint16_t(t.type));
    w.str(t.name);
    w.str(t.bankSet);
    w.u8(t.port);
    w.u8(t.channel);
    w.u8(t.mute);
    w.u8(t.solo);
    w.u8(t.record);
    w.i32(t.offset);
    w.i32(t.transpose);
    for (const Event& e : t.events) {
        w.u8(1);
        encodeFileForm(e, w.out);
    }
    w.u8(0);
    for (const PluginSlot& s : t.slots) writeSlot(w, s);
}

// ---- reading ----

class SongReader {
public:
    SongReader(const uint8_t* data, size_t size, Song& song) : r_(data, size), size_(size), song_(song) {}

    ReadReport run() {
        for (;;) {
            const size_t at = pos();
            uint32_t tag;
            if (!r_.u32(tag)) {
                if (at < size_) cut(at, "cut off inside a chunk tag");
                break;
            }
            bool ok = true;
            if (tag == tagOf("emhd")) {
                ok = header();
            } else if (tag == tagOf("emmk")) {
                ok = markers();
            } else if (tag == tagOf("embt")) {
                ok = beats();
            } else if (tag == tagOf("emtm")) {
                Track& t = *song_.tempoTrack;
                ok = body(t, "cut off inside the tempo track");
                t.type = TrackType::TempoTrack;
            } else if (tag == tagOf("emtr")) {
                // The chunk decides what the container is: its lists and the song's undo
                // history route by type, so a body's own type field must not move it.
                Track& t = song_.appendTrack();
                ok = body(t, "cut off inside a track");
                t.type = TrackType::Normal;
            } else if (tag == tagOf("emph")) {
                uint32_t number;
                if (!r_.u32(number)) {
                    ok = cut(pos(), "cut off inside a phrase");
                } else {
                    Track& p = song_.appendPhrase(number);
                    ok = body(p, "cut off inside a phrase");
                    p.type = TrackType::Phrase;
                }
            } else {
                // Skipped as unknown; a save would drop these bytes, so the file is not whole.
                if (!unknownAt_) unknownAt_ = at + 1;
                continue;
            }
            recognised_ = true;
            if (!ok) break;
        }
        if (!recognised_) {
            report_ = ReadReport{};
            report_.status = ReadReport::Status::NotThisKind;
            report_.reason = "no song file chunk found";
        } else if (unknownAt_) {
            damaged(unknownAt_ - 1, "unrecognised data skipped");
        }
        return report_;
    }

private:
    size_t pos() const { return size_ - r_.remaining(); }

    // Records why reading stops; false, so that callers can return it.
    bool cut(size_t at, const char* why) {
        damaged(at, why);
        return false;
    }

    // Damage that reading goes on past. The report names where the damage begins.
    void damaged(size_t at, const char* why) {
        if (report_.damaged() && report_.offset <= at) return;
        report_.status = ReadReport::Status::Damaged;
        report_.offset = at;
        report_.reason = why;
    }

    bool header() {
        const size_t at = pos();
        if (r_.str(song_.title) && r_.str(song_.rights) && r_.u16(song_.tempo) && r_.u16(song_.tpqn) &&
            r_.u32(song_.initialBeat.measure) && r_.u8(song_.initialBeat.numerator) &&
            r_.u8(song_.initialBeat.denominator))
            return true;
        return cut(at, "cut off inside the song header");
    }

    bool markers() {
        const size_t at = pos();
        for (uint32_t& m : song_.markers)
            if (!r_.u32(m)) return cut(at, "cut off inside the markers");
        return true;
    }

    bool beats() {
        for (;;) {
            const size_t at = pos();
            uint8_t more;
            if (!r_.u8(more)) return cut(at, "cut off inside the beat list");
            if (more != 1) return true;
            BeatEntry b;
            if (!r_.u32(b.measure) || !r_.u8(b.numerator) || !r_.u8(b.denominator))
                return cut(at, "cut off inside the beat list");
            song_.beats.push_back(b);
        }
    }

    bool body(Track& t, const char* cutReason) {
        size_t at = pos();
        uint16_t type;
        if (!r_.u16(type)) return cut(at, cutReason);
        t.type = TrackType(type);
        if (!r_.str(t.name) || !r_.str(t.bankSet) || !r_.u8(t.port) || !r_.u8(t.channel) || !r_.u8(t.mute) ||
            !r_.u8(t.solo) || !r_.u8(t.record) || !r_.i32(t.offset) || !r_.i32(t.transpose))
            return cut(at, cutReason);
        for (;;) {
            at = pos();
            uint8_t more;
            if (!r_.u8(more)) return cut(at, cutReason);
            if (more != 1) break;
            Event e;
            if (!decodeFileForm(r_, e)) return cut(at, cutReason);  // a cut-off event is not kept
            t.events.pushBack(std::move(e));
        }
        for (PluginSlot& s : t.slots)
            if (!slot(s, cutReason)) return false;
        return true;
    }

    bool slot(PluginSlot& s, const char* cutReason) {
        const size_t at = pos();
        int32_t len;
        if (!r_.i32(len)) return cut(at, cutReason);
        // Only a positive length announces a plug-in; anything else is a free slot.
        if (len <= 0) return true;
        if (size_t(len) > r_.remaining()) return cut(at, "plug-in name runs past the end of the file");
        s.name.assign(reinterpret_cast<const char*>(r_.cursor()), size_t(len));
        r_.skip(size_t(len));
        if (g_host.bind) g_host.bind(s);
        const size_t countAt = pos();
        int32_t count;
        if (!r_.i32(count)) return cut(countAt, cutReason);
        if (count > 0 && size_t(count) > r_.remaining() / kEntrySize)
            return cut(countAt, "plug-in parameters run past the end of the file");
        for (int32_t k = 0; k < count; ++k) {
            const size_t entryAt = pos();
            const uint8_t* entry = r_.cursor();
            r_.skip(kEntrySize);
            // Without an instance there are no plug-in ranges to clamp to: the entry is dropped.
            if (!s.instance || !s.block || k >= s.block->count || k >= 256) continue;
            // The plug-in's own record says how the value is laid out; an entry stored as the
            // other type would write into the wrong fields.
            ParameterRecord& rec = s.block->records[k];
            if (loadI32(entry) != loadI32(rec.raw)) {
                damaged(entryAt, "plug-in parameter stored with another type than the plug-in's");
                continue;
            }
            applyEntry(rec, entry);
        }
        if (s.instance && g_host.setParameters) g_host.setParameters(s);
        return true;
    }

    // Stored minimum and maximum are ignored: the plug-in's own range wins.
    static void applyEntry(ParameterRecord& rec, const uint8_t* entry) {
        uint32_t type = uint32_t(loadI32(entry));
        const uint8_t* v = entry + 4;
        if (type == 0) {
            int32_t lo = loadI32(rec.raw + 40), hi = loadI32(rec.raw + 44), x = loadI32(v + 8);
            if (x > hi) x = hi;
            if (x < lo) x = lo;
            storeI32(rec.raw + 48, x);
        } else if (type == 1) {
            double lo = loadF64(rec.raw + 40), hi = loadF64(rec.raw + 48), x = loadF64(v + 16);
            if (x > hi) x = hi;
            if (x < lo) x = lo;
            storeF64(rec.raw + 56, x);
        }
    }

    ByteReader r_;
    size_t size_;
    Song& song_;
    ReadReport report_;
    bool recognised_ = false;
    size_t unknownAt_ = 0;  // offset + 1 of the first skipped tag, 0 when none
};

size_t estimateSize(const Song& song) {
    size_t events = song.tempoTrack->events.size();
    for (auto& t : song.tracks) events += t->events.size();
    for (auto& p : song.phrases) events += p->events.size();
    size_t containers = 1 + song.tracks.size() + song.phrases.size();
    return 4096 + events * 11 + containers * 256;
}

}  // namespace

void setPluginSlotHost(const PluginSlotHost& host) { g_host = host; }

std::vector<uint8_t> encodeSong(const Song& song) {
    std::vector<uint8_t> out;
    out.reserve(estimateSize(song));
    ByteWriter w{out};
    w.bytes("emhd", 4);
    w.str(song.title);
    w.str(song.rights);
    w.u16(song.tempo);
    w.u16(song.tpqn);
    w.u32(song.initialBeat.measure);
    w.u8(song.initialBeat.numerator);
    w.u8(song.initialBeat.denominator);

    w.bytes("emmk", 4);
    for (uint32_t m : song.markers) w.u32(m);

    w.bytes("embt", 4);
    for (const BeatEntry& b : song.beats) {
        w.u8(1);
        w.u32(b.measure);
        w.u8(b.numerator);
        w.u8(b.denominator);
    }
    w.u8(0);

    w.bytes("emtm", 4);
    writeBody(w, *song.tempoTrack);
    for (auto& t : song.tracks) {
        w.bytes("emtr", 4);
        writeBody(w, *t);
    }
    for (auto& p : song.phrases) {
        w.bytes("emph", 4);
        w.u32(p->number);
        writeBody(w, *p);
    }
    return out;
}

ReadReport decodeSong(const uint8_t* data, size_t size, Song& song) {
    ReadReport report = SongReader(data, size, song).run();
    if (report.status == ReadReport::Status::NotThisKind) return report;  // nothing was taken
    // Reading is not an edit: nothing needs a cursor reset, and mutes follow the stored flags.
    song.forEachContainer([](Track& t) { t.resetFlag = 0; });
    song.deriveEffectiveMutes();
    return report;
}

bool readSongFile(const std::string& path, Song& song, std::string* err, ReadReport* report) {
    std::vector<uint8_t> data;
    std::string why;
    if (!readWholeFile(path, data, &why)) {
        if (err) *err = why;
        if (report) {
            *report = ReadReport{};
            report->status = ReadReport::Status::Unreadable;
            // The reason goes without the file name: "cannot open: No such file or directory".
            if (size_t k = why.find(" " + path); k != std::string::npos) why.erase(k, path.size() + 1);
            report->reason = why;
        }
        return false;
    }
    ReadReport r = decodeSong(data.data(), data.size(), song);
    if (r.status == ReadReport::Status::NotThisKind && err) *err = path + ": not a song file";
    if (report) *report = r;
    return r.ok();
}

bool writeSongFile(const std::string& path, const Song& song, std::string* err) {
    return writeFileAtomic(path, encodeSong(song), err);
}

}  // namespace tarvio
