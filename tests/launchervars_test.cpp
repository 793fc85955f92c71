#include "launchervars.h"

#include <gtest/gtest.h>

#include "ownlog.h"
#include "paths.h"
#include "testsupport.h"
#include "workdirs.h"

using namespace testing_support;

namespace {

// Expansion with known values: work directory, temporary directory and (optionally) a runtime.
class Expansion : public ::testing::Test {
   protected:
    void SetUp() override {
        workDir = "C:\\work\\vtl1.tmp_dir5";
        manualTempDirW = temp.path();
        manualTempDirA = narrow(temp.path());
        jvmHome.clear();
        jvmVersion.reset();
    }
    void TearDown() override {
        workDir.clear();
        manualTempDirW.clear();
        manualTempDirA.clear();
        jvmHome.clear();
        jvmVersion.reset();
    }
    TempDir temp;
};

TEST_F(Expansion, EveryLauncherVariableInEveryForm) {
    recordSelectedJvm("C:\\jre\\bin\\java.exe", "17.0.17");
    const std::string exeDir = initExeDir().exeDirA;
    const std::string tempDir = narrow(temp.path());
    const struct {
        const char* name;
        std::string value;
    } cases[] = {
        {"%VANTLE_EXEDIR%", exeDir},
        {"%QUILDER_EXEDIR%", exeDir},
        {"%VANTLE_TEMPDIR%", workDir},
        {"%QUILDER_TEMPDIR%", workDir},
        {"%VANTLE_PATHLIST_SEPARATOR%", ";"},
        {"%QUILDER_PATHLIST_SEPARATOR%", ";"},
        {"%VANTLE_JVM_HOME%", "C:\\jre\\bin\\.."},
        {"%QUILDER_JVM_HOME%", "C:\\jre\\bin\\.."},
        {"${VANTLE_EXEDIR}", exeDir},
        {"${QUILDER_EXEDIR}", exeDir},
        {"${VANTLE_TEMPDIR}", workDir},
        {"${QUILDER_TEMPDIR}", workDir},
        {"${VANTLE_PATHLIST_SEPARATOR}", ";"},
        {"${QUILDER_PATHLIST_SEPARATOR}", ";"},
        {"${VANTLE_JVM_HOME}", "C:\\jre\\bin\\.."},
        {"${QUILDER_JVM_HOME}", "C:\\jre\\bin\\.."},
        {"${launcher:sys.launcherDirectory}", exeDir},
        {"${launcher:sys.launcherTempDirectory}", workDir},
        {"${launcher:sys.pathlistSeparator}", ";"},
        {"${launcher:sys.jvmHome}", "C:\\jre\\bin\\.."},
        {"${launcher:sys.tempDir}", tempDir},
        {"%quilder_exedir%", "%quilder_exedir%"},
        {"${launcher:sys.TempDir}", "${launcher:sys.TempDir}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string("<") + c.name + ">";
        EXPECT_EQ(expandLauncherVariablesA(text), "<" + c.value + ">");
        EXPECT_EQ(narrow(expandLauncherVariablesW(widen(text), true)), "<" + c.value + ">");
        EXPECT_EQ(narrow(expandLauncherVariablesW(widen(text), false)), "<" + c.value + ">");
    }
}

TEST_F(Expansion, LauncherDirectoryKeepsItsBackslashAndTheJvmHomeItsDots) {
    recordSelectedJvm("C:\\jre\\bin\\java.exe", "1.8.0_80");
    EXPECT_EQ(expandLauncherVariablesA("%VANTLE_EXEDIR%\\lib"), initExeDir().exeDirA + "\\lib");
    EXPECT_EQ(expandLauncherVariablesA("${launcher:sys.jvmHome}\\lib\\tools.jar"), "C:\\jre\\bin\\..\\lib\\tools.jar");
    EXPECT_EQ(jvmVersion, "1.8.0_80");
}

TEST_F(Expansion, JvmHomeIsEmptyBeforeARuntimeIsSelected) {
    EXPECT_EQ(expandLauncherVariablesA("[${launcher:sys.jvmHome}]"), "[]");
}

TEST(RecordSelectedJvm, CutsJavaOrJavawExe) {
    const struct {
        const char *exe, *home;
    } cases[] = {{"C:\\jre\\bin\\javaw.exe", "C:\\jre\\bin\\.."},
                 {"C:\\jre\\bin\\java.exe", "C:\\jre\\bin\\.."},
                 {"C:\\jre\\bin\\JAVAW.EXE", "C:\\jre\\bin\\J.."},
                 {"x", ".."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exe);
        recordSelectedJvm(c.exe, "v");
        EXPECT_EQ(jvmHome, c.home);
    }
    jvmHome.clear();
    jvmVersion.reset();
}

TEST_F(Expansion, EveryOccurrenceIsReplacedAndLogged) {
    const std::string marker = "three-times-" + std::to_string(GetTickCount());
    workDir = marker;
    const std::string text = "a${QUILDER_TEMPDIR}b${QUILDER_TEMPDIR}c${QUILDER_TEMPDIR}";
    EXPECT_EQ(expandLauncherVariablesA(text), "a" + marker + "b" + marker + "c" + marker);
    const std::string log = ownLogText();
    std::size_t lines = 0;
    for (std::size_t at = log.find("expanding2 ${QUILDER_TEMPDIR} to " + marker); at != std::string::npos;
         at = log.find("expanding2 ${QUILDER_TEMPDIR} to " + marker, at + 1))
        ++lines;
    EXPECT_EQ(lines, 3u);
    EXPECT_NE(log.find("expanding2 ${QUILDER_TEMPDIR} to " + marker + " in a" + marker + "b" + marker + "c" + marker +
                       "."),
              std::string::npos);
}

TEST_F(Expansion, EnvironmentReferencesByExactAndUpperCasedName) {
    SetEnvironmentVariableW(L"Qdr_Mixed", L"mixed-value");
    SetEnvironmentVariableW(L"QUILDER_EXEDIR", L"from-the-environment");
    const struct {
        const char *text, *expanded;
    } cases[] = {
        {"${Qdr_Mixed}", "mixed-value"},
        {"${QDR_MIXED}", "mixed-value"},
        {"${qdr_mixed}", "${qdr_mixed}"},
        {"${NO_SUCH_VARIABLE_QDR}", "${NO_SUCH_VARIABLE_QDR}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(expandLauncherVariablesA(c.text), c.expanded);
        EXPECT_EQ(narrow(expandLauncherVariablesW(widen(c.text), false)), c.expanded);
    }
    EXPECT_EQ(expandLauncherVariablesA("${QUILDER_EXEDIR}"), initExeDir().exeDirA)
        << "the launcher variable is replaced before the environment is looked at";
    SetEnvironmentVariableW(L"Qdr_Mixed", nullptr);
    SetEnvironmentVariableW(L"QUILDER_EXEDIR", nullptr);
}

TEST_F(Expansion, InsertedValuesMeetOnlyLaterNames) {
    // The work directory's value names a later variable, and its own name.
    workDir = "${launcher:sys.pathlistSeparator}%QUILDER_TEMPDIR%";
    EXPECT_EQ(expandLauncherVariablesA("%QUILDER_TEMPDIR%"), ";%QUILDER_TEMPDIR%");
    SetEnvironmentVariableW(L"QDR_SELF", L"${QDR_SELF}x");
    EXPECT_EQ(expandLauncherVariablesA("${QDR_SELF}"), "${QDR_SELF}xx") << "the upper-cased pass sees the value once";
    SetEnvironmentVariableW(L"QDR_SELF", nullptr);
}

TEST_F(Expansion, WideFormsChooseTheirDirectoryAndTempDirForm) {
    const ExeDirs& dirs = initExeDir();
    EXPECT_EQ(expandLauncherVariablesW(L"${launcher:sys.launcherDirectory}", true), dirs.exeDirFromAnsiW);
    EXPECT_EQ(expandLauncherVariablesW(L"${launcher:sys.launcherDirectory}", false), dirs.exeDirW);
    manualTempDirW = L"C:\\wide\\\u0416";
    manualTempDirA = "C:\\short~1";
    EXPECT_EQ(expandLauncherVariablesW(L"${launcher:sys.tempDir}", true), L"C:\\short~1");
    EXPECT_EQ(expandLauncherVariablesW(L"${launcher:sys.tempDir}", false), L"C:\\wide\\\u0416");
}

TEST_F(Expansion, AResultBeyondTheBufferIsLeftOutAndLogged) {
    workDir = std::string(50, 'w');
    wchar_t buffer[80];
    wcscpy(buffer, L"${QUILDER_TEMPDIR}|${QUILDER_TEMPDIR}");
    expandLauncherVariablesW(buffer, 80, false);
    EXPECT_EQ(narrow(buffer), std::string(50, 'w') + "|${QUILDER_TEMPDIR}");
    char narrowBuffer[40];
    strcpy(narrowBuffer, "x${QUILDER_TEMPDIR}");
    expandLauncherVariablesA(narrowBuffer, sizeof narrowBuffer);
    EXPECT_STREQ(narrowBuffer, "x${QUILDER_TEMPDIR}");
    EXPECT_NE(ownLogText().find("ERROR: expansion left out: the text would exceed 39 characters"), std::string::npos);
    char exact[52];
    strcpy(exact, "${QUILDER_TEMPDIR}!");
    expandLauncherVariablesA(exact, sizeof exact);
    EXPECT_EQ(std::string(exact), std::string(50, 'w') + "!") << "a result of capacity - 1 still fits";
}

}  // namespace
