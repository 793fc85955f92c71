// Is this java.exe usable, and which version is it? The per-user probe cache, the probe by
// execution, and the loading of the runtime's jvm.dll.
#pragma once

#include <windows.h>

#include <string>

#include "javaversion.h"

// How long a probed java.exe may run before it is ended (milliseconds). Defined apart from the
// probe so that only a test build can shorten it.
extern const DWORD kProbeTimeoutMs;

// The Java executable of a home: jre\bin\java.exe of a development kit, else bin\java.exe. False
// only when configuration 131 asks for a development kit and the home has no lib\tools.jar.
bool javaExeForHome(std::string& javaExe, const std::string& home);

// Whether the executable at `javaExe` is usable: it exists, its version (cached or probed) passes
// acceptJavaVersion, and for a windowed application (configuration 107 = 1) javaw.exe is beside it.
// `javaExe` becomes the lower-cased full path (the javaw.exe path for a windowed application);
// `version` holds the version whenever one was found.
bool checkJavaExe(std::string& javaExe, std::string& version, const VersionParts& minimum,
                  const VersionParts& maximum, bool allowPreRelease, bool useCache);

// The probe cache under HKCU\SOFTWARE\brenvask\vantle\jvms\ for exactly this file.
bool readCachedVersion(const std::string& javaExe, const FILETIME& lastWrite, std::string& version);
void writeCachedVersion(const std::string& javaExe, const FILETIME& lastWrite, const std::string& version);
// The cache key of an executable (its path with forward slashes).
std::string cacheKeyFor(const std::string& javaExe);

// Runs `javaExe -version` with standard error in a temporary file and reads the version from the
// first line; a non-zero exit code caches the failure marker "1.0.0".
bool probeJavaVersion(const std::string& javaExe, const FILETIME& lastWrite, std::string& version);

// Records a java.exe the user picked, for later searches (HKLM, else HKCU).
void rememberLocatedJvm(const std::string& javaExe);
std::string locatedKeyFor(const std::string& javaExe);

// Loads the jvm.dll that belongs to an accepted executable, from its bin directory or from the
// embedded runtime of a development kit; PATH and the DLL directory are restored when none loads.
HMODULE loadJvmLibrary(const std::string& javaExe);
