// The Java runtime search: the one way to a loaded jvm.dll. A fixed frame (preferred and installer
// locations, previous installations, VANTLE_JAVA_HOME, QUILDER_JAVA_HOME) around the configured
// sequence (configuration 128: A, B, R directories, E variables, S the search path, Y the registry).
#pragma once

#include <windows.h>

#include <string>

#include "javaversion.h"

// Where the accepted runtime came from: 0 nothing, 1 search path, 2 directory, 3 environment
// variable, 4 registry or previous installation.
enum JvmResultType { kJvmNotFound = 0, kJvmOnSearchPath = 1, kJvmAtDirectory = 2, kJvmFromVariable = 3,
                     kJvmFromRegistry = 4 };

struct JvmSearchResult {
    std::string javaExe;   // the executable last accepted or examined
    std::string version;
    int type = kJvmNotFound;
    std::string location;  // the directory, the variable's name or the S entry's argument
};

// Loads a Java runtime's jvm.dll and binds JNI_CreateJavaVM: from `location` (a directory, or a
// java.exe when `isJavaExe`) or by the search. With `showErrors` a failure shows the message that
// fits what was found. Never ends the process.
bool LoadDLL(bool showErrors, const char* location, bool isJavaExe);

// Runs the search; the module of the loaded jvm.dll, or nullptr (result still names the last
// accepted candidate).
HMODULE searchJvm(JvmSearchResult& result);

// One kind of source each; true when a usable executable was found (javaExe, version filled).
bool probeLocation(std::string& javaExe, std::string& version, const std::string& directory,
                   const VersionParts& minimum, const VersionParts& maximum, bool force);
bool probeEnvironmentVariable(std::string& javaExe, std::string& version, const std::string& name,
                              const VersionParts& minimum, const VersionParts& maximum);
bool probeSearchPath(std::string& javaExe, std::string& version, const VersionParts& minimum,
                     const VersionParts& maximum);
bool probeRegistry(std::string& javaExe, std::string& version, const VersionParts& minimum,
                   const VersionParts& maximum);
bool probePreviousInstallations(std::string& javaExe, std::string& version, HKEY root, const VersionParts& minimum,
                                const VersionParts& maximum);
