// JSON strings must carry any byte sequence: valid UTF-8 as it is, every other byte as \u00XX.
#include <gtest/gtest.h>

#include "cli/json.h"

namespace {
std::string json(std::string_view s) {
    std::string out;
    tarvio::cli::appendJsonString(out, s);
    return out;
}
}  // namespace

TEST(JsonString, EscapesSpecialAndControlCharactersAndPassesValidUtf8) {
    EXPECT_EQ(json("a\"b\\c/d\n\r\t\b\f"), R"("a\"b\\c/d\n\r\t\b\f")");
    EXPECT_EQ(json(std::string_view("\0\x1F\x7F", 3)), R"("\u0000\u001F\u007F")");
    EXPECT_EQ(json("\xC3\xA9\xE3\x81\x82\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), "\"\xC3\xA9\xE3\x81\x82\xEF\xBF\xBF\xF4\x8F\xBF\xBF\"");
}

TEST(JsonString, EscapesEachByteOfAnInvalidSequence) {
    EXPECT_EQ(json("\x80"), R"("\u0080")");                                 // lone continuation
    EXPECT_EQ(json("\xC0\xAF\xE0\x80\xAF"), R"("\u00C0\u00AF\u00E0\u0080\u00AF")");  // overlong
    EXPECT_EQ(json("\xED\xA0\x80"), R"("\u00ED\u00A0\u0080")");               // surrogate
    EXPECT_EQ(json("\xF4\x90\x80\x80\xF5"), R"("\u00F4\u0090\u0080\u0080\u00F5")");  // beyond U+10FFFF
    // A cut-off sequence escapes only its own bytes; what follows is read afresh.
    EXPECT_EQ(json("\xE3\x81\xC3\xA9"), "\"\\u00E3\\u0081\xC3\xA9\"");
    EXPECT_EQ(json("x\xF0\x9F\x8E"), R"("x\u00F0\u009F\u008E")");
}
