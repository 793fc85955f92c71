// A jvm.dll that records the JavaVMInitArgs it is given and then fails, so that an exact option
// list can be checked without a virtual machine. The record goes to the file named by
// QDR_RECORDER_FILE: the version, ignoreUnrecognized, then one line per option.
#include <windows.h>

// This library implements the invocation entry, so jni.h must declare it exported, not imported.
#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <cstdio>

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* arguments) {
    *vm = nullptr;
    *env = nullptr;
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QDR_RECORDER_FILE", path, MAX_PATH) == 0) return JNI_ERR;
    FILE* record = fopen(path, "wb");
    if (!record) return JNI_ERR;
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(arguments);
    fprintf(record, "version %#x\nignoreUnrecognized %d\n", static_cast<unsigned>(initArgs->version),
            initArgs->ignoreUnrecognized ? 1 : 0);
    for (jint i = 0; i < initArgs->nOptions; ++i) fprintf(record, "option %s\n", initArgs->options[i].optionString);
    fclose(record);
    return JNI_ERR;
}
