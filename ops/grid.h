// Grid arithmetic shared by the track list and the grid editor: snapping, the grid table and
// the grid points of a pattern. All results are ticks in 0..INT32_MAX; ticks before 0 count as 0.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvio {

class Song;

// Track list snapping. grid 1..7 is whole .. 128th note: t goes to the nearest multiple of that
// step counted from the start of its measure (ties up), never past the next measure's start.
// Any other grid, or a step that comes out 0, snaps to a size chosen by the zoom instead.
int32_t snapTrackListTick(const Song& song, int grid, double ticksPerPixel, int32_t t);

// The grid editor's selector: no grid, free grid, then plain, dotted and triplet notes.
inline constexpr int kGridEntryCount = 26;
std::string_view gridEntryName(int entry);  // empty outside the table

// Steps of a grid, cycled from every measure start. Empty means no grid.
using GridPattern = std::vector<int32_t>;

// The pattern of a selector entry at a TPQN; the free grid (entry 1) takes freePattern.
// Steps of 0 or less in freePattern are dropped (none left: no grid).
GridPattern gridPattern(int entry, int tpqn, const GridPattern& freePattern = {});

// Grid points restart at every measure start, and the next measure's start is always one.
// Steps of 0 or less are skipped; a pattern with no positive step is no grid.
int32_t gridFloor(const Song& song, const GridPattern& pattern, int32_t t);    // largest point <= t
int32_t gridNext(const Song& song, const GridPattern& pattern, int32_t t);     // smallest point > t
int32_t gridNearest(const Song& song, const GridPattern& pattern, int32_t t);  // ties go later
int32_t gridCell(const Song& song, const GridPattern& pattern, int32_t t);     // floor(t - 1), 0 at 0

}  // namespace tarvio
