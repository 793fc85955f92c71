// The installer from start to end: the real qdrsetup.exe with a payload, run under Wine on the
// real Windows JVM (or on test doubles where a case needs a runtime that fails in a given way).
#include <gtest/gtest.h>


#include "javahome.h"
#include "reader.h"
#include "tararchive.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

constexpr const char* kMarkerKey = "SOFTWARE\\brenvask\\vantle";
constexpr const char* kApplicationData = "APPLICATION-DATA-AFTER-THE-FILES";
constexpr const char* kMessage1005 = "The JVM could not be started.";

std::optional<DWORD> installMarker(const char* name = "InstallStarted") {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kMarkerKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::vector<std::string> markerNames() {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarkerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0, length = sizeof name; RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof name)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

void setGlobalMarker(DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kMarkerKey, "InstallStarted", REG_DWORD, &value, sizeof value);
}


// Work directories ("vtl*.tmp_dir*") the launcher left in `dir`.
std::vector<std::wstring> workDirsIn(const std::wstring& dir) { return pathsMatching(dir, L"vtl*.tmp_dir*"); }

class WorkSequence : public ::testing::Test {
   protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kMarkerKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kMarkerKey); }

    // An installer of the reporting application: the Java side and the application as included
    // files, the runtime found through JAVA_HOME.
    static payload::Contents installer(std::vector<std::pair<int, std::string>> more = {},
                                       std::vector<payload::IncludedFile> extraFiles = {}) {
        std::vector<std::pair<int, std::string>> config = {
            {2001, "q"}, {122, "qdrtest.Report"}, {123, "-Xcheck:jni"}, {128, "EJAVA_HOME;"}};
        config.insert(config.end(), more.begin(), more.end());
        payload::Contents contents = minimalContents(config);
        contents.files = {{"qdrruntime.jar", readFileBytes(QDR_RUNTIME_JAR)},
                          {"qdrtestapps.jar", readFileBytes(QDR_TEST_APPS_JAR)}};
        contents.files.insert(contents.files.end(), extraFiles.begin(), extraFiles.end());
        contents.applicationData = kApplicationData;
        return contents;
    }
    ChildResult run(const payload::Contents& contents, const std::wstring& arguments = L"-q",
                    std::map<std::wstring, std::optional<std::wstring>> environment = {},
                    const std::wstring& workingDirectory = L"") {
        image = writeInstaller(dir.file(L"setup.exe"), contents);
        return runImage(arguments, std::move(environment), workingDirectory);
    }
    ChildResult runImage(const std::wstring& arguments, std::map<std::wstring, std::optional<std::wstring>> environment,
                         const std::wstring& workingDirectory) {
        for (const auto& [name, value] : logInDirEnvironment(dir.path())) environment.emplace(name, value);
        environment.emplace(L"JAVA_HOME", QDR_JRE_HOME);
        environment.emplace(L"QDR_REPORT", reportPath());
        ChildOptions options;
        options.arguments = arguments;
        options.environment = environment;
        options.workingDirectory = workingDirectory;
        options.timeoutMs = 120000;
        options.watch = [this](DWORD processId) {
            if (findMessageBox(processId)) boxShown = true;
            return false;
        };
        for (const std::wstring& file : findLogs(dir.path())) DeleteFileW(file.c_str());
        const ChildResult result = runChild(image, options);
        const std::vector<std::wstring> logs = findLogs(dir.path());
        log = logs.empty() ? "" : readLog(logs.front());
        return result;
    }
    std::wstring reportPath() const { return dir.file(L"report.txt"); }
    std::map<std::string, std::string> report() const { return readReport(reportPath()); }
    // Where the application data starts in the image: the position the launcher must report.
    std::string applicationDataPosition() const {
        return std::to_string(readFileBytes(image).rfind(kApplicationData));
    }

    TempDir dir;
    std::wstring image;
    std::string log;
    bool boxShown = false;
};

