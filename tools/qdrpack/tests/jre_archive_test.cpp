// The Java runtime an installer carries as jre.tar.gz: a Java home packed by qdrpack, read back
// with a tar reader of the test's own, and a ready archive taken as it is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <optional>
#include <ostream>

#include "directory_tar.h"
#include "file_io.h"
#include "format.h"
#include "reader.h"
#include "test_support.h"

namespace {

namespace fs = qdrtest::fs;

constexpr std::size_t kBlock = 512;
constexpr const char* kProjectStart = "[application]\nname = \"A\"\n[java]\n";  // the key lands on line 4

std::string gunzip(const std::string& gzip) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.data()));
    stream.avail_in = static_cast<uInt>(gzip.size());
    std::string out;
    int result = Z_OK;
    while (result == Z_OK) {
        char chunk[16384];
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - stream.avail_out);
    }
    EXPECT_EQ(result, Z_STREAM_END) << "the gzip stream does not end regularly";
    EXPECT_EQ(stream.avail_in, 0u) << "bytes after the gzip stream";
    inflateEnd(&stream);
    return out;
}

// Appends one gzip member holding `bytes` to `path`.
void appendGzipMember(const fs::path& path, const std::string& bytes) {
    gzFile file = gzopen(path.c_str(), "ab");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())), static_cast<int>(bytes.size()));
    ASSERT_EQ(gzclose(file), Z_OK);
}

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

std::uint64_t octalField(std::string_view field) {
    EXPECT_EQ(field.back(), '\0') << "field not closed by a zero byte";
    std::uint64_t value = 0;
    for (char digit : field.substr(0, field.size() - 1)) {
        EXPECT_TRUE(digit >= '0' && digit <= '7') << "not an octal digit: " << static_cast<int>(digit);
        value = value * 8 + static_cast<std::uint64_t>(digit - '0');
    }
    return value;
}

struct Header {
    std::string name;  // of the name field
    char type = 0;
    std::uint64_t size = 0;
};

// Checks the checksum and magic every header must carry and gives its fields.
Header readHeader(std::string_view block) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < kBlock; ++i) sum += i >= 148 && i < 156 ? ' ' : static_cast<unsigned char>(block[i]);
    EXPECT_EQ(block[155], ' ');
    EXPECT_EQ(octalField(block.substr(148, 7)), sum) << "checksum";
    EXPECT_EQ(block.substr(257, 6), std::string_view("ustar", 6)) << "magic with its zero byte";
    EXPECT_EQ(block.substr(263, 2), "00") << "version";
    EXPECT_EQ(octalField(block.substr(136, 12)), 0u) << "a time would make two builds differ";
    return {std::string(block.data(), strnlen(block.data(), 100)), block[156], octalField(block.substr(124, 12))};
}

struct Item {
    std::string name;
    char type = 0;
    std::string data;
    bool longName = false;  // the name came from a preceding 'L' entry

    bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
    return out << "{" << item.name << ", '" << item.type << "', " << item.data.size() << " bytes"
               << (item.longName ? ", long name" : "") << "}";
}

// The entries of a tar stream, which must end with exactly two zero blocks.
std::vector<Item> readTar(std::string_view tar) {
    std::vector<Item> items;
    std::optional<std::string> longName;
    const std::string zeroBlock(kBlock, '\0');
    for (std::size_t at = 0;;) {
        if (at + kBlock > tar.size()) {
            ADD_FAILURE() << "the stream ends without the closing zero blocks";
            return items;
        }
        if (tar.substr(at, kBlock) == zeroBlock) {
            EXPECT_EQ(tar.substr(at), zeroBlock + zeroBlock) << "the closing blocks at " << at;
            EXPECT_FALSE(longName) << "a long name names no entry";
            return items;
        }
        const Header header = readHeader(tar.substr(at, kBlock));
        at += kBlock;
        const std::size_t padded = (header.size + kBlock - 1) / kBlock * kBlock;
        if (at + padded > tar.size()) {
            ADD_FAILURE() << header.name << ": data runs past the end";
            return items;
        }
        const std::string data(tar.substr(at, header.size));
        EXPECT_EQ(tar.substr(at + header.size, padded - header.size), std::string(padded - header.size, '\0'))
            << header.name << ": padding";
        at += padded;
        if (header.type == 'L') {
            EXPECT_EQ(header.name, "././@LongLink");
            EXPECT_EQ(data.find('\0'), data.size() - 1) << "a long name ends with its only zero byte";
            longName = data.substr(0, data.size() - 1);
            continue;
        }
        Item item{header.name, header.type, data, false};
        if (longName) {
            EXPECT_EQ(header.name, longName->substr(0, 100)) << "name field of a long-named entry";
            item.name = *longName;
            item.longName = true;
            longName.reset();
        }
        items.push_back(item);
    }
}

