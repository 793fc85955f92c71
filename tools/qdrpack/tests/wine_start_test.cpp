// Installers built from the real launcher stub start under Wine, also after being signed.
#include <gtest/gtest.h>

#include "reader.h"
#include "test_support.h"

namespace {

constexpr int kStartTimeoutSeconds = 240;  // the first run creates the Wine prefix

class RealStubTest : public ::testing::Test {
   protected:
    void SetUp() override {
        stub_ = qdrtest::configuredStub();
        wineRun_ = qdrtest::configuredWineRun();
        if (stub_.empty() || wineRun_.empty()) GTEST_SKIP() << "qdrpack was built without QDR_STUB and QDR_WINE_RUN";
        ASSERT_TRUE(qdrtest::fs::is_regular_file(stub_)) << stub_;
    }

    qdrtest::RunResult build(const qdrtest::fs::path& project, const qdrtest::fs::path& output) {
        return qdrtest::qdrpack({"build", project.string(), "-o", output.string(), "--stub", stub_});
    }

    // The launcher in quiet mode, with no Java runtime to find on the machine.
    qdrtest::RunResult start(const qdrtest::fs::path& exe) {
        // Without a display a fatal message box cannot wait for an answer, so a stub that fails
        // ends at once instead of holding the test.
        return qdrtest::run({"env", "-u", "DISPLAY", "-u", "JAVA_HOME", wineRun_, exe.string(), "-q"},
                            kStartTimeoutSeconds);
    }

    std::string stub_;
    std::string wineRun_;
    qdrtest::TempDir dir_;
};

TEST_F(RealStubTest, WithoutPayloadTheLauncherFails) {
    // What makes the exit code 0 of the other tests mean that the payload was read.
    EXPECT_NE(start(stub_).exitCode, 0);
}

TEST_F(RealStubTest, SignedInstallerKeepsItsPayloadAndStarts) {
    const qdrtest::RunResult cert =
        qdrtest::run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", (dir_ / "k.pem").string(),
                      "-out", (dir_ / "c.pem").string(), "-days", "2", "-subj", "/CN=qdrpack test"});
    ASSERT_EQ(cert.exitCode, 0) << cert.output;

    qdrtest::writeFile(dir_ / "hello.txt", "hello\n");
    qdrtest::writeFile(dir_ / "project.toml", R"(
[application]
name = "Signed"
main_class = "test.Signed"
launcher_type = 1

[[files]]
source = "hello.txt"
)");
    const qdrtest::RunResult built = build(dir_ / "project.toml", dir_ / "a.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;

    const qdrtest::RunResult signedRun =
        qdrtest::run({"osslsigncode", "sign", "-certs", (dir_ / "c.pem").string(), "-key", (dir_ / "k.pem").string(),
                      "-in", (dir_ / "a.exe").string(), "-out", (dir_ / "b.exe").string()});
    ASSERT_EQ(signedRun.exitCode, 0) << signedRun.output;
    const std::string signedImage = qdrtest::readFile(dir_ / "b.exe");
    ASSERT_GT(signedImage.size(), qdrtest::fs::file_size(dir_ / "a.exe")) << "no signature was appended";

    const qdrtest::RunResult inspected = qdrtest::qdrpack({"inspect", (dir_ / "b.exe").string()});
    EXPECT_EQ(inspected.exitCode, 0) << inspected.output;
    EXPECT_NE(inspected.output.find("checksum holds\n"), std::string::npos) << inspected.output;
    const payload::InstallerPayload payload = payload::readInstaller(signedImage);
    ASSERT_EQ(payload.contents.files.size(), 1u);
    EXPECT_EQ(payload.contents.files[0].data, "hello\n");

    // The payload was read and the run went on to the runtime choice, which found none.
    const qdrtest::RunResult started = start(dir_ / "b.exe");
    EXPECT_EQ(started.exitCode, 83) << started.output;
    EXPECT_NE(started.output.find("No JRE found. Aborting."), std::string::npos) << started.output;
}

TEST_F(RealStubTest, ExampleInstallerRunsItsApplication) {
    const qdrtest::RunResult built = build(qdrtest::examplesDir() / "hello" / "project.toml", dir_ / "hello.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;
    // The example bundles the pinned runtime, so it runs where no Java is installed.
    const qdrtest::RunResult started = start(dir_ / "hello.exe");
    EXPECT_EQ(started.exitCode, 0) << started.output;
    EXPECT_NE(started.output.find("Hello, world from the example application"), std::string::npos) << started.output;
    EXPECT_NE(started.output.find(".tmp_dir"), std::string::npos) << "the runtime unpacked into the work directory";
}

}  // namespace
