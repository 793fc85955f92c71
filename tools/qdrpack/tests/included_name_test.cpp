// Which names an included file may have in the work directory.
#include "included_name.h"

#include <gtest/gtest.h>

namespace {

TEST(IncludedName, AcceptsRelativeNamesWithOneSubdirectory) {
    for (const char* name : {"readme.txt", "lib\\app.jar", "a b.txt", "..hidden", "x.", "jre.tar.gz"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(qdrpack::includedNameProblem(name), "");
    }
}

TEST(IncludedName, RejectsNamesThatLeaveOrBreakTheWorkDirectory) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "is empty"},
        {"C:\\x.txt", "drive letter"},
        {"c:x.txt", "drive letter"},
        {"\\x.txt", "absolute"},
        {"\\\\server\\share", "absolute"},
        {"..\\x.txt", "\"..\" segment"},
        {"lib\\..", "\"..\" segment"},
        {"..", "\"..\" segment"},
        {".\\x.txt", "\".\" segment"},
        {"a\\b\\c.txt", "more than one"},
        {"lib\\", "empty segment"},
        {"lib/app.jar", "'/'"},
        {"a;b.txt", "';'"},
        {"what?.txt", "'?'"},
        {"x\ty", "not printable ASCII"},
        {"gr\xC3\xBC\xC3\x9F"
         "e.txt",
         "not printable ASCII"},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_NE(qdrpack::includedNameProblem(name).find(expected), std::string::npos)
            << qdrpack::includedNameProblem(name);
    }
}

}  // namespace
