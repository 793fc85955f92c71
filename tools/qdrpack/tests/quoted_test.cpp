// Payload texts shown on a terminal.
#include "quoted.h"

#include <gtest/gtest.h>

namespace {

TEST(Quoted, EightBitTextKeepsUtf8AndEscapesTheRest) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line\nnext\r\t", "\"line\\nnext\\r\\t\""},
        {"gr\xC3\xBC\xC3\x9F", "\"gr\xC3\xBC\xC3\x9F\""},
        {"\xFC", "\"\\xFC\""},                    // a Latin-1 byte is not UTF-8
        {"\xC0\xAF", "\"\\xC0\\xAF\""},           // overlong form
        {"\xED\xA0\x80", "\"\\xED\\xA0\\x80\""},  // encoded surrogate
        {std::string("\0\x1B", 2), "\"\\x00\\x1B\""},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(qdrpack::quoted(bytes), expected);
}

TEST(Quoted, Utf16TextBecomesUtf8) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"Error", "\"Error\""},
        {u"\u00FC\u20AC", "\"\xC3\xBC\xE2\x82\xAC\""},
        {u"\U0001D11E", "\"\xF0\x9D\x84\x9E\""},
        {u"a\nb", "\"a\\nb\""},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\"\\uD800x\""},
        {std::u16string(1, char16_t(0xDC00)), "\"\\uDC00\""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(qdrpack::quoted(text), expected);
}

}  // namespace