TEST_F(WorkSequence, QuietRunStartsTheApplicationOnTheRuntimeItFound) {
    const ChildResult result = run(installer(), L"-q x.txt");
    ASSERT_EQ(result.exitCode, 0u) << result.err << log;
    const auto seen = report();
    EXPECT_EQ(seen.at("arg.0"), "-q");
    EXPECT_EQ(seen.at("arg.1"), "x.txt");
    EXPECT_EQ(seen.at("prop.vantle.unextractedPosition"), applicationDataPosition());
    const std::vector<std::wstring> workDirs = workDirsIn(dir.path());
    ASSERT_EQ(workDirs.size(), 1u) << "a normal run leaves its work directory to the Java side";
    EXPECT_EQ(seen.at("prop.vantle.tempDir"), narrow(workDirs.front()));
    EXPECT_TRUE(pathPresent(workDirs.front() + L"\\qdrtestapps.jar"));
    EXPECT_EQ(installMarker(), 1u) << "the global marker stays for the Java side";
    EXPECT_EQ(markerNames(), std::vector<std::string>{"InstallStarted"}) << "no per-process marker without a window";
    for (const char* line : {"Starting work", "No JRE included", "Current working dir: ", "launch done"})
        EXPECT_TRUE(containsText(log, line)) << line << "\n" << log;
}

