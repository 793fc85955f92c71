#include "vmoptions.h"

#include <gtest/gtest.h>

#include "child_roles.h"
#include "language.h"
#include "launcher_roles.h"
#include "launchervars.h"
#include "ownlog.h"
#include "paths.h"
#include "payload.h"
#include "testsupport.h"
#include "workdirs.h"

using namespace testing_support;

namespace {

using Options = std::vector<std::string>;

class Assembly : public ::testing::Test {
   protected:
    void SetUp() override {
        for (int id : {121, 123, 125, 166, 10200, 10201, 10202, 10203, 10204}) configTable.erase(id);
        workDir = narrow(work.path());
        manualTempDirW = work.path();
        manualTempDirA = workDir;
        localeName = "en";
        jvmVersion.reset();
        guiMessages = false;  // a fatal message ends this test on standard error, not in a box
    }
    void TearDown() override {
        workDir.clear();
        manualTempDirW.clear();
        manualTempDirA.clear();
        localeName = "en";
        jvmVersion.reset();
    }
    static Options assemble(const ArgList& argList = {L"setup.exe"}, const char* const* extra = nullptr) {
        JavaVMInitArgs initArgs{};
        buildJvmInitArgs(initArgs, extra, argList);
        EXPECT_EQ(initArgs.version, JNI_VERSION_1_2);
        EXPECT_EQ(initArgs.ignoreUnrecognized, JNI_TRUE);
        Options options;
        for (jint i = 0; i < initArgs.nOptions; ++i) {
            options.push_back(initArgs.options[i].optionString);
            EXPECT_EQ(initArgs.options[i].extraInfo, nullptr);
        }
        return options;
    }
    static Options fromFile(const std::wstring& path) {
        VmOptions destination;
        readVmOptionsFile(path.c_str(), _wfopen(path.c_str(), L"rt"), destination);
        return destination.options;
    }
    std::string classpathOf(const Options& options) const { return options.back(); }
    TempDir work;
    TempDir files;
};

TEST_F(Assembly, NothingGivesTheLanguageAndAnEmptyClassPath) {
    const char* const extra[] = {"-Dvantle.first=1", "-Dvantle.second=2", nullptr};
    EXPECT_EQ(assemble({L"setup.exe"}, extra),
              (Options{"-Dvantle.first=1", "-Dvantle.second=2", "-Duser.language=en", "-Djava.class.path="}));
}

TEST_F(Assembly, OptionsFileLinesAreTrimmedOfBlanksOnly) {
    writeFileBytes(files.file(L"a.vmoptions"), "  -Xmx512m  \r\n# comment\r\n\r\n   # indented comment\n\t-Dtab=1\n-Dx=a b\n");
    EXPECT_EQ(fromFile(files.file(L"a.vmoptions")), (Options{"-Xmx512m", "\t-Dtab=1", "-Dx=a b"}));
}

TEST_F(Assembly, ClassPathDirectivesAndWorkDirectoryArchives) {
    writeFileBytes(work.file(L"app.jar"), "PK");
    CreateDirectoryW(work.file(L"user").c_str(), nullptr);
    writeFileBytes(work.file(L"user\\mine.zip"), "PK");
    configTable[121] = "A0configured.jar";
    const std::string p = narrow(files.file(L"p.jar"));
    writeFileBytes(files.file(L"cp.vmoptions"), "-classpath c.jar;d.jar\n-classpath/p " + p +
                                                    "\n-classpath/a first.jar\n-classpath/a z.jar\n");
    configTable[123] = "\"-include-options " + narrow(files.file(L"cp.vmoptions")) + "\"";
    const Options options = assemble();
    EXPECT_EQ(classpathOf(options), "-Djava.class.path=" + p + ";" + workDir + "\\app.jar;" + workDir +
                                        "\\user\\mine.zip;c.jar;d.jar;z.jar");
}

TEST_F(Assembly, ConfiguredEntriesOfEveryKind) {
    CreateDirectoryW(files.file(L"scan").c_str(), nullptr);
    writeFileBytes(files.file(L"scan\\one.jar"), "PK");
    writeFileBytes(files.file(L"scan\\two.zip"), "PK");
    writeFileBytes(files.file(L"present.jar"), "PK");
    SetEnvironmentVariableA("QDR_CP", "\"C:\\env.jar;\"");
    configTable[121] = "A1" + narrow(files.file(L"present.jar")) + ";;E0QDR_CP;E0QDR_UNDEFINED_CP;S1" +
                       narrow(files.file(L"scan")) + ";X0ignored;D0missing.jar";
    const std::string classpath = classpathOf(assemble());
    SetEnvironmentVariableA("QDR_CP", nullptr);
    EXPECT_EQ(classpath, "-Djava.class.path=" + narrow(files.file(L"present.jar")) + ";C:\\env.jar;" +
                             narrow(files.file(L"scan\\one.jar")) + ";" + narrow(files.file(L"scan\\two.zip")) + ";" +
                             initExeDir().exeDirA + "missing.jar");
}

TEST_F(Assembly, TokensAndIncludes) {
    CreateDirectoryW(files.file(L"sub").c_str(), nullptr);
    writeFileBytes(files.file(L"top.vmoptions"), "-Dtop=1\n-include-options sub\\inner.vmoptions\n");
    writeFileBytes(files.file(L"sub\\inner.vmoptions"), "-Dinner=1\n");
    const struct {
        const char* name;
        std::string configured;
        Options expected;
    } cases[] = {
        {"the directive needs its blank inside one token", "-classpath a.jar -Xss1m", {"-classpath", "a.jar", "-Xss1m"}},
        {"an include joins the next token", "-include-options " + narrow(files.file(L"top.vmoptions")),
         {"-Dtop=1", "-Dinner=1"}},
        {"a final include is a plain option", "-Da=1 -include-options", {"-Da=1", "-include-options"}},
        {"a missing include adds nothing", "-include-options " + narrow(files.file(L"none.vmoptions")), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        configTable[123] = c.configured;
        Options options = assemble();
        options.resize(options.size() - 2);  // language and class path
        EXPECT_EQ(options, c.expected);
    }
}

TEST_F(Assembly, RelativeIncludeFromConfigurationIsBesideTheLauncher) {
    const std::wstring beside = initExeDir().exeDirW + L"qdr_beside_" + std::to_wstring(GetCurrentProcessId()) + L".vmoptions";
    writeFileBytes(beside, "-Dbeside=1\n");
    configTable[123] = "-include-options " + narrow(beside.substr(initExeDir().exeDirW.size()));
    const Options options = assemble();
    DeleteFileW(beside.c_str());
    EXPECT_EQ(options.front(), "-Dbeside=1");
}

TEST_F(Assembly, IncludeCycleEndsAtTheDepthLimit) {
    writeFileBytes(files.file(L"self.vmoptions"), "-Dloop=1\n-include-options self.vmoptions\n");
    const LogMark mark;
    configTable[123] = "-include-options " + narrow(files.file(L"self.vmoptions"));
    const Options options = assemble();
    EXPECT_EQ(std::count(options.begin(), options.end(), "-Dloop=1"), kMaxIncludeDepth);
    EXPECT_NE(mark.since().find("ERROR: vmoptions include depth 16 reached"), std::string::npos);
}

TEST_F(Assembly, VersionSpecificLinesFirstMatchOnly) {
    configTable[10200] = "2";
    configTable[10201] = "1.8";
    configTable[10202] = "-Dfor=eight";
    configTable[10203] = "";
    configTable[10204] = "-Dfor=any";
    const struct {
        std::optional<std::string> version;
        Options expected;
    } cases[] = {{"1.8.0_202", {"-Dfor=eight"}}, {"11.0.2", {"-Dfor=any"}}, {std::nullopt, {}}, {"1", {"-Dfor=any"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version.value_or("none"));
        jvmVersion = c.version;
        Options options = assemble();
        options.resize(options.size() - 2);
        EXPECT_EQ(options, c.expected);
    }
}

TEST_F(Assembly, JavaArgumentsAndLocale) {
    localeName = "de_CH";
    const struct {
        const char* name;
        bool javaArguments;
        ArgList argList;
        Options expected;
    } cases[] = {
        {"-J with configuration 125", true, {L"setup.exe", L"-J-Xmx1g", L"-Jx"}, {"-Xmx1g", "x", "-Duser.language=de", "-Duser.country=CH"}},
        {"-J without it", false, {L"setup.exe", L"-J-Xmx1g"}, {"-Duser.language=de", "-Duser.country=CH"}},
        {"format locale false", false, {L"setup.exe", L"-Dsun.locale.formatasdefault=false"},
         {"-Dsun.locale.formatasdefault=false", "-Duser.language=de", "-Duser.country=CH"}},
        {"format locale true, last wins", false,
         {L"setup.exe", L"-Dsun.locale.formatasdefault=false", L"-Dsun.locale.formatasdefault=true"},
         {"-Dsun.locale.formatasdefault=true"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        configTable[125] = c.javaArguments ? "1" : "0";
        Options options = assemble(c.argList);
        options.pop_back();
        EXPECT_EQ(options, c.expected);
    }
}

TEST_F(Assembly, AbsolutePathListsAgainstTheLauncherDirectory) {
    std::vector<std::string> seen;
    const std::string dir = initExeDir().exeDirA;
    EXPECT_EQ(makeAbsolutePathList(";a;;C:\\\\b;", [&seen](const std::string& piece) { seen.push_back(piece); }),
              dir + "a;C:\\b");
    EXPECT_EQ(seen, (std::vector<std::string>{dir + "a", "C:\\b"}));
}

// Child role: the assembly with the image's own configuration; fatal messages on standard error.
int assembleRole() {
    const ArgList argList = loadOwnPayloadWithDefaultMessages();
    JavaVMInitArgs initArgs{};
    buildJvmInitArgs(initArgs, nullptr, argList);
    for (jint i = 0; i < initArgs.nOptions; ++i) printf("%s\n", initArgs.options[i].optionString);
    return 0;
}

const bool registered = registerChildRole("assemble", assembleRole);

TEST(AssemblyInImage, DefaultOptionsFilePrefersTheNameWithoutExe) {
    TempDir dir;
    writeFileBytes(dir.file(L"image.vmoptions"), "-Dfrom=short\n");
    writeFileBytes(dir.file(L"image.exe.vmoptions"), "-Dfrom=long\n");
    payload::Contents contents;
    contents.config = {{166, "1"}};
    const ChildResult result = runOwnImage(dir, "assemble", contents);
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_NE(result.out.find("-Dfrom=short\r\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("-Dfrom=long"), std::string::npos);
    DeleteFileW(dir.file(L"image.vmoptions").c_str());
    const ChildResult fallback = runOwnImage(dir, "assemble", contents);
    EXPECT_NE(fallback.out.find("-Dfrom=long\r\n"), std::string::npos) << fallback.out;
}

TEST(AssemblyInImage, MandatoryEntriesThatFindNothingAreFatal) {
    const struct {
        const char* entries;
        const char* message;
    } cases[] = {
        {"E1QDR_SURELY_UNDEFINED", "The environment variable QDR_SURELY_UNDEFINED has to be defined"},
        {"A1Z:\\qdr\\no\\such.jar", "File or directory Z:\\qdr\\no\\such.jar not found or empty"},
        {"S1Z:\\qdr\\no\\such\\dir", "File or directory Z:\\qdr\\no\\such\\dir not found or empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries);
        TempDir dir;
        payload::Contents contents;
        contents.config = {{121, c.entries}};
        const ChildResult result = runOwnImage(dir, "assemble", contents);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_EQ(result.err.rfind(c.message, 0), 0u) << result.err;
    }
}

}  // namespace

namespace {

TEST_F(Assembly, DamagedOptionsFilesStayWithinTheLineBuffer) {
    std::string binary;
    for (int i = 0; i < 20000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
    const struct {
        const char* name;
        std::string content;
        std::size_t minimumOptions;
    } cases[] = {
        {"a line of 70000 bytes", "-Dlong=" + std::string(70000, 'x') + "\n-Dafter=1\n", 3},
        {"binary content with zero bytes (text mode ends at the first Ctrl-Z)", binary, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFileBytes(files.file(L"bad.vmoptions"), c.content);
        const Options options = fromFile(files.file(L"bad.vmoptions"));
        EXPECT_GE(options.size(), c.minimumOptions);
        for (const std::string& option : options) EXPECT_LT(option.size(), 30000u);
    }
}

}  // namespace
