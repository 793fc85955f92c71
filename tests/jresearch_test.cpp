#include "jresearch.h"

#include <gtest/gtest.h>

#include "child_roles.h"
#include "commandline.h"
#include "javahome.h"
#include "launcher_roles.h"
#include "launchervars.h"
#include "ownlog.h"
#include "paths.h"
#include "payload.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

// Keys the search reads; each test starts without them and leaves none behind.
const char* const kSearchedKeys[][2] = {
    {"HKLM", "SOFTWARE\\JavaSoft"},
    {"HKLM", "SOFTWARE\\brenvask\\vantle\\locatedjvms"},
    {"HKCU", "SOFTWARE\\brenvask\\vantle\\locatedjvms"},
    {"HKCU", "SOFTWARE\\brenvask\\quilder\\installations"},
    {"HKLM", "SOFTWARE\\brenvask\\quilder\\installations"},
};

void clearSearchedKeys() {
    for (const auto& key : kSearchedKeys)
        RegDeleteTreeA(std::string(key[0]) == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key[1]);
}

void setString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    if (name) RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

class Search : public ::testing::Test {
   protected:
    void SetUp() override {
        clearSearchedKeys();
        for (int id : {107, 126, 127, 128, 131, 152, 160, 165, 10003}) configTable.erase(id);
        for (const char* name : {"JAVA_HOME", "JDK_HOME", "VANTLE_JAVA_HOME", "QUILDER_JAVA_HOME"})
            SetEnvironmentVariableA(name, nullptr);
        configTable[10003] = narrow(dir.path());  // no location files there
    }
    void TearDown() override {
        clearSearchedKeys();
        for (const char* name : {"JAVA_HOME", "JDK_HOME", "VANTLE_JAVA_HOME", "QUILDER_JAVA_HOME"})
            SetEnvironmentVariableA(name, nullptr);
        jvmHome.clear();
        jvmVersion.reset();
    }
    // A loadable home printing `version`.
    std::unique_ptr<FakeJavaHome> home(const std::wstring& name, const std::string& version, bool loadable = true) {
        JavaHomeLayout layout;
        if (loadable) layout.jvmVariants = {"server"};
        CreateDirectoryW(dir.file(name).c_str(), nullptr);
        auto made = std::make_unique<FakeJavaHome>(dir.file(name), layout);
        made->behave("java version \"" + version + "\"");
        return made;
    }
    TempDir dir;
};

TEST_F(Search, JavaHomeInTheSequenceAndTheSameHomeOnlyThroughVantleJavaHome) {
    const auto java = home(L"jdk", "1.8.0_80");
    configTable[128] = "Y;EJAVA_HOME;EJDK_HOME;";
    SetEnvironmentVariableA("JAVA_HOME", java->home().c_str());
    JvmSearchResult found;
    HMODULE library = searchJvm(found);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(found.type, kJvmFromVariable);
    EXPECT_EQ(found.location, "JAVA_HOME");
    EXPECT_EQ(found.javaExe, lowerFullPath(java->javaExe()));
    FreeLibrary(library);

    SetEnvironmentVariableA("JAVA_HOME", nullptr);
    SetEnvironmentVariableA("VANTLE_JAVA_HOME", java->home().c_str());
    const LogMark mark;
    JvmSearchResult late;
    library = searchJvm(late);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(late.type, kJvmFromVariable);
    EXPECT_EQ(late.location, "VANTLE_JAVA_HOME");
    EXPECT_NE(mark.since().find("Search sequence finished"), std::string::npos);
    FreeLibrary(library);
}

TEST_F(Search, ForwardSlashesInAVariableAreAccepted) {
    const auto java = home(L"jdk", "1.8.0_80");
    std::string slashed = java->home();
    for (char& ch : slashed)
        if (ch == '\\') ch = '/';
    SetEnvironmentVariableA("JAVA_HOME", slashed.c_str());
    std::string exe, version;
    EXPECT_TRUE(probeEnvironmentVariable(exe, version, "JAVA_HOME", {}, {}));
    EXPECT_EQ(exe, lowerFullPath(java->javaExe()));
}

TEST_F(Search, JavaSoftCurrentVersionsChooseTheNewerInRange) {
    const auto kit = home(L"kit17", "1.7.0_80");
    const auto runtime = home(L"jre19", "1.9.0");
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Development Kit", "CurrentVersion", "1.7");
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Development Kit\\1.7", "JavaHome", kit->home());
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.9");
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.9", "JavaHome", runtime->home());
    std::string exe, version;
    ASSERT_TRUE(probeRegistry(exe, version, parseVersion("1.6"), parseVersion("1.8")));
    EXPECT_EQ(exe, lowerFullPath(kit->javaExe())) << "the runtime's current version lies above the maximum";
    EXPECT_EQ(version, "1.7.0_80");
}

