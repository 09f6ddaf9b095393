#include "io/phrase_file.h"

#include <algorithm>

#include "io/file_util.h"
#include "model/song.h"

namespace tarvio {

namespace {

constexpr uint32_t kVersion = 1;
constexpr size_t kSmallestEvent = 10;  // kind, step and four value bytes

enum class Header { Ok, NotPhraseFile, BadVersion };

Header readHeader(ByteReader& r, uint32_t& version) {
    char magic[4];
    if (!r.bytes(magic, 4) || std::string_view(magic, 4) != "tvph") return Header::NotPhraseFile;
    if (!r.u32(version)) return Header::NotPhraseFile;
    return version == kVersion ? Header::Ok : Header::BadVersion;
}

// Reads up to count events after the header; a cut-off event ends the run.
void readEvents(ByteReader& r, std::vector<Event>& out) {
    uint32_t count = 0;
    if (!r.u32(count)) return;
    // The stored count is not trusted for allocation: only what the bytes can hold.
    out.reserve(std::min<size_t>(count, r.remaining() / kSmallestEvent));
    for (uint32_t i = 0; i < count; ++i) {
        Event e;
        if (!decodeFileForm(r, e)) break;
        out.push_back(std::move(e));
    }
}

std::string titleOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    // A leading dot names a hidden file rather than starting an extension.
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

std::vector<uint8_t> encodePhraseFile(const std::vector<const Event*>& events) {
    std::vector<uint8_t> out;
    out.reserve(12 + events.size() * kSmallestEvent);
    ByteWriter w{out};
    w.bytes("tvph", 4);
    w.u32(kVersion);
    w.u32(uint32_t(events.size()));
    for (const Event* e : events) encodeFileForm(*e, out);
    return out;
}

bool decodePhraseFile(const uint8_t* data, size_t size, std::vector<Event>& out) {
    ByteReader r(data, size);
    uint32_t version = 0;
    if (readHeader(r, version) != Header::Ok) return false;
    std::vector<Event> events;
    readEvents(r, events);
    out = std::move(events);
    return true;
}

bool writePhraseFile(const std::string& path, const std::vector<const Event*>& events, std::string* err) {
    return writeFileAtomic(path, encodePhraseFile(events), err);
}

bool readPhraseFile(const std::string& path, std::vector<Event>& out, std::string* err) {
    std::vector<uint8_t> data;
    if (!readWholeFile(path, data, err)) return false;
    ByteReader r(data.data(), data.size());
    uint32_t version = 0;
    switch (readHeader(r, version)) {
        case Header::NotPhraseFile:
            if (err) *err = "cannot read " + path + ": not a phrase file";
            return false;
        case Header::BadVersion:
            if (err)
                *err = "cannot read " + path + ": phrase file version " + std::to_string(version) +
                       " is not supported (expected " + std::to_string(kVersion) + ")";
            return false;
        case Header::Ok: break;
    }
    std::vector<Event> events;
    readEvents(r, events);
    out = std::move(events);
    return true;
}

Track* importPhraseFile(Song& song, const std::string& path, std::string* err) {
    std::vector<Event> events;
    if (!readPhraseFile(path, events, err)) return nullptr;
    Track& p = song.createPhrase();
    p.name = titleOf(path);
    p.phraseLength = 0x0FFFFFFF;
    for (Event& e : events) p.events.pushBack(std::move(e));
    return &p;
}

}  // namespace tarvio
