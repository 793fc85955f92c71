#include "javaprobe.h"

#include <gtest/gtest.h>

#include "JavaVMLauncher.h"
#include "javahome.h"
#include "ownlog.h"
#include "paths.h"
#include "payload.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

class Probe : public ::testing::Test {
   protected:
    void SetUp() override {
        for (int id : {107, 130, 131, 152}) configTable.erase(id);
    }
    void TearDown() override { SetUp(); }
    TempDir dir;
};

FILETIME lastWriteOf(const std::string& path) {
    FILETIME time{};
    fileExists(path, &time);
    return time;
}

TEST_F(Probe, FirstLineDecidesTheVersion) {
    const struct {
        const char* name;
        std::string firstLine;
        bool found;
        std::string version;
    } cases[] = {
        {"java prefix", "java version \"1.8.0_80\"", true, "1.8.0_80"},
        {"openjdk prefix with a date", "openjdk version \"17.0.15\" 2025-04-15", true, "17.0.15\" 2025-04-1"},
        {"modern build suffix", "openjdk version \"21.0.2+13\"", true, "21.0.2+13"},
        {"one character and the line end after the prefix", "java version \"1", true, ""},
        {"nothing after the prefix", "java version \"", false, ""},
        {"another line first", "Picked up JAVA_TOOL_OPTIONS: -Xmx1g\\njava version \"1.8.0_80\"", false, ""},
        {"no quote", "java version 1.8.0_80", false, ""},
        {"garbage", "\x01\x02garbage\xff", false, ""},
        {"nothing", "", false, ""},
        {"line longer than 99 characters", "java version \"" + std::string(200, '9'), true, std::string(83, '9')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        FakeJavaHome java(home.path(), {});
        java.behave(c.firstLine);
        std::string version = "canary";
        EXPECT_EQ(probeJavaVersion(java.javaExe(), lastWriteOf(java.javaExe()), version), c.found);
        if (c.found) {
            EXPECT_EQ(version, c.version);
        }
        EXPECT_EQ(java.starts(), 1);
    }
}

TEST_F(Probe, FailingExecutableLeavesTheFailureMarker) {
    FakeJavaHome java(dir.path(), {});
    java.behave("java version \"1.8.0_80\"", 3);
    std::string version;
    const FILETIME written = lastWriteOf(lowerFullPath(java.javaExe()));
    EXPECT_FALSE(probeJavaVersion(lowerFullPath(java.javaExe()), written, version));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, cacheKeyFor(lowerFullPath(java.javaExe())).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    wchar_t text[16] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"Version", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(text).substr(0, size / sizeof(wchar_t)), L"1.0.0");
}

TEST_F(Probe, HangingExecutableIsEndedAfterTheTimeLimit) {
    FakeJavaHome java(dir.path(), {});
    java.behave("java version \"1.8.0_80\"", 0, true);
    const LogMark mark;
    std::string version;
    const ULONGLONG started = GetTickCount64();
    EXPECT_FALSE(probeJavaVersion(lowerFullPath(java.javaExe()), lastWriteOf(java.javaExe()), version));
    EXPECT_GE(GetTickCount64() - started, kProbeTimeoutMs - 100);
    EXPECT_NE(mark.since().find("Exit Code 259\r\n"), std::string::npos) << mark.since();
    EXPECT_NE(mark.since().find("Terminating process\r\n"), std::string::npos);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, cacheKeyFor(lowerFullPath(java.javaExe())).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "no cache entry for a probe that hung";
}

