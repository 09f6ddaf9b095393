// The five shared fixed-pitch fonts (pixel heights 16, 14, 12, 10 and 8, each cell half as wide
// as it is high). The splash and the numerical editor draw text on a character grid, so every
// glyph they use must have the same advance; they live from start-up to exit.
#pragma once

#include <QFont>

namespace tarvio {

inline constexpr int kSharedFontHeights[5] = {16, 14, 12, 10, 8};

// Creates the five fonts (on first use at the latest). When the face is missing, the system's
// fixed-pitch font stands in and one line says so.
void createSharedFonts();

// The shared font for a character height: the largest of the five that is not higher, the
// smallest one below 8.
const QFont& sharedFont(int height);

}  // namespace tarvio
