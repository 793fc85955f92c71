// The launch of the Java application on the real virtual machine (and, for exact option lists,
// on the recording jvm.dll): system properties, the argument array of main, the steps between
// creation and main, and how failures end the process.
#include "JavaVMLauncher.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "child_roles.h"
#include "commandline.h"
#include "includedfiles.h"
#include "javaprobe.h"
#include "launcher_roles.h"
#include "ownlog.h"
#include "launchervars.h"
#include "paths.h"
#include "payload.h"
#include "vmoptions.h"
#include "testsupport.h"
#include "worksequence.h"
#include "workdirs.h"

using namespace testing_support;

namespace {

constexpr long long kTestUnextractedPosition = 4242;
constexpr const char* kMessage1005 = "The JVM could not be started.";

std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[32768] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? value : L"";
}

// Child role: the launcher's start-up, then the steps of the work sequence that lead to the
// launch, with the work directory QDR_WORK_DIR already filled by the test. QDR_RECORDER set: the
// recording jvm.dll instead of the real runtime; QDR_LONG_PATH set: a PATH over 12000 bytes at the
// launch.
int launchRole() {
    ArgList argList;
    tokenizeCommandLine(GetCommandLineW(), argList);
    processArguments(GetModuleHandleW(nullptr), argList);
    applySwitches(argList);
    guiMessages = false;
    workDir = narrow(environmentValue(L"QDR_WORK_DIR"));
    unextractedPosition = kTestUnextractedPosition;
    if (environmentValue(L"QDR_RECORDER").empty()) {
        const std::string javaExe = narrow(QDR_JRE_HOME) + "\\bin\\java.exe";
        if (!bindCreateJavaVm(loadJvmLibrary(javaExe))) return 90;
        recordSelectedJvm(javaExe.c_str(), "17.0.17");
    } else {
        if (!bindCreateJavaVm(LoadLibraryW((std::wstring(QDR_TESTING_DIR) + L"\\recorder_jvm.dll").c_str()))) return 91;
        recordSelectedJvm("C:\\recorded\\bin\\java.exe", "17.0.17");
    }
    setupNativeLibraryPath();
    // Loading the JVM library keeps no PATH longer than its buffer, so a long one is made here.
    if (!environmentValue(L"QDR_LONG_PATH").empty())
        SetEnvironmentVariableW(L"PATH", (L"C:\\" + std::wstring(12100, L'p') + L";" + environmentValue(L"PATH")).c_str());
    std::erase(argList, childArgument("launch"));
    launchApplication(argList);
    return 0;
}
const bool registered = registerChildRole("launch", launchRole);