TEST_F(Probe, CheckUsesTheCacheUntilTheFileChanges) {
    FakeJavaHome java(dir.path(), {});
    java.behave("java version \"1.8.0_80\"");
    std::string exe = java.javaExe();
    std::string version;
    EXPECT_TRUE(checkJavaExe(exe, version, parseVersion("1.8"), {}, false, true));
    EXPECT_EQ(exe, lowerFullPath(java.javaExe())) << "the buffer holds the lower-cased full path";
    EXPECT_EQ(version, "1.8.0_80");
    EXPECT_EQ(java.starts(), 1);

    const LogMark mark;
    java.behave("java version \"11.0.5\"");  // a new probe would see this
    exe = java.javaExe();
    EXPECT_TRUE(checkJavaExe(exe, version, parseVersion("1.8"), {}, false, true));
    EXPECT_EQ(version, "1.8.0_80");
    EXPECT_EQ(java.starts(), 1) << "the cached version is used";
    EXPECT_NE(mark.since().find("got version from registry 1.8.0_80"), std::string::npos);

    HANDLE file = CreateFileA(java.javaExe().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    FILETIME later = lastWriteOf(java.javaExe());
    later.dwHighDateTime += 1;
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    exe = java.javaExe();
    EXPECT_TRUE(checkJavaExe(exe, version, parseVersion("1.8"), {}, false, true));
    EXPECT_EQ(version, "11.0.5");
    EXPECT_EQ(java.starts(), 2) << "a replaced file is probed again";
}

TEST_F(Probe, DistrustedOrMalformedCacheEntriesAreProbedAgain) {
    const struct {
        const char* name;
        std::string cached;
        DWORD timeType;
        DWORD timeSize;
        bool probed;
    } cases[] = {
        {"1.6. is distrusted", "1.6.", REG_BINARY, 8, true},
        {"1.0.0 marks a failure", "1.0.0", REG_BINARY, 8, true},
        {"1.6.0_45 is trusted", "1.6.0_45", REG_BINARY, 8, false},
        {"a text without terminator", "1.6.0_46", REG_BINARY, 8, false},
        {"time of the wrong type", "1.8.0_80", REG_SZ, 8, true},
        {"time of the wrong size", "1.8.0_80", REG_BINARY, 7, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        FakeJavaHome java(home.path(), {});
        java.behave("java version \"1.8.0_99\"");
        const std::string exe = lowerFullPath(java.javaExe());
        const FILETIME written = lastWriteOf(exe);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, cacheKeyFor(exe).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "LastWriteTime", 0, c.timeType, reinterpret_cast<const BYTE*>(&written), c.timeSize);
        // The wide call stores exactly the bytes given, so the stored text has no terminator.
        const std::wstring cached = widen(c.cached);
        RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(cached.data()),
                       static_cast<DWORD>(cached.size() * sizeof(wchar_t)));
        RegCloseKey(key);
        std::string path = exe, version;
        checkJavaExe(path, version, {}, {}, false, true);
        EXPECT_EQ(java.starts(), c.probed ? 1 : 0);
        EXPECT_EQ(version, c.probed ? "1.8.0_99" : c.cached);
    }
}

TEST_F(Probe, WithoutTheCacheStillWritesIt) {
    FakeJavaHome java(dir.path(), {});
    java.behave("java version \"1.8.0_80\"");
    std::string exe = java.javaExe(), version;
    ASSERT_TRUE(checkJavaExe(exe, version, {}, {}, true, true));
    exe = java.javaExe();
    ASSERT_TRUE(checkJavaExe(exe, version, {}, {}, true, false));
    EXPECT_EQ(java.starts(), 2) << "useCache false does not read the cache";
    java.behave("java version \"1.8.0_99\"");
    std::string cached;
    EXPECT_TRUE(checkJavaExe(exe, version, {}, {}, true, false));
    EXPECT_TRUE(readCachedVersion(exe, lastWriteOf(exe), cached));
    EXPECT_EQ(cached, "1.8.0_99") << "but writes what it probed";
}

TEST_F(Probe, WindowedApplicationsNeedJavawBesideJava) {
    configTable[107] = "1";
    for (bool javaw : {false, true}) {
        SCOPED_TRACE(javaw ? "with javaw.exe" : "without javaw.exe");
        TempDir home;
        JavaHomeLayout layout;
        layout.javaw = javaw;
        FakeJavaHome java(home.path(), layout);
        std::string exe = java.javaExe(), version;
        EXPECT_EQ(checkJavaExe(exe, version, {}, {}, false, true), javaw);
        EXPECT_EQ(exe, lowerFullPath(narrow(home.path()) + "\\bin\\javaw.exe"));
    }
}

