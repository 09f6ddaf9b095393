#include "cli/show_rows.h"

#include <string_view>
#include <vector>

#include "app/definitions.h"
#include "editor/rows.h"
#include "io/file_util.h"

namespace tarvio::cli {

void printRows(const Song& song, const Track& list, const Options& opts, Output& out) {
    // As the program reads them at start: a missing file leaves every name empty.
    ControllerNames names;
    std::vector<uint8_t> bytes;
    if (readWholeFile(programFolder() + "/cc.dat", bytes))
        parseControllerNames(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), names);

    rows::RowCursor cursor(rows::RowSource{&song, &list, &names.names}, rows::RowOptions{opts.ghost, opts.digit.value_or(0)});
    rows::Row row;
    std::string line;
    for (;; cursor.next()) {
        if (cursor.barLineAbove()) out.write("=\n");
        if (cursor.atEnd()) break;
        cursor.fill(row);
        line.clear();
        rows::appendCells(row, line);
        line.push_back('\n');
        out.write(line);
    }
}

}  // namespace tarvio::cli