// One launch: a test directory with the work directory "work" (holding the given archives), the
// installer image, and the report of the Java program.
class Launch : public ::testing::Test {
   protected:
    void SetUp() override { CreateDirectoryW(work().c_str(), nullptr); }
    std::wstring work() const { return dir.file(L"work"); }
    std::wstring reportPath() const { return dir.file(L"report.txt"); }
    void addArchive(const std::wstring& jar, const std::wstring& name) {
        ASSERT_TRUE(CopyFileW(jar.c_str(), (work() + L"\\" + name).c_str(), FALSE));
    }
    void addRuntimeAndApplication() {
        addArchive(QDR_RUNTIME_JAR, L"qdrruntime.jar");
        addArchive(QDR_TEST_APPS_JAR, L"qdrtestapps.jar");
    }
    // The configuration of an installer that runs the reporting application with checked JNI.
    static std::vector<std::pair<int, std::string>> installerConfig(std::vector<std::pair<int, std::string>> more = {}) {
        std::vector<std::pair<int, std::string>> config = {{2001, "q"}, {122, "qdrtest.Report"}, {123, "-Xcheck:jni"}};
        config.insert(config.end(), more.begin(), more.end());
        return config;
    }
    ChildResult run(const std::vector<std::pair<int, std::string>>& config, const std::wstring& arguments = L"-q",
                    std::map<std::wstring, std::optional<std::wstring>> environment = {},
                    const std::wstring& stub = ownExecutablePath()) {
        environment[L"QDR_WORK_DIR"] = work();
        environment[L"QDR_REPORT"] = reportPath();
        ChildOptions options;
        options.arguments = childArgument("launch") + L" " + arguments;
        options.environment = environment;
        for (const auto& [name, value] : logInDirEnvironment(dir.path()))
            if (!options.environment.count(name)) options.environment[name] = value;
        options.timeoutMs = 90000;
        image = writeInstaller(dir.file(L"image.exe"), minimalContents(config), stub);
        ChildResult result = runChild(image, options);
        const std::vector<std::wstring> logs = findLogs(dir.path());
        log = logs.empty() ? "" : readLog(logs.front());
        return result;
    }
    std::map<std::string, std::string> report() const { return readReport(reportPath()); }
    bool reported() const { return GetFileAttributesW(reportPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

    TempDir dir;
    std::wstring image;
    std::string log;
};

TEST_F(Launch, MainSeesTheArgumentArrayPropertiesAndLauncherState) {
    addRuntimeAndApplication();
    CreateDirectoryW(dir.file(L"logs").c_str(), nullptr);
    const ChildResult result =
        run(installerConfig({{107, "1"}, {102, "1"}, {103, "logs\\err.txt"}, {104, "0"}, {105, "unused.txt"},
                             {106, "1"}, {124, "first \"second one\""}, {125, "1"}, {10004, "natives"}}),
            L"-q -J-Xmx1g x.txt -Dsun.locale.formatasdefault=false", {{L"MANPATH", std::nullopt}});
    ASSERT_EQ(result.exitCode, 0u) << result.err << log;
    const auto seen = report();
    const std::string exe = narrow(image);
    const std::string expected[][2] = {
        {"launcher.gui", "true"},
        {"launcher.class", "qdrtest.Report"},
        {"launcher.errorLog", narrow(dir.file(L"logs\\err.txt"))},
        {"launcher.outputLog", "null"},
        {"launcher.append", "true"},
        {"launcher.program", exe},
        {"args", "4"},
        {"arg.0", "first"},
        {"arg.1", "second one"},
        {"arg.2", "-q"},
        {"arg.3", "x.txt"},
        {"prop.vantle.isQuilder", "true"},
        {"prop.vantle.manualJre", "<unset>"},
        {"prop.vantle.semaphoreName", "<unset>"},
        {"prop.vantle.moduleName", exe},
        {"prop.sun.java.command", exe},
        {"prop.vantle.tempDir", narrow(work())},
        {"prop.vantle.unextractedPosition", std::to_string(kTestUnextractedPosition)},
        {"windel", exe},
        {"init", "[true, false]"},
        {"splash", "<none>"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(seen.at(key), value) << key;
    EXPECT_TRUE(std::regex_match(seen.at("prop.vantle.consoleCodepage"), std::regex("cp[0-9]+")));
    EXPECT_EQ(seen.at("prop.java.library.path").rfind(narrow(dir.file(L"natives;")), 0), 0u)
        << seen.at("prop.java.library.path");
    // The locale the launcher chose reaches the virtual machine as its user locale.
    std::smatch locale;
    ASSERT_TRUE(std::regex_search(log, locale, std::regex("language/country is ([a-z]+)(?:_([A-Z]+))?")));
    EXPECT_EQ(seen.at("prop.user.language"), locale[1].str());
    if (locale[2].matched) {
        EXPECT_EQ(seen.at("prop.user.country"), locale[2].str());
    }
    // Only the error stream was redirected.
    EXPECT_TRUE(containsText(readFileBytes(dir.file(L"logs\\err.txt")), "report written to the error stream"));
    EXPECT_TRUE(containsText(result.out, "report written"));
    EXPECT_FALSE(containsText(result.err, "report written"));
    // -J options went to the virtual machine, not to main; no first-run file, so no hook.
    EXPECT_TRUE(containsText(log, "vmoption") && containsText(log, ": -Xmx1g"));
    EXPECT_FALSE(containsText(log, "FirstRun"));
    EXPECT_EQ(GetFileAttributesW((reportPath() + L".firstrun").c_str()), INVALID_FILE_ATTRIBUTES);
    for (const char* line : {"launching program", "Creating JVM", "JVM created", "load helper dll",
                             "ERROR: registering helper dll failed", "main class: com/quilder/runtime/launcher/WinLauncher",
                             "param count: 10", "param 1: qdrtest.Report", "calling main", "main returned", "dest JVM",
                             "launch done"})
        EXPECT_TRUE(containsText(log, line)) << line;
}

TEST_F(Launch, ConsoleCodePageAndLibraryPathProperties) {
    const struct {
        const char* name;
        std::map<std::wstring, std::optional<std::wstring>> environment;
        bool codepage;
        bool emptyLibraryPath;
    } cases[] = {
        {"no MANPATH", {{L"MANPATH", std::nullopt}}, true, false},
        {"MANPATH set", {{L"MANPATH", L"/usr/share/man"}}, false, false},
        {"PATH over 12000 bytes", {{L"MANPATH", std::nullopt}, {L"QDR_LONG_PATH", L"1"}}, true, true},
    };
    addRuntimeAndApplication();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildResult result = run(installerConfig(), L"-q", c.environment);
        ASSERT_EQ(result.exitCode, 0u) << result.err << log;
        const auto seen = report();
        EXPECT_EQ(seen.at("prop.vantle.consoleCodepage") != "<unset>", c.codepage);
        EXPECT_EQ(seen.at("prop.java.library.path").empty(), c.emptyLibraryPath);
    }
}

TEST_F(Launch, NativesRegisteredFromTheExecutableAreAnnouncedOnce) {
    addRuntimeAndApplication();
    const std::wstring withNatives = ownExecutablePath().substr(0, ownExecutablePath().rfind(L'\\')) +
                                     L"\\launch_test_all_natives.exe";
    const ChildResult result = run(installerConfig(), L"-q", {}, withNatives);
    ASSERT_EQ(result.exitCode, 0u) << result.err << log;
    EXPECT_EQ(report().at("init"), "[true]");
    EXPECT_FALSE(containsText(log, "registering helper dll failed"));
}

TEST_F(Launch, SplashSettingsReachTheJavaSide) {
    addRuntimeAndApplication();
    const std::vector<std::pair<int, std::string>> splash = {
        {10111, ""},   {10109, "20"}, {10110, "20"}, {10114, "0,0,0"}, {10113, "8"},  {10115, "500"},
        {10118, "Version 2.1"}, {10116, "20"}, {10117, "40"}, {10121, "10,20,30"}, {10120, "9"}, {10122, "400"}};
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> flags;
        std::string expected;
    } cases[] = {
        {"108 and 10123 set", {{108, "1"}, {10123, "1"}, {163, "1"}},
         "true|true||20|20|0,0,0|8|500|Version 2.1|20|40|10,20,30|9|400"},
        {"163 clear", {{108, "1"}, {10123, "1"}}, "true|false||20|20|0,0,0|8|500|Version 2.1|20|40|10,20,30|9|400"},
        {"10123 clear", {{108, "1"}}, "<none>"},
        {"108 clear", {{10123, "1"}}, "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<int, std::string>> more = splash;
        more.insert(more.end(), c.flags.begin(), c.flags.end());
        const ChildResult result = run(installerConfig(more));
        ASSERT_EQ(result.exitCode, 0u) << result.err << log;
        EXPECT_EQ(report().at("splash"), c.expected);
    }
}

TEST_F(Launch, MainReturningEarlyWaitsForItsThreadsBeforeLaunchDone) {
    addRuntimeAndApplication();
    const ChildResult result = run(installerConfig(), L"-q", {{L"QDR_BEHAVIOUR", L"thread"}});
    ASSERT_EQ(result.exitCode, 0u) << result.err << log;
    EXPECT_EQ(report().at("thread"), "done");
    std::smatch returned, done;
    ASSERT_TRUE(std::regex_search(log, returned, std::regex("\\[(\\d+):(\\d+)\\] main returned")));
    ASSERT_TRUE(std::regex_search(log, done, std::regex("\\[(\\d+):(\\d+)\\] launch done")));
    const auto millis = [](const std::smatch& m) { return std::stoll(m[1]) * 1000 + std::stoll(m[2]); };
    EXPECT_GE(millis(done) - millis(returned), 2000) << log;
}

TEST_F(Launch, ApplicationEndingTheProcessSetsTheExitCode) {
    addRuntimeAndApplication();
    const ChildResult result = run(installerConfig(), L"-q", {{L"QDR_BEHAVIOUR", L"exit7"}});
    EXPECT_EQ(result.exitCode, 7u) << result.err << log;
    EXPECT_FALSE(containsText(log, "main returned"));
}

TEST_F(Launch, ExceptionFromMainEndsWithMessage1005) {
    addRuntimeAndApplication();
    const ChildResult result = run(installerConfig(), L"-q", {{L"QDR_BEHAVIOUR", L"throw"}});
    EXPECT_EQ(result.exitCode, 1u) << log;
    EXPECT_TRUE(containsText(log, "ERROR: java.lang.IllegalStateException: boom from main")) << log;
    EXPECT_TRUE(containsText(log, "ERROR: could not call main"));
    EXPECT_TRUE(containsText(log, "ERROR: Could not start JVM"));
    EXPECT_TRUE(containsText(result.err, "at qdrtest.Report.main")) << result.err;
    EXPECT_TRUE(containsText(result.err, kMessage1005)) << result.err;
    EXPECT_FALSE(containsText(log, "launch done"));
}

TEST_F(Launch, FailuresBeforeMainEndWithTheirMessages) {
    const struct {
        const char* name;
        std::vector<std::wstring> archives;
        std::vector<std::pair<int, std::string>> config;
        bool firstRunFile;
        std::string logLine;
        std::string message;
    } cases[] = {
        {"VM cannot be created", {QDR_RUNTIME_JAR, QDR_TEST_APPS_JAR}, {{123, "-Xcheck:jni -Xmx99999999999g"}}, false,
         "ERROR: could not initialize JVM", kMessage1005},
        {"main class missing", {QDR_TEST_APPS_JAR}, {}, false, "ERROR: could not find main class",
         "Couldn't load main class."},
        {"main method missing", {QDR_NOMAIN_JAR}, {}, false, "ERROR: could not find main method",
         "Main method not found."},
        {"first-run class missing", {}, {{10003, "profile"}}, true, "", "An internal error occurred (error code: 14)"},
        {"first-run method missing", {QDR_NOMAIN_JAR}, {{10003, "profile"}}, true, "", "An internal error occurred (error code: 15)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        removeTree(work());
        CreateDirectoryW(work().c_str(), nullptr);
        for (const std::wstring& archive : c.archives)
            addArchive(archive, archive.substr(archive.rfind(L'\\') + 1));
        if (c.firstRunFile) {
            for (const wchar_t* sub : {L"profile", L"profile\\.quilder"}) CreateDirectoryW(dir.file(sub).c_str(), nullptr);
            writeFileBytes(dir.file(L"profile\\.quilder\\firstrun"), "");
        }
        std::vector<std::pair<int, std::string>> config = installerConfig(c.config);
        const ChildResult result = run(config);
        EXPECT_EQ(result.exitCode, 1u) << log;
        if (!c.logLine.empty()) {
            EXPECT_TRUE(containsText(log, c.logLine)) << log;
        }
        EXPECT_TRUE(containsText(result.err, c.message)) << result.err;
        EXPECT_FALSE(reported());
        for (const std::wstring& file : findLogs(dir.path())) DeleteFileW(file.c_str());
        removeTree(dir.file(L"profile"));
    }
}

TEST_F(Launch, FirstRunHookDecidesWhetherMainRuns) {
    addRuntimeAndApplication();
    for (const wchar_t* sub : {L"profile", L"profile\\.quilder"}) CreateDirectoryW(dir.file(sub).c_str(), nullptr);
    writeFileBytes(dir.file(L"profile\\.quilder\\firstrun"), "");
    for (const bool goOn : {false, true}) {
        SCOPED_TRACE(goOn ? "hook returns true" : "hook returns false");
        DeleteFileW(reportPath().c_str());
        DeleteFileW((reportPath() + L".firstrun").c_str());
        const ChildResult result =
            run(installerConfig({{10003, "profile"}}), L"-q", {{L"QDR_FIRSTRUN_RESULT", goOn ? L"true" : L"false"}});
        EXPECT_EQ(result.exitCode, 0u) << result.err << log;
        EXPECT_EQ(readFileBytes(reportPath() + L".firstrun"), "called\n");
        EXPECT_EQ(reported(), goOn);
        EXPECT_EQ(containsText(log, "checkFirstRun stopped further execution"), !goOn);
        for (const std::wstring& file : findLogs(dir.path())) DeleteFileW(file.c_str());
    }
}

// The whole option list as the recording jvm.dll received it, from every source in order.
TEST_F(Launch, RecordedOptionListFromEverySource) {
    for (const wchar_t* name : {L"b.jar", L"a.jar", L"c.zip"}) writeFileBytes(work() + L"\\" + name, "");
    CreateDirectoryW((work() + L"\\user").c_str(), nullptr);
    writeFileBytes(work() + L"\\user\\u.jar", "");
    // Work-directory archives come in the order the directory lists them; a failed launch removes
    // the work directory, so they are listed before.
    std::string archives;
    for (const auto& [sub, extension] : {std::pair{"", "jar"}, {"", "zip"}, {"\\user", "jar"}})
        for (const std::string& name : listFilesWithExtension(narrow(work()) + sub, extension)) archives += narrow(work()) + sub + "\\" + name + ";";
    writeFileBytes(dir.file(L"image.vmoptions"),
                   "# options of the test\n-Dqdrtest.fromOptionsFile=1\n-include-options more.vmoptions\n"
                   "-classpath/p first.jar\n-classpath/a last.jar\n");
    writeFileBytes(dir.file(L"more.vmoptions"), "  -Dqdrtest.fromInclude=1  \n");
    const ChildResult result =
        run({{2001, "q"}, {122, "qdrtest.Report"}, {123, "-Dconfigured=1 -Xss2m"}, {125, "1"}, {166, "1"},
             {10200, "1"}, {10201, "17"}, {10202, "-Dversion.specific=17"}, {121, "A0extra.jar"}},
            L"-q -J-Xmx512m app.txt", {{L"QDR_RECORDER", L"1"}, {L"QDR_RECORDER_FILE", dir.file(L"recorded.txt")}, {L"MANPATH", std::nullopt}});
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(containsText(result.err, kMessage1005)) << result.err;
    EXPECT_TRUE(containsText(log, "ERROR: could not initialize JVM"));
    EXPECT_EQ(GetFileAttributesW(work().c_str()), INVALID_FILE_ATTRIBUTES) << "the work directory stays";
    std::vector<std::string> options;
    std::istringstream lines(readFileBytes(dir.file(L"recorded.txt")));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("option ", 0) == 0) options.push_back(line.substr(7));
    const std::string exe = narrow(image);
    const std::string exeDir = narrow(dir.path()) + "\\";
    const std::string w = narrow(work());
    const std::vector<std::string> expected = {
        "-Dvantle.isQuilder=true",
        "-Dvantle.moduleName=" + exe,
        "-Dsun.java.command=" + exe,
        "-Dvantle.tempDir=" + w,
        "-Dvantle.unextractedPosition=4242",
        "-Djava.library.path=*",
        "-Dvantle.consoleCodepage=cp*",
        "-Dconfigured=1",
        "-Xss2m",
        "-Dversion.specific=17",
        "-Xmx512m",
        "-Duser.language=*",
        "-Dqdrtest.fromOptionsFile=1",
        "-Dqdrtest.fromInclude=1",
        "-Djava.class.path=first.jar;" + archives + exeDir + "extra.jar;last.jar",
    };
    std::vector<std::string> comparable = options;
    if (comparable.size() > 12 && comparable[12].rfind("-Duser.country=", 0) == 0) comparable.erase(comparable.begin() + 12);
    ASSERT_EQ(comparable.size(), expected.size()) << readFileBytes(dir.file(L"recorded.txt"));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string& want = expected[i];
        if (want.back() == '*')
            EXPECT_EQ(comparable[i].rfind(want.substr(0, want.size() - 1), 0), 0u) << i << ": " << comparable[i];
        else
            EXPECT_EQ(comparable[i], want) << i;
    }
}

}  // namespace

namespace {

// The argument array in-process, for the rules that need no virtual machine.
TEST(MainArguments, LeadingElementsAndFilteredLauncherArguments) {
    const std::string exeDir = initExeDir().exeDirA;
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> config;
        ArgList argList;
        std::vector<std::wstring> expected;
    } cases[] = {
        {"nothing configured", {}, {L"setup.exe"}, {L"false", L"", L"", L"", L"false", L"setup.exe"}},
        {"locale switch dropped without 125", {{125, "0"}},
         {L"setup.exe", L"-Dsun.locale.formatasdefault=true", L"-Jkept", L"a"},
         {L"false", L"", L"", L"", L"false", L"setup.exe", L"-Jkept", L"a"}},
        {"-J dropped with 125", {{125, "1"}, {107, "1"}, {106, "2"}},
         {L"setup.exe", L"-J-Xmx1g", L"-Dsun.locale.formatasdefault=false", L"b"},
         {L"true", L"", L"", L"", L"true", L"setup.exe", L"b"}},
        {"107 other than 1 is false", {{107, "2"}}, {L"setup.exe"}, {L"false", L"", L"", L"", L"false", L"setup.exe"}},
        {"log files: $ kept, others made full", {{102, "1"}, {103, "$stderr"}, {104, "1"}, {105, "out\\..\\o.txt"}},
         {L"setup.exe"},
         {L"false", L"", L"$stderr", widen(exeDir) + L"o.txt", L"false", L"setup.exe"}},
        {"no program with an empty list", {{122, "app.Main"}}, {}, {L"false", L"app.Main", L"", L"", L"false"}},
        {"configured arguments expanded and tokenized", {{124, "'one two' ${QDR_ARGUMENT_TEST}"}}, {L"p"},
         {L"false", L"", L"", L"", L"false", L"p", L"one two", L"expanded"}},
    };
    SetEnvironmentVariableW(L"QDR_ARGUMENT_TEST", L"expanded");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int id : {102, 103, 104, 105, 106, 107, 122, 124, 125}) configTable.erase(id);
        for (const auto& [id, value] : c.config) configTable[id] = value;
        EXPECT_EQ(buildMainArguments(c.argList), c.expected);
    }
}

