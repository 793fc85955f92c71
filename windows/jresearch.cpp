#include "jresearch.h"

#include <cstdio>
#include <vector>

#include "JavaVMLauncher.h"
#include "javaprobe.h"
#include "javaruntime.h"
#include "jreunpack.h"
#include "launchervars.h"
#include "lists.h"
#include "log.h"
#include "paths.h"
#include "payload.h"
#include "winapi_twins.h"
#include "workdirs.h"

namespace {

constexpr const char* kInstallationsKey = "SOFTWARE\\brenvask\\quilder\\installations";
constexpr const char* kLocatedKey = "SOFTWARE\\brenvask\\vantle\\locatedjvms\\";
constexpr const char* kLocatedFilter = "qdr_jres";

// The first line of a location file without its line break; false for a missing or empty file.
bool readFirstLine(const std::string& path, std::string& line) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[kPathCapacity];
    const bool read = fgets(buffer, sizeof buffer, file) != nullptr;
    fclose(file);
    if (!read) return false;
    line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
}

// A string value of exactly a string type, at most `capacity` bytes; anything else is absent.
bool readStringValue(HKEY key, const char* name, std::size_t capacity, std::string& value) {
    std::vector<char> buffer(capacity + 1, '\0');
    DWORD size = static_cast<DWORD>(capacity);
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[size < capacity ? size : capacity] = '\0';
    value = buffer.data();
    return true;
}

std::string applicationDirectory() {
    char configured[kPathCapacity];
    getConfigString(10003, configured, kPathCapacity);
    return getFullPath(configured, true);
}

bool checkHome(std::string& javaExe, std::string& version, const std::string& home, const VersionParts& minimum,
               const VersionParts& maximum, bool allowPreRelease) {
    return javaExeForHome(javaExe, home) &&
           checkJavaExe(javaExe, version, minimum, maximum, allowPreRelease, true);
}

bool tryJavaHomeOfSubkey(HKEY parent, const std::string& subkey, std::string& javaExe, std::string& version,
                         const VersionParts& minimum, const VersionParts& maximum) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    std::string home;
    const bool found = readStringValue(key, "JavaHome", kPathCapacity, home);
    RegCloseKey(key);
    return found && checkHome(javaExe, version, home, minimum, maximum, false);
}

std::string currentVersionInRange(HKEY key, const VersionParts& minimum, const VersionParts& maximum) {
    std::string current;
    if (!key || !readStringValue(key, "CurrentVersion", 100, current)) return {};
    return versionInRange(current, minimum, maximum) ? current : std::string();
}

bool probeAllVersions(HKEY key, std::string& javaExe, std::string& version, const VersionParts& minimum,
                      const VersionParts& maximum) {
    if (!key) return false;
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (versionInRange(name, minimum, maximum)) names.push_back(name);
    }
    sortKeyNamesAscending(names);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (tryJavaHomeOfSubkey(key, *it, javaExe, version, minimum, maximum)) return true;
    return false;
}

bool probeJavaSoft(std::string& javaExe, std::string& version, const VersionParts& minimum,
                   const VersionParts& maximum) {
    const bool kitRequired = getConfigInt(131) != 0;
    HKEY kit = nullptr, runtime = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, javaruntime::kJavaSoftJdkKey, 0, KEY_READ, &kit);
    if (!kitRequired) RegOpenKeyExA(HKEY_LOCAL_MACHINE, javaruntime::kJavaSoftJreKey, 0, KEY_READ, &runtime);
    const std::string kitCurrent = currentVersionInRange(kit, minimum, maximum);
    const std::string runtimeCurrent = kitRequired ? std::string() : currentVersionInRange(runtime, minimum, maximum);
    const bool chooseKit = versionGreater(kitCurrent, runtimeCurrent);
    const std::string& current = chooseKit ? kitCurrent : runtimeCurrent;
    bool found = !current.empty() &&
                 tryJavaHomeOfSubkey(chooseKit ? kit : runtime, current, javaExe, version, minimum, maximum);
    if (!found && !kitRequired) found = probeAllVersions(runtime, javaExe, version, minimum, maximum);
    if (!found) found = probeAllVersions(kit, javaExe, version, minimum, maximum);
    if (kit) RegCloseKey(kit);
    if (runtime) RegCloseKey(runtime);
    return found;
}

