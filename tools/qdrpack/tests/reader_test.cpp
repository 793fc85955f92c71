// The container reader against the writer, against a layout written out by hand, and against
// damaged images.
#include "reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

#include "bytes.h"
#include "format.h"
#include "test_support.h"

namespace {

using payload::Contents;
using payload::FormatError;
using payload::readInstaller;

Contents richContents() {
    Contents contents;
    contents.config = {{101, "Hello"}, {107, "1"}, {101, "Hello again"}, {5, ""}};
    contents.messages = {{1000, u"Fehler"}, {20013, u"Gr\u00FC\u00DFe \u20AC \U0001D11E"}, {7, u""}};
    contents.languages = {{"de", {{20013, u"Assistent"}}}, {"pt_BR", {{1000, u"Erro"}, {1005, u"\u00E7"}}}};
    std::string binary;
    for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
    contents.files = {{"readme.txt", "hello\n"}, {"lib\\app.jar", binary}, {"empty.txt", ""}};
    contents.applicationData = "APPDATA";
    return contents;
}

TEST(ReaderRoundTrip, GivesBackWhatTheWriterStored) {
    const Contents written = richContents();
    const std::string image = payload::buildInstaller(qdrtest::minimalPe(), written);
    const payload::InstallerPayload read = readInstaller(image);

    EXPECT_EQ(read.offset, qdrtest::kMinimalPeSize);
    EXPECT_EQ(read.checkFlag, 1);
    EXPECT_TRUE(read.checksumHolds());
    EXPECT_EQ(read.coveredLength, image.size() - qdrtest::kMinimalPeSize - payload::kHeaderSize);

    // Order and duplicates as written, then the records describing the files.
    std::vector<std::pair<int, std::string>> config = written.config;
    config.emplace_back(2002, "3");
    config.emplace_back(2003, "readme.txt;lib\\app.jar;empty.txt;");
    EXPECT_EQ(read.contents.config, config);

    ASSERT_EQ(read.contents.messages.size(), written.messages.size());
    for (std::size_t i = 0; i < written.messages.size(); ++i) {
        EXPECT_EQ(read.contents.messages[i].id, written.messages[i].id);
        EXPECT_EQ(read.contents.messages[i].text, written.messages[i].text);
    }
    ASSERT_EQ(read.contents.languages.size(), 2u);
    EXPECT_EQ(read.contents.languages[1].key, "pt_BR");
    ASSERT_EQ(read.contents.languages[1].entries.size(), 2u);
    EXPECT_EQ(read.contents.languages[1].entries[1].text, u"\u00E7");

    ASSERT_EQ(read.contents.files.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read.contents.files[i].name, written.files[i].name);
        EXPECT_EQ(read.contents.files[i].data, written.files[i].data);
    }
    EXPECT_EQ(read.contents.applicationData, "APPDATA");
    EXPECT_EQ(read.applicationDataOffset, image.size() - 7);
    // Nothing is lost: the records rebuild the stored bytes.
    EXPECT_EQ(payload::serializeContainer(read.contents), image.substr(read.offset));
}

TEST(ReaderRoundTrip, FileBytesAreScrambledInTheImage) {
    Contents contents;
    contents.files = {{"a.txt", "plain text"}};
    const std::string image = payload::buildInstaller(qdrtest::minimalPe(), contents);
    const payload::InstallerPayload read = readInstaller(image);
    const std::size_t dataAt = read.applicationDataOffset - 10;
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(static_cast<unsigned char>(image[dataAt + i]),
                  static_cast<unsigned char>("plain text"[i] ^ payload::kScrambleKey));
    EXPECT_EQ(read.contents.files[0].data, "plain text");
}

// An independent encoding of the layout, with the offset of every field, to patch damaged images.
class Layout {
   public:
    void field(const std::string& name, std::uint64_t value, int size) {
        offsets_[name] = bytes_.size();
        payload::putLe(bytes_, value, size);
    }
    void text(const std::string& name, const std::string& bytes) {
        field(name + " length", bytes.size(), 4);
        bytes_ += bytes;
    }
    void raw(const std::string& bytes) { bytes_ += bytes; }
    std::size_t at(const std::string& name) const { return offsets_.at(name); }
    std::string container() const {
        std::string header;
        payload::putLe(header, payload::kMagic, 4);
        payload::putLe(header, 1, 4);
        payload::putLe(header, crc32(0, reinterpret_cast<const Bytef*>(bytes_.data()), bytes_.size()), 4);
        payload::putLe(header, bytes_.size(), 8);
        return header + bytes_;
    }

   private:
    std::string bytes_;
    std::map<std::string, std::size_t> offsets_;  // relative to the end of the header
};