TEST(NativeLibraryPath, ConfiguredDirectoriesGoInFrontOfPathInBothEnvironments) {
    const std::string exeDir = initExeDir().exeDirA;
    wchar_t saved[32768];
    GetEnvironmentVariableW(L"PATH", saved, 32768);
    configTable[10004] = "natives;;lib\\x64";
    setupNativeLibraryPath();
    configTable.erase(10004);
    char path[32768];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string expectedFront = exeDir + "natives;" + exeDir + "lib\\x64;";
    EXPECT_EQ(std::string(path).rfind(expectedFront, 0), 0u) << path;
    EXPECT_EQ(std::string(path).substr(expectedFront.size()), narrow(saved));
    EXPECT_STREQ(getenv("PATH"), path);
    SetEnvironmentVariableW(L"PATH", saved);
    _wputenv((L"PATH=" + std::wstring(saved)).c_str());
}

}  // namespace

namespace {

TEST(SplashScreen, ActsOnlyWhenConfiguredAndWithTheRuntimesLibrary) {
    const std::string realHome = narrow(QDR_JRE_HOME);
    // As at the launch: the JVM library is loaded, and the splash library's dependencies need it.
    const std::wstring savedPath = environmentValue(L"PATH");
    ASSERT_NE(loadJvmLibrary(realHome + "\\bin\\java.exe"), nullptr);
    const struct {
        const char* name;
        const char* enabled;
        std::string home;
        std::vector<const char*> logged;
    } cases[] = {
        {"10123 clear", "0", realHome, {}},
        {"no splash library", "1", "C:\\nowhere", {"loading splashscreen dll from C:\\nowhere\\bin\\splashscreen.dll",
                                                   "ERROR: Could not load splashscreen.dll"}},
        // The test program carries no resource 10000, so nothing is handed to the library.
        {"library but no image", "1", realHome, {"loading splashscreen dll from", "ERROR: no splash image in the executable"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        configTable[10123] = c.enabled;
        jvmHome = c.home;
        const LogMark mark;
        splashScreen(true);
        splashScreen(false);  // never shown: closing does nothing
        const std::string logged = mark.since();
        if (c.logged.empty()) {
            EXPECT_EQ(logged, "");
        }
        for (const char* line : c.logged) EXPECT_TRUE(containsText(logged, line)) << line << "\n" << logged;
        EXPECT_FALSE(containsText(logged, "splash load memory returned"));
    }
    configTable.erase(10123);
    jvmHome.clear();
    SetEnvironmentVariableW(L"PATH", savedPath.c_str());
}

TEST(ThreadEnvironment, NoneBeforeTheVmExists) { EXPECT_EQ(getThreadJniEnv(), nullptr); }

}  // namespace
