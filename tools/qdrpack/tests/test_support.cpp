#include "test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace qdrtest {

TempDir::TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("qdrpack-test-" + std::to_string(random()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void writeFile(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

std::vector<std::string> listDirectory(const fs::path& dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::string shellQuoted(const std::string& arg) {
    std::string out = "'";
    for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

RunResult run(const std::vector<std::string>& args, int timeoutSeconds) {
    TempDir scratch;
    std::string command = timeoutSeconds > 0 ? "timeout -k 10 " + std::to_string(timeoutSeconds) + " " : "";
    for (const std::string& arg : args) command += shellQuoted(arg) + " ";
    command += "</dev/null >" + shellQuoted((scratch / "output").string()) + " 2>&1";
    const int status = std::system(command.c_str());
    RunResult result;
    if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.output = readFile(scratch / "output");
    return result;
}

RunResult qdrpack(const std::vector<std::string>& args) {
    std::vector<std::string> command{QDR_TEST_QDRPACK};
    command.insert(command.end(), args.begin(), args.end());
    return run(command);
}

std::string minimalPe() {
    std::string image(kMinimalPeSize, '\0');
    auto put = [&image](std::size_t at, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
    };
    constexpr std::size_t pe = 0x40, optionalSize = 0xF0, section = pe + 24 + optionalSize;
    image[0] = 'M';
    image[1] = 'Z';
    put(0x3C, pe, 4);
    put(pe, 0x00004550, 4);  // "PE\0\0"
    put(pe + 4, 0x8664, 2);  // x64
    put(pe + 6, 1, 2);       // one section
    put(pe + 20, optionalSize, 2);
    put(pe + 24, 0x20B, 2);  // PE32+
    std::copy_n(".data", 5, image.begin() + section);
    put(section + 16, 0x200, 4);  // SizeOfRawData
    put(section + 20, 0x200, 4);  // PointerToRawData
    return image;
}

std::string configuredStub() { return QDR_TEST_STUB; }
std::string configuredWineRun() { return QDR_TEST_WINE_RUN; }
fs::path examplesDir() { return QDR_TEST_EXAMPLES; }

void ProjectBuildTest::SetUp() {
    writeFile(dir_ / "stub.exe", minimalPe());
    fs::create_directories(dir_ / "out");
}

RunResult ProjectBuildTest::build(const std::string& project, const std::string& stub) {
    writeFile(dir_ / "project.toml", project);
    return qdrpack({"build", (dir_ / "project.toml").string(), "-o", output().string(), "--stub",
                    stub.empty() ? (dir_ / "stub.exe").string() : stub});
}

std::map<int, std::string> ProjectBuildTest::configOf(const payload::InstallerPayload& installer) {
    std::map<int, std::string> config;
    for (const auto& [id, value] : installer.contents.config) {
        EXPECT_FALSE(config.contains(id)) << "id " << id << " written twice";
        config[id] = value;
    }
    return config;
}

}  // namespace qdrtest