// One record of every kind: config 1 = "ab" plus the two file records, message 2 = "x",
// block "de" with message 3 = "y", file "f" = "zz", application data "AD".
Layout smallLayout() {
    Layout layout;
    layout.field("config count", 3, 4);
    layout.field("config id", 1, 4);
    layout.text("config value", "ab");
    layout.field("file count id", 2002, 4);
    layout.text("file count", "1");
    layout.field("file names id", 2003, 4);
    layout.text("file names", "f;");
    layout.field("message count", 1, 4);
    layout.field("message id", 2, 4);
    layout.text("message text", std::string("x\0", 2));
    layout.field("language count", 1, 4);
    layout.text("language key", "de");
    layout.field("entry count", 1, 4);
    layout.field("entry id", 3, 4);
    layout.text("entry text", std::string("y\0", 2));
    layout.field("file length", 2, 8);
    layout.raw(std::string(2, static_cast<char>('z' ^ payload::kScrambleKey)));
    layout.raw("AD");
    return layout;
}

Contents smallContents() {
    Contents contents;
    contents.config = {{1, "ab"}};
    contents.messages = {{2, u"x"}};
    contents.languages = {{"de", {{3, u"y"}}}};
    contents.files = {{"f", "zz"}};
    contents.applicationData = "AD";
    return contents;
}

TEST(ReaderLayout, WriterMatchesTheLayoutByHand) {
    EXPECT_EQ(payload::serializeContainer(smallContents()), smallLayout().container());
}

std::string withField(const Layout& layout, const std::string& name, std::uint64_t value, int size) {
    std::string container = layout.container();
    std::string bytes;
    payload::putLe(bytes, value, size);
    container.replace(payload::kHeaderSize + layout.at(name), bytes.size(), bytes);
    return qdrtest::minimalPe() + container;
}

