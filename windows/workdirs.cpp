#include "workdirs.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <type_traits>

#include "log.h"
#include "paths.h"
#include "textconv.h"
#include "winapi_twins.h"

std::string workDir;
std::wstring manualTempDirW;
std::string manualTempDirA;
bool tempPathDegraded = false;

namespace {

std::string tempPathCacheA;
std::wstring tempPathCacheW;

template <typename Ch>
std::basic_string<Ch> fromWide(const std::wstring& text);
template <>
std::string fromWide<char>(const std::wstring& text) {
    return toFileApiString(text);
}
template <>
std::wstring fromWide<wchar_t>(const std::wstring& text) {
    return text;
}

template <typename Ch>
std::basic_string<Ch> ascii(const char* text) {
    return std::basic_string<Ch>(text, text + strlen(text));
}

template <typename Ch>
bool nameIsLossy(const std::basic_string<Ch>& longName);
template <>
bool nameIsLossy<char>(const std::string& longName) {
    return longName.find('?') != std::string::npos;
}
template <>
bool nameIsLossy<wchar_t>(const std::wstring& longName) {
    bool lossy = false;
    return toFileApiString(longName, &lossy).find('?') != std::string::npos || lossy;
}

void seedRandom() { srand(static_cast<unsigned>(GetCurrentProcessId() * static_cast<unsigned>(time(nullptr)))); }

template <typename Ch>
bool probeWritable(const std::basic_string<Ch>& dir) {
    seedRandom();
    const int number = rand();
    const std::basic_string<Ch> probe = dir + ascii<Ch>("\\vtltw") + ascii<Ch>(std::to_string(GetCurrentProcessId()).c_str()) +
                                        ascii<Ch>(std::to_string(number).c_str());
    WinApi<Ch>::removeDirectory(probe.c_str());
    if (!WinApi<Ch>::createDirectory(probe.c_str())) return false;
    bool usable;
    if constexpr (std::is_same_v<Ch, char>)
        usable = pathExists(probe);
    else
        usable = pathExistsW(probe);
    WinApi<Ch>::removeDirectory(probe.c_str());
    return usable;
}

template <typename Ch>
bool checkCandidate(const std::basic_string<Ch>& candidate, bool create, bool rejectLossyName) {
    if (candidate.empty()) return false;
    if (create) WinApi<Ch>::createDirectory(candidate.c_str());
    if (rejectLossyName) {
        Ch longName[kPathCapacity] = {};
        WinApi<Ch>::longPathName(candidate.c_str(), longName, kPathCapacity);
        if (nameIsLossy(std::basic_string<Ch>(longName))) return false;
    }
    return probeWritable(candidate);
}

TempPathSources& sources() {
    static TempPathSources current = systemTempPathSources();
    return current;
}

template <typename Ch>
std::basic_string<Ch> runSearch() {
    const TempPathSources& from = sources();
    const std::basic_string<Ch> temp = fromWide<Ch>(from.tempPath());
    const std::wstring profile = from.environment(L"USERPROFILE");
    const std::wstring homeDrive = from.environment(L"HOMEDRIVE");
    const std::wstring homePath = from.environment(L"HOMEPATH");
    const std::basic_string<Ch> profileTemp =
        profile.empty() ? std::basic_string<Ch>() : fromWide<Ch>(profile + L"\\AppData\\Local\\Temp");
    const std::basic_string<Ch> home =
        homeDrive.empty() || homePath.empty() ? std::basic_string<Ch>() : fromWide<Ch>(homeDrive + homePath);
    const std::wstring windows = from.windowsDirectory();
    const std::basic_string<Ch> windowsDir = fromWide<Ch>(windows);
    const std::basic_string<Ch> windowsTemp =
        windows.empty() ? std::basic_string<Ch>() : fromWide<Ch>(windows + L"\\temp");

    struct Step {
        std::basic_string<Ch> candidate;
        bool create;
        bool rejectLossyName;
    };
    const Step firstPass[] = {
        {temp, true, true},
        {profileTemp, false, true},
        {home, false, true},
        {windowsTemp, false, false},
        {ascii<Ch>("c:\\temp"), false, false},
        {ascii<Ch>("c:\\tmp"), false, false},
        {windowsDir, false, false},
        {ascii<Ch>("c:\\tmp"), true, false},
    };
    for (const Step& step : firstPass)
        if (checkCandidate(step.candidate, step.create, step.rejectLossyName)) return step.candidate;

    tempPathDegraded = true;
    const Step degradedPass[] = {{temp, true, false}, {profileTemp, false, false}, {home, false, false}};
    for (const Step& step : degradedPass)
        if (checkCandidate(step.candidate, step.create, step.rejectLossyName)) return step.candidate;
    return {};
}

std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[kPathCapacity] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, kPathCapacity);
    return length > 0 && length < kPathCapacity ? value : L"";
}

