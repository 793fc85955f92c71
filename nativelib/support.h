// Helpers shared by the natives and the launcher.
#pragma once

#include <windows.h>

#include <jni.h>

#include <vector>

// Loads the shell's support libraries "davhlpr.dll" and "fwbase.dll" by bare name, once per
// process, before anything can plant them in the current directory. Results are ignored and the
// modules stay loaded.
void preloadShellDependencies();

// Enables or disables a privilege of the current process's token; true only when Windows reports
// that the change was made in full.
bool setTokenPrivilege(const wchar_t* privilege, bool enable);

// An export of `module` as a typed function pointer, or nullptr.
template <typename Function>
Function procAddress(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A new NUL-terminated UTF-16 copy of a Java string (cut at an embedded U+0000), or nullptr for a
// null reference. The caller frees it with delete[].
wchar_t* jstringToWide(JNIEnv* env, jstring text);
// The Java string of a NUL-terminated UTF-16 text.
jstring wideToJstring(JNIEnv* env, const wchar_t* text);
// A String[] of exactly the collected strings (null ones skipped); nullptr when the array cannot
// be made.
jobjectArray newStringArray(JNIEnv* env, const std::vector<jstring>& strings);

// SHChangeNotify and ShellExecuteW, bound at run time from shell32.dll; false until both are found.
bool loadShellEntryPoints();
void notifyShellChange(LONG eventId, UINT flags, const void* item1, const void* item2);
// ShellExecuteW's result as an integer, 0 when the shell cannot be reached.
INT_PTR shellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                     const wchar_t* directory, int showCommand);