TEST_F(Probe, MissingExecutableAndRefusedVersions) {
    std::string exe = narrow(dir.file(L"bin\\java.exe")), version = "canary";
    const LogMark mark;
    EXPECT_FALSE(checkJavaExe(exe, version, {}, {}, false, true));
    EXPECT_NE(mark.since().find("file doesn't exist"), std::string::npos);
    EXPECT_EQ(version, "canary");
    FakeJavaHome java(dir.path(), {});
    java.behave("java version \"1.8.0_80-beta\"");
    exe = java.javaExe();
    EXPECT_FALSE(checkJavaExe(exe, version, {}, {}, false, true));
    EXPECT_NE(mark.since().find("beta vm not allowed"), std::string::npos);
    EXPECT_NE(mark.since().find("checkJavaExe returning 0"), std::string::npos);
    exe = java.javaExe();
    EXPECT_TRUE(checkJavaExe(exe, version, {}, {}, true, true)) << "a directory location allows pre-releases";
}

TEST_F(Probe, JavaExeForHome) {
    TempDir kitDir, plainDir, toolsDir;
    JavaHomeLayout kit;
    kit.developmentKit = true;
    FakeJavaHome kitHome(kitDir.path(), kit);
    FakeJavaHome plainHome(plainDir.path(), {});
    JavaHomeLayout tools;
    tools.developmentKit = true;
    tools.toolsJar = true;
    FakeJavaHome toolsHome(toolsDir.path(), tools);
    std::string exe;
    EXPECT_TRUE(javaExeForHome(exe, kitHome.home()));
    EXPECT_EQ(exe, kitHome.home() + "\\jre\\bin\\java.exe");
    EXPECT_TRUE(javaExeForHome(exe, plainHome.home()));
    EXPECT_EQ(exe, plainHome.home() + "\\bin\\java.exe");
    configTable[131] = "1";
    EXPECT_FALSE(javaExeForHome(exe, kitHome.home())) << "a kit without tools.jar";
    EXPECT_EQ(exe, kitHome.home() + "\\jre\\bin\\java.exe");
    EXPECT_TRUE(javaExeForHome(exe, toolsHome.home()));
    EXPECT_FALSE(javaExeForHome(exe, plainHome.home()));
}

std::string modulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

std::string currentPath() {
    char path[12000] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    return path;
}

TEST_F(Probe, LibraryVariantOrderAndConfiguredPreference) {
    JavaHomeLayout layout;
    layout.jvmVariants = {"server", "client"};
    FakeJavaHome java(dir.path(), layout);
    HMODULE byOrder = loadJvmLibrary(java.javaExe());
    ASSERT_NE(byOrder, nullptr);
    EXPECT_NE(modulePath(byOrder).find("\\client\\jvm.dll"), std::string::npos) << "client comes before server";
    FreeLibrary(byOrder);
    configTable[152] = "server";
    HMODULE preferred = loadJvmLibrary(java.javaExe());
    ASSERT_NE(preferred, nullptr);
    EXPECT_NE(modulePath(preferred).find("\\server\\jvm.dll"), std::string::npos);
    EXPECT_TRUE(bindCreateJavaVm(preferred));
    ASSERT_NE(createJavaVmEntry, nullptr);
    // The bound entry is the recording double: it writes what it was given and fails.
    const std::string record = narrow(dir.file(L"record.txt"));
    SetEnvironmentVariableA("QDR_RECORDER_FILE", record.c_str());
    JavaVMOption options[2] = {{const_cast<char*>("-Xmx64m"), nullptr}, {const_cast<char*>("-Dx=y z"), nullptr}};
    JavaVMInitArgs initArgs{JNI_VERSION_1_2, 2, options, JNI_TRUE};
    JavaVM* vm = reinterpret_cast<JavaVM*>(1);
    void* env = nullptr;
    EXPECT_EQ(createJavaVmEntry(&vm, &env, &initArgs), JNI_ERR);
    EXPECT_EQ(vm, nullptr);
    SetEnvironmentVariableA("QDR_RECORDER_FILE", nullptr);
    EXPECT_EQ(readFileBytes(widen(record)),
              "version 0x10002\nignoreUnrecognized 1\noption -Xmx64m\noption -Dx=y z\n");
    FreeLibrary(preferred);
    createJavaVmEntry = nullptr;
}