std::wstring fromCall(DWORD length, const wchar_t* buffer) {
    return length > 0 && length < kPathCapacity ? std::wstring(buffer) : std::wstring();
}

void endWithoutTempDir() { fatalMessageArg(1015, nullptr); }

}  // namespace

TempPathSources systemTempPathSources() {
    return {
        [] {
            wchar_t buffer[kPathCapacity] = {};
            return fromCall(GetTempPathW(kPathCapacity, buffer), buffer);
        },
        [](const wchar_t* name) { return environmentValue(name); },
        [] {
            wchar_t buffer[kPathCapacity] = {};
            return fromCall(GetWindowsDirectoryW(buffer, kPathCapacity), buffer);
        },
    };
}

void setTempPathSources(const TempPathSources& replacement) {
    sources() = replacement;
    tempPathCacheA.clear();
    tempPathCacheW.clear();
    tempPathDegraded = false;
}

bool probeWritableDir(const std::string& dir) { return probeWritable(dir); }
bool probeWritableDirW(const std::wstring& dir) { return probeWritable(dir); }

bool checkTempDir(const std::string& candidate, bool create, bool rejectLossyName) {
    return checkCandidate(candidate, create, rejectLossyName);
}
bool checkTempDirW(const std::wstring& candidate, bool create, bool rejectLossyName) {
    return checkCandidate(candidate, create, rejectLossyName);
}

std::string searchTempPath() {
    std::string found = runSearch<char>();
    if (found.empty()) endWithoutTempDir();
    return found;
}

std::wstring searchTempPathW(bool fatal) {
    std::wstring found = runSearch<wchar_t>();
    if (found.empty() && fatal) endWithoutTempDir();
    return found;
}

std::string resolveTempPath() {
    if (!manualTempDirA.empty()) return manualTempDirA;
    if (tempPathCacheA.empty()) tempPathCacheA = searchTempPath();
    return tempPathCacheA;
}

std::wstring resolveTempPathW(bool fatal) {
    if (!manualTempDirW.empty()) return manualTempDirW;
    if (tempPathCacheW.empty()) tempPathCacheW = searchTempPathW(fatal);
    return tempPathCacheW;
}

std::string createTempFile() {
    std::string path = resolveTempPath();
    logMessage(L"tempPath is %S", path.c_str());
    char name[MAX_PATH + 1] = {};
    std::string tempFile;
    if (GetTempFileNameA(path.c_str(), "vtl", 0, name) != 0) {
        tempFile = name;
    } else {
        logMessage(L"GetTempFileName failed (last error %d)", static_cast<int>(GetLastError()));
        if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
        seedRandom();
        tempFile = path + "vtl" + std::to_string(rand());
    }
    logMessage(L"tempFile is %S", tempFile.c_str());
    return tempFile;
}

void createWorkDir() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        workDir = createTempFile() + "_dir" + std::to_string(static_cast<int>(time(nullptr)));
        logMessage(L"Temp dir3: %S", workDir.c_str());
        if (CreateDirectoryA(workDir.c_str(), nullptr)) return;
        logMessage(L"Could not create dir (%d)", static_cast<int>(GetLastError()));
    }
    workDir.clear();
    fatalMessageArg(1009, L"7");
}

void emptyDirectory(const std::string& dir, bool recurse) {
    if (dir.empty() || dir[0] == '.') return;
    logMessage(L"emptying %S", dir.c_str());
    const std::string prefix = dir.back() == '\\' ? dir : dir + "\\";
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((prefix + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = prefix + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            logMessage(L"attempting to remove %S (%d)", full.c_str(), recurse ? 1 : 0);
            if (recurse) emptyDirectory(full, false);
            RemoveDirectoryA(full.c_str());
        } else {
            logMessage(L"attempting to delete %S", full.c_str());
            DeleteFileA(full.c_str());
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}
