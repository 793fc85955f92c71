#include "commandline.h"

#include <gtest/gtest.h>

#include "child_roles.h"
#include "payload.h"
#include "runmode.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

struct TokenCase {
    const wchar_t* line;
    std::vector<std::wstring> tokens;
};

class Tokenizer : public ::testing::TestWithParam<TokenCase> {};

TEST_P(Tokenizer, SplitsLikeTheLauncher) {
    ArgList argList;
    tokenizeCommandLine(GetParam().line, argList);
    EXPECT_EQ(argList, GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Tokenizer,
    ::testing::Values(
        TokenCase{LR"("C:\Program Files\setup.exe" -q 'a b'c -temp)",
                  {LR"(C:\Program Files\setup.exe)", L"-q", L"a b", L"c", L"-temp"}},
        TokenCase{LR"(-Dx="a b" y)", {L"-Dx=a b", L"y"}},
        TokenCase{LR"(prog "unclosed rest of line)", {L"prog", L"unclosed rest of line"}},
        TokenCase{LR"(prog 'unclosed "mixed)", {L"prog", L"unclosed \"mixed"}},
        TokenCase{LR"(a "" b)", {L"a", L"", L"b"}},
        TokenCase{L"   a    b   ", {L"a", L"b"}},
        TokenCase{L"a\tb c", {L"a\tb", L"c"}},
        TokenCase{LR"("x"y "z")", {L"x", L"y", L"z"}},
        TokenCase{LR"(pre"in 'side"post)", {L"prein 'side", L"post"}},
        TokenCase{LR"(a'b"c'd)", {L"ab\"c", L"d"}},
        TokenCase{L"", {}},
        TokenCase{L"\"", {L""}},
        TokenCase{L"last", {L"last"}}));

TEST(Tokenizer, LongLinesOfQuotesStayInside) {
    std::wstring line;
    for (int i = 0; i < 20000; ++i) line += i % 3 == 0 ? L"\"" : i % 3 == 1 ? L"'" : L" ";
    ArgList argList;
    tokenizeCommandLine(line, argList);
    std::size_t characters = 0;
    for (const auto& token : argList) characters += token.size();
    EXPECT_LE(characters, line.size());
    EXPECT_FALSE(argList.empty());
}

struct SwitchCase {
    std::vector<std::wstring> arguments;
    bool quiet, gui, check, manual, splash;
};

class SwitchTable : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchTable, SetsTheRunModeFlags) {
    quietMode = false;
    guiMessages = true;
    manualJreSelection = false;
    splashSwitch = false;
    integrityCheckEnabled = false;
    applySwitches(GetParam().arguments);
    EXPECT_EQ(quietMode, GetParam().quiet);
    EXPECT_EQ(guiMessages, GetParam().gui);
    EXPECT_EQ(integrityCheckEnabled, GetParam().check);
    EXPECT_EQ(manualJreSelection, GetParam().manual);
    EXPECT_EQ(splashSwitch, GetParam().splash);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SwitchTable,
    ::testing::Values(SwitchCase{{L"prog"}, false, true, true, false, false},
                      SwitchCase{{L"prog", L"-q"}, true, false, true, false, false},
                      SwitchCase{{L"prog", L"-nocheck"}, false, true, false, false, false},
                      SwitchCase{{L"prog", L"-manual"}, false, true, true, true, false},
                      SwitchCase{{L"prog", L"/manual"}, false, true, true, true, false},
                      SwitchCase{{L"prog", L"-q", L"-splash"}, true, false, true, false, true},
                      // Switches match case-sensitively and as a whole element.
                      SwitchCase{{L"prog", L"-Q", L"-nocheckx", L"/MANUAL", L"--q"}, false, true, true, false, false},
                      SwitchCase{{L"-q"}, true, false, true, false, false}));

// The launcher as a child: its exit code and its log, kept in a directory of the test's own.
struct LauncherRun {
    ChildResult result;
    std::string log;
};

LauncherRun runLauncher(const TempDir& dir, const payload::Contents& contents, const std::wstring& arguments,
                        std::map<std::wstring, std::optional<std::wstring>> extraEnvironment = {}) {
    const std::wstring exe = writeInstaller(dir.file(L"setup.exe"), contents);
    ChildOptions options;
    options.arguments = arguments;
    options.environment = logInDirEnvironment(dir.path());
    for (auto& [name, value] : extraEnvironment) options.environment[name] = value;
    LauncherRun run{runChild(exe, options), {}};
    const auto logs = findLogs(dir.path());
    if (!logs.empty()) run.log = readLog(logs.front());
    return run;
}

TEST(HiddenModes, MatchOnThe8BitCommandLine) {
    struct Case {
        const wchar_t* arguments;
        const char* expectedLine;
        const char* absentLine;
    } cases[] = {
        {L"__qdr_lang_restart", "language restart", nullptr},
        {L"__qdr_lang_restartXYZ -x", "language restart", nullptr},
        {L"__qdr_extract_and_exit", "extract and exit mode", nullptr},
        {L"x__qdr_lang_restart", "Init done", "language restart"},
        // Only the whole line selects the reboot mode: with more text the normal start runs.
        {L"__qdr_reboot now", "Init done", nullptr},
        {L"__qdr_windel", "Init done", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.arguments));
        TempDir dir;
        const LauncherRun run = runLauncher(dir, minimalContents(), c.arguments);
        EXPECT_EQ(run.result.exitCode, kNoJavaRuntimeExit);
        EXPECT_NE(run.log.find(c.expectedLine), std::string::npos) << run.log;
        if (c.absentLine) {
            EXPECT_EQ(run.log.find(c.absentLine), std::string::npos) << run.log;
        }
    }
}

