// The ANSI and wide Windows calls behind the launcher's twin path routines, chosen by character
// type so that each twin is written once.
#pragma once

#include <windows.h>

#include <string>

template <typename Ch>
struct WinApi;

template <>
struct WinApi<char> {
    using Text = std::string;
    using FindData = WIN32_FIND_DATAA;
    static HANDLE findFirstFile(const char* p, FindData* d) { return FindFirstFileA(p, d); }
    static DWORD fullPathName(const char* p, DWORD n, char* b, char** f) { return GetFullPathNameA(p, n, b, f); }
    static DWORD longPathName(const char* p, char* b, DWORD n) { return GetLongPathNameA(p, b, n); }
    static BOOL createDirectory(const char* p) { return CreateDirectoryA(p, nullptr); }
    static BOOL removeDirectory(const char* p) { return RemoveDirectoryA(p); }
    static DWORD environment(const char* n, char* b, DWORD s) { return GetEnvironmentVariableA(n, b, s); }
    static DWORD tempPath(DWORD n, char* b) { return GetTempPathA(n, b); }
    static UINT windowsDirectory(char* b, UINT n) { return GetWindowsDirectoryA(b, n); }
};

template <>
struct WinApi<wchar_t> {
    using Text = std::wstring;
    using FindData = WIN32_FIND_DATAW;
    static HANDLE findFirstFile(const wchar_t* p, FindData* d) { return FindFirstFileW(p, d); }
    static DWORD fullPathName(const wchar_t* p, DWORD n, wchar_t* b, wchar_t** f) {
        return GetFullPathNameW(p, n, b, f);
    }
    static DWORD longPathName(const wchar_t* p, wchar_t* b, DWORD n) { return GetLongPathNameW(p, b, n); }
    static BOOL createDirectory(const wchar_t* p) { return CreateDirectoryW(p, nullptr); }
    static BOOL removeDirectory(const wchar_t* p) { return RemoveDirectoryW(p); }
    static DWORD environment(const wchar_t* n, wchar_t* b, DWORD s) { return GetEnvironmentVariableW(n, b, s); }
    static DWORD tempPath(DWORD n, wchar_t* b) { return GetTempPathW(n, b); }
    static UINT windowsDirectory(wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); }
};

// The launcher's general string and path capacity, passed to every Windows call that fills a buffer.
constexpr DWORD kPathCapacity = 6000;
