#include "javaprobe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "JavaVMLauncher.h"
#include "javaruntime.h"
#include "log.h"
#include "paths.h"
#include "payload.h"
#include "winapi_twins.h"
#include "workdirs.h"

namespace {

constexpr const char* kCacheRoot = "SOFTWARE\\brenvask\\vantle\\jvms\\";
constexpr const char* kLocatedRoot = "SOFTWARE\\brenvask\\vantle\\locatedjvms\\";
constexpr const char* kProbeFailure = "1.0.0";
constexpr DWORD kStillActive = 259;

bool endsWith(const std::string& text, const char* tail) {
    const std::size_t length = strlen(tail);
    return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

std::string forwardSlashes(std::string path) {
    for (char& ch : path)
        if (ch == '\\') ch = '/';
    return path;
}

bool distrustedCachedVersion(const std::string& version) {
    return version == "1.7." || version == "1.6." || version == "1.5.";
}

// The value of `name` when it has exactly `type`; a wrong type counts as absent.
bool queryValue(HKEY key, const char* name, DWORD type, void* data, DWORD& size) {
    DWORD actualType = 0;
    return RegQueryValueExA(key, name, nullptr, &actualType, static_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
           actualType == type;
}

// Sets PATH in the process and in the C runtime's copy, with the designed log lines.
void setPath(const std::string& value) {
    if (SetEnvironmentVariableA("PATH", value.c_str()))
        logMessage(L"Setting PATH %S", value.c_str());
    else
        logMessage(L"Setting PATH %S failed with error %d", value.c_str(), static_cast<int>(GetLastError()));
    const std::string assignment = "PATH=" + value;
    _putenv(assignment.c_str());
}

// Tries bin\<variant>\jvm.dll of the executable's bin directory.
HMODULE tryBinDirectory(const std::string& javaExe) {
    const std::size_t nameLength =
        strlen(endsWith(javaExe, javaruntime::kJavawExe) ? javaruntime::kJavawExe : javaruntime::kJavaExe) + 1;
    const std::string bin = javaExe.substr(0, javaExe.size() >= nameLength ? javaExe.size() - nameLength : 0);
    const std::uintptr_t cookie = addDllSearchDirectory(bin.c_str());

    char path[12000] = {};
    const DWORD length = GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string previousPath = length < sizeof path ? path : "";
    setPath(previousPath + ";" + bin);

    char configured[200];
    getConfigString(152, configured, sizeof configured);
    std::vector<std::string> variants;
    if (configured[0]) variants.push_back(configured);
    for (const char* variant : javaruntime::kJvmVariants) variants.push_back(variant);
    for (const std::string& variant : variants) {
        const std::string candidate = bin + "\\" + variant + "\\" + javaruntime::kJvmDll;
        const bool exists = pathExists(candidate);
        logMessage(L"Trying %S (exists %d)", candidate.c_str(), exists ? 1 : 0);
        if (HMODULE library = LoadLibraryA(candidate.c_str())) return library;
        if (exists) logMessage(L"Failed with error code %d", static_cast<int>(GetLastError()));
    }
    removeDllSearchDirectory(cookie);
    setPath(previousPath);
    return nullptr;
}

}  // namespace

bool javaExeForHome(std::string& javaExe, const std::string& home) {
    javaExe = home + javaruntime::kEmbeddedJavaExe;
    if (getConfigInt(131) != 0) return pathExists(home + javaruntime::kToolsJar);
    if (!pathExists(javaExe)) javaExe = home + javaruntime::kBinJavaExe;
    return true;
}

std::string cacheKeyFor(const std::string& javaExe) { return kCacheRoot + forwardSlashes(javaExe); }
std::string locatedKeyFor(const std::string& javaExe) { return kLocatedRoot + forwardSlashes(javaExe); }

bool checkJavaExe(std::string& javaExe, std::string& version, const VersionParts& minimum,
                  const VersionParts& maximum, bool allowPreRelease, bool useCache) {
    logMessage(L"checkJavaExe (%S, [out], %d, %d, %d)", javaExe.c_str(), static_cast<int>(minimum.size()),
               static_cast<int>(maximum.size()), allowPreRelease ? 1 : 0);
    javaExe = getFullPath(javaExe, false);
    FILETIME lastWrite{};
    if (!fileExists(javaExe, &lastWrite)) {
        logMessage(L"file doesn't exist");
        return false;
    }
    logMessage(L"file exists");
    version.clear();
    bool accepted = false;
    if (useCache && readCachedVersion(javaExe, lastWrite, version) && version != kProbeFailure) {
        logMessage(L"got version from registry %S", version.c_str());
        accepted = acceptJavaVersion(version, minimum, maximum, allowPreRelease);
    } else if (probeJavaVersion(javaExe, lastWrite, version)) {
        logMessage(L"got version from execution %S", version.c_str());
        writeCachedVersion(javaExe, lastWrite, version);
        accepted = acceptJavaVersion(version, minimum, maximum, allowPreRelease);
    } else {
        logMessage(L"couldn't get version");
    }
    if (accepted && getConfigInt(107) == 1) {
        javaExe = javaExe.substr(0, javaExe.size() - 4) + "w.exe";
        accepted = fileExists(javaExe);
    }
    logMessage(L"checkJavaExe returning %d", accepted ? 1 : 0);
    return accepted;
}

bool readCachedVersion(const std::string& javaExe, const FILETIME& lastWrite, std::string& version) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, cacheKeyFor(javaExe).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    FILETIME cached{};
    DWORD size = sizeof cached;
    bool usable = queryValue(key, "LastWriteTime", REG_BINARY, &cached, size) && size == sizeof cached &&
                  memcmp(&cached, &lastWrite, sizeof cached) == 0;
    if (usable) {
        char text[kPathCapacity + 1] = {};
        DWORD textSize = kPathCapacity;
        usable = queryValue(key, "Version", REG_SZ, text, textSize);
        text[textSize < kPathCapacity ? textSize : kPathCapacity] = '\0';
        usable = usable && !distrustedCachedVersion(text);
        if (usable) version = text;
    }
    RegCloseKey(key);
    return usable;
}

void writeCachedVersion(const std::string& javaExe, const FILETIME& lastWrite, const std::string& version) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, cacheKeyFor(javaExe).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "LastWriteTime", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&lastWrite), sizeof lastWrite);
    // Stored without its terminating zero; readers add it.
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.data()),
                   static_cast<DWORD>(version.size()));
    RegCloseKey(key);
}

