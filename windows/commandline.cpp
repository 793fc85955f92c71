#include "commandline.h"

#include <cstdio>
#include <io.h>

#include "launchervars.h"
#include "log.h"
#include "support.h"
#include "paths.h"
#include "payload.h"
#include "runmode.h"
#include "textconv.h"
#include "winapi_twins.h"
#include "workdirs.h"

namespace {

bool consoleAttached = false;

bool isLogSwitch(const std::wstring& argument) {
    return argument == L"-create-qdr-log" || argument == L"-create-vtl-log" || argument == L"/create-qdr-log" ||
           argument == L"/create-vtl-log";
}

// A GUI program's C streams are not connected to a console it attaches later; connect them unless
// the parent handed over working handles.
void connectStreamsToConsole() {
    if (_get_osfhandle(_fileno(stdout)) < 0) freopen("CONOUT$", "w", stdout);
    if (_get_osfhandle(_fileno(stderr)) < 0) freopen("CONOUT$", "w", stderr);
}

// Tests the manual temporary directory; on success it is kept in both forms.
bool acceptManualTempDir() {
    if (!checkTempDirW(manualTempDirW, false, true)) return false;
    bool lossy = false;
    manualTempDirA = toFileApiString(manualTempDirW, &lossy);
    if (!lossy && checkTempDir(manualTempDirA, false, true)) return true;
    wchar_t shortName[kPathCapacity] = {};
    GetShortPathNameW(manualTempDirW.c_str(), shortName, kPathCapacity);
    manualTempDirA = toFileApiString(shortName, &lossy);
    return !lossy && checkTempDir(manualTempDirA, false, true);
}

void takeManualTempDir(ArgList& argList) {
    std::size_t at = 0;
    while (at < argList.size() && argList[at] != L"-temp" && argList[at] != L"/temp") ++at;
    if (at == argList.size()) return;
    if (at + 1 == argList.size() || argList[at + 1].empty()) {
        argList.erase(argList.begin() + at);
        return;
    }
    manualTempDirW = argList[at + 1];
    if (acceptManualTempDir()) {
        logMessage(L"Using manual temp dir %s (%S)", manualTempDirW.c_str(), manualTempDirA.c_str());
        return;
    }
    logMessage(L"Manual temp dir not usable %s (%S)", manualTempDirW.c_str(), manualTempDirA.c_str());
    manualTempDirW.clear();
    manualTempDirA.clear();
    argList.erase(argList.begin() + at, argList.begin() + at + 2);
}

void setWorkingDirectory() {
    wchar_t configured[kPathCapacity];
    getConfigStringW(146, configured, kPathCapacity);
    if (configured[0] == L'\0') {
        logMessage(L"working directory unchanged");
        return;
    }
    expandLauncherVariablesW(configured, kPathCapacity, true);
    const std::wstring directory = getFullPathW(configured, true, true);
    SetCurrentDirectoryW(directory.c_str());
    logMessage(L"change working directory to %s", directory.c_str());
}

void offerLogInExplorer() {
    const wchar_t* path = logPathForDisplay();
    wchar_t text[kPathCapacity];
    _snwprintf(text, kPathCapacity,
               L"The following log file will be created:\n\n%s\n\nDo you want to open an Explorer window?",
               path ? path : L"");
    text[kPathCapacity - 1] = L'\0';
    if (MessageBoxW(nullptr, text, productNameW.c_str(), MB_YESNO) != IDYES) return;
    wchar_t shortPath[MAX_PATH] = {};
    wchar_t windowsDir[MAX_PATH] = {};
    GetShortPathNameW(path ? path : L"", shortPath, MAX_PATH);
    GetWindowsDirectoryW(windowsDir, MAX_PATH);
    wchar_t command[2 * MAX_PATH + 32];
    _snwprintf(command, sizeof command / sizeof command[0], L"%s\\explorer.exe /select,%s", windowsDir, shortPath);
    command[sizeof command / sizeof command[0] - 1] = L'\0';
    logMessage(L"calling %s", command);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process)) {
        logMessage(L"could not open explorer window %d", static_cast<int>(GetLastError()));
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

void tokenizeCommandLine(const std::wstring& line, ArgList& argList) {
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t doubleQuote = line.find(L'"', at);
        const std::size_t singleQuote = line.find(L'\'', at);
        const std::size_t blank = line.find(L' ', at);
        if (line[at] == L' ') {
            ++at;
        } else if (blank != std::wstring::npos && blank < doubleQuote && blank < singleQuote) {
            argList.push_back(line.substr(at, blank - at));
            at = blank + 1;
        } else if (doubleQuote != std::wstring::npos && doubleQuote < singleQuote) {
            at = takeQuotedToken(line, at, doubleQuote, L'"', argList);
        } else if (singleQuote != std::wstring::npos) {
            at = takeQuotedToken(line, at, singleQuote, L'\'', argList);
        } else {
            argList.push_back(line.substr(at));
            at = line.size();
        }
    }
}

std::size_t takeQuotedToken(const std::wstring& line, std::size_t start, std::size_t quote, wchar_t quoteChar,
                            ArgList& argList) {
    const std::size_t closing = line.find(quoteChar, quote + 1);
    const std::size_t end = closing == std::wstring::npos ? line.size() : closing;
    argList.push_back(line.substr(start, quote - start) + line.substr(quote + 1, end - quote - 1));
    if (closing == std::wstring::npos) return line.size();
    std::size_t resume = closing + 1;
    if (resume < line.size() && line[resume] == L' ') ++resume;
    return resume;
}

void processArguments(HINSTANCE instance, ArgList& argList) {
    workDir.clear();
    if (argList.size() >= 2 && isLogSwitch(argList[1])) {
        argList.erase(argList.begin() + 1);
        keepLog = true;
    }
    takeManualTempDir(argList);
    loadPayload(argList);
    launcherInstance = instance;

    char kind[2];
    getConfigString(2001, kind, sizeof kind);
    launcherKind = kind[0];
    productName = launcherKind == 'v' ? "vantle" : "quilder";
    productNameW = widenBytes(productName);

    if (!restartMode) setWorkingDirectory();
    if (keepLog) offerLogInExplorer();
}

void applySwitches(const ArgList& argList) {
    integrityCheckEnabled = true;
    for (const std::wstring& argument : argList) {
        if (argument == L"-q") {
            quietMode = true;
            guiMessages = false;
        } else if (argument == L"-console") {
            consoleAttached = attachConsole();
        } else if (argument == L"-splash") {
            splashSwitch = true;
        } else if (argument == L"-nocheck") {
            integrityCheckEnabled = false;
        } else if (argument == L"-c") {
            quietMode = true;
            guiMessages = false;
            if (!consoleAttached) {
                consoleAttached = attachConsole();
                if (!consoleAttached) {
                    MessageBoxW(nullptr, L"Error: Could not allocate console.", L"quilder", MB_OK);
                    exitLauncher(1);
                }
            }
        } else if (argument == L"-manual" || argument == L"/manual") {
            manualJreSelection = true;
        }
    }
}

bool attachConsole() {
    using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);
    auto attach =
        procAddress<AttachConsoleFunction>(GetModuleHandleW(L"kernel32.dll"), "AttachConsole");
    bool attached = false;
    if (attach && (attach(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED))
        attached = true;
    else
        attached = AllocConsole() != FALSE;
    if (attached) connectStreamsToConsole();
    return attached;
}
