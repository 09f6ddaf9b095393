// Ticks against measures, beats and milliseconds.
#pragma once

#include <cstdint>
#include <string>

namespace tarvio {

class Song;
class Track;

struct MusicalPosition {
    int32_t measure = 0;
    int32_t beat = 0;
    int32_t tick = 0;
};

int32_t measureToTick(const Song& song, int32_t measure);
MusicalPosition tickToPosition(const Song& song, int32_t tick);
int32_t measureLength(const Song& song, int32_t measure);

// Container versions: phrases have a single measure as long as their phrase length.
int32_t measureToTick(const Track& container, int32_t measure);
MusicalPosition tickToPosition(const Track& container, int32_t tick);
int32_t measureLength(const Track& container, int32_t measure);

// Milliseconds of a song tick by the tempo map (initial tempo, then the tempo track's events).
int64_t tickToMs(const Song& song, int64_t tick);
// The first tick whose time is at least ms.
int64_t msToTick(const Song& song, int64_t ms);

std::string formatPosition(const MusicalPosition& p);  // "%5d:%2d:%5d", counted from 1
std::string formatTime(int64_t ms);                    // "%3d:%02d:%03d"

}  // namespace tarvio
