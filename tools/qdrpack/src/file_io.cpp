#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

namespace qdrpack {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const fs::path& path, const std::string& reason) {
    throw FileError(path.string() + ": " + reason);
}

// Removes the temporary file unless the rename has taken it over.
class TemporaryFile {
   public:
    explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    const fs::path& path() const { return path_; }
    void release() { path_.clear(); }

   private:
    fs::path path_;
};

// Opens a file of a fresh name beside `target` for writing; "x" refuses a name that exists.
std::FILE* createBeside(const fs::path& target, fs::path& created) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = target;
        created += ".tmp" + std::to_string(random() % 1000000);
        if (std::FILE* file = std::fopen(created.string().c_str(), "wbx")) return file;
        if (errno != EEXIST) fail(created, std::strerror(errno));
    }
    fail(target, "no free temporary name beside it");
}

}  // namespace

std::string readFileBytes(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) fail(path, fs::exists(path, error) ? "not a regular file" : "no such file");
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) fail(path, error.message());
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) fail(path, "cannot be read");
    return bytes;
}

void writeFileAtomically(const fs::path& target, const std::string& bytes) {
    std::error_code error;
    if (target.has_parent_path() && !fs::is_directory(target.parent_path(), error) &&
        !fs::create_directories(target.parent_path(), error))
        fail(target.parent_path(), "cannot create the directory: " + error.message());
    fs::path created;
    std::FILE* file = createBeside(target, created);
    TemporaryFile temporary(created);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    if (std::fclose(file) != 0 || !written) fail(created, std::strerror(written ? errno : writeErrno));
    // An installer is a program: let it be started directly where the file system allows it.
    fs::permissions(created, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, error);
    fs::rename(created, target, error);
    if (error) fail(target, "cannot replace it: " + error.message());
    temporary.release();
}

}  // namespace qdrpack
