// Run by CTest once per locale, with LC_ALL set for the whole Wine process tree: the child that
// loads the payload takes its language from there. QDR_EXPECT holds "locale|language|country"
// and QDR_EXPECT_MESSAGES the texts of messages 1, 2 and 3 after the language blocks.
#include <gtest/gtest.h>

#include <cstdlib>

#include "launcher_roles.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

std::vector<std::string> split(const char* text) {
    std::vector<std::string> parts;
    if (!text) return parts;
    std::string rest = text;
    for (std::size_t bar; (bar = rest.find('|')) != std::string::npos; rest.erase(0, bar + 1))
        parts.push_back(rest.substr(0, bar));
    parts.push_back(rest);
    return parts;
}

payload::Message message(int id, const std::u16string& text) { return {id, text}; }

TEST(EnvironmentLocale, ChosenLocaleCodesAndLanguageBlocks) {
    const auto expected = split(getenv("QDR_EXPECT"));
    const auto texts = split(getenv("QDR_EXPECT_MESSAGES"));
    ASSERT_EQ(expected.size(), 3u) << "QDR_EXPECT must be set by the test entry";
    ASSERT_EQ(texts.size(), 3u) << "QDR_EXPECT_MESSAGES must be set by the test entry";

    payload::Contents contents;
    contents.messages = {message(1, u"base one"), message(2, u"base two"), message(3, u"base three")};
    contents.languages = {{"pt", {message(1, u"pt one"), message(2, u"pt two")}},
                          {"pt_BR", {message(2, u"br two")}},
                          {"pt_PT", {message(3, u"pt_PT three")}},
                          {"de", {message(1, u"de one")}},
                          {"de_CH", {message(1, u"ch one")}}};
    TempDir dir;
    const ChildResult result = runOwnImage(dir, "dump-payload", contents);
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const PayloadDump dump = parsePayloadDump(result.out);
    EXPECT_EQ(dump.locale, expected[0]);
    EXPECT_EQ(dump.language, expected[1]);
    EXPECT_EQ(dump.hasCountry, !expected[2].empty());
    EXPECT_EQ(dump.country, expected[2]);
    EXPECT_EQ(narrow(dump.messages.at(1)), texts[0]);
    EXPECT_EQ(narrow(dump.messages.at(2)), texts[1]);
    EXPECT_EQ(narrow(dump.messages.at(3)), texts[2]);
}

}  // namespace
