// Binding the JVM library and the DLL search directories its dependencies need.
#pragma once

#include <windows.h>

#include <jni.h>

#include <cstdint>

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// JNI_CreateJavaVM of the loaded JVM library; nullptr until bindCreateJavaVm succeeds.
extern CreateJavaVmFunction createJavaVmEntry;

// Binds JNI_CreateJavaVM of `jvmLibrary`; false for no library or no such export.
bool bindCreateJavaVm(HMODULE jvmLibrary);

// Adds `directory` (ANSI) to the DLL search directories; returns the cookie, or 0 when this
// Windows lacks AddDllDirectory or the call fails.
std::uintptr_t addDllSearchDirectory(const char* directory);
// Removes a directory added by addDllSearchDirectory; nothing for 0.
void removeDllSearchDirectory(std::uintptr_t cookie);
