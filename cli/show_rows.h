// The rows command: one list as the numerical editor shows it.
#pragma once

#include "cli/options.h"
#include "cli/output.h"

namespace tarvio {
class Song;
class Track;
}  // namespace tarvio

namespace tarvio::cli {

// One line per row with the row's character cells, "=" between two rows where a bar line is
// drawn; the end row is not printed. Controller names come from cc.dat in the program folder.
void printRows(const Song& song, const Track& list, const Options& opts, Output& out);

}  // namespace tarvio::cli
