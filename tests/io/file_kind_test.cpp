#include "io/file_kind.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace tarvio {
namespace {

namespace fs = std::filesystem;

FileKind kindOf(const std::string& bytes) { return fileKindOf(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }

TEST(FileKind, FirstBytesTellWhatAFileHolds) {
    EXPECT_EQ(kindOf(std::string("MThd\0\0\0\6", 8)), FileKind::Smf);
    EXPECT_EQ(kindOf("emhd"), FileKind::Song);
    EXPECT_EQ(kindOf("emtrxyz"), FileKind::Song);  // a song file may begin with any of its chunks
    EXPECT_EQ(kindOf("emph"), FileKind::Song);
    for (const char* other : {"", "MTh", "mthd", "RIFF", "MTrk", "tvph", "hello"}) EXPECT_EQ(kindOf(other), FileKind::Unknown) << other;
}

// Files: what their bytes say wins over their name; a name decides only where the bytes do not.
TEST(FileKind, OpeningFollowsTheBytesThenTheName) {
    char tmpl[] = "/tmp/tarvio-kind-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    auto put = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
        return dir + "/" + name;
    };
    EXPECT_FALSE(opensAsSmf(put("song.mid", "emhd....")));
    EXPECT_TRUE(opensAsSmf(put("smf.tvo", std::string("MThd\0\0\0\6", 8))));
    EXPECT_TRUE(opensAsSmf(put("text.MID", "hello")));
    EXPECT_FALSE(opensAsSmf(put("text.dat", "hello")));
    EXPECT_TRUE(opensAsSmf(put("empty.mid", "")));
    EXPECT_TRUE(opensAsSmf(dir + "/missing.mid"));
    EXPECT_FALSE(opensAsSmf(dir + "/missing.tvo"));
    fs::create_directory(dir + "/folder.mid");
    EXPECT_EQ(fileKindOf(dir + "/folder.mid"), FileKind::Unknown);
    EXPECT_EQ(fileKindOf(dir + "/song.mid"), FileKind::Song);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tarvio