// A "/"-separated path of `length` bytes, ending in "/" for a directory.
std::string pathOfLength(std::size_t length, bool directory) {
    std::string path;
    while (path.size() < length) path += path.size() % 50 == 49 ? '/' : 'p';
    path.back() = directory ? '/' : 'f';
    return path;
}

// The launcher reads a long name and its zero byte into 6000 bytes.
TEST(TarEntryHeaders, NamesUpToTheLauncherLimitReadBack) {
    struct Case {
        const char* label;
        std::size_t length;
        bool directory;
        bool longName;
    };
    const Case cases[] = {
        {"file filling the name field", 100, false, false},
        {"file one byte past the field", 101, false, true},
        {"directory filling the field with its slash", 100, true, false},
        {"directory whose slash passes the field", 101, true, true},
        {"longest file name", 5998, false, true},
        {"longest directory name", 5998, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string name = pathOfLength(c.length, c.directory);
        const std::string tar = qdrpack::entryHeaders({name, {}, c.directory, 0}) + std::string(2 * kBlock, '\0');
        const std::vector<Item> expected{{name, c.directory ? '5' : '0', "", c.longName}};
        EXPECT_EQ(readTar(tar), expected);
    }
}

TEST(TarEntryHeaders, TheSizeFieldHoldsElevenOctalDigits) {
    constexpr std::uint64_t largest = (std::uint64_t{1} << 33) - 1;
    EXPECT_EQ(readHeader(qdrpack::entryHeaders({"big.bin", {}, false, largest})).size, largest);
}

TEST(TarEntryHeaders, RefusesWhatTheLauncherCannotRead) {
    const std::pair<qdrpack::TreeEntry, std::string> cases[] = {
        {{pathOfLength(5999, false), {}, false, 0}, "path of 5999 bytes"},
        {{pathOfLength(5999, true), {}, true, 0}, "path of 5999 bytes"},
        {{"big.bin", {}, false, std::uint64_t{1} << 33}, "big.bin: a file of 8589934592 bytes is too large"},
    };
    for (const auto& [entry, expected] : cases) {
        SCOPED_TRACE(expected);
        try {
            qdrpack::entryHeaders(entry);
            ADD_FAILURE() << "accepted";
        } catch (const qdrpack::FileError& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    }
}

class JreArchiveTest : public qdrtest::ProjectBuildTest {
   protected:
    fs::path home() const { return dir_ / "home"; }

    void makeMinimalHome() const { qdrtest::writeFile(home() / "bin" / "java.exe", "MZ java"); }

    // The included jre.tar.gz and configuration of the build's installer.
    std::pair<std::string, std::map<int, std::string>> builtJre() const {
        const payload::InstallerPayload installer = payload::readInstaller(qdrtest::readFile(output()));
        EXPECT_TRUE(installer.checksumHolds());
        const std::map<int, std::string> config = configOf(installer);
        EXPECT_EQ(config.at(payload::kIncludedFileNamesId), "jre.tar.gz;");
        return {installer.contents.files.at(0).data, config};
    }
};

TEST_F(JreArchiveTest, AJavaHomeIsPackedAsATarOfItsContents) {
    const std::string b60(60, 'b'), c60(60, 'c');
    const std::string deepDir = "lib/a/" + b60 + "/" + c60 + "/";
    const std::string jvm = pattern(3000), block = pattern(kBlock);
    makeMinimalHome();
    qdrtest::writeFile(home() / "bin" / "server" / "jvm.dll", jvm);
    qdrtest::writeFile(home() / deepDir / "deep.txt", "deep");
    qdrtest::writeFile(home() / "lib" / "block.bin", block);
    qdrtest::writeFile(home() / "lib" / "empty.txt", "");
    fs::create_directories(home() / "include");
    fs::create_symlink("java.exe", home() / "bin" / "javaw.exe");
    fs::create_directory_symlink("../bin/server", home() / "lib" / "server");

    const qdrtest::RunResult result = build(std::string(kProjectStart) + "jre_archive = \"home\"\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const auto [gzip, config] = builtJre();
    const std::string tar = gunzip(gzip);
    const std::vector<Item> expected = {
        {"bin/", '5', "", false},
        {"bin/java.exe", '0', "MZ java", false},
        {"bin/javaw.exe", '0', "MZ java", false},
        {"bin/server/", '5', "", false},
        {"bin/server/jvm.dll", '0', jvm, false},
        {"include/", '5', "", false},
        {"lib/", '5', "", false},
        {"lib/a/", '5', "", false},
        {"lib/a/" + b60 + "/", '5', "", false},
        {deepDir, '5', "", true},
        {deepDir + "deep.txt", '0', "deep", true},
        {"lib/block.bin", '0', block, false},
        {"lib/empty.txt", '0', "", false},
        {"lib/server/", '5', "", false},
        {"lib/server/jvm.dll", '0', jvm, false},
    };
    EXPECT_EQ(readTar(tar), expected);
    EXPECT_EQ(config.at(151), std::to_string(tar.size()));
}

TEST_F(JreArchiveTest, PackingTheSameHomeTwiceGivesTheSameBytes) {
    makeMinimalHome();
    qdrtest::writeFile(home() / "lib" / "modules", pattern(100000));
    const std::string project = std::string(kProjectStart) + "jre_archive = \"home\"\n";
    ASSERT_EQ(build(project).exitCode, 0);
    const std::string first = qdrtest::readFile(output());
    // Times must not reach the archive.
    fs::last_write_time(home() / "lib" / "modules", fs::file_time_type::clock::now() - std::chrono::hours(30));
    fs::last_write_time(home() / "bin", fs::file_time_type::clock::now() - std::chrono::hours(50));
    ASSERT_EQ(build(project).exitCode, 0);
    EXPECT_TRUE(qdrtest::readFile(output()) == first);
}

TEST_F(JreArchiveTest, UnusableRuntimesFailWithTheirLineAndLeaveNoOutput) {
    struct Case {
        const char* label;
        std::function<void()> prepare;
        std::string archive;
        std::vector<std::string> expected;  // parts of the message
    };
    const Case cases[] = {
        {"directory without bin/java.exe",
         [&] { qdrtest::writeFile(home() / "bin" / "java", "ELF"); },
         "home",
         {"java.jre_archive: home is neither a gzip file nor a Java home with bin/java.exe"}},
        {"link to a file outside the home",
         [&] {
             makeMinimalHome();
             qdrtest::writeFile(dir_ / "elsewhere.txt", "x");
             fs::create_symlink(dir_ / "elsewhere.txt", home() / "bin" / "outside");
         },
         "home",
         {"bin/outside: is a symbolic link to", "elsewhere.txt, outside"}},
        {"link leading nowhere",
         [&] {
             makeMinimalHome();
             fs::create_symlink("gone", home() / "bin" / "dangling");
         },
         "home",
         {"bin/dangling: is a symbolic link that leads nowhere"}},
        {"link back to a containing directory",
         [&] {
             makeMinimalHome();
             fs::create_directory_symlink("..", home() / "bin" / "up");
         },
         "home",
         {"bin/up: leads back to a directory that contains it"}},
        {"named pipe",
         [&] {
             makeMinimalHome();
             ASSERT_EQ(mkfifo((home() / "bin" / "pipe").c_str(), 0644), 0);
         },
         "home",
         {"bin/pipe: is neither a regular file nor a directory"}},
        {"ready archive cut short",
         [&] {
             appendGzipMember(dir_ / "whole.tgz", pattern(20000));
             const std::string whole = qdrtest::readFile(dir_ / "whole.tgz");
             qdrtest::writeFile(dir_ / "jre.tgz", whole.substr(0, whole.size() / 2));
         },
         "jre.tgz",
         {"java.jre_archive: jre.tgz: the gzip data is damaged or cut short"}},
        {"ready archive with a damaged stream",
         [&] { qdrtest::writeFile(dir_ / "jre.tgz", std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03 not deflate", 22)); },
         "jre.tgz",
         {"java.jre_archive: jre.tgz: the gzip data is damaged or cut short"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(home());
        c.prepare();
        const qdrtest::RunResult result = build(std::string(kProjectStart) + "jre_archive = \"" + c.archive + "\"\n");
        EXPECT_EQ(result.exitCode, 2) << result.output;
        EXPECT_NE(result.output.find("project.toml:4:"), std::string::npos) << result.output;
        for (const std::string& part : c.expected)
            EXPECT_NE(result.output.find(part), std::string::npos)
                << "expected \"" << part << "\" in: " << result.output;
        EXPECT_EQ(qdrtest::listDirectory(dir_ / "out"), std::vector<std::string>{});
    }
}

// 151 counts every member, as the launcher's gzread reads them all.
TEST_F(JreArchiveTest, AReadyArchiveIsIncludedAsItIsWithItsInflatedSize) {
    appendGzipMember(dir_ / "jre.tgz", pattern(70000));
    appendGzipMember(dir_ / "jre.tgz", "tail");
    const qdrtest::RunResult result = build(std::string(kProjectStart) + "jre_archive = \"jre.tgz\"\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const auto [gzip, config] = builtJre();
    EXPECT_TRUE(gzip == qdrtest::readFile(dir_ / "jre.tgz"));
    EXPECT_EQ(config.at(151), "70004");
}

TEST_F(JreArchiveTest, ConfigTableKeepsItsOwnSizeForAPackedHome) {
    makeMinimalHome();
    const qdrtest::RunResult result =
        build(std::string(kProjectStart) + "jre_archive = \"home\"\n[config]\n151 = 99\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(builtJre().second.at(151), "99");
}

}  // namespace
