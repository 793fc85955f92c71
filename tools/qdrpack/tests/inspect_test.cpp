// qdrpack inspect, run as a program: the report and its exit code.
#include <gtest/gtest.h>

#include "test_support.h"
#include "writer.h"

namespace {

class InspectTest : public ::testing::Test {
   protected:
    void SetUp() override {
        payload::Contents contents;
        contents.config = {{122, "com.example.Hello"}, {146, "line\nbreak"}};
        contents.messages = {{20013, u"Gr\u00FC\u00DFe"}};
        contents.languages = {{"de", {{1000, u"Fehler"}}}};
        contents.files = {{"lib\\app.jar", std::string(1234, 'j')}, {"empty.txt", ""}};
        contents.applicationData = "0123456789";
        image_ = payload::buildInstaller(qdrtest::minimalPe(), contents);
    }

    qdrtest::RunResult inspect(const std::string& bytes) {
        qdrtest::writeFile(dir_ / "setup.exe", bytes);
        return qdrtest::qdrpack({"inspect", (dir_ / "setup.exe").string()});
    }

    qdrtest::TempDir dir_;
    std::string image_;
};

TEST_F(InspectTest, ReportsEverythingTheInstallerCarries) {
    const qdrtest::RunResult result = inspect(image_);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const std::string appDataOffset = std::to_string(image_.size() - 10);
    for (const std::string& line : {
             std::string("payload offset: 1024\n"),
             std::string("check flag: 1\n"),
             "covered length: " + std::to_string(image_.size() - 1024 - 20) + "\n",
             std::string("configuration: 4 records\n  122 = \"com.example.Hello\"\n  146 = \"line\\nbreak\"\n"
                         "  2002 = \"2\"\n  2003 = \"lib\\\\app.jar;empty.txt;\"\n"),
             std::string("messages: 1 records\n  20013 = \"Gr\xC3\xBC\xC3\x9F"
                         "e\"\n"),
             std::string("language blocks: 1\n  \"de\": 1 entries\n    1000 = \"Fehler\"\n"),
             std::string("included files: 2\n  \"lib\\\\app.jar\": 1234 bytes\n  \"empty.txt\": 0 bytes\n"),
             "application data: offset " + appDataOffset + ", 10 bytes\n",
             std::string("checksum holds\n"),
         })
        EXPECT_NE(result.output.find(line), std::string::npos) << "missing \"" << line << "\" in:\n" << result.output;
    // Stored and computed values are printed and agree.
    const std::size_t stored = result.output.find("checksum: stored 0x");
    ASSERT_NE(stored, std::string::npos);
    EXPECT_EQ(result.output.substr(stored + 17, 10), result.output.substr(stored + 38, 10)) << result.output;
}

TEST_F(InspectTest, AChangedByteFailsTheChecksum) {
    std::string changed = image_;
    changed[changed.size() - 1] ^= 1;
    const qdrtest::RunResult result = inspect(changed);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("checksum does not hold\n"), std::string::npos) << result.output;
}

TEST_F(InspectTest, UnreadableInstallersAreReportedWithoutACrash) {
    std::string absurd = image_;
    absurd.replace(1024 + 24 + 4, 4, "\xff\xff\xff\x7f");  // length of the first configuration value
    const std::pair<std::string, const char*> cases[] = {
        {image_.substr(0, image_.size() - 3), "covered length"},
        {image_.substr(0, 1024 + 10), "payload checksum"},
        {qdrtest::minimalPe(), "payload magic"},
        {absurd, "configuration record 0 (id 122) value"},
        {"plain text", "not a PE image"},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(expected);
        const qdrtest::RunResult result = inspect(bytes);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.output.find("qdrpack: " + (dir_ / "setup.exe").string() + ": "), std::string::npos)
            << result.output;
        EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
    }
    const qdrtest::RunResult missing = qdrtest::qdrpack({"inspect", (dir_ / "absent.exe").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("absent.exe: no such file"), std::string::npos) << missing.output;
}

}  // namespace
