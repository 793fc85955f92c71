#include "log.h"

#include <gtest/gtest.h>

#include <regex>

#include "child_roles.h"
#include "launcher_roles.h"
#include "payload.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

// Child roles: fatal messages of a console launcher (standard error), with the texts given here.
int fatalConsole() {
    guiMessages = false;
    messageTable[1009] = L"An internal error occurred (error code: {0})";
    logMessage(L"about to fail");
    fatalMessageArg(1009, L"7");
}

int messageWithArgument() {
    guiMessages = false;
    messageTable[1] = L"first {0} second {0}";
    messageTable[2] = L"no placeholder";
    configTable[3] = "from configuration {0}";
    showMessageWithArg(1, L"X");
    showMessageWithArg(2, L"X");
    showMessageWithArgA(3, "\xE9t\xE9");
    showMessageWithArg(1, nullptr);
    return 0;
}

int orderlyExit() {
    logMessage(L"one line");
    return 0;
}

const bool registered = registerChildRole("fatal-console", fatalConsole) &&
                        registerChildRole("message-with-argument", messageWithArgument) &&
                        registerChildRole("orderly-exit", orderlyExit);

ChildResult runRole(const char* role,
                    std::map<std::wstring, std::optional<std::wstring>> environment) {
    ChildOptions options;
    options.arguments = childArgument(role);
    options.environment = std::move(environment);
    return runChild(ownExecutablePath(), options);
}

std::map<std::wstring, std::optional<std::wstring>> tempOnly(const TempDir& dir) {
    return {{L"TMP", dir.path()}, {L"TEMP", dir.path()}, {L"QUILDER_LOG", std::nullopt}, {L"VANTLE_LOG", std::nullopt}};
}

TEST(LogFile, KeptOnlyWhenAskedForExactly) {
    const struct {
        const wchar_t* name;
        const wchar_t* value;
        bool kept;
    } cases[] = {{L"QUILDER_LOG", L"yes", true}, {L"VANTLE_LOG", L"yes", true}, {L"QUILDER_LOG", L"Yes", false},
                 {L"QUILDER_LOG", L"yes ", false}, {L"QUILDER_LOG", L"1", false}, {nullptr, nullptr, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? narrow(std::wstring(c.name) + L"=" + c.value) : "neither");
        TempDir dir;
        auto environment = tempOnly(dir);
        if (c.name) environment[c.name] = std::wstring(c.value);
        EXPECT_EQ(runRole("orderly-exit", environment).exitCode, 0u);
        EXPECT_EQ(findLogs(dir.path()).size(), c.kept ? 1u : 0u);
    }
}

TEST(LogFile, FormatIsBomHeaderAndPrefixedCrLfLines) {
    TempDir dir;
    auto environment = tempOnly(dir);
    environment[L"QUILDER_LOG"] = L"yes";
    ASSERT_EQ(runRole("orderly-exit", environment).exitCode, 0u);
    const auto logs = findLogs(dir.path());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs.front(), dir.file(L"qdr_nlog_1.log"));
    const std::string raw = readFileBytes(logs.front());
    ASSERT_EQ(raw.rfind("\xEF\xBB\xBF", 0), 0u) << "UTF-8 byte order mark";
    const std::string text = raw.substr(3);
    const std::regex header("^Started executable " + std::regex_replace(narrow(ownExecutablePath()),
                                                                      std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)") +
                            R"( at \w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\r\n\r\n)");
    EXPECT_TRUE(std::regex_search(text, header)) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\r\n\[\d+:\d{1,3}\] one line\r\n$)"))) << text;
    EXPECT_EQ(text.find("\n\n"), std::string::npos) << "every line end is CR LF";
}

TEST(LogFile, NumberThousandIsTheLastNameAndOverwritten) {
    for (bool thousandExists : {false, true}) {
        SCOPED_TRACE(thousandExists ? "1 to 1000 exist" : "1 to 999 exist");
        TempDir dir;
        for (int n = 1; n <= (thousandExists ? 1000 : 999); ++n)
            writeFileBytes(dir.file(L"qdr_nlog_" + std::to_wstring(n) + L".log"), "old");
        auto environment = tempOnly(dir);
        environment[L"QUILDER_LOG"] = L"yes";
        ASSERT_EQ(runRole("orderly-exit", environment).exitCode, 0u);
        EXPECT_NE(readLog(dir.file(L"qdr_nlog_1000.log")).find("one line"), std::string::npos);
        EXPECT_EQ(readFileBytes(dir.file(L"qdr_nlog_999.log")), "old");
        EXPECT_EQ(GetFileAttributesW(dir.file(L"qdr_nlog_1001.log").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(FatalExit, ConsoleLauncherWritesOneLineWithTheLogPathAndKeepsTheLog) {
    TempDir dir;
    const ChildResult result = runRole("fatal-console", tempOnly(dir));
    EXPECT_EQ(result.exitCode, 1u);
    const auto logs = findLogs(dir.path());
    ASSERT_EQ(logs.size(), 1u) << "a shown log path keeps the log even without the keep switches";
    EXPECT_EQ(result.err, "An internal error occurred (error code: 7)\r\n\r\nLog: " + narrow(logs.front()) + "\r\n");
    EXPECT_EQ(result.out, "");
    EXPECT_NE(readLog(logs.front()).find("about to fail"), std::string::npos);
}

TEST(FatalExit, MessageArgumentReplacesTheFirstPlaceholderOnly) {
    TempDir dir;
    const ChildResult result = runRole("message-with-argument", tempOnly(dir));
    ASSERT_EQ(result.exitCode, 0u);
    // Nothing was logged before, so there is no log path to append.
    EXPECT_EQ(result.err, "first X second {0}\r\nno placeholder\r\nfrom configuration \xE9t\xE9\r\nfirst {0} second {0}\r\n");
    EXPECT_TRUE(findLogs(dir.path()).empty());
}

}  // namespace