TEST_F(Search, JavaSoftVersionsAreTriedNewestFirstByKeyName) {
    for (const char* name : {"1.7", "1.7.0_80", "1.8", "1.9"})
        setString(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\JavaSoft\\Java Runtime Environment\\") + name,
                  "JavaHome", narrow(dir.file(L"missing-")) + name);
    const LogMark mark;
    std::string exe, version;
    EXPECT_FALSE(probeRegistry(exe, version, {}, parseVersion("1.8")));
    const std::string log = mark.since();
    const std::size_t first = log.find("missing-1.8\\");
    const std::size_t second = log.find("missing-1.7.0_80\\");
    const std::size_t third = log.find("missing-1.7\\");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_EQ(log.find("missing-1.9"), std::string::npos) << "outside the bounds by its name";
}

TEST_F(Search, EqualVersionsPreferTheMachineAndTheLocatedExecutable) {
    const auto user = home(L"user", "1.8.0_80");
    const auto machine = home(L"machine", "1.8.0_80");
    const auto sun = home(L"sun", "1.8.0_80");
    auto located = [](const FakeJavaHome& java) {
        std::string key = java.javaExe();
        for (char& ch : key)
            if (ch == '\\') ch = '/';
        return "SOFTWARE\\brenvask\\vantle\\locatedjvms\\" + key;
    };
    setString(HKEY_CURRENT_USER, located(*user), nullptr, "");
    setString(HKEY_LOCAL_MACHINE, located(*machine), nullptr, "");
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8");
    setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8", "JavaHome", sun->home());
    std::string exe, version;
    ASSERT_TRUE(probeRegistry(exe, version, {}, {}));
    EXPECT_EQ(exe, lowerFullPath(machine->javaExe()));
    user->behave("java version \"1.8.0_99\"");
    deleteProbeCache(user->javaExe());
    ASSERT_TRUE(probeRegistry(exe, version, {}, {}));
    EXPECT_EQ(exe, lowerFullPath(user->javaExe())) << "a strictly newer user entry wins";
    configTable[165] = "1";
    EXPECT_FALSE(probeRegistry(exe, version, {}, {})) << "only paths with qdr_jres count then";
}

TEST_F(Search, RelativeLocationOutsideTheBoundsIsTakenInTheRelativePass) {
    // Relative directories resolve against this program's directory.
    const std::string relative = "qdr_relative_" + std::to_string(GetCurrentProcessId());
    const std::wstring besideUs = initExeDir().exeDirW + widen(relative);
    CreateDirectoryW(besideUs.c_str(), nullptr);
    {
        JavaHomeLayout layout;
        layout.jvmVariants = {"server"};
        FakeJavaHome old(besideUs, layout);
        old.behave("java version \"1.6.0_45\"");
        const auto absolute = home(L"absolute", "1.6.0_45");
        configTable[126] = "1.8";
        configTable[128] = "R" + relative + ";A" + absolute->home() + ";";
        const LogMark mark;
        JvmSearchResult found;
        HMODULE library = searchJvm(found);
        ASSERT_NE(library, nullptr) << mark.since();
        EXPECT_EQ(found.type, kJvmAtDirectory);
        EXPECT_EQ(found.location, relative);
        EXPECT_NE(mark.since().find("Testing relative location " + relative), std::string::npos);
        EXPECT_EQ(mark.since().find("Testing relative location " + absolute->home()), std::string::npos);
        EXPECT_NE(mark.since().find("checkJavaExe returning 0"), std::string::npos) << "refused in the main pass";
        FreeLibrary(library);
    }
    removeTree(besideUs);
}

TEST_F(Search, PreviousInstallationsOfTheUser) {
    const auto java = home(L"app2\\jre", "1.8.0_80");
    CreateDirectoryW(dir.file(L"app2").c_str(), nullptr);
    configTable[160] = "my-app";
    setString(HKEY_CURRENT_USER, "SOFTWARE\\brenvask\\quilder\\installations", "my-app",
              narrow(dir.file(L"app1")) + ";" + narrow(dir.file(L"app2")));
    const LogMark mark;
    JvmSearchResult found;
    HMODULE library = searchJvm(found);
    ASSERT_NE(library, nullptr) << mark.since();
    EXPECT_EQ(found.type, kJvmFromRegistry);
    EXPECT_NE(mark.since().find("found JRE from previous installation (user) "), std::string::npos);
    FreeLibrary(library);
}

