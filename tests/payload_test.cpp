#include "payload.h"

#include <gtest/gtest.h>

#include "launcher_roles.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

payload::Message message(int id, const std::u16string& text) { return {id, text}; }

TEST(PayloadLoad, ReadsTablesInOrderAndLaterDuplicatesWin) {
    TempDir dir;
    payload::Contents contents;
    contents.config = {{101, "first"}, {122, "com.example.Main"}, {101, "second"}, {107, "1"}};
    contents.messages = {message(1000, u"Fehler"), message(20013, u"Zw\u00f6lf \u20ac \U0001F600"),
                         message(1000, u"Error")};
    const ChildResult result = runOwnImage(dir, "dump-payload", contents);
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const PayloadDump dump = parsePayloadDump(result.out);
    EXPECT_EQ(dump.config.at(101), "second");
    EXPECT_EQ(dump.config.at(122), "com.example.Main");
    EXPECT_EQ(dump.messages.at(1000), L"Error");
    EXPECT_EQ(dump.messages.at(20013), L"Zw\u00f6lf \u20ac \U0001F600");
    EXPECT_TRUE(dump.gui) << "launcher type 1 keeps message boxes";
}

TEST(PayloadLoad, LauncherTypeDecidesWhereFatalMessagesGo) {
    const struct {
        const char* type;
        bool gui;
    } cases[] = {{"1", true}, {"5", true}, {"0", false}, {"2", false}, {nullptr, false}, {"x", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type ? c.type : "absent");
        TempDir dir;
        payload::Contents contents;
        if (c.type) contents.config = {{107, c.type}};
        const ChildResult result = runOwnImage(dir, "dump-payload", contents);
        ASSERT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(parsePayloadDump(result.out).gui, c.gui);
    }
}

// The container with its 20-byte header and records, for cutting at chosen places.
struct Layout {
    std::string bytes;
    std::size_t inConfig, inMessages, inLanguageKey, inLanguageEntry, blockCount;
};

Layout layoutWithEveryRecordKind() {
    payload::Contents contents;
    contents.config = {{101, "abcdefgh"}};
    contents.messages = {message(1000, u"Error text")};
    contents.languages = {{"de", {message(1000, u"Fehlertext")}}};
    Layout layout;
    layout.bytes = payload::serializeContainer(contents);
    const std::size_t config = 20 + 4;  // after the configuration count
    layout.inConfig = config + 4 + 4 + 3;
    const std::size_t messages = config + 4 + 4 + 8 + 4;  // after the message count
    layout.inMessages = messages + 4 + 4 + 5;
    layout.blockCount = messages + 4 + 4 + 20;
    layout.inLanguageKey = layout.blockCount + 4 + 4 + 1;
    layout.inLanguageEntry = layout.blockCount + 4 + 4 + 2 + 4 + 4 + 4 + 6;
    return layout;
}

