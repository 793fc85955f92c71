#include "registration.h"

#include <string>
#include <vector>

namespace {

struct NativeEntry {
    const char* className;
    const char* method;
    const char* signature;
};

constexpr NativeEntry kNatives[] = {
#define QDR_NATIVE(cls, method, signature) {#cls, #method, signature},
#include "native_table.inc"
#undef QDR_NATIVE
};

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Registers the run of entries [first, last) that belong to one class.
bool registerClass(JNIEnv* env, HMODULE module, NativeLogFunction log, const NativeEntry* first,
                   const NativeEntry* last) {
    const std::string fullName = std::string(kNativePackage) + first->className;
    jclass type = env->FindClass(fullName.c_str());
    if (!type) {
        log(wide("could not load class " + fullName).c_str());
        return false;
    }
    std::vector<JNINativeMethod> methods;
    for (const NativeEntry* entry = first; entry != last; ++entry) {
        const std::string exportName = std::string(kNativeExportPrefix) + entry->className + "_" + entry->method;
        void* function = reinterpret_cast<void*>(GetProcAddress(module, exportName.c_str()));
        if (!function) {
            log(wide("did not find " + exportName).c_str());
            return false;
        }
        methods.push_back({const_cast<char*>(entry->method), const_cast<char*>(entry->signature), function});
    }
    const jint result = env->RegisterNatives(type, methods.data(), static_cast<jint>(methods.size()));
    if (result != 0) {
        log(wide("register " + fullName + " failed %d").c_str(), static_cast<int>(result));
        return false;
    }
    return true;
}

}  // namespace

jboolean registerNatives(JNIEnv* env, HMODULE module, NativeLogFunction log) {
    const NativeEntry* end = kNatives + sizeof kNatives / sizeof kNatives[0];
    for (const NativeEntry* first = kNatives; first != end;) {
        const NativeEntry* last = first;
        while (last != end && std::string(last->className) == first->className) ++last;
        if (!registerClass(env, module, log, first, last)) return JNI_FALSE;
        first = last;
    }
    return JNI_TRUE;
}
