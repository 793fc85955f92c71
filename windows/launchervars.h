// Launcher variables ("%QUILDER_EXEDIR%", "${launcher:sys.tempDir}", ...) and environment references
// ("${NAME}") in configuration strings, and the selected Java runtime they can name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Directory of the selected Java executable with "\.." appended (C:\jre\bin\..); empty until set.
extern std::string jvmHome;
// Version string of the selected runtime; none until set.
extern std::optional<std::string> jvmVersion;

// Records the selected runtime: jvmHome from the executable path (java.exe or javaw.exe cut off).
void recordSelectedJvm(const char* javaExe, const char* version);

// Expands in place a NUL-terminated text in a buffer of `capacity` units. `ansiSafe` takes the
// directory forms that the ANSI code page can show (the text becomes a VM option). A replacement
// that would not fit the buffer is left out, with a log line.
void expandLauncherVariablesW(wchar_t* text, std::size_t capacity, bool ansiSafe);
void expandLauncherVariablesA(char* text, std::size_t capacity);

// The same on strings, bounded by `capacity` - 1 characters.
std::wstring expandLauncherVariablesW(std::wstring text, bool ansiSafe, std::size_t capacity = 6000);
std::string expandLauncherVariablesA(std::string text, std::size_t capacity = 6000);
