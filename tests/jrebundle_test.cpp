// The reader of the bundled runtime archive: ustar headers, long names, skipped entry kinds, the
// regular and the damaged ends, and names that would leave the target directory.
#include "jrebundle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "ownlog.h"
#include "tararchive.h"
#include "testsupport.h"

using namespace testing_support;

namespace {


class Untar : public ::testing::Test {
   protected:
    void SetUp() override { CreateDirectoryW(target().c_str(), nullptr); }
    std::wstring target() const { return dir.file(L"jre"); }
    bool unpack(const std::string& archiveBytes) {
        writeFileBytes(dir.file(L"jre.tar.gz"), archiveBytes);
        return untarGz(narrow(dir.file(L"jre.tar.gz")), narrow(target()), nullptr, 0);
    }
    TempDir dir;
};

TEST_F(Untar, RegularArchiveWithLongNamesAndSkippedKinds) {
    const std::string deep = "lib/" + std::string(60, 'a') + "/" + std::string(60, 'b') + "/deep.txt";
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const LogMark mark;
    ASSERT_TRUE(unpack(gzipOf(tarOf({
        {"bin/", '5', ""},
        {"bin/java.exe", '0', "MZ fake"},
        {"lib/", '5', ""},
        {"lib/" + std::string(60, 'a') + "/", '5', ""},
        {"lib/" + std::string(60, 'a') + "/" + std::string(60, 'b') + "/", '5', ""},
        {deep, '0', std::string(1300, 'd')},
        {"bin/hard", '1', "link data"},
        {"bin/soft", '2', ""},
        {"bin/old", '\0', "old-style regular"},
        {"bin/blanks.txt", '0', std::string(1000, 'x'), " 0000001750 "},
        {"bin/empty.txt", '0', ""},
    }))));
    EXPECT_EQ(readFileBytes(target() + L"\\bin\\java.exe"), "MZ fake");
    EXPECT_EQ(readFileBytes(target() + L"\\" + widen(deep)), std::string(1300, 'd'));
    EXPECT_EQ(readFileBytes(target() + L"\\bin\\blanks.txt"), std::string(1000, 'x'));
    EXPECT_TRUE(pathPresent(target() + L"\\bin\\empty.txt"));
    for (const wchar_t* skipped : {L"\\bin\\hard", L"\\bin\\soft", L"\\bin\\old"})
        EXPECT_FALSE(pathPresent(target() + skipped)) << narrow(skipped);
    EXPECT_NE(mark.since().find("untaring JRE was successful"), std::string::npos);
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, current) << "the reader goes back to the directory it started in";
}

TEST_F(Untar, EndsOfTheArchive) {
    const struct {
        const char* name;
        std::optional<std::string> archive;  // none: no archive file at all
        bool success;
        const char* logLine;
    } cases[] = {
        {"no closing zero blocks", gzipOf(tarOf({TarEntry{"a.txt", '0', "a"}}, false)), true, "untaring JRE was successful"},
        {"only directories", gzipOf(tarOf({TarEntry{"d/", '5', ""}})), false, "ERROR: no magic number"},
        {"only directories, no closing blocks", gzipOf(tarOf({TarEntry{"d/", '5', ""}}, false)), false, "ERROR: unexpected eof"},
        {"empty stream", gzipOf(""), false, "ERROR: unexpected eof"},
        {"not gzip, not tar", std::string(4000, '\x17'), false, "untaring JRE was unsuccessful"},
        {"size beyond the stream", gzipOf(tarOf({TarEntry{"big.bin", '0', "short", "77777777777"}}, false)), false,
         "ERROR: sizes don't match"},
        {"size beyond the stream, skipped kind", gzipOf(tarOf({TarEntry{"a.txt", '0', "a"}, {"link", '1', "", "77777777777"}}, false)),
         false, "ERROR: gzseek 2 failed"},
        {"header cut short", gzipOf(tarOf({TarEntry{"a.txt", '0', "a"}}, false) + std::string(300, 'h')), false,
         "ERROR: gzread failed"},
        {"long name of 6000 bytes", gzipOf(tarOf({TarEntry{std::string(6000, 'n'), '0', "x"}})), false, "long file name"},
        {"missing archive", std::nullopt, false, "ERROR: Could not open gz-file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LogMark mark;
        DeleteFileW(dir.file(L"jre.tar.gz").c_str());
        EXPECT_EQ(c.archive ? unpack(*c.archive)
                            : untarGz(narrow(dir.file(L"jre.tar.gz")), narrow(target()), nullptr, 0),
                  c.success);
        EXPECT_NE(mark.since().find(c.logLine), std::string::npos) << mark.since();
    }
}

TEST_F(Untar, TruncatedArchiveFailsWithoutHanging) {
    const std::string whole = gzipOf(tarOf({TarEntry{"a.bin", '0', std::string(200000, 'a')}, {"b.bin", '0', "b"}}));
    for (const std::size_t keep : {whole.size() / 2, whole.size() - 30, std::size_t{40}}) {
        SCOPED_TRACE(keep);
        EXPECT_FALSE(unpack(whole.substr(0, keep)));
    }
}

TEST_F(Untar, NamesOutsideTheTargetAreRefused) {
    const std::string outside = narrow(dir.file(L"outside.txt"));
    const std::string climbing = std::string(90, 'c') + "/../../" + std::string(20, 'd') + "/../../outside.txt";
    for (const std::string& name : {std::string("../outside.txt"), std::string("/outside.txt"), std::string("C:/outside.txt"),
                                    std::string("bin/../../outside.txt"), climbing, outside}) {
        SCOPED_TRACE(name);
        const LogMark mark;
        EXPECT_FALSE(unpack(gzipOf(tarOf({TarEntry{"ok.txt", '0', "fine"}, {name, '0', "escaped"}}))));
        EXPECT_FALSE(pathPresent(dir.file(L"outside.txt")));
        EXPECT_NE(mark.since().find("ERROR: tar entry outside the JRE directory"), std::string::npos) << mark.since();
    }
}

TEST(TarSize, OctalFieldWithLeadingBlanksAndZeros) {
    const struct {
        const char* field;
        long long size;
    } cases[] = {{"00000001750 ", 1000}, {"  0000001750", 1000}, {"1750\0\0\0\0\0\0\0\0", 1000},
                 {"00000000000\0", 0},   {"            ", 0},     {"77777777777\0", 8589934591LL},
                 {"12 34", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(parseTarSize(c.field, 12), c.size);
    }
}

}  // namespace