TEST_F(Search, LocationFilesAreReadWithinTheirBounds) {
    CreateDirectoryW(dir.file(L".quilder").c_str(), nullptr);
    writeFileBytes(dir.file(L".quilder\\pref_jre.cfg"), std::string(9000, 'x') + "\r\nsecond");
    JvmSearchResult found;
    const LogMark mark;
    EXPECT_EQ(searchJvm(found), nullptr);
    EXPECT_NE(mark.since().find("Has preferred location " + std::string(5999, 'x') + "\r\n"), std::string::npos);
    const auto java = home(L"preferred", "1.8.0_80");
    writeFileBytes(dir.file(L".quilder\\pref_jre.cfg"), java->home() + "\r\n");
    HMODULE library = searchJvm(found);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(found.location, java->home());
    FreeLibrary(library);
}

// Child role: LoadDLL with messages on standard error, for the payload's configuration.
int loadDllRole() {
    loadOwnPayloadWithDefaultMessages();
    const bool loaded = LoadDLL(true, nullptr, false);
    printf("loaded %d\n", loaded ? 1 : 0);
    return 0;
}

const bool registered = registerChildRole("load-dll", loadDllRole);

TEST_F(Search, LoadDllShowsTheMessageOfWhatWasFound) {
    const auto broken = home(L"broken", "1.8.0_80", false);
    const struct {
        const char* name;
        std::string sequence;
        std::string expected;
    } cases[] = {
        {"nothing found", "EQDR_NO_SUCH_HOME;",
         "No JVM could be found on your system.\nPlease define VANTLE_JAVA_HOME\nto point to an installed 64-bit JDK or "
         "JRE or download a JRE from www.java.com."},
        {"directory whose library fails", "A" + broken->home() + ";",
         "The JVM found at " + broken->home() +
             " is damaged.\nPlease reinstall or define VANTLE_JAVA_HOME\nto point to an installed 64-bit JDK or JRE."},
        {"variable whose library fails", "EQDR_BROKEN_HOME;",
         "The QDR_BROKEN_HOME environment variable does not\npoint to a working 64-bit JDK or JRE."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir run;
        payload::Contents contents;
        contents.config = {{128, c.sequence}, {10003, narrow(run.path())}};
        ChildOptions options;
        options.environment = {{L"QDR_BROKEN_HOME", widen(broken->home())}};
        const ChildResult result = runOwnImage(run, "load-dll", contents, options);
        ASSERT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(result.out, "loaded 0\r\n");
        std::string expected;
        for (char ch : c.expected) expected += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        EXPECT_EQ(result.err.substr(0, expected.size()), expected) << result.err;
    }
}

TEST_F(Search, LoadDllWithAPickedExecutableRecordsTheRuntime) {
    const auto java = home(L"picked", "1.8.0_80");
    ASSERT_TRUE(LoadDLL(false, java->javaExe().c_str(), true));
    EXPECT_EQ(jvmHome, lowerFullPath(java->home()) + "\\bin\\..");
    EXPECT_EQ(jvmVersion, "1.8.0_80");
    const auto refused = home(L"refused", "1.5.0");
    configTable[126] = "1.8";
    EXPECT_FALSE(LoadDLL(false, refused->javaExe().c_str(), true));
    EXPECT_TRUE(LoadDLL(false, refused->home().c_str(), false)) << "a directory is taken whatever its version";
    EXPECT_EQ(jvmVersion, "1.5.0");
}

}  // namespace

namespace {

TEST_F(Search, PackedLibrariesOfADirectoryAreExpandedFirst) {
    const auto java = home(L"packed", "1.8.0_80");
    const std::string lib = java->home() + "\\lib";
    CreateDirectoryA(lib.c_str(), nullptr);
    CreateDirectoryA((lib + "\\ext").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((narrow(QDR_TESTING_DIR) + "\\fake_unpack200.exe").c_str(),
                          (java->home() + "\\bin\\unpack200.exe").c_str(), FALSE));
    writeFileBytes(widen(lib + "\\rt.jar.pack"), "QDRPACK200\nrt-bytes");
    writeFileBytes(widen(lib + "\\ext\\ext.jar.pack"), "QDRPACK200\next-bytes");
    writeFileBytes(widen(lib + "\\done.jar.pack"), "QDRPACK200\nnew");
    writeFileBytes(widen(lib + "\\done.jar"), "already there");
    std::string exe, version;
    EXPECT_TRUE(probeLocation(exe, version, java->home(), {}, {}, false));
    EXPECT_EQ(readFileBytes(widen(lib + "\\rt.jar")), "rt-bytes");
    EXPECT_EQ(readFileBytes(widen(lib + "\\ext\\ext.jar")), "ext-bytes");
    EXPECT_EQ(GetFileAttributesA((lib + "\\rt.jar.pack").c_str()), INVALID_FILE_ATTRIBUTES) << "the pack is deleted";
    EXPECT_EQ(readFileBytes(widen(lib + "\\done.jar")), "already there") << "an existing jar is kept";
    EXPECT_NE(GetFileAttributesA((lib + "\\done.jar.pack").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
