// Test programs re-run themselves as a child ("--child=ROLE") for behaviour that ends the process
// or needs a payload appended to the program's own image.
#pragma once

#include <functional>
#include <string>

namespace testing_support {

// Registers `role`; the function runs instead of the tests and its result is the exit code.
bool registerChildRole(const std::string& role, std::function<int()> run);

// Command-line argument that selects `role`.
std::wstring childArgument(const std::string& role);

}  // namespace testing_support