TEST(PayloadLoad, CutOrCorruptPayloadsEndWithTheReadersText) {
    const Layout layout = layoutWithEveryRecordKind();
    auto cut = [&](std::size_t at) { return layout.bytes.substr(0, at); };
    auto withIntAt = [&](std::size_t at, std::uint32_t value) {
        std::string bytes = layout.bytes;
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    const struct {
        const char* name;
        std::string container;
        const char* text;
    } cases[] = {
        {"no payload at all", "", "Internal Error: readInt"},
        {"wrong magic", withIntAt(0, 0x12345678), "Internal Error: magic"},
        {"cut in the header", cut(10), "Internal Error: readInt"},
        {"cut in the covered length", cut(16), "Internal Error: readLong"},
        {"cut in a configuration value", cut(layout.inConfig), "Internal Error: readString"},
        {"cut in a message text", cut(layout.inMessages), "Internal Error: readWString"},
        {"cut before the block count", cut(layout.blockCount), "Internal Error: readInt"},
        {"cut in a language key", cut(layout.inLanguageKey), "Internal Error: readString"},
        {"cut in a language entry", cut(layout.inLanguageEntry), "Internal Error: readWString"},
        {"configuration length past the end", withIntAt(20 + 4 + 4, 0x7FFFFFFF), "Internal Error: readString"},
        {"negative configuration length", withIntAt(20 + 4 + 4, 0xFFFFFFF0), "Internal Error: readString"},
        {"message length past the end", withIntAt(20 + 4 + 4 + 4 + 8 + 4 + 4, 0x7FFFFFFE),
         "Internal Error: readWString"},
        {"huge configuration count", withIntAt(20, 0x7FFFFFFF), "Internal Error: readString"},
    };
    const std::string stub = payload::stubImage(readFileBytes(ownExecutablePath()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFileBytes(dir.file(L"image.exe"), stub + c.container);
        ChildOptions options;
        options.arguments = L"--child=dump-payload-console";
        options.environment = logInDirEnvironment(dir.path());
        const ChildResult result = runChild(dir.file(L"image.exe"), options);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.err.rfind(c.text, 0), 0u) << result.err;
        EXPECT_NE(result.err.find("Log: "), std::string::npos) << result.err;
        EXPECT_EQ(result.out.find("locale"), std::string::npos) << "nothing is loaded after a fatal read";
    }
}

TEST(PayloadLoad, ShortReadOfAnIntLogsTheBytesRead) {
    TempDir dir;
    const std::string stub = payload::stubImage(readFileBytes(ownExecutablePath()));
    writeFileBytes(dir.file(L"image.exe"), stub + std::string("\xD5\x13", 2));
    ChildOptions options;
    options.arguments = L"--child=dump-payload-console";
    options.environment = logInDirEnvironment(dir.path());
    EXPECT_EQ(runChild(dir.file(L"image.exe"), options).exitCode, 1u);
    const auto logs = findLogs(dir.path());
    ASSERT_EQ(logs.size(), 1u);
    const std::string log = readLog(logs.front());
    EXPECT_NE(log.find(" 2\r\n\r\n"), std::string::npos) << "\"error %d %d\\n\" with 2 bytes read: " << log;
}

TEST(PayloadLoad, WrongMagicInTheLauncherShowsAMessageBox) {
    TempDir dir;
    const std::string stub = payload::stubImage(readFileBytes(launcherStubPath()));
    writeFileBytes(dir.file(L"setup.exe"), stub + std::string(64, 'x'));
    ChildOptions options;
    options.arguments = L"-q";
    options.environment = {{L"TMP", dir.path()}, {L"TEMP", dir.path()}};
    std::optional<MessageBoxInfo> box;
    const ChildResult result = runAnsweringMessageBox(dir.file(L"setup.exe"), options, IDOK, box);
    EXPECT_EQ(result.exitCode, 1u);
    ASSERT_TRUE(box.has_value()) << "the switches are not read yet, so even -q shows the box";
    const auto logs = findLogs(dir.path());
    ASSERT_EQ(logs.size(), 1u) << "the shown log path keeps the log";
    EXPECT_EQ(box->text, L"Internal Error: magic\n\nLog: " + logs.front());
    EXPECT_EQ(box->caption, L"") << "no message table yet, so no caption";
}

// The accessors work on the tables as loaded; these cases fill the tables directly.
class Accessors : public ::testing::Test {
   protected:
    void SetUp() override {
        configTable.clear();
        messageTable.clear();
    }
};

TEST_F(Accessors, AbsentIdsGiveEmptyValues) {
    char buffer[16] = "canary";
    EXPECT_EQ(getConfigString(555, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(getConfigInt(555), 0);
    EXPECT_EQ(dupConfigString(555), "");
    EXPECT_EQ(getMessage(555), L"");
    EXPECT_EQ(getMessageText(555), L"");
    wchar_t wide[8] = L"canary";
    getConfigStringW(555, wide, 8);
    EXPECT_STREQ(wide, L"");
}

TEST_F(Accessors, MessageTextFallsBackToConfiguration) {
    configTable[1000] = "Config caption \xE9";
    EXPECT_EQ(getMessage(1000), L"");
    EXPECT_EQ(getMessageText(1000), L"Config caption \u00e9") << "bytes are widened one to one";
    messageTable[1000] = L"Message caption";
    EXPECT_EQ(getMessageText(1000), L"Message caption");
}

TEST_F(Accessors, IntegersReadLikeStrtol) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {{"42", 42}, {"  -7", -7}, {"+3x", 3}, {"x3", 0}, {"", 0}, {"0012", 12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        configTable[150] = c.value;
        EXPECT_EQ(getConfigInt(150), c.expected);
    }
}

TEST_F(Accessors, StringsAreCutToTheCallersBuffer) {
    configTable[160] = "abcdefghij";
    char buffer[8];
    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(getConfigString(160, buffer, 5), 4);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], 'Z') << "nothing written past the given size";
    wchar_t wide[8];
    wmemset(wide, L'Z', 8);
    getConfigStringW(160, wide, 5);
    EXPECT_STREQ(wide, L"abcd");
    EXPECT_EQ(wide[5], L'Z');
}

TEST(PayloadLoad, LongLauncherTypeIsCutLoggedAndConverted) {
    TempDir dir;
    payload::Contents contents;
    contents.config = {{107, std::string(6990, '0') + "1234567890"}};
    const ChildResult result = runOwnImage(dir, "dump-payload", contents);
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const auto logs = findLogs(dir.path());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(readLog(logs.front()).find("] ERROR: config string 107 truncated (6000 7000)\r\n"), std::string::npos);
    EXPECT_FALSE(parsePayloadDump(result.out).gui) << "5999 zeros read as 0, which is not type 1 or 5";
}

}  // namespace
