// The song file: read, save and read again (the second reading must give the same file), then
// play the song for a few hundred ticks.
#include <algorithm>

#include "expand/emitter.h"
#include "expand/song_play.h"
#include "fuzz_check.h"
#include "io/song_file.h"
#include "model/song.h"
#include "model/track.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Song first;
    const ReadReport r = decodeSong(data, size, first);
    if (r.status == ReadReport::Status::NotThisKind || r.status == ReadReport::Status::Unreadable) return 0;
    // What a damaged file kept is saved like any song.
    const std::vector<uint8_t> saved = encodeSong(first);
    Song second;
    const ReadReport again = decodeSong(saved.data(), saved.size(), second);
    FUZZ_CHECK(again.status == ReadReport::Status::Complete);
    FUZZ_CHECK(encodeSong(second) == saved);

    Emitter emitter;
    songResetAll(second, 0, emitter);
    int32_t t = 0;
    for (int steps = 0; t < 384 && steps < 2000 && !songFinished(second); ++steps) {
        second.output.clear();
        const int64_t next = songNextActiveTick(second, t, emitter);
        t = int32_t(std::clamp<int64_t>(next, t + 1, 384));
        songAdvance(second, t, emitter);
    }
    return 0;
}