struct Candidate {
    bool found = false;
    std::string javaExe;
    std::string version;
};

// `challenger` wins only when it is strictly newer than `holder`; either wins alone.
bool pickNewer(const Candidate& challenger, const Candidate& holder, std::string& javaExe, std::string& version) {
    const bool challengerWins =
        challenger.found && (!holder.found || versionGreater(challenger.version, holder.version));
    const Candidate& winner = challengerWins ? challenger : holder;
    if (!winner.found) return false;
    javaExe = winner.javaExe;
    version = winner.version;
    return true;
}

// The version bounds of configuration 126 and 127, logged as read.
void readBounds(VersionParts& minimum, VersionParts& maximum) {
    char minimumText[kPathCapacity], maximumText[kPathCapacity];
    getConfigString(126, minimumText, kPathCapacity);
    getConfigString(127, maximumText, kPathCapacity);
    logMessage(L"MinVersion: %S, MaxVersion: %S", minimumText, maximumText);
    minimum = parseVersion(minimumText);
    maximum = parseVersion(maximumText);
}

bool probeLocatedRoot(HKEY root, bool onlyBundled, std::string& javaExe, std::string& version,
                      const VersionParts& minimum, const VersionParts& maximum) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kLocatedKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool found = false;
    char name[kPathCapacity];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::string path = name;
        for (char& ch : path)
            if (ch == '/') ch = '\\';
        if (onlyBundled && path.find(kLocatedFilter) == std::string::npos) continue;
        std::string candidateVersion;
        if (checkJavaExe(path, candidateVersion, minimum, maximum, true, true) &&
            (!found || versionGreater(candidateVersion, version))) {
            javaExe = path;
            version = candidateVersion;
            found = true;
        }
    }
    RegCloseKey(key);
    return found;
}

bool probeLocated(std::string& javaExe, std::string& version, const VersionParts& minimum,
                  const VersionParts& maximum, bool onlyBundled) {
    Candidate user, machine;
    user.found = probeLocatedRoot(HKEY_CURRENT_USER, onlyBundled, user.javaExe, user.version, minimum, maximum);
    machine.found =
        probeLocatedRoot(HKEY_LOCAL_MACHINE, onlyBundled, machine.javaExe, machine.version, minimum, maximum);
    return pickNewer(user, machine, javaExe, version);
}

bool looksAbsolute(const std::string& argument) {
    return argument.size() >= 2 && (argument[1] == ':' || argument.compare(0, 2, "\\\\") == 0);
}

}  // namespace

bool probeLocation(std::string& javaExe, std::string& version, const std::string& directory,
                   const VersionParts& minimum, const VersionParts& maximum, bool force) {
    const std::string home = getFullPath(directory, false);
    unpackJarDirs(home);
    const bool usable = javaExeForHome(javaExe, home) && checkJavaExe(javaExe, version, minimum, maximum, true, true);
    return usable || force;
}

bool probeEnvironmentVariable(std::string& javaExe, std::string& version, const std::string& name,
                              const VersionParts& minimum, const VersionParts& maximum) {
    char value[kPathCapacity] = {};
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) return false;
    std::string home = value;
    for (char& ch : home)
        if (ch == '/') ch = '\\';
    return checkHome(javaExe, version, home, minimum, maximum, false);
}

bool probeSearchPath(std::string& javaExe, std::string& version, const VersionParts& minimum,
                     const VersionParts& maximum) {
    char found[kPathCapacity] = {};
    const DWORD length = SearchPathA(nullptr, javaruntime::kJavaExe, nullptr, kPathCapacity, found, nullptr);
    if (length == 0 || length >= kPathCapacity) return false;
    javaExe = found;
    return checkJavaExe(javaExe, version, minimum, maximum, false, true);
}