TEST_F(WorkSequence, HowTheApplicationEndsSetsTheExitCode) {
    const struct {
        const wchar_t* behaviour;
        DWORD exitCode;
        const char* stderrText;
    } cases[] = {{L"throw", 1, kMessage1005}, {L"exit7", 7, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(narrow(c.behaviour));
        const ChildResult result = run(installer(), L"-q", {{L"QDR_BEHAVIOUR", c.behaviour}});
        EXPECT_EQ(result.exitCode, c.exitCode) << log;
        EXPECT_TRUE(containsText(result.err, c.stderrText)) << result.err;
    }
}

TEST_F(WorkSequence, QuietRunWithoutRuntimeEndsWith83) {
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> config;
        const char* output;
    } cases[] = {
        {"no download allowed", {}, "No JRE found. Aborting.\r\n"},
        {"download allowed by 157", {{157, "1"}}, "No JRE found. Trying to download.\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir homeDir;
        FakeJavaHome home(homeDir.path(), {});  // answers the probe but has no jvm.dll
        const ChildResult result = run(installer(c.config), L"-q", {{L"JAVA_HOME", widen(home.home())}});
        EXPECT_EQ(result.exitCode, kNoJavaRuntimeExit) << log;
        EXPECT_EQ(result.out, c.output);
        EXPECT_TRUE(containsText(log, "ERROR: No JRE found"));
        EXPECT_EQ(readFileBytes(homeDir.file(L"bin\\fake-java.markers")), "1\n") << "the marker is set before the search";
        EXPECT_EQ(installMarker(), std::nullopt) << "and removed on the way out";
        EXPECT_FALSE(boxShown);
    }
}

TEST_F(WorkSequence, FailedExtractionInQuietModeEndsWithoutABox) {
    const ChildResult result = run(installer({}, {{"..\\escape.txt", "outside"}}));
    EXPECT_EQ(result.exitCode, 1u) << log;
    EXPECT_FALSE(boxShown);
    EXPECT_FALSE(pathPresent(dir.file(L"escape.txt")));
    EXPECT_TRUE(workDirsIn(dir.path()).empty()) << "the work directory is removed";
}

TEST_F(WorkSequence, CorruptBundledRuntimeIsFatal) {
    const ChildResult result = run(installer({}, {{"jre.tar.gz", std::string(5000, '\x55')}}));
    EXPECT_EQ(result.exitCode, 1u) << log;
    EXPECT_TRUE(containsText(result.err,
                         "The bundled JRE is corrupted. If you downloaded the setup file please download it again."))
        << result.err;
    EXPECT_TRUE(containsText(log, "ERROR: Could not untar JRE"));
    EXPECT_TRUE(workDirsIn(dir.path()).empty()) << "the work directory is removed";
}

TEST_F(WorkSequence, InstalledRuntimePreferredOverTheBundledOneWith161) {
    // The bundled archive is damaged: only a run that never unpacks it can succeed.
    const ChildResult result = run(installer({{161, "1"}}, {{"jre.tar.gz", std::string(5000, '\x55')}}));
    EXPECT_EQ(result.exitCode, 0u) << result.err << log;
    EXPECT_TRUE(containsText(log, "JRE included"));
    EXPECT_FALSE(containsText(log, "extracting JRE"));
}

TEST_F(WorkSequence, ManualSwitchIgnoresTheBundledRuntimeAndSearchesNothing) {
    TempDir homeDir;
    FakeJavaHome home(homeDir.path(), {.javaw = false, .jvmVariants = {"server"}});
    const ChildResult result =
        run(installer({}, {{"jre.tar.gz", std::string(5000, '\x55')}}), L"-q -manual", {{L"JAVA_HOME", widen(home.home())}});
    EXPECT_TRUE(containsText(log, "Included JRE not used because of manual switch")) << log;
    EXPECT_EQ(home.starts(), 0) << "no search runs";
    EXPECT_FALSE(containsText(log, "extracting JRE"));
    EXPECT_EQ(result.exitCode, kNoJavaRuntimeExit);
}

TEST_F(WorkSequence, ExtractAndExitWritesThePositionAndStartsNoJvm) {
    const ChildResult result = run(installer(), L"__qdr_extract_and_exit");
    EXPECT_EQ(result.exitCode, 0u) << result.err << log;
    const std::wstring extracted = image + L".test";
    EXPECT_TRUE(pathPresent(extracted + L"\\qdrruntime.jar"));
    EXPECT_EQ(readFileBytes(extracted + L"\\unextracted.txt"), applicationDataPosition());
    EXPECT_FALSE(pathPresent(reportPath())) << "no JVM was started";
    EXPECT_TRUE(containsText(log, "Extracted dir: " + narrow(extracted)));
    removeTree(extracted);
}

// Restart mode reuses the directory it is started in when the first run's files are there.
TEST_F(WorkSequence, RestartModeReusesOrRecreatesTheWorkDirectory) {
    const struct {
        const char* name;
        bool paramsFile;
        bool reused;
    } cases[] = {{"files present", true, true}, {"qdrparams.conf missing", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir previous;
        writeFileBytes(previous.file(L"qdrruntime.jar"), readFileBytes(QDR_RUNTIME_JAR));
        writeFileBytes(previous.file(L"qdrtestapps.jar"), readFileBytes(QDR_TEST_APPS_JAR));
        if (c.paramsFile) writeFileBytes(previous.file(L"qdrparams.conf"), "");
        setGlobalMarker(7);
        // A damaged payload: restart mode never checks it.
        image = writeInstaller(dir.file(L"setup.exe"), installer({}, {{"fresh.txt", "fresh"}}));
        std::string bytes = readFileBytes(image);
        bytes[bytes.rfind(kApplicationData)] ^= 1;
        writeFileBytes(image, bytes);
        DeleteFileW(reportPath().c_str());
        const ChildResult result = runImage(L"__qdr_lang_restart", {}, previous.path());
        ASSERT_EQ(result.exitCode, 0u) << result.err << log;
        const auto seen = report();
        EXPECT_EQ(seen.at("prop.vantle.tempDir") == narrow(previous.path()), c.reused);
        EXPECT_EQ(pathPresent(previous.file(L"fresh.txt")), false);
        EXPECT_EQ(seen.at("prop.vantle.unextractedPosition") == "-1", c.reused);
        EXPECT_EQ(containsText(log, "could not find qdrparams.conf"), !c.paramsFile);
        EXPECT_EQ(installMarker(), 7u) << "restart mode never touches the markers";
        for (const std::wstring& workDir : workDirsIn(dir.path())) removeTree(workDir);
    }
}

TEST_F(WorkSequence, RestartModeAdoptsAnUnpackedRuntime) {
    const TempDir previous;
    for (const wchar_t* name : {L"qdrruntime.jar", L"qdrparams.conf"}) writeFileBytes(previous.file(name), "");
    FakeJavaHome runtime(previous.file(L"jre"), {.javaw = false, .jvmVariants = {"server"}});
    run(installer(), L"__qdr_lang_restart", {{L"QDR_RECORDER_FILE", dir.file(L"recorded.txt")}}, previous.path());
    const std::string jreDir = narrow(previous.file(L"jre"));
    EXPECT_TRUE(containsText(log, "Checking extracted JRE: " + jreDir)) << log;
    EXPECT_TRUE(containsText(log, "JRE dir: " + jreDir));
    EXPECT_FALSE(containsText(log, "extracting JRE"));
    EXPECT_TRUE(pathPresent(dir.file(L"recorded.txt"))) << "the adopted runtime's jvm.dll was called";
}

}  // namespace

namespace {

// The archive qdrpack made of the pinned runtime, and its uncompressed size (configuration 151).
struct BundledRuntime {
    payload::IncludedFile archive;
    std::string tarSize;
};

const BundledRuntime& bundledRuntime() {
    static const BundledRuntime runtime = [] {
        BundledRuntime found;
        const payload::InstallerPayload bundled = payload::readInstaller(readFileBytes(QDR_BUNDLED_SETUP));
        for (const payload::IncludedFile& file : bundled.contents.files)
            if (file.name == "jre.tar.gz") found.archive = file;
        for (const auto& [id, value] : bundled.contents.config)
            if (id == 151) found.tarSize = value;
        return found;
    }();
    return runtime;
}

TEST_F(WorkSequence, BundledRuntimeIsUnpackedAndUsedOutsideTheBounds) {
    ASSERT_FALSE(bundledRuntime().archive.data.empty());
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> config;
    } cases[] = {
        {"bounds exclude it", {{126, "21"}}},
        {"161 finds nothing installed", {{126, "21"}, {161, "1"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<int, std::string>> config = c.config;
        config.push_back({151, bundledRuntime().tarSize});
        const ChildResult result = run(installer(config, {bundledRuntime().archive}));
        ASSERT_EQ(result.exitCode, 0u) << result.err << log;
        const std::vector<std::wstring> workDirs = workDirsIn(dir.path());
        ASSERT_EQ(workDirs.size(), 1u);
        EXPECT_EQ(lowerFullPath(report().at("prop.java.home")), lowerFullPath(narrow(workDirs.front() + L"\\jre")));
        EXPECT_FALSE(pathPresent(workDirs.front() + L"\\jre.tar.gz")) << "the archive is deleted once unpacked";
        for (const char* line : {"JRE included", "extracting JRE", "untaring JRE was successful", "JRE dir: "})
            EXPECT_TRUE(containsText(log, line)) << line;
        for (const std::wstring& workDir : workDirs) removeTree(workDir);
    }
}

}  // namespace

namespace {

// A bundled runtime made of the test doubles whose class libraries are pack200 files.
std::string packedRuntimeArchive() {
    const std::wstring doubles = QDR_TESTING_DIR;
    return gzipOf(tarOf({
        TarEntry{"bin/", '5', ""},
        {"bin/java.exe", '0', readFileBytes(doubles + L"\\fake_java.exe")},
        {"bin/unpack200.exe", '0', readFileBytes(doubles + L"\\fake_unpack200.exe")},
        {"bin/server/", '5', ""},
        {"bin/server/jvm.dll", '0', readFileBytes(doubles + L"\\recorder_jvm.dll")},
        {"lib/", '5', ""},
        {"lib/rt.jar.pack", '0', "packed rt"},
        {"lib/done.jar.pack", '0', "packed, but its jar is there"},
        {"lib/done.jar", '0', "jar"},
    }));
}

TEST_F(WorkSequence, PackedRuntimeAndPackedIncludedFilesAreExpanded) {
    const ChildResult result = run(installer({{153, "1"}}, {{"jre.tar.gz", packedRuntimeArchive()}, {"app.jar.pack", "app"}}),
                                   L"-q", {{L"QDR_RECORDER_FILE", dir.file(L"recorded.txt")}});
    EXPECT_EQ(result.exitCode, 1u) << "the recording jvm.dll refuses to create a VM";
    EXPECT_TRUE(containsText(result.out, "Preparing JRE ...")) << result.out;
    const std::size_t packed = log.find("JRE is packed");
    ASSERT_NE(packed, std::string::npos) << log;
    for (const char* line : {"Unpacking JRE", "jre\\lib\\rt.jar", "Unpacking JRE done", "unpacking app.jar.pack"})
        EXPECT_NE(log.find(line, packed), std::string::npos) << line << "\n" << log;
    EXPECT_TRUE(containsText(log, "checking jre\\lib\\done.jar")) << log;
    std::size_t runs = 0;
    for (std::size_t at = log.find("waiting for unpack200"); at != std::string::npos; at = log.find("waiting for unpack200", at + 1))
        ++runs;
    EXPECT_EQ(runs, 2u) << "rt.jar.pack and app.jar.pack; done.jar.pack has its jar already";
    EXPECT_TRUE(pathPresent(dir.file(L"recorded.txt"))) << "the unpacked runtime was loaded";
}

}  // namespace

namespace {

TEST_F(WorkSequence, ExtractAndExitFailuresEndWithTheirCodes) {
    const struct {
        const char* name;
        bool fileInTheWay;
        const char* message;
    } cases[] = {
        {"a file where the directory goes", true, "An internal error occurred (error code: 70)"},
        {"the position file cannot be written", false, "An internal error occurred (error code: 71)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring extracted = dir.file(L"setup.exe.test");
        removeTree(extracted);
        DeleteFileW(extracted.c_str());
        if (c.fileInTheWay) {
            writeFileBytes(extracted, "");
        } else {
            CreateDirectoryW(extracted.c_str(), nullptr);
            CreateDirectoryW((extracted + L"\\unextracted.txt").c_str(), nullptr);
        }
        const ChildResult result = run(installer(), L"__qdr_extract_and_exit");
        EXPECT_EQ(result.exitCode, 1u) << log;
        EXPECT_TRUE(containsText(result.err, c.message)) << result.err;
        removeTree(extracted);
        DeleteFileW(extracted.c_str());
    }
}

TEST_F(WorkSequence, UnusableBundledRuntimeFallsBackToTheSearchThenGivesUp) {
    TempDir homeDir;
    FakeJavaHome installed(homeDir.path(), {});  // nothing usable installed either
    const std::string archive =
        gzipOf(tarOf({TarEntry{"bin/", '5', ""}, {"bin/java.exe", '0', readFileBytes(std::wstring(QDR_TESTING_DIR) + L"\\fake_java.exe")}}));
    const ChildResult result = run(installer({}, {{"jre.tar.gz", archive}}), L"-q", {{L"JAVA_HOME", widen(installed.home())}});
    EXPECT_EQ(result.exitCode, 1u) << log;
    EXPECT_TRUE(containsText(log, "ERROR: Could not load bundled JRE. Trying to find another JRE.")) << log;
    EXPECT_TRUE(containsText(log, "ERROR: Could not find another JRE."));
    EXPECT_TRUE(containsText(result.err, "Could not use bundled JRE. Please send this log file to your software vendor:"))
        << result.err;
    EXPECT_GT(installed.starts(), 0) << "the full search ran";
}

}  // namespace
