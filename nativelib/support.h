// Helpers shared by the natives and the launcher.
#pragma once

// Loads the shell's support libraries "davhlpr.dll" and "fwbase.dll" by bare name, once per
// process, before anything can plant them in the current directory. Results are ignored and the
// modules stay loaded.
void preloadShellDependencies();

// Enables or disables a privilege of the current process's token; true only when Windows reports
// that the change was made in full.
bool setTokenPrivilege(const wchar_t* privilege, bool enable);

#include <windows.h>

// An export of `module` as a typed function pointer, or nullptr.
template <typename Function>
Function procAddress(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
