// The launcher's own executable and directory, and the path routines every other unit uses.
#pragma once

#include <windows.h>

#include <string>

// Path of the launcher executable that the ANSI APIs can open (long name where lossless, else
// the short name). Computed with getExePathW on first use.
const std::string& getExePath();
// Long path of the launcher executable.
const std::wstring& getExePathW();

// Full directory paths of the executable, each with a trailing backslash; exeDirFromAnsiW is
// exeDirA widened byte by byte, so it keeps any short names of the ANSI form.
struct ExeDirs {
    std::string exeDirA;
    std::wstring exeDirFromAnsiW;
    std::wstring exeDirW;
};
const ExeDirs& initExeDir();

// True unless the path is drive-absolute ("X:\...") or UNC ("\\..."); a leading quote is skipped.
bool isRelativePath(const std::string& path);
bool isRelativePathW(const std::wstring& path);

// Reduces every run of backslashes to one, except that the first two characters are always kept
// (so a UNC prefix survives). The ANSI form works through UTF-16 and leaves the input in place when
// converting back would be lossy.
void collapseBackslashes(std::string& path);
void collapseBackslashesW(std::wstring& path);

// The path made absolute against the directory of `baseFile` (when given) or of the executable,
// with backslashes collapsed. Dot segments stay.
std::string makeAbsolutePath(const std::string& path, const char* baseFile = nullptr);
std::wstring makeAbsolutePathW(const std::wstring& path, const wchar_t* baseFile, bool useAnsiDir);

// makeAbsolutePath against the executable's directory, then GetFullPathName (resolving "." and
// ".."), lower-cased (A-Z only) unless keepCase, backslashes collapsed.
std::string getFullPath(const std::string& path, bool keepCase);
std::wstring getFullPathW(const std::wstring& path, bool keepCase, bool useAnsiDir);

// True when FindFirstFile finds the path; its last-write time goes to lastWrite when given.
bool fileExists(const std::string& path, FILETIME* lastWrite = nullptr);
bool fileExistsW(const std::wstring& path, FILETIME* lastWrite = nullptr);

// fileExists, except that a drive root ("X:\", "X:\.", "X:\.\.") exists without a look-up.
bool pathExists(const std::string& path);
bool pathExistsW(const std::wstring& path);
