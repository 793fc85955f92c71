// qdrpack build, run as a program: project files in, installers (or errors and nothing) out.
#include <gtest/gtest.h>

#include <map>

#include "messages_en.h"
#include "pe_image.h"
#include "reader.h"
#include "test_support.h"

namespace {

using qdrtest::fs::path;

using BuildTest = qdrtest::ProjectBuildTest;

TEST_F(BuildTest, ReadableKeysBecomeTheirConfigurationRecords) {
    qdrtest::writeFile(dir_ / "files" / "readme.txt", "read me\n");
    qdrtest::writeFile(dir_ / "files" / "app.jar", std::string("PK\3\4\0\xff", 6));
    qdrtest::writeFile(dir_ / "jre.tgz", std::string("\x1f\x8b\x08 rest", 8));
    qdrtest::writeFile(dir_ / "data.bin", "DATA");
    const qdrtest::RunResult result = build(R"(
[application]
name = "Hello"
main_class = "com.example.Hello"
launcher_kind = "v"
launcher_type = 1
working_dir = "%TEMP%"
single_instance = true
check_integrity = false
data = "data.bin"

[java]
min_version = "1.8"
max_version = "17.0.99"
search = ["Y", "EJAVA_HOME", "S"]
vm_options = "-Xmx256m"
arguments = "--hello"
class_path = ["A1app.jar", "S0lib"]
allow_prerelease = false
require_jdk = true
version_options = [{ prefix = "1.8", options = "-XX:+UseG1GC" }, { prefix = "17", options = "-Xss2m" }]
jre_archive = "jre.tgz"

[[files]]
source = "files/readme.txt"

[[files]]
source = "files/app.jar"
name = "lib\\app.jar"

[config]
10003 = "app"
108 = true
151 = 123456789
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const payload::InstallerPayload installer = payload::readInstaller(qdrtest::readFile(output()));
    const std::map<int, std::string> expected = {
        {101, "Hello"},
        {122, "com.example.Hello"},
        {2001, "v"},
        {107, "1"},
        {146, "%TEMP%"},
        {10005, "1"},
        {126, "1.8"},
        {127, "17.0.99"},
        {128, "Y;EJAVA_HOME;S;"},
        {123, "-Xmx256m"},
        {124, "--hello"},
        {121, "A1app.jar;S0lib;"},
        {130, "0"},
        {131, "1"},
        {10200, "2"},
        {10201, "1.8"},
        {10202, "-XX:+UseG1GC"},
        {10203, "17"},
        {10204, "-Xss2m"},
        {10003, "app"},
        {108, "1"},
        {151, "123456789"},
        {2002, "3"},
        {2003, "readme.txt;lib\\app.jar;jre.tar.gz;"},
    };
    EXPECT_EQ(configOf(installer), expected);
    EXPECT_EQ(installer.checkFlag, 0);
    ASSERT_EQ(installer.contents.files.size(), 3u);
    EXPECT_EQ(installer.contents.files[0].data, "read me\n");
    EXPECT_EQ(installer.contents.files[1].data, std::string("PK\3\4\0\xff", 6));
    EXPECT_EQ(installer.contents.files[2].data, std::string("\x1f\x8b\x08 rest", 8));
    EXPECT_EQ(installer.contents.applicationData, "DATA");
    EXPECT_TRUE(installer.checksumHolds());
}

TEST_F(BuildTest, MessagesStartFromTheEnglishDefaultsAndLanguagesFollowInOrder) {
    const qdrtest::RunResult result = build(R"(
application.name = "Grüße"

[messages]
20013 = "Mein Assistent 𝄞"
30000 = "extra"

[[languages]]
key = "de"
messages = { 20012 = "Abbrechen", 1000 = "Fehler" }

[[languages]]
key = "de_CH"
messages = { 20012 = "Abbräche" }
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const payload::InstallerPayload installer = payload::readInstaller(qdrtest::readFile(output()));

    std::vector<payload::Message> expected = payload::defaultMessages("Grüße");
    for (payload::Message& message : expected)
        if (message.id == 20013) message.text = u"Mein Assistent \U0001D11E";
    expected.push_back({30000, u"extra"});
    ASSERT_EQ(installer.contents.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(installer.contents.messages[i].id, expected[i].id);
        EXPECT_EQ(installer.contents.messages[i].text, expected[i].text);
    }
    ASSERT_EQ(installer.contents.languages.size(), 2u);
    EXPECT_EQ(installer.contents.languages[0].key, "de");
    EXPECT_EQ(installer.contents.languages[0].entries.size(), 2u);
    EXPECT_EQ(installer.contents.languages[1].key, "de_CH");
    ASSERT_EQ(installer.contents.languages[1].entries.size(), 1u);
    EXPECT_EQ(installer.contents.languages[1].entries[0].text, u"Abbr\u00E4che");
    EXPECT_EQ(configOf(installer), (std::map<int, std::string>{{101, "Grüße"}, {2001, "q"}}));
    EXPECT_EQ(installer.checkFlag, 1);
}

TEST_F(BuildTest, BadProjectsFailWithTheirLineAndLeaveNoOutput) {
    qdrtest::writeFile(dir_ / "present.txt", "x");
    qdrtest::writeFile(dir_ / "not-gzip.tgz", "plain");
    struct Case {
        const char* label;
        std::string project;
        std::vector<std::string> expected;  // parts of the message
    };
    const std::string name = "[application]\nname = \"A\"\n";
    const Case cases[] = {
        {"syntax error", name + "main_class = \"x\n", {"project.toml:3:"}},
        {"invalid UTF-8", name + "main_class = \"\xC3(\"\n", {"project.toml:3:"}},
        {"duplicate key", name + "name = \"B\"\n", {"project.toml:3:"}},
        {"unknown top-level key", name + "colour = 1\n", {"project.toml:3:1:", "unknown key \"colour\""}},
        {"unknown key", name + "main_clas = \"x\"\n", {"project.toml:3:1:", "\"main_clas\" in [application]"}},
        {"unknown key in files",
         name + "[[files]]\nsource = \"present.txt\"\nmode = 1\n",
         {"project.toml:5:1:", "\"mode\" in [[files]]"}},
        {"unknown key in a version line",
         name + "[java]\nversion_options = [{prefix=\"1\", option=\"x\"}]\n",
         {"project.toml:4:", "\"option\" in java.version_options"}},
        {"name is required", "[java]\nmin_version = \"1.8\"\n", {"project.toml:1:", "application.name is required"}},
        {"empty name", "application.name = \"\"\n", {"project.toml:1:", "application.name must not be empty"}},
        {"integer for a string",
         name + "main_class = 5\n",
         {"project.toml:3:", "application.main_class must be a string, not an integer"}},
        {"string for a flag",
         name + "single_instance = \"yes\"\n",
         {"project.toml:3:", "application.single_instance must be a boolean, not a string"}},
        {"string for an integer", name + "launcher_type = \"1\"\n", {"project.toml:3:", "must be an integer"}},
        {"integer too large", name + "launcher_type = 4294967296\n", {"project.toml:3:", "32 bits"}},
        {"table for an array", name + "[java.search]\n", {"project.toml:3:", "java.search must be an array"}},
        {"integer in a list",
         name + "[java]\nclass_path = [\"A1a.jar\", 3]\n",
         {"project.toml:4:", "java.class_path[1] must be a string"}},
        {"unknown search letter",
         name + "[java]\nsearch = [\"JAVA_HOME\"]\n",
         {"project.toml:4:", "java.search[0] must start with one of the letters"}},
        {"separator in a list entry", name + "[java]\nsearch = [\"Y;EJAVA_HOME\"]\n", {"project.toml:4:", "\";\""}},
        {"float in config", name + "[config]\n150 = 1.5\n", {"project.toml:4:", "config.150 must be a string"}},
        {"config id not a number", name + "[config]\nsplash = 1\n", {"project.toml:4:1:", "config.splash"}},
        {"config id written by files", name + "[config]\n2003 = \"a;\"\n", {"project.toml:4:", "[[files]]"}},
        {"config id also set by a readable key",
         name + "main_class = \"a.B\"\n[config]\n122 = \"c.D\"\n",
         {"project.toml:5:", "already set by application.main_class"}},
        {"one id twice in config",
         name + "[config]\n10 = \"a\"\n010 = \"b\"\n",
         {"configuration id 10 is already set by config."}},
        {"message id not a number", name + "[messages]\nerror = \"x\"\n", {"project.toml:4:1:", "messages.error"}},
        {"message not a string", name + "[messages]\n1000 = 1\n", {"project.toml:4:", "messages.1000 must be"}},
        {"language without key", name + "[[languages]]\nmessages = {}\n", {"project.toml:3:", "languages[0].key"}},
        {"bad language key", name + "[[languages]]\nkey = \"de-CH\"\n", {"project.toml:4:", "languages[0].key"}},
        {"file without source", name + "[[files]]\nname = \"a.txt\"\n", {"project.toml:3:", "files[0].source"}},
        {"missing file",
         name + "[[files]]\nsource = \"gone/away.txt\"\n",
         {"project.toml:4:", "gone/away.txt", "no such file"}},
        {"missing application data", name + "data = \"nothing.bin\"\n", {"project.toml:3:", "nothing.bin"}},
        {"directory as a file", name + "[[files]]\nsource = \"out\"\n", {"project.toml:4:", "not a regular file"}},
        {"absolute name",
         name + "[[files]]\nsource = \"present.txt\"\nname = \"\\\\x.txt\"\n",
         {"project.toml:5:", "is absolute"}},
        {"drive letter",
         name + "[[files]]\nsource = \"present.txt\"\nname = \"C:\\\\x.txt\"\n",
         {"project.toml:5:", "drive letter"}},
        {"dot-dot segment",
         name + "[[files]]\nsource = \"present.txt\"\nname = \"..\\\\x.txt\"\n",
         {"project.toml:5:", "\"..\" segment"}},
        {"two backslashes",
         name + "[[files]]\nsource = \"present.txt\"\nname = \"a\\\\b\\\\c.txt\"\n",
         {"project.toml:5:", "more than one"}},
        {"name used twice",
         name + "[[files]]\nsource = \"present.txt\"\n[[files]]\nsource = \"present.txt\"\n"
                "name = \"PRESENT.txt\"\n",
         {"project.toml:7:", "used twice"}},
        {"jre archive not gzip",
         name + "[java]\njre_archive = \"not-gzip.tgz\"\n",
         {"project.toml:4:", "not-gzip.tgz is neither a gzip file nor a Java home with bin/java.exe"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const qdrtest::RunResult result = build(c.project);
        EXPECT_EQ(result.exitCode, 2) << result.output;
        for (const std::string& part : c.expected)
            EXPECT_NE(result.output.find(part), std::string::npos)
                << "expected \"" << part << "\" in: " << result.output;
        EXPECT_EQ(qdrtest::listDirectory(dir_ / "out"), std::vector<std::string>{});
    }
}

TEST_F(BuildTest, BadStubsFailAndLeaveNoOutput) {
    qdrtest::writeFile(dir_ / "text.exe", "not an executable at all, just text");
    std::string cut = qdrtest::minimalPe();
    cut.resize(0x300);  // the section's raw data ends past the end of the file
    qdrtest::writeFile(dir_ / "cut.exe", cut);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"text.exe", {"text.exe", "not a PE image"}},
        {"cut.exe", {"cut.exe", "last section runs past the end"}},
        {"absent.exe", {"absent.exe", "no such file"}},
    };
    for (const auto& [stub, expected] : cases) {
        SCOPED_TRACE(stub);
        const qdrtest::RunResult result = build("application.name = \"A\"\n", (dir_ / stub).string());
        EXPECT_EQ(result.exitCode, 2) << result.output;
        for (const std::string& part : expected)
            EXPECT_NE(result.output.find(part), std::string::npos) << result.output;
        EXPECT_EQ(qdrtest::listDirectory(dir_ / "out"), std::vector<std::string>{});
    }
}

TEST_F(BuildTest, ReplacesAnEarlierInstallerAndCreatesTheOutputDirectory) {
    qdrtest::writeFile(output(), "old");
    ASSERT_EQ(build("application.name = \"A\"\n").exitCode, 0);
    EXPECT_EQ(payload::readInstaller(qdrtest::readFile(output())).offset, qdrtest::kMinimalPeSize);
    EXPECT_EQ(qdrtest::listDirectory(dir_ / "out"), std::vector<std::string>{"setup.exe"});

    const path nested = dir_ / "new" / "dir" / "setup.exe";
    const qdrtest::RunResult result = qdrtest::qdrpack(
        {"build", (dir_ / "project.toml").string(), "-o", nested.string(), "--stub", (dir_ / "stub.exe").string()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(qdrtest::fs::is_regular_file(nested));
}

TEST_F(BuildTest, CommandLineMistakesAreUsageErrors) {
    const std::vector<std::string> cases[] = {
        {},
        {"bake"},
        {"build"},
        {"build", "p.toml"},
        {"build", "p.toml", "-o"},
        {"build", "a", "b", "-o", "x"},
        {"inspect"},
        {"inspect", "a", "b"},
    };
    for (const std::vector<std::string>& args : cases) {
        const qdrtest::RunResult result = qdrtest::qdrpack(args);
        EXPECT_EQ(result.exitCode, 2) << result.output;
        EXPECT_NE(result.output.find("usage: qdrpack build"), std::string::npos) << result.output;
    }
}

TEST_F(BuildTest, TheExampleProjectBuilds) {
    const qdrtest::RunResult result =
        qdrtest::qdrpack({"build", (qdrtest::examplesDir() / "hello" / "project.toml").string(), "-o",
                          output().string(), "--stub", (dir_ / "stub.exe").string()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const payload::InstallerPayload installer = payload::readInstaller(qdrtest::readFile(output()));
    EXPECT_TRUE(installer.checksumHolds());
    EXPECT_FALSE(installer.contents.files.empty());
}

// The payload starts right after the stub's last section, whatever followed it in the stub file.
TEST(BuildFromRealStub, TrailingBytesOfTheStubAreLeftOut) {
    const std::string stubPath = qdrtest::configuredStub();
    if (stubPath.empty()) GTEST_SKIP() << "qdrpack was built without QDR_STUB";
    ASSERT_TRUE(qdrtest::fs::is_regular_file(stubPath)) << stubPath;
    qdrtest::TempDir dir;
    const std::string stub = qdrtest::readFile(stubPath);
    const std::string junk = "TRAILING-JUNK-AFTER-THE-LAST-SECTION";
    qdrtest::writeFile(dir / "stub.exe", stub + junk);
    qdrtest::writeFile(dir / "project.toml", "application.name = \"A\"\n");
    const qdrtest::RunResult result =
        qdrtest::qdrpack({"build", (dir / "project.toml").string(), "-o", (dir / "setup.exe").string(), "--stub",
                          (dir / "stub.exe").string()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::string installer = qdrtest::readFile(dir / "setup.exe");
    EXPECT_EQ(installer.find(junk), std::string::npos);
    const std::uint32_t end = payload::readPeLayout(stub).lastSectionEnd;
    EXPECT_EQ(payload::readInstaller(installer).offset, end);
    EXPECT_EQ(installer.substr(0, end), payload::stubImage(stub));
}

}  // namespace
