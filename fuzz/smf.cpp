// Standard MIDI File import, then export and import again. The conductor chunk (song name,
// tempo and time signatures) must come back the same from the second round on; the other
// chunks come back as tracks, the conductor chunk among them (it is imported as a track of its
// own, with its name), so the second reading has one track more at most.
#include <cstring>

#include "expand/emitter.h"
#include "fuzz_check.h"
#include "io/smf.h"
#include "model/song.h"

using namespace tarvio;

namespace {
// The first track chunk, header included.
std::vector<uint8_t> conductor(const std::vector<uint8_t>& smf) {
    FUZZ_CHECK(smf.size() >= 22 && std::memcmp(smf.data() + 14, "MTrk", 4) == 0);
    const size_t len = size_t(smf[18]) << 24 | size_t(smf[19]) << 16 | size_t(smf[20]) << 8 | smf[21];
    FUZZ_CHECK(smf.size() >= 22 + len);
    return std::vector<uint8_t>(smf.begin() + 14, smf.begin() + 22 + ptrdiff_t(len));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Song first;
    const ReadReport r = importSmf(data, size, first, 480);
    if (r.status == ReadReport::Status::NotThisKind || r.status == ReadReport::Status::Unreadable) return 0;
    Emitter em;
    const std::vector<uint8_t> exported = exportSmf(first, em);
    Song second;
    FUZZ_CHECK(importSmf(exported.data(), exported.size(), second, 480).status == ReadReport::Status::Complete);
    FUZZ_CHECK(second.tracks.size() <= first.tracks.size() + 1);
    // The first round may move a tempo at tick 0 into the initial tempo (several tempos at
    // tick 0, the later winning, become one); from then on a round changes nothing.
    Emitter em2;
    const std::vector<uint8_t> again = exportSmf(second, em2);
    Song third;
    FUZZ_CHECK(importSmf(again.data(), again.size(), third, 480).status == ReadReport::Status::Complete);
    Emitter em3;
    FUZZ_CHECK(conductor(exportSmf(third, em3)) == conductor(again));
    return 0;
}
