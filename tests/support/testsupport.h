// Shared fixtures of the Windows tests: temporary directories, installers built with the payload
// writer, child processes with their own command line, environment and time-out, the launcher's
// log, and message boxes answered from the test.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "writer.h"

namespace testing_support {

// Exit code of a quiet installer run that found no Java runtime: its start-up went through and the
// work sequence reached the runtime choice.
constexpr DWORD kNoJavaRuntimeExit = 83;

// A fresh directory below the temporary directory, removed with everything in it.
class TempDir {
   public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

   private:
    std::wstring path_;
};

void removeTree(const std::wstring& path);
// Whether the file or directory exists.
bool pathPresent(const std::wstring& path);
bool containsText(const std::string& text, const std::string& part);
// The "key=value" lines that the Java test program qdrtest.Report writes.
std::map<std::string, std::string> readReport(const std::wstring& path);
std::string readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::string& bytes);
std::wstring widen(const std::string& ascii);
std::string narrow(const std::wstring& text);  // UTF-8

// The built launcher stub and this test program.
std::wstring launcherStubPath();
std::wstring ownExecutablePath();

// Writes stub + container to `target` and returns `target`.
std::wstring writeInstaller(const std::wstring& target, const payload::Contents& contents,
                            const std::wstring& stub = launcherStubPath());

// A payload that starts the launcher quietly: English messages and the given configuration.
payload::Contents minimalContents(std::vector<std::pair<int, std::string>> config = {});

struct ChildResult {
    DWORD exitCode = 0xDEADBEEF;
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ChildOptions {
    std::wstring arguments;                                // appended after the quoted program path
    std::map<std::wstring, std::optional<std::wstring>> environment;  // set, or removed with nullopt
    DWORD timeoutMs = 30000;
    std::wstring workingDirectory;
    // Called while the child runs (every 50 ms) with its process id; return true when done watching.
    std::function<bool(DWORD processId)> watch;
};

ChildResult runChild(const std::wstring& program, const ChildOptions& options);

// Environment for a launcher child that keeps its log in `dir` (TMP and TEMP point there).
std::map<std::wstring, std::optional<std::wstring>> logInDirEnvironment(const std::wstring& dir);

// The entries of `dir` that match a wildcard pattern, as full paths.
std::vector<std::wstring> pathsMatching(const std::wstring& dir, const std::wstring& pattern);
// Log files "qdr_nlog_*.log" in `dir`, and a log's text (UTF-8, BOM removed).
std::vector<std::wstring> findLogs(const std::wstring& dir);
std::string readLog(const std::wstring& path);

// A message box of `processId` that is showing now: its caption and text.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};
std::optional<MessageBoxInfo> findMessageBox(DWORD processId);
// Presses the box's button with `commandId` (IDOK, IDNO, ...).
void answerMessageBox(const MessageBoxInfo& box, int commandId);

// Runs `program` and answers the first message box it shows with `commandId`; the box (if any)
// is returned through `seen`.
ChildResult runAnsweringMessageBox(const std::wstring& program, ChildOptions options, int commandId,
                                   std::optional<MessageBoxInfo>& seen);

}  // namespace testing_support
