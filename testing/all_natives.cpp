// A module that exports every native under its JNI name, each doing nothing and returning zero (or
// null), for testing the registration. Built a second time without Misc_launch0: there its
// export carries another name.
#include <jni.h>

#ifdef QDR_WITHOUT_LAUNCH0
#define launch0 launch0_missing
#endif

#define QDR_STUB_NAME(cls, method) Java_com_quilder_runtime_installer_platform_win32_##cls##_##method
#define QDR_NATIVE(cls, method, signature) \
    extern "C" __declspec(dllexport) jlong JNICALL QDR_STUB_NAME(cls, method)(JNIEnv*, jclass) { return 0; }
#include "native_table.inc"
QDR_NATIVE(ShellLink, create0, "")