TEST(HiddenModes, LanguageRestartRunsQuietly) {
    TempDir dir;
    const LauncherRun run = runLauncher(dir, minimalContents(), L"__qdr_lang_restart");
    EXPECT_NE(run.log.find("Quiet installer."), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("change working directory"), std::string::npos);
}

TEST(ManualTempDir, AcceptedWhenWritable) {
    TempDir dir;
    TempDir manual;
    const LauncherRun run = runLauncher(dir, minimalContents(), L"-q -temp \"" + manual.path() + L"\"");
    EXPECT_EQ(run.result.exitCode, kNoJavaRuntimeExit);
    EXPECT_NE(run.log.find("Using manual temp dir " + narrow(manual.path()) + " (" + narrow(manual.path()) + ")"),
              std::string::npos)
        << run.log;
}

TEST(ManualTempDir, RejectedWhenMissingAndFallsBack) {
    TempDir dir;
    const std::wstring missing = dir.file(L"does-not-exist");
    const LauncherRun run = runLauncher(dir, minimalContents(), L"-q /temp \"" + missing + L"\"");
    EXPECT_EQ(run.result.exitCode, kNoJavaRuntimeExit);
    EXPECT_NE(run.log.find("Manual temp dir not usable " + narrow(missing)), std::string::npos) << run.log;
    EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "no creation for a manual directory";
}

TEST(LogSwitch, OnlyInPositionOneKeepsTheLogAndAsks) {
    for (const wchar_t* logSwitch : {L"-create-qdr-log", L"-create-vtl-log", L"/create-qdr-log", L"/create-vtl-log"}) {
        SCOPED_TRACE(narrow(logSwitch));
        TempDir dir;
        ChildOptions options;
        options.arguments = std::wstring(logSwitch) + L" -q";
        options.environment = {{L"TMP", dir.path()}, {L"TEMP", dir.path()}, {L"QUILDER_LOG", std::nullopt},
                               {L"VANTLE_LOG", std::nullopt}};
        std::optional<MessageBoxInfo> box;
        const auto exe = writeInstaller(dir.file(L"setup.exe"), minimalContents());
        const ChildResult result = runAnsweringMessageBox(exe, options, IDNO, box);
        EXPECT_EQ(result.exitCode, kNoJavaRuntimeExit);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->caption, L"quilder");
        const auto logs = findLogs(dir.path());
        ASSERT_EQ(logs.size(), 1u) << "the prompt showed the log path, so the log is kept";
        EXPECT_NE(box->text.find(L"The following log file will be created:\n\n" + logs.front()), std::wstring::npos)
            << narrow(box->text);
    }
}

TEST(LogSwitch, LaterPositionsHaveNoEffect) {
    TempDir dir;
    ChildOptions options;
    options.arguments = L"-q -create-qdr-log";
    options.environment = {{L"TMP", dir.path()}, {L"TEMP", dir.path()}, {L"QUILDER_LOG", std::nullopt},
                           {L"VANTLE_LOG", std::nullopt}};
    const auto exe = writeInstaller(dir.file(L"setup.exe"), minimalContents());
    const ChildResult result = runChild(exe, options);
    EXPECT_EQ(result.exitCode, kNoJavaRuntimeExit);
    EXPECT_TRUE(findLogs(dir.path()).empty()) << "no prompt, no keep: the log is deleted at exit";
}

TEST(WorkingDirectory, ConfiguredDirectoryBecomesCurrent) {
    TempDir dir;
    TempDir target;
    const LauncherRun run =
        runLauncher(dir, minimalContents({{146, narrow(target.path()) + "\\.\\sub\\.."}}), L"-q");
    EXPECT_NE(run.log.find("change working directory to " + narrow(target.path())), std::string::npos) << run.log;
    TempDir expanded;
    const LauncherRun fromVariable = runLauncher(expanded, minimalContents({{146, "${QDR_WORKING}\\x\\.."}}), L"-q",
                                                 {{L"QDR_WORKING", target.path()}});
    EXPECT_NE(fromVariable.log.find("change working directory to " + narrow(target.path()) + "\r\n"),
              std::string::npos)
        << fromVariable.log;
    TempDir other;
    const LauncherRun unchanged = runLauncher(other, minimalContents(), L"-q");
    EXPECT_NE(unchanged.log.find("working directory unchanged"), std::string::npos) << unchanged.log;
}

TEST(RunMode, QuietAloneRunsWithoutWindowAndSplashDoesNot) {
    TempDir quiet;
    const LauncherRun quietRun = runLauncher(quiet, minimalContents(), L"-q");
    EXPECT_NE(quietRun.log.find("Quiet installer."), std::string::npos);
    const std::size_t firstLine = quietRun.log.find("\r\n\r\n[");
    ASSERT_NE(firstLine, std::string::npos) << quietRun.log;
    EXPECT_EQ(quietRun.log.find("] restrict DLL directories\r\n"), quietRun.log.find(']', firstLine))
        << "the DLL search is restricted before anything else: " << quietRun.log;
    TempDir splash;
    const LauncherRun run = runLauncher(splash, minimalContents({{108, "1"}}), L"-q -splash");
    EXPECT_EQ(run.log.find("Quiet installer."), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("Showing splash screen."), std::string::npos) << run.log;
}

}  // namespace
