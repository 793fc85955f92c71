// Whole-file reads and the all-or-nothing write of a built installer.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace qdrpack {

class FileError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

// The bytes of a regular file. Throws FileError "PATH: reason".
std::string readFileBytes(const std::filesystem::path& path);

// Writes `bytes` to a new temporary file beside `target` and renames it over `target`, so that
// `target` either holds all of `bytes` or is left as it was. Creates the target's directory when
// it is missing. Throws FileError "PATH: reason".
void writeFileAtomically(const std::filesystem::path& target, const std::string& bytes);

}  // namespace qdrpack
