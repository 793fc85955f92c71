#include "javaversion.h"

#include <gtest/gtest.h>

#include "payload.h"

namespace {

TEST(ParseVersion, SplitsAtSeparatorsAndReadsLikeStrtol) {
    const struct {
        const char* text;
        VersionParts parts;
    } cases[] = {
        {"1.8.0_80", {1, 8, 0, 80}},
        {"1.8.0_80-b15", {1, 8, 0, 80, 0}},
        {"1.7.0-ea", {1, 7, 0, 0}},
        {"5b.1", {5, 1}},
        {"", {}},
        {"..__--++", {}},
        {".1..2.", {1, 2}},
        {"17.0.15", {17, 0, 15}},
        {"21.0.2+13", {21, 0, 2, 13}},
        {"17.0.17+10-LTS", {17, 0, 17, 10, 0}},
        {"9", {9}},
        {" 3. 4", {3, 4}},
        {"99999999999.1", {2147483647, 1}},
        {"abc", {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseVersion(c.text), c.parts);
    }
}

TEST(WithinBound, StrictAndLenientDifferOnlyForShorterCandidates) {
    const struct {
        const char* bound;
        const char* candidate;
        bool isMaximum, lenient, accepted;
    } cases[] = {
        {"1.8.0_40", "1.8.0_80", true, false, false}, {"1.8.0_40", "1.8.0_31", true, false, true},
        {"1.8.0_40", "1.8.0", true, false, false},    {"1.8.0_40", "1.8", true, false, false},
        {"1.8.0_40", "1.8.0", true, true, true},      {"1.8.0_40", "1.8", true, true, true},
        {"1.8", "1.8.0_999", true, false, true},      {"1.7", "1.7", false, false, true},
        {"1.7.0_10", "1.7", false, false, false},     {"1.7.0_10", "1.7", false, true, true},
        {"", "", false, false, true},                 {"", "", true, false, true},
        {"11", "17.0.15", false, false, true},        {"11", "17.0.15", true, false, false},
        {"21", "21.0.2+13", true, false, true},       {"1.8", "9", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.isMaximum ? "max " : "min ") + c.bound + (c.lenient ? " lenient " : " strict ") +
                     c.candidate);
        EXPECT_EQ(withinBound(parseVersion(c.bound), parseVersion(c.candidate), c.isMaximum, c.lenient), c.accepted);
    }
}

class AcceptJavaVersion : public ::testing::Test {
   protected:
    void SetUp() override { configTable.erase(130); }
    void TearDown() override { configTable.erase(130); }
};

TEST_F(AcceptJavaVersion, BoundsAndPreReleaseRule) {
    const struct {
        const char *minimum, *maximum, *version;
        bool allowPreRelease, accepted;
    } cases[] = {
        {"1.7", "1.8", "1.8.0_80", false, true},       {"1.7", "1.8", "1.7.0_80", false, true},
        {"1.7", "1.8", "1.6.0_45", false, false},      {"1.7", "1.8", "1.9", false, false},
        {"1.7", "1.8", "11.0.5", false, false},        {"", "", "1.8.0_80", false, true},
        {"", "", "", false, true},                     {"", "", "1.8.0_80-beta", false, false},
        {"", "", "1.8.0_80-beta", true, true},         {"", "", "1.8.0-release", false, false},
        {"", "", "9-ea", false, false},                {"", "", "21-rc", false, false},
        {"", "", "1.8.0_80-BETA", false, true},        {"1.8", "17", "17.0.17", false, true},
        {"11", "21", "17.0.15", false, true},          {"11", "21", "21.0.2+13", false, true},
        {"11", "21", "22", false, false},              {"1.7.0_10", "", "1.7", false, false},
        {"1.8", "1.8.0_40", "1.8", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.minimum) + " .. " + c.maximum + ": " + c.version);
        EXPECT_EQ(acceptJavaVersion(c.version, parseVersion(c.minimum), parseVersion(c.maximum), c.allowPreRelease),
                  c.accepted);
    }
}

TEST_F(AcceptJavaVersion, ConfigurationAllowsPreReleases) {
    configTable[130] = "1";
    EXPECT_TRUE(acceptJavaVersion("1.8.0_80-beta", {}, {}, false));
    configTable[130] = "0";
    EXPECT_FALSE(acceptJavaVersion("1.8.0_80-beta", {}, {}, false));
}

TEST(VersionInRange, IsLenient) {
    EXPECT_TRUE(versionInRange("1.7", parseVersion("1.7.0_10"), {}));
    EXPECT_TRUE(versionInRange("1.8", parseVersion("1.7"), parseVersion("1.8.0_40")));
    EXPECT_FALSE(versionInRange("1.6", parseVersion("1.7"), {}));
    EXPECT_FALSE(versionInRange("11", {}, parseVersion("1.8")));
}

TEST(VersionGreater, IsAStrictOrder) {
    const struct {
        const char *a, *b;
        bool greater;
    } cases[] = {{"1.8.0", "1.8", true},         {"1.8", "1.8.0", false},     {"1.8", "1.8", false},
                 {"1.8.0_80", "1.8.0_31", true}, {"1.10", "1.9", true},       {"", "", false},
                 {"", "1.8", false},             {"1.0", "", true},           {"17.0.15", "17.0.2", true},
                 {"21.0.2+13", "21.0.2", true},  {"11.0.5", "1.8.0_80", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " > " + c.b);
        EXPECT_EQ(versionGreater(c.a, c.b), c.greater);
    }
}

TEST(KeyNameOrder, PlainByteOrderAscending) {
    std::vector<std::string> names = {"1.8.0_80", "1.7", "1.10", "1.8", "17", "\xE9", "11.0.5"};
    sortKeyNamesAscending(names);
    EXPECT_EQ(names, (std::vector<std::string>{"1.10", "1.7", "1.8", "1.8.0_80", "11.0.5", "17", "\xE9"}));
}

TEST(ConfiguredBounds, AreReadOnEveryCall) {
    configTable[126] = "1.8";
    EXPECT_EQ(configuredMinimumVersion(), (VersionParts{1, 8}));
    configTable[126] = "11";
    EXPECT_EQ(configuredMinimumVersion(), (VersionParts{11}));
    configTable.erase(126);
    configTable.erase(127);
    EXPECT_TRUE(configuredMinimumVersion().empty());
    EXPECT_TRUE(configuredMaximumVersion().empty());
}

}  // namespace
