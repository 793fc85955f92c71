#include "workdirs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "child_roles.h"
#include "log.h"
#include "paths.h"
#include "payload.h"
#include "runmode.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

TEST(PathShape, CollapseBackslashes) {
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {LR"(\\server\\share\\\dir)", LR"(\\server\share\dir)"},
        {LR"(\\\x)", LR"(\\x)"},
        {LR"(C:\\\\a\\b)", LR"(C:\a\b)"},
        {LR"(C:\a\b\)", LR"(C:\a\b\)"},
        {LR"(a\\\\)", LR"(a\)"},
        {L"\\\\", L"\\\\"},
        {L"x", L"x"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.in));
        std::wstring wide = c.in;
        collapseBackslashesW(wide);
        EXPECT_EQ(wide, c.out);
        std::string ansi = narrow(c.in);
        collapseBackslashes(ansi);
        EXPECT_EQ(ansi, narrow(c.out));
    }
}

TEST(PathShape, IsRelativePath) {
    const struct {
        const char* path;
        bool relative;
    } cases[] = {
        {R"(C:\foo)", false}, {R"(C:\)", false},      {R"(\\server\share)", false}, {R"("C:\foo")", false},
        {R"("C:\)", false},   {R"("C:)", true},       {"C:foo", true},              {R"(\foo)", true},
        {"foo\\bar", true},   {"C:", true},           {"", true},                   {R"(\\)", true},
        {R"(\\x)", false},    {R"("\\x")", false},    {"/tmp/x", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(isRelativePath(c.path), c.relative);
        EXPECT_EQ(isRelativePathW(widen(c.path)), c.relative);
    }
}

TEST(PathShape, PathExistsTreatsDriveRootsAsExisting) {
    TempDir dir;
    writeFileBytes(dir.file(L"present.txt"), "x");
    const struct {
        std::wstring path;
        bool exists;
    } cases[] = {
        {L"Q:\\", true},  // no such drive: a root is never looked up
        {L"Q:\\.", true},
        {L"Q:\\.\\.", true},
        {L"Q:", false},  // two characters: looked up like any path
        {L"Q:\\..", false},
        {L"Q:\\x", false},
        {dir.file(L"present.txt"), true},
        {dir.file(L"absent.txt"), false},
        {dir.path(), true},
        {L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.path));
        EXPECT_EQ(pathExistsW(c.path), c.exists);
        EXPECT_EQ(pathExists(narrow(c.path)), c.exists);
    }
}

TEST(PathShape, FileExistsReportsTheLastWriteTime) {
    TempDir dir;
    writeFileBytes(dir.file(L"f.txt"), "x");
    FILETIME written{0xDEADBEEF, 0xDEADBEEF};
    ASSERT_TRUE(fileExistsW(dir.file(L"f.txt"), &written));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(dir.file(L"f.txt").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&written, &data.ftLastWriteTime), 0);
    FILETIME untouched{0xDEADBEEF, 0xDEADBEEF};
    EXPECT_FALSE(fileExists(narrow(dir.file(L"none.txt")), &untouched));
    EXPECT_EQ(untouched.dwLowDateTime, 0xDEADBEEFu);
}

TEST(PathShape, AbsoluteAndFullPathsAgainstTheExecutableDirectory) {
    const std::wstring exeDir = initExeDir().exeDirW;
    ASSERT_FALSE(exeDir.empty());
    EXPECT_EQ(exeDir.back(), L'\\');
    EXPECT_EQ(makeAbsolutePathW(L"Sub\\\\..\\File.TXT", nullptr, false), exeDir + L"Sub\\..\\File.TXT");
    EXPECT_EQ(makeAbsolutePathW(L"C:\\\\Abs", nullptr, false), L"C:\\Abs");
    EXPECT_EQ(getFullPathW(L"Sub\\..\\File.TXT", true, false), exeDir + L"File.TXT");
    std::wstring lower = exeDir + L"file.txt";
    for (auto& ch : lower)
        if (ch >= L'A' && ch <= L'Z') ch += 32;
    EXPECT_EQ(getFullPathW(L"Sub\\..\\File.TXT", false, false), lower);
    EXPECT_EQ(getFullPath("Sub\\..\\File.TXT", false), narrow(lower));
    TempDir dir;
    const std::wstring base = dir.file(L"base.txt");
    EXPECT_EQ(makeAbsolutePathW(L"x\\y", base.c_str(), false), dir.path() + L"\\x\\y");
    EXPECT_EQ(makeAbsolutePath("x", narrow(base).c_str()), narrow(dir.path()) + "\\x");
}

