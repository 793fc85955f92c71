#include "testsupport.h"

#include <atomic>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "messages_en.h"

#ifndef QDR_SETUP_EXE
#error "QDR_SETUP_EXE must name the built launcher"
#endif

namespace testing_support {

namespace {

std::atomic<unsigned> tempCounter{0};

std::wstring currentTempPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path = buffer;
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

// The calling process's environment with `changes` applied, as a block for CreateProcessW.
std::wstring environmentBlock(const std::map<std::wstring, std::optional<std::wstring>>& changes) {
    std::map<std::wstring, std::wstring> merged;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const std::size_t equals = text.find(L'=', 1);
        if (equals != std::wstring::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        for (auto it = merged.begin(); it != merged.end();)
            it = CompareStringOrdinal(it->first.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL ? merged.erase(it)
                                                                                                   : std::next(it);
        if (value) merged[name] = *value;
    }
    std::wstring out;
    for (const auto& [name, value] : merged) out += name + L"=" + value + L'\0';
    out += L'\0';
    return out;
}

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

// Reads a child's pipe until the child has ended and nothing is left. Waiting for end-of-file
// alone could last forever: Wine's desktop process may inherit the write end from the child.
void drainUntilEnded(HANDLE from, std::string& into, const std::atomic<bool>& ended) {
    char chunk[4096];
    for (;;) {
        // Read before looking: once the child has ended, an empty pipe stays empty.
        const bool childEnded = ended;
        DWORD available = 0;
        if (!PeekNamedPipe(from, nullptr, 0, nullptr, &available, nullptr)) return;
        if (available == 0) {
            if (childEnded) return;
            Sleep(10);
            continue;
        }
        DWORD got = 0;
        if (!ReadFile(from, chunk, available < sizeof chunk ? available : sizeof chunk, &got, nullptr)) return;
        into.append(chunk, got);
    }
}

Pipe inheritablePipe() {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    Pipe pipe;
    if (!CreatePipe(&pipe.read, &pipe.write, &attributes, 0)) throw std::runtime_error("CreatePipe failed");
    SetHandleInformation(pipe.read, HANDLE_FLAG_INHERIT, 0);
    return pipe;
}

void drain(HANDLE from, std::string& into) {
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(from, chunk, sizeof chunk, &got, nullptr) && got > 0) into.append(chunk, got);
}

BOOL CALLBACK collectStaticText(HWND child, LPARAM param) {
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    if (CompareStringOrdinal(className, -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
        wchar_t text[8192] = {};
        GetWindowTextW(child, text, 8192);
        auto* found = reinterpret_cast<std::wstring*>(param);
        if (wcslen(text) > found->size()) *found = text;
    }
    return TRUE;
}

struct BoxSearch {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK findDialogOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner == search->processId && IsWindowVisible(window) && wcscmp(className, L"#32770") == 0) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TempDir::TempDir() {
    for (;;) {
        path_ = currentTempPath() + L"\\qdrtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(tempCounter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a test directory");
    }
}

TempDir::~TempDir() { removeTree(path_); }

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::string readFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + narrow(path));
    std::string bytes;
    drain(file, bytes);
    CloseHandle(file);
    return bytes;
}

void writeFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + narrow(path));
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    if (!ok) throw std::runtime_error("cannot write " + narrow(path));
}

std::wstring widen(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                         static_cast<int>(out.size()));
    out.resize(size > 0 ? size : 0);
    return out;
}

std::string narrow(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                         static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(size > 0 ? size : 0);
    return out;
}

std::wstring launcherStubPath() { return QDR_SETUP_EXE; }

std::wstring ownExecutablePath() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    return path;
}

std::wstring writeInstaller(const std::wstring& target, const payload::Contents& contents, const std::wstring& stub) {
    writeFileBytes(target, payload::buildInstaller(readFileBytes(stub), contents));
    return target;
}

payload::Contents minimalContents(std::vector<std::pair<int, std::string>> config) {
    payload::Contents contents;
    contents.config = std::move(config);
    contents.messages = payload::defaultMessages("Test Application");
    return contents;
}

ChildResult runChild(const std::wstring& program, const ChildOptions& options) {
    Pipe out = inheritablePipe();
    Pipe err = inheritablePipe();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!options.arguments.empty()) commandLine += L" " + options.arguments;
    std::wstring environment = environmentBlock(options.environment);
    PROCESS_INFORMATION process{};
    // Wine now and then refuses a start while its desktop process comes up; a second try succeeds.
    BOOL started = FALSE;
    DWORD startError = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(250);
        started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                 CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                 options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(),
                                 &startup, &process);
        if (!started) startError = GetLastError();
    }
    CloseHandle(out.write);
    CloseHandle(err.write);
    ChildResult result;
    if (!started) {
        CloseHandle(out.read);
        CloseHandle(err.read);
        throw std::runtime_error("cannot start " + narrow(program) + " (error " + std::to_string(startError) + ")");
    }
    std::atomic<bool> ended{false};
    std::thread outReader(drainUntilEnded, out.read, std::ref(result.out), std::cref(ended));
    std::thread errReader(drainUntilEnded, err.read, std::ref(result.err), std::cref(ended));
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    bool watching = static_cast<bool>(options.watch);
    for (;;) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
        if (watching) watching = !options.watch(process.dwProcessId);
        if (GetTickCount64() > deadline) {
            result.timedOut = true;
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ended = true;
    outReader.join();
    errReader.join();
    CloseHandle(out.read);
    CloseHandle(err.read);
    return result;
}

bool pathPresent(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool containsText(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::map<std::string, std::string> readReport(const std::wstring& path) {
    std::map<std::string, std::string> report;
    std::istringstream lines(readFileBytes(path));
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t equals = line.find('='); equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1);
    return report;
}

std::map<std::wstring, std::optional<std::wstring>> logInDirEnvironment(const std::wstring& dir) {
    return {{L"TMP", dir}, {L"TEMP", dir}, {L"QUILDER_LOG", L"yes"}};
}

std::vector<std::wstring> pathsMatching(const std::wstring& dir, const std::wstring& pattern) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((dir + L"\\" + pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do found.push_back(dir + L"\\" + entry.cFileName);
    while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

std::vector<std::wstring> findLogs(const std::wstring& dir) { return pathsMatching(dir, L"qdr_nlog_*.log"); }

std::string readLog(const std::wstring& path) {
    std::string text = readFileBytes(path);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

std::optional<MessageBoxInfo> findMessageBox(DWORD processId) {
    BoxSearch search{processId, nullptr};
    EnumWindows(findDialogOf, reinterpret_cast<LPARAM>(&search));
    if (!search.window) return std::nullopt;
    MessageBoxInfo box;
    box.window = search.window;
    wchar_t caption[1024] = {};
    GetWindowTextW(search.window, caption, 1024);
    box.caption = caption;
    EnumChildWindows(search.window, collectStaticText, reinterpret_cast<LPARAM>(&box.text));
    return box;
}

void answerMessageBox(const MessageBoxInfo& box, int commandId) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED), 0);
}

ChildResult runAnsweringMessageBox(const std::wstring& program, ChildOptions options, int commandId,
                                   std::optional<MessageBoxInfo>& seen) {
    seen.reset();
    options.watch = [&seen, commandId](DWORD processId) {
        auto box = findMessageBox(processId);
        if (!box || box->text.empty()) return false;
        seen = box;
        answerMessageBox(*box, commandId);
        return true;
    };
    return runChild(program, options);
}

}  // namespace testing_support
