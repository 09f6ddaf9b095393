// JSON strings must carry any byte sequence: valid UTF-8 as it is, every other byte as \u00XX.
#include <gtest/gtest.h>

#include "cli/json.h"

TEST(JsonString, EscapesSpecialControlAndInvalidBytesAndPassesValidUtf8) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a\"b\\c/d\n\r\t\b\f", R"("a\"b\\c/d\n\r\t\b\f")"},
        {std::string_view("\0\x1F\x7F", 3), R"("\u0000\u001F\u007F")"},
        {"\xC3\xA9\xE3\x81\x82\xEF\xBF\xBF\xF4\x8F\xBF\xBF", "\"\xC3\xA9\xE3\x81\x82\xEF\xBF\xBF\xF4\x8F\xBF\xBF\""},
        {"\x80", R"("\u0080")"},                                                // lone continuation
        {"\xC0\xAF\xE0\x80\xAF", R"("\u00C0\u00AF\u00E0\u0080\u00AF")"},          // overlong
        {"\xED\xA0\x80", R"("\u00ED\u00A0\u0080")"},                              // surrogate
        {"\xF4\x90\x80\x80\xF5", R"("\u00F4\u0090\u0080\u0080\u00F5")"},          // beyond U+10FFFF
        // A cut-off sequence escapes only its own bytes; what follows is read afresh.
        {"\xE3\x81\xC3\xA9", "\"\\u00E3\\u0081\xC3\xA9\""},
        {"x\xF0\x9F\x8E", R"("x\u00F0\u009F\u008E")"},
    };
    for (const auto& [in, out] : cases) {
        std::string json;
        tarvio::cli::appendJsonString(json, in);
        EXPECT_EQ(json, out);
    }
}
