#include "language.h"

#include <gtest/gtest.h>

namespace {

TEST(LocaleTable, ExactThenPrimaryLanguageFirstMatchWins) {
    const struct {
        unsigned id;
        const char* name;
    } cases[] = {
        {0x0807, "de_CH"},    {0x1C07, "de"},     {0x0814, "no_NO_NY"}, {0x2409, "en"},    {0x0C0A, "es_ES"},
        {0x040A, "es_ES"},    {0x0812, "ko_KR"},  {0x0409, "en_US"},    {0x0009, "en"},    {0x041A, "hr_HR"},
        {0x081A, "sr_CS"},    {0x500A, "es_PR"},  {0x0431, "ts"},       {0x043D, "yi"},    {0x1C0D, "iw"},
        {0x0421, "in_ID"},    {0x0456, "gl_ES"},  {0x4C0A, "es_NI"},    {0x3C01, "ar_BH"}, {0x0050, "mn"},
        {0x7C04, "zh"},       {0x0404, "zh_TW"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_NE(lookupLocaleName(c.id), nullptr);
        EXPECT_STREQ(lookupLocaleName(c.id), c.name);
    }
    for (unsigned unknown : {0x0000u, 0x046Au, 0x0028u, 0x0428u, 0xFFFFu}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(lookupLocaleName(unknown), nullptr);
    }
    EXPECT_EQ(localeTableSize(), 215u);
}

class SelectLocale : public ::testing::Test {
   protected:
    void TearDown() override {
        setLanguageSources(systemLanguageSources());
        localeName = "en";
    }
    std::string select(unsigned format, std::optional<unsigned> ui, std::vector<std::wstring> argList) {
        setLanguageSources({[format] { return format; }, [ui] { return ui; }});
        return selectLocaleName(argList);
    }
};

TEST_F(SelectLocale, UserInterfaceLanguageUnlessTheFormatSwitchIsLastSetToTrue) {
    const struct {
        std::vector<std::wstring> argList;
        const char* expected;
    } cases[] = {
        {{L"setup.exe"}, "en_GB"},
        {{L"setup.exe", L"-Dsun.locale.formatasdefault=true"}, "de_DE"},
        {{L"setup.exe", L"-Dsun.locale.formatasdefault=true", L"-Dsun.locale.formatasdefault=false"}, "en_GB"},
        {{L"setup.exe", L"-Dsun.locale.formatasdefault=false", L"-Dsun.locale.formatasdefault=true"}, "de_DE"},
        {{L"setup.exe", L"-Dsun.locale.formatasdefault=TRUE"}, "en_GB"},
        {{L"setup.exe", L"-Dsun.locale.formatasdefault=true", L"-Dsun.locale.formatasdefault="}, "en_GB"},
        {{L"setup.exe", L"-Dsun.locale.formatasdefault"}, "en_GB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(select(0x0407, 0x0809, c.argList), c.expected);
    }
}

TEST_F(SelectLocale, MissingUserInterfaceCallKeepsTheFormatLocale) {
    EXPECT_EQ(select(0x0807, std::nullopt, {L"setup.exe"}), "de_CH");
}

TEST_F(SelectLocale, UnknownIdentifierGivesEnglish) { EXPECT_EQ(select(0x0409, 0x046A, {L"setup.exe"}), "en"); }

TEST_F(SelectLocale, CodesComeFromTheName) {
    const struct {
        const char* name;
        const char* language;
        const char* country;
    } cases[] = {{"de_CH", "de", "CH"}, {"de", "de", nullptr}, {"no_NO_NY", "no", nullptr}, {"en", "en", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        localeName = c.name;
        std::string language = "canary", country = "canary";
        EXPECT_TRUE(getLanguageCode(language));
        EXPECT_EQ(language, c.language);
        EXPECT_EQ(getCountryCode(country), c.country != nullptr);
        if (c.country) {
            EXPECT_EQ(country, c.country);
        }
    }
}

}  // namespace