bool probeRegistry(std::string& javaExe, std::string& version, const VersionParts& minimum,
                   const VersionParts& maximum) {
    const bool onlyBundled = getConfigInt(165) != 0;
    Candidate sun, located;
    sun.found = !onlyBundled && probeJavaSoft(sun.javaExe, sun.version, minimum, maximum);
    if (sun.found) logMessage(L"found sun %S %S", sun.javaExe.c_str(), sun.version.c_str());
    located.found = probeLocated(located.javaExe, located.version, minimum, maximum, onlyBundled);
    if (located.found) logMessage(L"found located %S %S", located.javaExe.c_str(), located.version.c_str());
    return pickNewer(sun, located, javaExe, version);
}

bool probePreviousInstallations(std::string& javaExe, std::string& version, HKEY root, const VersionParts& minimum,
                                const VersionParts& maximum) {
    char valueName[kPathCapacity];
    getConfigString(160, valueName, kPathCapacity);
    if (!valueName[0]) return false;
    for (REGSAM view : {static_cast<REGSAM>(0), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
        logMessage(L"checking app id %S (%d, %p)", valueName, static_cast<int>(view), root);
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(root, kInstallationsKey, 0, KEY_READ | view, &key);
        if (opened != ERROR_SUCCESS) {
            logMessage(L"could not open installation node %d", static_cast<int>(opened));
            continue;
        }
        std::string installations;
        const bool read = readStringValue(key, valueName, kPathCapacity, installations) && !installations.empty();
        RegCloseKey(key);
        if (!read) {
            logMessage(L"could not query value node %d", static_cast<int>(GetLastError()));
            continue;
        }
        logMessage(L"found installations: %S", installations.c_str());
        for (const std::string& directory : splitList(installations)) {
            const std::string home = directory + "\\jre";
            if (!javaExeForHome(javaExe, home)) {
                logMessage(L"did not find java in %S", home.c_str());
                continue;
            }
            if (checkJavaExe(javaExe, version, minimum, maximum, false, true)) return true;
            logMessage(L"java version did not match in %S", home.c_str());
        }
    }
    return false;
}

HMODULE searchJvm(JvmSearchResult& result) {
    logMessage(L"Searching for a JVM");
    result.type = kJvmNotFound;
    const std::string sequence = dupConfigString(128);
    VersionParts minimum, maximum;
    readBounds(minimum, maximum);

    // Records an accepted candidate and loads its library.
    auto take = [&result](int type, const std::string* location) -> HMODULE {
        result.type = type;
        if (location) result.location = *location;
        return loadJvmLibrary(result.javaExe);
    };
    std::string line;
    auto tryLocationFile = [&](const std::string& file, const wchar_t* has, const wchar_t* using_) -> HMODULE {
        if (!readFirstLine(file, line)) return nullptr;
        logMessage(has, line.c_str());
        if (!probeLocation(result.javaExe, result.version, line, minimum, maximum, false)) return nullptr;
        logMessage(using_);
        return take(kJvmAtDirectory, &line);
    };

    const std::string appDir = applicationDirectory();
    if (HMODULE library = tryLocationFile(appDir + "\\.quilder\\pref_jre.cfg", L"Has preferred location %S",
                                          L"Using preferred location"))
        return library;
    if (HMODULE library =
            tryLocationFile(workDir + "\\inst_jre.cfg", L"Has installer location %S", L"Using installer location"))
        return library;

    const std::vector<std::string> entries = splitList(sequence);
    for (const std::string& entry : entries) {
        const char letter = entry[0];
        const std::string argument = expandLauncherVariablesA(entry.substr(1));
        logMessage(L"Testing location %S (type %c)", argument.c_str(), letter);
        bool found = false;
        int type = kJvmNotFound;
        switch (letter) {
            case 'A':
            case 'B':
            case 'R':
                found = probeLocation(result.javaExe, result.version, argument, minimum, maximum, false);
                type = kJvmAtDirectory;
                break;
            case 'E':
                found = probeEnvironmentVariable(result.javaExe, result.version, argument, minimum, maximum);
                type = kJvmFromVariable;
                break;
            case 'S':
                found = probeSearchPath(result.javaExe, result.version, minimum, maximum);
                type = kJvmOnSearchPath;
                break;
            case 'Y':
                found = probeRegistry(result.javaExe, result.version, minimum, maximum);
                type = kJvmFromRegistry;
                break;
            default:
                break;
        }
        if (!found) continue;
        if (HMODULE library = take(type, type == kJvmFromRegistry ? nullptr : &argument)) return library;
    }

    if (HMODULE library = tryLocationFile(appDir + "\\.quilder\\inst_jre.cfg", L"Has installer location %S",
                                          L"Using installer location"))
        return library;

    for (const std::string& entry : entries) {
        const char letter = entry[0];
        const std::string argument = entry.substr(1);
        if (letter != 'A' && letter != 'B' && letter != 'R') continue;
        if (letter != 'B' && looksAbsolute(argument)) continue;
        logMessage(L"Testing relative location %S", argument.c_str());
        probeLocation(result.javaExe, result.version, argument, minimum, maximum, true);
        if (!pathExists(result.javaExe)) continue;
        logMessage(L"%S exists", result.javaExe.c_str());
        if (HMODULE library = take(kJvmAtDirectory, &argument)) return library;
    }

    if (probePreviousInstallations(result.javaExe, result.version, HKEY_CURRENT_USER, minimum, maximum)) {
        logMessage(L"found JRE from previous installation (user) %S", result.javaExe.c_str());
        if (HMODULE library = take(kJvmFromRegistry, nullptr)) return library;
    }
    if (probePreviousInstallations(result.javaExe, result.version, HKEY_LOCAL_MACHINE, minimum, maximum)) {
        logMessage(L"found JRE from previous installation (machine) %S", result.javaExe.c_str());
        if (HMODULE library = take(kJvmFromRegistry, nullptr)) return library;
    }
    logMessage(L"Search sequence finished");
    for (const std::string variable : {"VANTLE_JAVA_HOME", "QUILDER_JAVA_HOME"}) {
        if (!probeEnvironmentVariable(result.javaExe, result.version, variable, minimum, maximum)) continue;
        if (HMODULE library = take(kJvmFromVariable, &variable)) return library;
    }
    return nullptr;
}

bool LoadDLL(bool showErrors, const char* location, bool isJavaExe) {
    logMessage(L"LoadDLL (%d, %S, %d)", showErrors ? 1 : 0, location, isJavaExe ? 1 : 0);
    JvmSearchResult result;
    HMODULE library = nullptr;
    if (location) {
        logMessage(L"Got JRE location %S (java exe: %d)", location, isJavaExe ? 1 : 0);
        VersionParts minimum, maximum;
        readBounds(minimum, maximum);
        if (isJavaExe) {
            result.javaExe = location;
            if (!checkJavaExe(result.javaExe, result.version, minimum, maximum, true, false)) {
                logError(L"Provided JVM unusable");
                if (showErrors) showMessageWithArg(1016, L"64");
                return false;
            }
        } else {
            probeLocation(result.javaExe, result.version, location, minimum, maximum, true);
        }
        library = loadJvmLibrary(result.javaExe);
        result.type = kJvmAtDirectory;
        result.location = location;
    } else {
        library = searchJvm(result);
        if (result.type == kJvmNotFound) {
            logError(L"No JVM found");
            if (showErrors) showMessageWithArg(1016, L"64");
            return false;
        }
    }
    recordSelectedJvm(result.javaExe.c_str(), result.version.c_str());
    if (!library) logError(L"Could not get DLL-Handle.");
    const bool bound = bindCreateJavaVm(library);
    if (!bound) logError(L"Could not load functions");
    if (library && bound) {
        logMessage(L"Loading of JVM-DLL successful");
        return true;
    }
    if (showErrors) {
        switch (result.type) {
            case kJvmOnSearchPath: showMessageWithArg(1016, L"64"); break;
            case kJvmAtDirectory: showMessageWithArgA(1020, result.location.c_str()); break;
            case kJvmFromVariable: showMessageWithArgA(1018, result.location.c_str()); break;
            default: showMessageWithArg(1005, nullptr); break;
        }
    }
    return false;
}