TEST(ReaderRobustness, AbsurdOrNegativeFieldsAreFormatErrors) {
    const Layout layout = smallLayout();
    struct Case {
        const char* field;
        std::uint64_t value;
        int size;
        const char* expected;  // part of the message
    };
    const Case cases[] = {
        {"config count", 0x7fffffff, 4, "configuration record count 2147483647"},
        {"config value length", 0x7fffffff, 4, "configuration record 0 (id 1) value"},
        {"config value length", 0xffffffff, 4, "negative length"},
        {"message count", 0x7fffffff, 4, "message count"},
        {"message text length", 0x7fffffff, 4, "message 0 (id 2) text"},
        {"message text length", 1, 4, "odd byte length"},
        {"language count", 0x7fffffff, 4, "language block count"},
        {"language key length", 0x7fffffff, 4, "language block 0 key"},
        {"entry count", 0x7fffffff, 4, "entry count"},
        {"entry text length", 0x7fffffff, 4, "entry 0 (id 3) text"},
        {"file length", 0x7fffffff, 8, "included file \"f\""},
        {"file length", 0x7fffffffffffffff, 8, "included file \"f\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + std::to_string(c.value));
        try {
            readInstaller(withField(layout, c.field, c.value, c.size));
            ADD_FAILURE() << "no FormatError";
        } catch (const FormatError& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << error.what();
        }
    }
}

TEST(ReaderRobustness, DamagedHeadersAreFormatErrors) {
    const std::string image = payload::buildInstaller(qdrtest::minimalPe(), smallContents());
    std::string wrongMagic = image;
    wrongMagic[qdrtest::kMinimalPeSize] ^= 1;
    std::string hugeCovered = image;
    hugeCovered.replace(qdrtest::kMinimalPeSize + 12, 8, std::string("\xff\xff\xff\x7f\0\0\0\0", 8));
    const std::pair<const char*, std::string> cases[] = {
        {"wrong magic", wrongMagic},
        {"covered length", hugeCovered},
        {"payload magic", qdrtest::minimalPe()},  // a stub without payload
        {"not a PE image", "MZ" + std::string(100, '\0')},
        {"not a PE image", ""},
    };
    for (const auto& [expected, bytes] : cases) {
        SCOPED_TRACE(expected);
        try {
            readInstaller(bytes);
            ADD_FAILURE() << "no FormatError";
        } catch (const FormatError& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    }
}

TEST(ReaderRobustness, EveryTruncationIsAFormatError) {
    const std::string image = payload::buildInstaller(qdrtest::minimalPe(), smallContents());
    for (std::size_t size = 0; size < image.size(); ++size) {
        SCOPED_TRACE("cut at " + std::to_string(size));
        EXPECT_THROW(readInstaller(image.substr(0, size)), FormatError);
    }
}

TEST(ReaderRobustness, CountsOfZeroOrLessMeanNoRecords) {
    Layout layout;
    layout.field("config count", 0, 4);
    layout.field("message count", 0xfffffffb, 4);   // -5
    layout.field("language count", 0x80000000, 4);  // INT_MIN
    layout.raw("AD");
    const payload::InstallerPayload read = readInstaller(qdrtest::minimalPe() + layout.container());
    EXPECT_TRUE(read.contents.config.empty());
    EXPECT_TRUE(read.contents.messages.empty());
    EXPECT_TRUE(read.contents.languages.empty());
    EXPECT_EQ(read.contents.applicationData, "AD");
}

TEST(ReaderChecksum, DetectsAChangedByteAndIgnoresBytesAfterTheRange) {
    const std::string image = payload::buildInstaller(qdrtest::minimalPe(), smallContents());
    const payload::InstallerPayload intact = readInstaller(image);
    EXPECT_EQ(intact.storedChecksum, intact.computedChecksum);

    std::string changed = image;
    changed[image.size() - 1] ^= 0x40;  // inside the application data
    const payload::InstallerPayload damaged = readInstaller(changed);
    EXPECT_FALSE(damaged.checksumHolds());
    EXPECT_EQ(damaged.storedChecksum, intact.storedChecksum);

    // A signature appended after the range is not part of the payload.
    const payload::InstallerPayload signedLike = readInstaller(image + std::string(64, '\x5A'));
    EXPECT_TRUE(signedLike.checksumHolds());
    EXPECT_EQ(signedLike.contents.applicationData, "AD");
}

TEST(ReaderChecksum, ReportsAClearedCheckFlag) {
    Contents contents = smallContents();
    contents.checkFlag = false;
    const payload::InstallerPayload read = readInstaller(payload::buildInstaller(qdrtest::minimalPe(), contents));
    EXPECT_EQ(read.checkFlag, 0);
    EXPECT_TRUE(read.checksumHolds());
}

// The included files follow configuration 2002 and 2003 the way the launcher extracts them.
TEST(ReaderIncludedFiles, FollowTheCountAndTheNameList) {
    struct Case {
        const char* count;
        const char* names;
        std::vector<std::string> expected;
        std::string applicationData;  // what is left after the files read
    };
    // Three stored records a, b, c of one byte each; unread records count as application data.
    const Case cases[] = {
        {"3", "a;b;c;", {"a", "b", "c"}, "AD"},
        {"2", "a;b;c;", {"a", "b"}, std::string("\1\0\0\0\0\0\0\0", 8) + char('c' ^ payload::kScrambleKey) + "AD"},
        {"3", ";;a;;b;c", {"a", "b", "c"}, "AD"},
        {"5", "a;b;c;", {"a", "b", "c"}, "AD"},
        {" +3x", "a;b;c;", {"a", "b", "c"}, "AD"},
        {"0", "a;b;c;", {}, ""},
        {"3", "", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("count \"") + c.count + "\", names \"" + c.names + "\"");
        Contents contents;
        contents.describeFiles = false;
        contents.config = {{2002, c.count}, {2003, c.names}};
        contents.files = {{"a", "a"}, {"b", "b"}, {"c", "c"}};
        contents.applicationData = "AD";
        const payload::InstallerPayload read = readInstaller(payload::buildInstaller(qdrtest::minimalPe(), contents));
        std::vector<std::string> names;
        for (const payload::IncludedFile& file : read.contents.files) {
            names.push_back(file.name);
            EXPECT_EQ(file.data, file.name);
        }
        EXPECT_EQ(names, c.expected);
        if (!c.applicationData.empty()) {
            EXPECT_EQ(read.contents.applicationData, c.applicationData);
        }
    }
}

TEST(ReaderIncludedFiles, LaterRecordsWinAndANegativeLengthIsAnEmptyFile) {
    Layout layout;
    layout.field("config count", 4, 4);
    for (const auto& [id, value] : {std::pair{2002, "1"}, {2003, "x;"}, {2002, "2"}, {2003, "a;b;"}}) {
        layout.field("id", id, 4);
        layout.text("value", value);
    }
    layout.field("message count", 0, 4);
    layout.field("language count", 0, 4);
    layout.field("length of a", 0xffffffffffffffff, 8);  // -1: no data follows
    layout.field("length of b", 1, 8);
    layout.raw(std::string(1, static_cast<char>('B' ^ payload::kScrambleKey)));
    layout.raw("AD");
    const payload::InstallerPayload read = readInstaller(qdrtest::minimalPe() + layout.container());
    ASSERT_EQ(read.contents.files.size(), 2u);
    EXPECT_EQ(read.contents.files[0].name, "a");
    EXPECT_EQ(read.contents.files[0].data, "");
    EXPECT_EQ(read.contents.files[1].name, "b");
    EXPECT_EQ(read.contents.files[1].data, "B");
    EXPECT_EQ(read.contents.applicationData, "AD");
    EXPECT_TRUE(read.checksumHolds());
}

}  // namespace
