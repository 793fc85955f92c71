#include "log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "JavaVMLauncher.h"
#include "paths.h"
#include "payload.h"
#include "runmode.h"
#include "textconv.h"
#include "winapi_twins.h"
#include "workdirs.h"

bool keepLog = false;
bool logPathShown = false;
HWND messageOwner = nullptr;

namespace {

CRITICAL_SECTION* logLock = nullptr;
bool logInitialised = false;
std::wstring logPath;
HANDLE logStream = INVALID_HANDLE_VALUE;
ULONGLONG logStartMillis = 0;

ULONGLONG currentMillis() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

// Writes UTF-16 text as UTF-8, turning every "\n" into CR LF as a text-mode stream would.
void writeText(const std::wstring& text) {
    if (logStream == INVALID_HANDLE_VALUE) return;
    std::wstring lines;
    for (wchar_t ch : text) {
        if (ch == L'\n') lines += L'\r';
        lines += ch;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return;
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), utf8.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(logStream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring formatText(const wchar_t* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::wstring text(length + 1, L'\0');
    _vsnwprintf(text.data(), text.size(), format, args);
    text.resize(length);
    return text;
}

// Opens the log with truncation ("w") or for appending ("a"); a file that is new gets the BOM.
bool openStream(bool truncate) {
    logStream = CreateFileW(logPath.c_str(), truncate ? GENERIC_WRITE : FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logStream == INVALID_HANDLE_VALUE) return false;
    if (truncate || GetLastError() != ERROR_ALREADY_EXISTS) {
        DWORD written = 0;
        WriteFile(logStream, "\xEF\xBB\xBF", 3, &written, nullptr);
    }
    return true;
}

void closeStream() {
    if (logStream != INVALID_HANDLE_VALUE) CloseHandle(logStream);
    logStream = INVALID_HANDLE_VALUE;
}

void deleteLogUnlessShown() {
    if (!logPathShown && !logPath.empty()) DeleteFileW(logPath.c_str());
}

bool environmentSaysKeep(const char* name) {
    char value[kPathCapacity] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, kPathCapacity);
    return length > 0 && length < kPathCapacity && std::string(value) == "yes";
}

std::wstring chooseLogPath() {
    std::wstring dir = resolveTempPathW(false);
    if (dir.empty())
        dir = L"c:\\";
    else if (dir.back() != L'\\' && dir.back() != L'/')
        dir += L'\\';
    std::wstring candidate;
    for (int n = 1; n <= 1000; ++n) {
        candidate = dir + L"qdr_nlog_" + std::to_wstring(n) + L".log";
        if (!pathExistsW(candidate)) break;
    }
    return candidate;
}

void writeHeader() {
    wchar_t module[kPathCapacity] = {};
    GetModuleFileNameW(nullptr, module, kPathCapacity);
    const time_t now = time(nullptr);
    const char* started = ctime(&now);
    const std::wstring header = std::wstring(L"Started executable ") + module + L" at " +
                                widenBytes(started ? started : "") + L"\n";
    writeText(header);
    FlushFileBuffers(logStream);
    logStartMillis = currentMillis();
}

// Enters the lock and opens the stream, creating the log on first use. The caller leaves the lock.
void openLog() {
    if (!logLock) {
        logLock = new CRITICAL_SECTION;
        InitializeCriticalSection(logLock);
    }
    EnterCriticalSection(logLock);
    if (!logPath.empty() && logStream == INVALID_HANDLE_VALUE) openStream(false);
    if (logInitialised) return;
    logInitialised = true;
    if (!keepLog && !environmentSaysKeep("VANTLE_LOG") && !environmentSaysKeep("QUILDER_LOG"))
        atexit(deleteLogUnlessShown);

    logPath = chooseLogPath();
    if (!openStream(true)) {
        logPath = L"c:\\qdr_nlog";
        if (!openStream(true)) return;
    }
    writeHeader();
}

void writeLine(bool error, const wchar_t* format, va_list args) {
    openLog();
    if (logStream != INVALID_HANDLE_VALUE) {
        const DWORD elapsed = static_cast<DWORD>(currentMillis()) - static_cast<DWORD>(logStartMillis);
        wchar_t prefix[64];
        _snwprintf(prefix, 64, L"[%d:%d] ", static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
        // One write per line: the file on disk is always complete up to its last line.
        writeText(prefix + std::wstring(error ? L"ERROR: " : L"") + formatText(format, args) + L"\n");
    }
    closeStream();
    LeaveCriticalSection(logLock);
}

std::wstring replaceFirstPlaceholder(std::wstring text, const wchar_t* argument) {
    if (!argument) return text;
    const std::size_t at = text.find(L"{0}");
    if (at != std::wstring::npos) text.replace(at, 3, argument);
    return text;
}

}  // namespace

void logMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(false, format, args);
    va_end(args);
}

void logError(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(true, format, args);
    va_end(args);
}

const wchar_t* logPathForDisplay() {
    if (logPath.empty()) return nullptr;
    logPathShown = true;
    return logPath.c_str();
}

void showFatalMessage(const wchar_t* text) {
    splashScreen(false);
    std::wstring composed = text;
    if (const wchar_t* path = logPathForDisplay()) {
        wchar_t longPath[kPathCapacity] = {};
        const DWORD length = GetLongPathNameW(path, longPath, kPathCapacity);
        composed += L"\n\nLog: ";
        composed += length > 0 && length < kPathCapacity ? longPath : path;
    }
    if (guiMessages) {
        MessageBoxW(messageOwner, composed.c_str(), getMessageText(1000).c_str(), MB_ICONERROR | MB_OK);
    } else {
        fputs((toFileApiString(composed) + "\n").c_str(), stderr);
        fflush(stderr);
    }
}

void showMessageWithArg(int id, const wchar_t* argument) {
    showFatalMessage(replaceFirstPlaceholder(getMessageText(id), argument).c_str());
}

void showMessageWithArgA(int id, const char* argument) {
    const std::wstring wide = widenBytes(argument ? argument : "").substr(0, kPathCapacity - 1);
    showMessageWithArg(id, argument ? wide.c_str() : nullptr);
}

void exitLauncher(int code) {
    if (!restartMode && !workDir.empty()) {
        emptyDirectory(workDir, true);
        // The work sequence runs inside the work directory, and Windows keeps a process's current
        // directory from being removed.
        const std::string parent = workDir.substr(0, workDir.find_last_of('\\') + 1);
        if (!parent.empty()) SetCurrentDirectoryA(parent.c_str());
        RemoveDirectoryA(workDir.c_str());
    }
    ExitProcess(code);
}

void fatalText(const wchar_t* text) {
    showFatalMessage(text);
    exitLauncher(1);
}

void fatalMessage(int id) {
    showFatalMessage(getMessage(id).c_str());
    exitLauncher(1);
}

void fatalMessageArg(int id, const wchar_t* argument) {
    showMessageWithArg(id, argument);
    exitLauncher(1);
}

void fatalMessageArgA(int id, const char* argument) {
    showMessageWithArgA(id, argument);
    exitLauncher(1);
}

bool reportJavaException(JNIEnv* env, bool describe) {
    jthrowable exception = env->ExceptionOccurred();
    if (!exception) return true;
    logError(L"an exception occurred");
    // JNI allows no calls but a few while an exception is pending, so it is taken aside while its
    // toString runs and thrown again only for the JVM to print it.
    env->ExceptionClear();
    if (jclass type = env->GetObjectClass(exception)) {
        if (jmethodID toString = env->GetMethodID(type, "toString", "()Ljava/lang/String;")) {
            auto text = static_cast<jstring>(env->CallObjectMethod(exception, toString));
            if (text && !env->ExceptionCheck()) {
                if (const jchar* chars = env->GetStringChars(text, nullptr)) {
                    const std::wstring copy(reinterpret_cast<const wchar_t*>(chars), env->GetStringLength(text));
                    env->ReleaseStringChars(text, chars);
                    logError(L"%s", copy.c_str());
                }
            }
        }
    }
    env->ExceptionClear();
    if (describe) {
        env->Throw(exception);
        env->ExceptionDescribe();
    }
    env->ExceptionClear();
    return false;
}