// The temporary directory chain with every machine-dependent step under the test's control.
class TempChain : public ::testing::Test {
   protected:
    void TearDown() override {
        setTempPathSources(systemTempPathSources());
        for (const wchar_t* blocker : {L"c:\\temp", L"c:\\tmp"})
            if (!(GetFileAttributesW(blocker) & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(blocker);
    }

    static void use(std::wstring temp, std::wstring profile, std::wstring homeDrive, std::wstring homePath,
                    std::wstring windows) {
        setTempPathSources({[temp] { return temp; },
                            [profile, homeDrive, homePath](const wchar_t* name) {
                                const std::wstring which = name;
                                return which == L"USERPROFILE" ? profile
                                       : which == L"HOMEDRIVE" ? homeDrive
                                       : which == L"HOMEPATH"  ? homePath
                                                               : std::wstring();
                            },
                            [windows] { return windows; }});
    }

    // Files where the fixed fallbacks c:\temp and c:\tmp would be, so those steps fail.
    static bool blockFixedFallbacks() {
        for (const wchar_t* blocker : {L"c:\\temp", L"c:\\tmp"}) {
            const DWORD attributes = GetFileAttributesW(blocker);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !RemoveDirectoryW(blocker))
                return false;
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
                writeFileBytes(blocker, "blocks the fallback");
        }
        return true;
    }
};

TEST_F(TempChain, FirstUsableCandidateWinsAndTheDegradedPassIsLast) {
    TempDir dir;
    const std::wstring file = dir.file(L"a-file");
    writeFileBytes(file, "not a directory");
    const std::wstring missing = dir.file(L"missing");
    const std::wstring profile = dir.file(L"profile");
    CreateDirectoryW(profile.c_str(), nullptr);
    CreateDirectoryW((profile + L"\\AppData").c_str(), nullptr);
    CreateDirectoryW((profile + L"\\AppData\\Local").c_str(), nullptr);
    CreateDirectoryW((profile + L"\\AppData\\Local\\Temp").c_str(), nullptr);
    const std::wstring home = dir.file(L"home");
    CreateDirectoryW(home.c_str(), nullptr);
    const std::wstring nonAnsi = dir.file(L"\u0416\u0443\u043a");
    CreateDirectoryW(nonAnsi.c_str(), nullptr);
    const std::wstring homeDrive = dir.path().substr(0, 2);
    const std::wstring homePath = home.substr(2);
    const std::wstring windowsDir = dir.file(L"windows");
    CreateDirectoryW(windowsDir.c_str(), nullptr);
    CreateDirectoryW((windowsDir + L"\\temp").c_str(), nullptr);
    ASSERT_TRUE(blockFixedFallbacks());

    const struct {
        const char* name;
        std::wstring temp, profile, homeDrive, homePath, windows;
        std::wstring expected;
        bool degraded;
    } cases[] = {
        {"missing temp directory is created", missing, profile, homeDrive, homePath, file, missing, false},
        {"temp is a file: the profile's temp", file, profile, homeDrive, homePath, file,
         profile + L"\\AppData\\Local\\Temp", false},
        {"no profile temp: home", file, missing, homeDrive, homePath, file, homeDrive + homePath, false},
        {"home drive alone is skipped", file, missing, homeDrive, L"", windowsDir, windowsDir + L"\\temp", false},
        {"non-ANSI temp: Windows temp", nonAnsi, missing, L"", L"", windowsDir, windowsDir + L"\\temp", false},
        {"non-ANSI everywhere: degraded pass", nonAnsi, missing, L"", L"", file, nonAnsi, true},
        {"non-ANSI home only in the degraded pass", file, missing, homeDrive, nonAnsi.substr(2), file, nonAnsi, true},
        {"nothing usable", file, missing, L"", L"", file, L"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.expected == missing) RemoveDirectoryW(missing.c_str());
        use(c.temp, c.profile, c.homeDrive, c.homePath, c.windows);
        EXPECT_EQ(searchTempPathW(false), c.expected);
        EXPECT_EQ(tempPathDegraded, c.degraded);
    }
}

TEST_F(TempChain, ResolveCachesTheResultAndPrefersTheManualDirectory) {
    TempDir dir;
    TempDir manual;
    use(dir.path(), L"", L"", L"", L"");
    EXPECT_EQ(resolveTempPathW(false), dir.path());
    use(manual.path(), L"", L"", L"", L"");
    setTempPathSources(systemTempPathSources());
    manualTempDirW = manual.path();
    manualTempDirA = narrow(manual.path());
    EXPECT_EQ(resolveTempPathW(false), manual.path());
    EXPECT_EQ(resolveTempPath(), narrow(manual.path()));
    manualTempDirW.clear();
    manualTempDirA.clear();
}

TEST(WorkDir, NamedAfterATempFileAndTheTimeAndUnique) {
    TempDir dir;
    manualTempDirW = dir.path();
    manualTempDirA = narrow(dir.path());
    createWorkDir();
    const std::string first = workDir;
    createWorkDir();
    const std::string second = workDir;
    manualTempDirW.clear();
    manualTempDirA.clear();
    workDir.clear();
    const std::regex shape(std::regex_replace(narrow(dir.path()), std::regex(R"([\\.])"), R"(\$&)") +
                           R"(\\vtl[0-9A-Fa-f]{1,4}\.tmp_dir\d+)");
    EXPECT_TRUE(std::regex_match(first, shape)) << first;
    EXPECT_NE(first, second);
    EXPECT_TRUE(GetFileAttributesA(first.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(GetFileAttributesA((first.substr(0, first.find("_dir"))).c_str()), INVALID_FILE_ATTRIBUTES)
        << "the temporary file stays";
}

TEST(WorkDir, EmptyDirectoryReachesTwoLevels) {
    TempDir dir;
    const std::string top = narrow(dir.path());
    for (const char* sub : {"\\sub", "\\sub\\deep", "\\sub\\emptydeep", "\\other"})
        CreateDirectoryA((top + sub).c_str(), nullptr);
    for (const char* file : {"\\a.txt", "\\sub\\b.txt", "\\sub\\deep\\c.txt", "\\other\\d.txt"})
        writeFileBytes(widen(top + file), "x");
    emptyDirectory(top, true);
    const struct {
        const char* path;
        bool remains;
    } expected[] = {{"\\a.txt", false},         {"\\sub\\b.txt", false},    {"\\sub\\emptydeep", false},
                    {"\\sub\\deep\\c.txt", true}, {"\\sub", true},          {"\\other", false},
                    {"", true}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.path);
        EXPECT_EQ(GetFileAttributesA((top + e.path).c_str()) != INVALID_FILE_ATTRIBUTES, e.remains);
    }
}

TEST(WorkDir, EmptyDirectoryWithoutRecursionKeepsFilledSubdirectories) {
    TempDir dir;
    const std::string top = narrow(dir.path());
    CreateDirectoryA((top + "\\sub").c_str(), nullptr);
    writeFileBytes(widen(top + "\\sub\\b.txt"), "x");
    writeFileBytes(widen(top + "\\a.txt"), "x");
    emptyDirectory(top + "\\", false);
    EXPECT_EQ(GetFileAttributesA((top + "\\a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((top + "\\sub\\b.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WorkDir, EmptyDirectoryIgnoresEmptyAndDotPaths) {
    TempDir dir;
    writeFileBytes(dir.file(L"keep.txt"), "x");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(dir.path().c_str());
    emptyDirectory("", true);
    emptyDirectory(".", true);
    emptyDirectory(".\\", true);
    SetCurrentDirectoryW(previous);
    EXPECT_NE(GetFileAttributesW(dir.file(L"keep.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Child role: makes a work directory with files two levels deep, prints it, then fails.
int failInWorkDir(bool restart) {
    guiMessages = false;
    restartMode = restart;
    messageTable[1009] = L"An internal error occurred (error code: {0})";
    createWorkDir();
    CreateDirectoryA((workDir + "\\lib").c_str(), nullptr);
    for (const char* file : {"\\a.jar", "\\lib\\b.dll"}) writeFileBytes(widen(workDir + file), "x");
    printf("%s\n", workDir.c_str());
    fflush(stdout);
    fatalMessageArg(1009, L"11");
}

// Child role: the ANSI temporary directory search with nothing usable.
int noTempDir() {
    guiMessages = false;
    messageTable[1015] = L"You must be at least Poweruser to run this program.";
    setTempPathSources({[] { return std::wstring(); }, [](const wchar_t*) { return std::wstring(); },
                        [] { return std::wstring(); }});
    printf("%s\n", searchTempPath().c_str());
    return 0;
}

const bool registered = registerChildRole("fail-in-workdir", [] { return failInWorkDir(false); }) &&
                        registerChildRole("fail-in-workdir-restart", [] { return failInWorkDir(true); }) &&
                        registerChildRole("no-temp-dir", noTempDir);

TEST(WorkDir, FatalExitRemovesItUnlessRestarted) {
    for (bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "restart mode" : "normal");
        TempDir dir;
        ChildOptions options;
        options.arguments = childArgument(restart ? "fail-in-workdir-restart" : "fail-in-workdir");
        options.environment = logInDirEnvironment(dir.path());
        const ChildResult result = runChild(ownExecutablePath(), options);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_EQ(result.err.rfind("An internal error occurred (error code: 11)", 0), 0u) << result.err;
        std::string made = result.out.substr(0, result.out.find_first_of("\r\n"));
        ASSERT_NE(made.find(".tmp_dir"), std::string::npos) << result.out;
        EXPECT_EQ(GetFileAttributesA(made.c_str()) != INVALID_FILE_ATTRIBUTES, restart);
    }
}

TEST_F(TempChain, NoUsableDirectoryEndsTheAnsiSearchWithMessage1015) {
    TempDir dir;
    ASSERT_TRUE(blockFixedFallbacks());
    ChildOptions options;
    options.arguments = childArgument("no-temp-dir");
    options.environment = logInDirEnvironment(dir.path());
    const ChildResult result = runChild(ownExecutablePath(), options);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err.rfind("You must be at least Poweruser to run this program.", 0), 0u) << result.err;
}

// The launcher takes its temporary directory from the environment Windows gives it.
TEST(LauncherTempDir, LogFollowsTheEnvironment) {
    TempDir dir;
    const std::wstring missing = dir.file(L"created-by-the-launcher");
    const std::wstring file = dir.file(L"a-file");
    writeFileBytes(file, "x");
    const std::wstring profile = dir.file(L"profile");
    for (const wchar_t* part : {L"", L"\\AppData", L"\\AppData\\Local", L"\\AppData\\Local\\Temp"})
        CreateDirectoryW((profile + part).c_str(), nullptr);
    const std::wstring exe = writeInstaller(dir.file(L"setup.exe"), minimalContents());
    const struct {
        const char* name;
        std::wstring tmp, expectedDir;
    } cases[] = {{"missing TMP is created", missing, missing},
                 {"TMP names a file: the profile's temp", file, profile + L"\\AppData\\Local\\Temp"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChildOptions options;
        options.arguments = L"-q";
        options.environment = {{L"TMP", c.tmp},        {L"TEMP", c.tmp},           {L"USERPROFILE", profile},
                               {L"QUILDER_LOG", L"yes"}, {L"HOMEDRIVE", std::nullopt}, {L"HOMEPATH", std::nullopt}};
        EXPECT_EQ(runChild(exe, options).exitCode, kNoJavaRuntimeExit);
        EXPECT_EQ(findLogs(c.expectedDir).size(), 1u);
    }
}

}  // namespace
