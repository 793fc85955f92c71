// qdrpack build: project file and stub in, installer out.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace qdrpack {

struct BuildRequest {
    std::string project;  // the project file, as the user named it
    std::filesystem::path output;
    std::optional<std::filesystem::path> stub;  // --stub; otherwise defaultStub()
};

// The stub used without --stub: the one named when qdrpack was built, when it exists, else
// qdrsetup.exe beside `self` (the qdrpack executable), when it exists; none otherwise.
std::optional<std::filesystem::path> defaultStub(const std::filesystem::path& self);

// Builds the installer. Returns 0, or 2 after writing the reason to `err`; on failure no output
// file is created or changed.
int buildCommand(const BuildRequest& request, const std::filesystem::path& self, std::ostream& out, std::ostream& err);

}  // namespace qdrpack