bool probeJavaVersion(const std::string& javaExe, const FILETIME& lastWrite, std::string& version) {
    char shortPath[kPathCapacity] = {};
    std::string command = javaExe;
    if (GetShortPathNameA(javaExe.c_str(), shortPath, kPathCapacity) == 0)
        logMessage(L"Could not get short path name for %S", javaExe.c_str());
    else
        command = shortPath;
    command += javaruntime::kVersionArgument;

    const std::string outputFile = createTempFile();
    HANDLE created = CreateFileA(outputFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE errorOutput = nullptr;
    DuplicateHandle(GetCurrentProcess(), created, GetCurrentProcess(), &errorOutput, 0, TRUE, DUPLICATE_SAME_ACCESS);
    CloseHandle(created);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdError = errorOutput;
    PROCESS_INFORMATION process{};
    std::vector<char> commandLine(command.begin(), command.end());
    commandLine.push_back('\0');
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        logMessage(L"Could not create process %S > %S (error %d)", command.c_str(), outputFile.c_str(),
                   static_cast<int>(GetLastError()));
        CloseHandle(errorOutput);
        DeleteFileA(outputFile.c_str());
        return false;
    }
    WaitForSingleObject(process.hProcess, kProbeTimeoutMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    logMessage(L"Exit Code %d", static_cast<int>(exitCode));
    if (exitCode == kStillActive) {
        logMessage(L"Terminating process");
        TerminateProcess(process.hProcess, 1);
    } else if (exitCode != 0) {
        writeCachedVersion(javaExe, lastWrite, kProbeFailure);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(errorOutput);
    if (exitCode != 0) {
        DeleteFileA(outputFile.c_str());
        return false;
    }

    char line[100] = {};
    if (FILE* output = fopen(outputFile.c_str(), "r")) {
        if (!fgets(line, sizeof line, output)) line[0] = '\0';
        fclose(output);
    }
    DeleteFileA(outputFile.c_str());
    for (const char* prefix : javaruntime::kVersionPrefixes) {
        const std::size_t prefixLength = strlen(prefix);
        if (strncmp(line, prefix, prefixLength) != 0) continue;
        const std::size_t restLength = strlen(line) - prefixLength;
        // The rest ends with the closing quote and the line break; shorter is no version.
        if (restLength < 2) return false;
        version.assign(line + prefixLength, restLength - 2);
        logMessage(L"Java version: %S", version.c_str());
        return true;
    }
    return false;
}

void rememberLocatedJvm(const std::string& javaExe) {
    const std::string name = locatedKeyFor(javaExe);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS &&
        RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
        return;
    RegCloseKey(key);
}

HMODULE loadJvmLibrary(const std::string& javaExe) {
    logMessage(L"Trying to load JVM-DLL from %S", javaExe.c_str());
    if (HMODULE library = tryBinDirectory(javaExe)) return library;
    const std::size_t nameLength =
        strlen(endsWith(javaExe, javaruntime::kJavawExe) ? javaruntime::kJavawExe : javaruntime::kJavaExe);
    const std::string directory = javaExe.substr(0, javaExe.size() >= nameLength ? javaExe.size() - nameLength : 0);
    return tryBinDirectory(directory + javaruntime::kEmbeddedFromBin);
}
