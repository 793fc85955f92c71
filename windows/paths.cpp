#include "paths.h"

#include "log.h"
#include "textconv.h"
#include "winapi_twins.h"

namespace {

std::string exePathA;
std::wstring exePathW;
bool exePathReady = false;

ExeDirs exeDirs;
bool exeDirReady = false;

bool endsWithExe(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    lowerAsciiLetters(tail);
    return tail == ".exe";
}

// The ANSI form of a wide path, or nothing when it cannot stand for it.
bool usableAnsiPath(const std::wstring& wide, std::string& ansi) {
    bool lossy = false;
    ansi = toFileApiString(wide, &lossy);
    return !lossy && endsWithExe(ansi);
}

void computeExePaths() {
    wchar_t moduleName[kPathCapacity] = {};
    wchar_t longName[kPathCapacity] = {};
    GetModuleFileNameW(nullptr, moduleName, kPathCapacity);
    const DWORD length = GetLongPathNameW(moduleName, longName, kPathCapacity);
    const DWORD error = GetLastError();
    logMessage(L"init file name %s %s %d %d", moduleName, longName, length, error);
    exePathW = length == 0 ? moduleName : longName;

    if (!usableAnsiPath(exePathW, exePathA)) {
        wchar_t shortName[kPathCapacity] = {};
        GetShortPathNameW(exePathW.c_str(), shortName, kPathCapacity);
        if (!usableAnsiPath(shortName, exePathA)) {
            char ansiModule[kPathCapacity] = {};
            char ansiShort[kPathCapacity] = {};
            GetModuleFileNameA(nullptr, ansiModule, kPathCapacity);
            GetShortPathNameA(ansiModule, ansiShort, kPathCapacity);
            exePathA = ansiShort;
        }
    }
    collapseBackslashesW(exePathW);
    collapseBackslashes(exePathA);
    exePathReady = true;
}

template <typename Ch>
std::basic_string<Ch> directoryOf(const std::basic_string<Ch>& file) {
    Ch full[kPathCapacity] = {};
    Ch* filePart = nullptr;
    WinApi<Ch>::fullPathName(file.c_str(), kPathCapacity, full, &filePart);
    if (filePart) *filePart = 0;
    return full;
}

template <typename Ch>
bool isRelative(const std::basic_string<Ch>& path) {
    if (path.size() < 3) return true;
    const Ch* p = path.c_str();
    if (p[0] == '"') {
        if (path.size() < 4) return true;
        ++p;
    }
    if (p[1] == ':' && p[2] == '\\') return false;
    return !(p[0] == '\\' && p[1] == '\\');
}

template <typename Ch>
void collapse(std::basic_string<Ch>& path) {
    if (path.size() < 3) return;
    std::size_t out = 2;
    for (std::size_t in = 2; in < path.size(); ++in) {
        if (path[in] == '\\' && path[out - 1] == '\\') continue;
        path[out++] = path[in];
    }
    path.resize(out);
}

template <typename Ch>
bool exists(const std::basic_string<Ch>& path, FILETIME* lastWrite) {
    typename WinApi<Ch>::FindData found;
    HANDLE search = WinApi<Ch>::findFirstFile(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (lastWrite) *lastWrite = found.ftLastWriteTime;
    return true;
}

template <typename Ch>
bool isDriveRoot(const std::basic_string<Ch>& path) {
    if (path.size() < 2) return false;
    const std::basic_string<Ch> rest = path.substr(1);
    static const Ch root[] = {':', '\\', 0}, rootDot[] = {':', '\\', '.', 0},
                    rootDotDot[] = {':', '\\', '.', '\\', '.', 0};
    return rest == root || rest == rootDot || rest == rootDotDot;
}

template <typename Ch>
std::basic_string<Ch> absoluteAgainst(const std::basic_string<Ch>& path, const std::basic_string<Ch>& base) {
    std::basic_string<Ch> out = isRelative(path) ? base + path : path;
    return out;
}

template <typename Ch>
std::basic_string<Ch> fullPathName(const std::basic_string<Ch>& path) {
    Ch full[kPathCapacity] = {};
    const DWORD length = WinApi<Ch>::fullPathName(path.c_str(), kPathCapacity, full, nullptr);
    return length > 0 && length < kPathCapacity ? std::basic_string<Ch>(full) : path;
}

// Applies a wide rewrite to an ANSI path, keeping the input when converting back loses characters.
template <typename Rewrite>
void throughWide(std::string& path, Rewrite rewrite) {
    std::wstring wide = fromFileApiString(path);
    rewrite(wide);
    bool lossy = false;
    std::string back = toFileApiString(wide, &lossy);
    if (!lossy) path = back;
}

}  // namespace

const std::wstring& getExePathW() {
    if (!exePathReady) computeExePaths();
    return exePathW;
}

const std::string& getExePath() {
    getExePathW();
    return exePathA;
}

const ExeDirs& initExeDir() {
    if (!exeDirReady) {
        exeDirs.exeDirA = directoryOf(getExePath());
        exeDirs.exeDirFromAnsiW = widenBytes(exeDirs.exeDirA);
        exeDirs.exeDirW = directoryOf(getExePathW());
        exeDirReady = true;
    }
    return exeDirs;
}

bool isRelativePath(const std::string& path) { return isRelative(path); }
bool isRelativePathW(const std::wstring& path) { return isRelative(path); }

void collapseBackslashes(std::string& path) {
    throughWide(path, [](std::wstring& wide) { collapse(wide); });
}
void collapseBackslashesW(std::wstring& path) { collapse(path); }

std::string makeAbsolutePath(const std::string& path, const char* baseFile) {
    std::string out = absoluteAgainst(path, baseFile ? directoryOf(std::string(baseFile)) : initExeDir().exeDirA);
    collapseBackslashes(out);
    return out;
}

std::wstring makeAbsolutePathW(const std::wstring& path, const wchar_t* baseFile, bool useAnsiDir) {
    const ExeDirs& dirs = initExeDir();
    const std::wstring base =
        baseFile ? directoryOf(std::wstring(baseFile)) : (useAnsiDir ? dirs.exeDirFromAnsiW : dirs.exeDirW);
    std::wstring out = absoluteAgainst(path, base);
    collapseBackslashesW(out);
    return out;
}

std::string getFullPath(const std::string& path, bool keepCase) {
    std::string full = fullPathName(makeAbsolutePath(path));
    if (!keepCase) throughWide(full, [](std::wstring& wide) { lowerAsciiLetters(wide); });
    collapseBackslashes(full);
    return full;
}

std::wstring getFullPathW(const std::wstring& path, bool keepCase, bool useAnsiDir) {
    std::wstring full = fullPathName(makeAbsolutePathW(path, nullptr, useAnsiDir));
    if (!keepCase) lowerAsciiLetters(full);
    collapseBackslashesW(full);
    return full;
}

bool fileExists(const std::string& path, FILETIME* lastWrite) { return exists(path, lastWrite); }
bool fileExistsW(const std::wstring& path, FILETIME* lastWrite) { return exists(path, lastWrite); }

bool pathExists(const std::string& path) { return isDriveRoot(path) || exists(path, nullptr); }
bool pathExistsW(const std::wstring& path) { return isDriveRoot(path) || exists(path, nullptr); }
