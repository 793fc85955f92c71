#include "support.h"

#include <windows.h>

namespace {
bool shellDependenciesLoaded = false;
}

void preloadShellDependencies() {
    if (shellDependenciesLoaded) return;
    LoadLibraryW(L"davhlpr.dll");
    LoadLibraryW(L"fwbase.dll");
    shellDependenciesLoaded = true;
}

bool setTokenPrivilege(const wchar_t* privilege, bool enable) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES change{};
    change.PrivilegeCount = 1;
    change.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    LookupPrivilegeValueW(nullptr, privilege, &change.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &change, 0, nullptr, nullptr);
    const bool changed = GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return changed;
}
