#include "includedfiles.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "child_roles.h"
#include "commandline.h"
#include "launcher_roles.h"
#include "messages_en.h"
#include "payload.h"
#include "runmode.h"
#include "testsupport.h"
#include "workdirs.h"

using namespace testing_support;

namespace {

// A stand-in for the progress window: a parent with a child 1001 that records what it is sent.
std::vector<std::string> progressMessages;

LRESULT CALLBACK countingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS) progressMessages.push_back("pos " + std::to_string(wParam));
    if (message == PBM_SETRANGE)
        progressMessages.push_back("range " + std::to_string(LOWORD(lParam)) + " " + std::to_string(HIWORD(lParam)));
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND countingProgressWindow() {
    WNDCLASSW barClass{};
    barClass.lpfnWndProc = countingBarProc;
    barClass.hInstance = GetModuleHandleW(nullptr);
    barClass.lpszClassName = L"QdrCountingBar";
    RegisterClassW(&barClass);
    HWND parent = CreateWindowW(L"STATIC", L"progress", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CreateWindowW(L"QdrCountingBar", L"", WS_CHILD, 0, 0, 1, 1, parent, reinterpret_cast<HMENU>(1001), nullptr,
                  nullptr);
    return parent;
}

void useDefaultMessages() {
    for (const payload::Message& message : payload::defaultMessages("Test"))
        messageTable[message.id] = std::wstring(message.text.begin(), message.text.end());
}

// Child role: the integrity check alone, on the payload of the program's own image. Arguments
// after the role: "-nocheck" and "--window" (a counting progress window).
int verifyRole() {
    guiMessages = false;
    useDefaultMessages();
    ArgList argList;
    tokenizeCommandLine(GetCommandLineW(), argList);
    applySwitches(argList);
    HWND window = nullptr;
    for (const auto& argument : argList)
        if (argument == L"--window") window = countingProgressWindow();
    verifyPayloadIntegrity(window);
    for (const std::string& message : progressMessages) printf("%s\n", message.c_str());
    printf("verified\n");
    return 0;
}

// Child role: loads the payload and extracts into QDR_WORKDIR; prints the result and position.
int extractRole() {
    loadOwnPayloadWithDefaultMessages();
    char directory[MAX_PATH] = {};
    GetEnvironmentVariableA("QDR_WORKDIR", directory, MAX_PATH);
    workDir = directory;
    const int result = extractIncludedFiles();
    workDir.clear();
    printf("result %d position %lld\n", result, unextractedPosition);
    return 0;
}

const bool registered =
    registerChildRole("verify", verifyRole) && registerChildRole("extract", extractRole);

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

ChildResult runImage(const TempDir& dir, const std::string& image, const std::wstring& arguments,
                     std::map<std::wstring, std::optional<std::wstring>> environment = {}) {
    writeFileBytes(dir.file(L"image.exe"), image);
    ChildOptions options;
    options.arguments = arguments;
    options.environment = logInDirEnvironment(dir.path());
    for (auto& [name, value] : environment) options.environment[name] = value;
    return runChild(dir.file(L"image.exe"), options);
}

std::string ownStub() { return payload::stubImage(readFileBytes(ownExecutablePath())); }

std::string logOf(const TempDir& dir) {
    const auto logs = findLogs(dir.path());
    return logs.empty() ? std::string() : readLog(logs.front());
}

std::vector<std::string> outputLines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

payload::Contents filesOf(std::size_t totalSize) {
    payload::Contents contents;
    contents.files = {{"big.bin", randomBytes(totalSize, 1)}, {"small.txt", "hello"}};
    return contents;
}

TEST(Integrity, IntactPayloadPassesAndProgressOnlyGrows) {
    TempDir dir;
    const ChildResult result = runImage(dir, ownStub() + payload::serializeContainer(filesOf(3 * 1000 * 1000)),
                                        L"--child=verify --window");
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    std::vector<std::string> lines = outputLines(result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "verified");
    lines.pop_back();
    EXPECT_LE(lines.size(), 100u);
    EXPECT_GE(lines.size(), 90u) << "3 MB in 12000-byte blocks reach nearly every percentage";
    int last = 0;
    for (const std::string& line : lines) {
        ASSERT_EQ(line.rfind("pos ", 0), 0u) << line;
        const int percent = std::stoi(line.substr(4));
        EXPECT_GT(percent, last);
        last = percent;
    }
    EXPECT_EQ(last, 100);
    const std::string log = logOf(dir);
    EXPECT_NE(log.find("verifying integrity length "), std::string::npos) << log;
    EXPECT_TRUE(log.find("] checksums: ") != std::string::npos) << log;
}

TEST(Integrity, SwitchedOffByTheHeaderOrNocheckSkipsTheRange) {
    payload::Contents unchecked = filesOf(100000);
    unchecked.checkFlag = false;
    std::string corrupted = payload::serializeContainer(filesOf(100000));
    corrupted[corrupted.size() - 3] ^= 0x55;
    const struct {
        const char* name;
        std::string container;
        const wchar_t* arguments;
    } cases[] = {{"check flag 0", payload::serializeContainer(unchecked), L"--child=verify --window"},
                 {"-nocheck on a wrong checksum", corrupted, L"--child=verify --window -nocheck"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const ChildResult result = runImage(dir, ownStub() + c.container, c.arguments);
        ASSERT_EQ(result.exitCode, 0u) << result.err;
        EXPECT_EQ(outputLines(result.out), (std::vector<std::string>{"range 100 400", "pos 101", "verified"}));
        EXPECT_EQ(logOf(dir).find("verifying integrity"), std::string::npos);
    }
}

TEST(Integrity, MismatchShowsTheCorruptionBoxEvenWhenQuiet) {
    std::string corrupted = payload::serializeContainer(filesOf(50000));
    corrupted[corrupted.size() - 10] ^= 0x01;
    std::string wrongMagic = payload::serializeContainer(filesOf(1000));
    wrongMagic[0] = 'X';
    const struct {
        const char* name;
        std::string container;
    } cases[] = {{"one flipped bit", corrupted}, {"wrong magic", wrongMagic}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFileBytes(dir.file(L"image.exe"), ownStub() + c.container);
        ChildOptions options;
        options.arguments = L"--child=verify -q";
        options.environment = logInDirEnvironment(dir.path());
        std::optional<MessageBoxInfo> box;
        const ChildResult result = runAnsweringMessageBox(dir.file(L"image.exe"), options, IDOK, box);
        EXPECT_EQ(result.exitCode, 1u);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, L"The installation file is corrupted. If it is a download please try it again.");
        EXPECT_EQ(box->caption, L"quilder Wizard");
        EXPECT_EQ(result.out.find("verified"), std::string::npos);
    }
}

TEST(Integrity, CoveredLengthPastTheEndIsAReadError) {
    std::string container = payload::serializeContainer(filesOf(20000));
    const long long tooLong = static_cast<long long>(container.size()) + 5000;
    for (int i = 0; i < 8; ++i) container[12 + i] = static_cast<char>((tooLong >> (8 * i)) & 0xFF);
    TempDir dir;
    const ChildResult result = runImage(dir, ownStub() + container, L"--child=verify");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err.rfind("An internal error occurred (error code: 34)", 0), 0u) << result.err;
    EXPECT_NE(logOf(dir).find("ERROR: check ReadFile failed 0 "), std::string::npos) << logOf(dir);
}

