// Test entry: runs a registered child role when asked to, else the tests.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "child_roles.h"

namespace testing_support {

namespace {
std::map<std::string, std::function<int()>>& roles() {
    static std::map<std::string, std::function<int()>> registered;
    return registered;
}
}  // namespace

bool registerChildRole(const std::string& role, std::function<int()> run) {
    roles()[role] = std::move(run);
    return true;
}

std::wstring childArgument(const std::string& role) { return L"--child=" + std::wstring(role.begin(), role.end()); }

}  // namespace testing_support

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "--child=", 8) == 0) {
            auto found = testing_support::roles().find(argv[i] + 8);
            return found == testing_support::roles().end() ? 99 : found->second();
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
