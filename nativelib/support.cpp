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

namespace {
using ShChangeNotifyFunction = void(WINAPI*)(LONG, UINT, const void*, const void*);
using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                                                int);
ShChangeNotifyFunction shChangeNotify = nullptr;
ShellExecuteFunction shellExecuteW = nullptr;
}  // namespace

wchar_t* jstringToWide(JNIEnv* env, jstring text) {
    if (!text) return nullptr;
    const jchar* chars = env->GetStringChars(text, nullptr);
    const jsize length = env->GetStringLength(text);
    auto* copy = new wchar_t[length + 1];
    jsize i = 0;
    for (; i < length && chars && chars[i] != 0; ++i) copy[i] = static_cast<wchar_t>(chars[i]);
    for (; i <= length; ++i) copy[i] = L'\0';
    if (chars) env->ReleaseStringChars(text, chars);
    return copy;
}

jstring wideToJstring(JNIEnv* env, const wchar_t* text) {
    return env->NewString(reinterpret_cast<const jchar*>(text), static_cast<jsize>(wcslen(text)));
}

jobjectArray newStringArray(JNIEnv* env, const std::vector<jstring>& strings) {
    std::vector<jstring> present;
    for (jstring text : strings)
        if (text) present.push_back(text);
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(present.size()), stringClass, nullptr);
    if (!array) return nullptr;
    for (std::size_t i = 0; i < present.size(); ++i) env->SetObjectArrayElement(array, static_cast<jsize>(i), present[i]);
    return array;
}

bool loadShellEntryPoints() {
    if (shChangeNotify && shellExecuteW) return true;
    preloadShellDependencies();
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    if (!shell) return false;
    shChangeNotify = procAddress<ShChangeNotifyFunction>(shell, "SHChangeNotify");
    shellExecuteW = procAddress<ShellExecuteFunction>(shell, "ShellExecuteW");
    return shChangeNotify && shellExecuteW;
}

void notifyShellChange(LONG eventId, UINT flags, const void* item1, const void* item2) {
    if (loadShellEntryPoints()) shChangeNotify(eventId, flags, item1, item2);
}

INT_PTR shellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                     const wchar_t* directory, int showCommand) {
    if (!loadShellEntryPoints()) return 0;
    return reinterpret_cast<INT_PTR>(shellExecuteW(owner, verb, file, parameters, directory, showCommand));
}