// Extraction into a work directory below the test's directory.
struct Extraction {
    ChildResult result;
    std::wstring work;
    std::string log;
    long long expectedEnd = 0;  // file offset where the application data starts
};

Extraction extract(const TempDir& dir, const payload::Contents& contents, std::string container = {}) {
    Extraction run;
    run.work = dir.file(L"work");
    CreateDirectoryW(run.work.c_str(), nullptr);
    const std::string stub = ownStub();
    if (container.empty()) container = payload::serializeContainer(contents);
    run.expectedEnd = static_cast<long long>(stub.size() + container.size() - contents.applicationData.size());
    run.result = runImage(dir, stub + container, L"--child=extract", {{L"QDR_WORKDIR", run.work}});
    run.log = logOf(dir);
    return run;
}


TEST(Extraction, WritesFilesAndTheirFirstLevelDirectory) {
    TempDir dir;
    payload::Contents contents;
    contents.files = {{"app.jar", randomBytes(20000, 7)}, {"lib\\native.dll", "native"}, {"empty.txt", ""}};
    contents.applicationData = "APPDATA";
    const Extraction run = extract(dir, contents);
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(outputLines(run.result.out).at(0), "result 0 position " + std::to_string(run.expectedEnd));
    EXPECT_EQ(readFileBytes(run.work + L"\\app.jar"), contents.files[0].data);
    EXPECT_EQ(readFileBytes(run.work + L"\\lib\\native.dll"), "native");
    EXPECT_FALSE(pathPresent(run.work + L"\\empty.txt")) << "zero-length files are not created";
    EXPECT_NE(run.log.find("creating directory " + narrow(run.work) + "\\lib"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("extracting files done"), std::string::npos);
}

TEST(Extraction, CountAndNameListDecideTogether) {
    const struct {
        const char* name;
        const char* count;
        const char* names;
        std::vector<const wchar_t*> present, absent;
        int recordsRead;
    } cases[] = {
        {"fewer files than names", "1", "a.txt;b.txt;c.txt;", {L"a.txt"}, {L"b.txt", L"c.txt"}, 1},
        {"runs of separators", "3", ";;a.txt;;;b.txt;c.txt", {L"a.txt", L"b.txt", L"c.txt"}, {}, 3},
        {"more files than names", "9", "a.txt;b.txt", {L"a.txt", L"b.txt"}, {L"c.txt"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        payload::Contents contents;
        contents.describeFiles = false;
        contents.config = {{2002, c.count}, {2003, c.names}};
        contents.files = {{"a", "AAAA"}, {"b", "BBBB"}, {"c", "CCCC"}};
        const Extraction run = extract(dir, contents);
        ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
        const long long recordsEnd = run.expectedEnd - (3 - c.recordsRead) * (8 + 4);
        EXPECT_EQ(outputLines(run.result.out).at(0), "result 0 position " + std::to_string(recordsEnd));
        for (const wchar_t* name : c.present) EXPECT_TRUE(pathPresent(run.work + L"\\" + name)) << narrow(name);
        for (const wchar_t* name : c.absent) EXPECT_FALSE(pathPresent(run.work + L"\\" + name)) << narrow(name);
    }
}

TEST(Extraction, NoIncludedFilesLeavesThePositionAtZero) {
    TempDir dir;
    const Extraction run = extract(dir, payload::Contents{});
    EXPECT_EQ(outputLines(run.result.out).at(0), "result 0 position 0");
}

TEST(Extraction, NamesOutsideTheWorkDirectoryAreNeverWritten) {
    const char* unsafe[] = {"..\\escaped.txt", "lib\\..\\..\\escaped.txt", "C:\\escaped.txt", "c:escaped.txt",
                            "\\escaped.txt",   "/escaped.txt",           "../escaped.txt", "sub/../../escaped.txt",
                            ".. \\escaped.txt", "...\\escaped.txt",      "\\\\server\\share\\escaped.txt"};
    for (const char* name : unsafe) {
        SCOPED_TRACE(name);
        TempDir dir;
        payload::Contents contents;
        contents.describeFiles = false;
        contents.config = {{2002, "2"}, {2003, std::string("first.txt;") + name + ";"}};
        contents.files = {{"first", "first"}, {"second", "must not be written"}};
        const Extraction run = extract(dir, contents);
        ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
        EXPECT_EQ(outputLines(run.result.out).at(0), "result 1 position 0");
        EXPECT_TRUE(pathPresent(run.work + L"\\first.txt"));
        EXPECT_FALSE(pathPresent(dir.file(L"escaped.txt")));
        EXPECT_FALSE(pathPresent(L"C:\\escaped.txt"));
        EXPECT_NE(run.log.find(std::string("ERROR: included file name outside the work directory: ") + name),
                  std::string::npos)
            << run.log;
    }
}

TEST(Extraction, NamesThatStayInsideAreAccepted) {
    for (const char* name : {"a.txt", "lib\\a.jar", "a..b.txt", ".hidden", "dir.d\\x"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(isSafeIncludedName(name));
    }
}

TEST(Extraction, CutPayloadIsAReadFailure) {
    TempDir dir;
    payload::Contents contents;
    contents.files = {{"data.bin", randomBytes(30000, 3)}};
    std::string container = payload::serializeContainer(contents);
    container.resize(container.size() - 10000);
    const Extraction run = extract(dir, contents, container);
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(outputLines(run.result.out).at(0), "result 1 position 0");
    EXPECT_NE(run.log.find("ERROR: ReadFile failed 0 "), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("ERROR: Failed to extract "), std::string::npos) << run.log;
}

TEST(Extraction, ATargetThatCannotBeCreatedIsAnInternalError) {
    TempDir dir;
    payload::Contents contents;
    contents.files = {{"one\\two\\three.txt", "deep"}};
    const Extraction run = extract(dir, contents);
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_EQ(run.result.err.rfind("An internal error occurred (error code: 11)", 0), 0u) << run.result.err;
}

// The build tree holds a directory whose file "full.bin" is a link to /dev/full: every write to it
// fails as on a full disk.
TEST(Extraction, AFullDiskIsAWriteFailure) {
    TempDir dir;
    const std::wstring work = QDR_DISK_FULL_DIR;
    payload::Contents contents;
    contents.files = {{"full.bin", randomBytes(20000, 5)}};
    const std::string stub = ownStub();
    const ChildResult result =
        runImage(dir, stub + payload::serializeContainer(contents), L"--child=extract", {{L"QDR_WORKDIR", work}});
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(outputLines(result.out).at(0), "result 2 position 0");
    EXPECT_NE(logOf(dir).find("ERROR: WriteFile failed 6000 "), std::string::npos) << logOf(dir);
}

}  // namespace
