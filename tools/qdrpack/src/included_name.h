// The rules for the name an included file gets in the launcher's work directory.
#pragma once

#include <string>
#include <string_view>

namespace qdrpack {

// Why `name` cannot be the name of an included file, or an empty string when it can. A name is
// relative, printable ASCII (the launcher passes it to the ANSI file functions), uses "\" as the
// separator with at most one of them (only a first-level subdirectory is created), and has no
// empty, "." or ".." segment and none of the characters Windows or the name list reserve.
std::string includedNameProblem(std::string_view name);

}  // namespace qdrpack
