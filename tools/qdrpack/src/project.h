// Turns a TOML project file into the contents of an installer payload.
#pragma once

#include <stdexcept>
#include <string>

#include "writer.h"

namespace qdrpack {

// A project file that cannot be used; what() starts with "FILE:LINE:COLUMN: " or names the path
// that could not be read.
class ProjectError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

// Reads `projectPath` (named in messages as given) and every file it refers to, relative to the
// project file's directory. Returns the complete payload contents, default English messages
// included. Throws ProjectError.
payload::Contents loadProject(const std::string& projectPath);

}  // namespace qdrpack
