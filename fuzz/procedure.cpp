// procedure.dat, the command definitions, read into a song.
#include "fuzz_check.h"
#include "io/procedure_file.h"
#include "model/song.h"

using namespace tarvio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Song song;
    parseCommandDefinitions(tarvio_fuzz::text(data, size), song);
    return 0;
}
