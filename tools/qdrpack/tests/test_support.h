// Fixtures shared by the qdrpack tests: temporary directories, files, child processes, stubs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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
// The tests' Windows Java runtime as Wine names it (Z:\...); empty when not configured.
std::string configuredJreForWine();
fs::path examplesDir();

}  // namespace qdrtest