TEST_F(Probe, DevelopmentKitLoadsFromItsEmbeddedRuntime) {
    JavaHomeLayout layout;
    layout.developmentKit = true;
    layout.jvmVariants = {"server"};
    FakeJavaHome java(dir.path(), layout);
    const LogMark mark;
    HMODULE library = loadJvmLibrary(java.home() + "\\bin\\java.exe");
    ASSERT_NE(library, nullptr) << mark.since();
    EXPECT_NE(modulePath(library).find("\\jre\\bin\\server\\jvm.dll"), std::string::npos);
    FreeLibrary(library);
}

TEST_F(Probe, NoLibraryRestoresPath) {
    FakeJavaHome java(dir.path(), {});
    const std::string before = currentPath();
    const LogMark mark;
    EXPECT_EQ(loadJvmLibrary(java.javaExe()), nullptr);
    EXPECT_EQ(currentPath(), before);
    EXPECT_EQ(std::string(getenv("PATH") ? getenv("PATH") : ""), before) << "the C runtime's copy too";
    EXPECT_NE(mark.since().find("Trying " + java.home() + "\\bin\\hotspot\\jvm.dll (exists 0)"), std::string::npos)
        << mark.since();
    EXPECT_EQ(bindCreateJavaVm(nullptr), false);
}

TEST_F(Probe, LoadedLibraryKeepsItsDirectoryOnPath) {
    JavaHomeLayout layout;
    layout.jvmVariants = {"server"};
    FakeJavaHome java(dir.path(), layout);
    const std::string before = currentPath();
    HMODULE library = loadJvmLibrary(java.javaExe());
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(currentPath(), before + ";" + java.home() + "\\bin");
    SetEnvironmentVariableA("PATH", before.c_str());
    FreeLibrary(library);
}

TEST_F(Probe, RememberedExecutableGetsALocatedKey) {
    const std::string exe = narrow(dir.file(L"picked\\bin\\java.exe"));
    rememberLocatedJvm(exe);
    const std::string key = locatedKeyFor(exe);
    EXPECT_EQ(key.find('\\', strlen("SOFTWARE\\brenvask\\vantle\\locatedjvms\\")), std::string::npos);
    HKEY opened = nullptr;
    const bool machine = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
    if (machine) RegCloseKey(opened);
    EXPECT_TRUE(machine || RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

// The real runtime of the tests: its own "-version" line, the cache, the bounds and its jvm.dll.
TEST_F(Probe, RealRuntimeIsProbedCachedAndLoaded) {
    const std::string javaExe = narrow(QDR_JRE_HOME) + "\\bin\\java.exe";
    deleteProbeCache(javaExe);
    const struct {
        const char *minimum, *maximum;
        bool accepted;
    } bounds[] = {{"1.8", "17", true}, {"11", "21", true}, {"18", "", false}, {"", "16", false}};
    std::string version;
    for (const auto& b : bounds) {
        SCOPED_TRACE(std::string(b.minimum) + " .. " + b.maximum);
        std::string exe = javaExe;
        EXPECT_EQ(checkJavaExe(exe, version, parseVersion(b.minimum), parseVersion(b.maximum), false, true),
                  b.accepted);
        EXPECT_EQ(version.rfind("17.0.17\" 20", 0), 0u) << version << ": the quoted version and the date";
    }
    std::string cached;
    EXPECT_TRUE(readCachedVersion(lowerFullPath(javaExe), lastWriteOf(lowerFullPath(javaExe)), cached));
    EXPECT_EQ(cached, version);
    HMODULE library = loadJvmLibrary(lowerFullPath(javaExe));
    ASSERT_NE(library, nullptr);
    EXPECT_NE(modulePath(library).find("\\bin\\server\\jvm.dll"), std::string::npos) << modulePath(library);
    EXPECT_TRUE(bindCreateJavaVm(library));
    createJavaVmEntry = nullptr;
    deleteProbeCache(javaExe);
}

}  // namespace
