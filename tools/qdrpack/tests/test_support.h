// Fixtures shared by the qdrpack tests: temporary directories, files, child processes, stubs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "reader.h"

namespace qdrtest {

namespace fs = std::filesystem;

// A fresh directory removed with everything in it at the end of the test.
class TempDir {
   public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

   private:
    fs::path path_;
};

void writeFile(const fs::path& path, const std::string& bytes);
std::string readFile(const fs::path& path);
std::vector<std::string> listDirectory(const fs::path& dir);  // names, sorted

struct RunResult {
    int exitCode = -1;   // -1 when the child did not exit normally
    std::string output;  // standard output and standard error, interleaved
};

// Runs `args` (no shell interpretation of their contents); `timeoutSeconds` > 0 kills it then.
RunResult run(const std::vector<std::string>& args, int timeoutSeconds = 0);

// Runs the qdrpack under test.
RunResult qdrpack(const std::vector<std::string>& args);

// The smallest PE32+ image the container code accepts: one section whose raw data ends at
// offset 0x400, the end of the file.
std::string minimalPe();
constexpr std::size_t kMinimalPeSize = 0x400;

// Paths configured at build time; empty when the build was given none.
std::string configuredStub();
std::string configuredWineRun();
fs::path examplesDir();

// A project directory with a fake stub; builds go to out/ inside it.
class ProjectBuildTest : public ::testing::Test {
   protected:
    void SetUp() override;
    // Writes `project` as project.toml and builds it with `stub`, by default the fake one.
    RunResult build(const std::string& project, const std::string& stub = "");
    fs::path output() const { return dir_ / "out" / "setup.exe"; }
    // The configuration records by id; an id written twice fails the test.
    static std::map<int, std::string> configOf(const payload::InstallerPayload& installer);

    TempDir dir_;
};

}  // namespace qdrtest
