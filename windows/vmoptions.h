// The options handed to JNI_CreateJavaVM: configured, version-specific, "-J" and locale options,
// VM options files with their includes, and the class path.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <jni.h>

#include "commandline.h"

// Where routed options go during one assembly.
struct VmOptions {
    std::vector<std::string> options;         // ANSI, in order
    std::optional<std::string> classpathReplace;  // "-classpath "
    std::optional<std::string> classpathPrepend;  // "-classpath/p "
    std::optional<std::string> classpathAppend;   // "-classpath/a "
    int includeDepth = 0;
};

// How deep VM options files may include each other; a deeper include is logged and skipped.
constexpr int kMaxIncludeDepth = 16;

// Fills `initArgs` (JNI 1.2, ignoring unknown options) from `extraOptions` (null-terminated, the
// launcher's system properties), the configuration, the VM options file and the class path. The
// strings and the array stay allocated for the life of the process.
void buildJvmInitArgs(JavaVMInitArgs& initArgs, const char* const* extraOptions, const ArgList& argList);

// Routes one option: a class path directive, an include, or a plain option. Relative includes are
// resolved against `baseFile`'s directory (the launcher's when null).
void classifyVmOption(const wchar_t* baseFile, const std::wstring& text, VmOptions& destination);
// Routes tokens, joining "-include-options" with the token after it.
void addOptionTokens(const ArgList& tokens, VmOptions& destination);
// Routes every line of an open VM options file and closes it.
void readVmOptionsFile(const wchar_t* baseFile, FILE* file, VmOptions& destination);
// setup.vmoptions, else setup.exe.vmoptions beside the launcher; nullptr when neither opens.
FILE* openDefaultVmOptionsFile();
void addConfiguredVmOptions(const ArgList& argList, VmOptions& destination);

// The class path pieces: configured entries (configuration 121) and archives of a directory.
void buildConfiguredClasspath(std::string& classpath);
bool appendArchivesOfDirectory(std::string& classpath, const std::string& directory, const std::string& extension);
std::vector<std::string> listFilesWithExtension(const std::string& directory, const std::string& extension);
// Every ";"-separated piece made absolute against the launcher's directory, joined by ";".
std::string makeAbsolutePathList(const std::string& list,
                                 const std::function<void(const std::string&)>& eachPiece = nullptr);
