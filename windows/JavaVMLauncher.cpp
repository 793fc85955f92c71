#include "JavaVMLauncher.h"

#include "javaruntime.h"
#include "log.h"
#include "support.h"
#include "textconv.h"
#include "winapi_twins.h"

CreateJavaVmFunction createJavaVmEntry = nullptr;

bool bindCreateJavaVm(HMODULE jvmLibrary) {
    if (!jvmLibrary) return false;
    auto entry = procAddress<CreateJavaVmFunction>(jvmLibrary, javaruntime::kCreateJavaVmExport);
    if (!entry) return false;
    createJavaVmEntry = entry;
    return true;
}

std::uintptr_t addDllSearchDirectory(const char* directory) {
    using AddFunction = void*(WINAPI*)(const wchar_t*);
    auto add = procAddress<AddFunction>(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory");
    if (!add) return 0;
    std::wstring wide = fromFileApiString(directory).substr(0, kPathCapacity - 1);
    logMessage(L"Adding DLL directory %s", wide.c_str());
    return reinterpret_cast<std::uintptr_t>(add(wide.c_str()));
}

void removeDllSearchDirectory(std::uintptr_t cookie) {
    if (cookie == 0) return;
    using RemoveFunction = BOOL(WINAPI*)(void*);
    auto remove = procAddress<RemoveFunction>(GetModuleHandleW(L"kernel32.dll"), "RemoveDllDirectory");
    if (!remove) return;
    logMessage(L"Removing DLL directory");
    remove(reinterpret_cast<void*>(cookie));
}
