// The temporary directory search, the work directory of a run and its removal.
#pragma once

#include <functional>
#include <string>

// The work directory of this run; empty when there is none.
extern std::string workDir;

// A temporary directory given on the command line and accepted there; empty when none.
extern std::wstring manualTempDirW;
extern std::string manualTempDirA;

// Set once the temporary directory search has entered its degraded second pass.
extern bool tempPathDegraded;

// True when a subdirectory can be created in `dir`, found, and removed again.
bool probeWritableDir(const std::string& dir);
bool probeWritableDirW(const std::wstring& dir);

// Whether `candidate` is usable as temporary directory: not empty, created first when `create`,
// refused when `rejectLossyName` and its long name cannot be shown in the ANSI code page, and
// writable.
bool checkTempDir(const std::string& candidate, bool create, bool rejectLossyName);
bool checkTempDirW(const std::wstring& candidate, bool create, bool rejectLossyName);

// Where the search takes its machine-dependent candidates from; the real Windows calls by
// default, replaceable so that tests can make every step fail.
struct TempPathSources {
    std::function<std::wstring()> tempPath;
    std::function<std::wstring(const wchar_t* name)> environment;
    std::function<std::wstring()> windowsDirectory;
};
TempPathSources systemTempPathSources();
void setTempPathSources(const TempPathSources& sources);

// Runs the fallback chain. The ANSI search ends the process with message 1015 when nothing is
// usable; the wide search returns an empty string then, and ends the process only when `fatal`.
std::string searchTempPath();
std::wstring searchTempPathW(bool fatal);

// The manual temporary directory, else the cached search result, else a fresh search (cached
// when not empty).
std::string resolveTempPath();
std::wstring resolveTempPathW(bool fatal);

// Name of a new, empty, unique file in the temporary directory (or a random name when Windows
// cannot make one).
std::string createTempFile();

// Creates a new unique work directory and stores it in workDir; after ten failed attempts ends
// the process with message 1009 and code "7".
void createWorkDir();

// Deletes the files of `dir` and removes its subdirectories, emptying them first when `recurse`.
// `dir` itself stays. Nothing happens for an empty path or one that begins with ".".
void emptyDirectory(const std::string& dir, bool recurse);
