// The virtual machine inside the launcher's process: binding the JVM library, creating the VM,
// the steps before main, main itself, the splash library and the DLL search directories.
#pragma once

#include <windows.h>

#include <jni.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "commandline.h"

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// JNI_CreateJavaVM of the loaded JVM library; nullptr until bindCreateJavaVm succeeds.
extern CreateJavaVmFunction createJavaVmEntry;
// The created virtual machine and the environment of the thread that created it.
extern JavaVM* javaVm;
extern JNIEnv* mainEnv;
// Set once the virtual machine exists; other threads poll it before attaching.
extern std::atomic<bool> jvmCreated;

// Binds JNI_CreateJavaVM of `jvmLibrary`; false for no library or no such export.
bool bindCreateJavaVm(HMODULE jvmLibrary);

// Adds `directory` (ANSI) to the DLL search directories; returns the cookie, or 0 when this
// Windows lacks AddDllDirectory or the call fails.
std::uintptr_t addDllSearchDirectory(const char* directory);
// Removes a directory added by addDllSearchDirectory; nothing for 0.
void removeDllSearchDirectory(std::uintptr_t cookie);

// Puts the configured native library directories (configuration 10004) in front of PATH and
// among the DLL search directories.
void setupNativeLibraryPath();

// The launcher's system properties for the VM, in order (at most 9 of the 13 slots are used).
std::vector<std::string> buildSystemProperties();
// The arguments of the Java side's main: five leading elements, the program, the configured
// arguments, then the command line's own arguments without locale and "-J" options.
std::vector<std::wstring> buildMainArguments(const ArgList& argList);

// Creates the VM with the options of `argList` and `systemProperties`; true on success.
bool createJvm(const ArgList& argList, const std::vector<std::string>& systemProperties);
// Creates the VM, runs the steps before main and main. True when main returned without an
// exception or the first-run hook stopped the launch. With `destroyWhenDone`, returns only after
// every non-daemon Java thread has ended.
bool launchJvm(const ArgList& argList, bool destroyWhenDone);

// The steps between creation and main.
void registerLauncherNatives();
bool callInitFromLauncher(bool registered);
void setWinDelExecutable();
bool checkFirstRun();
bool invokeMain(const ArgList& argList);

// A JNI environment for the calling thread (attached as a daemon), or nullptr before the VM exists.
JNIEnv* getThreadJniEnv();

// Shows (true) or closes (false) the splash image of resource 10000 through the runtime's
// splashscreen.dll; only when configuration 10123 is set.
void splashScreen(bool show);
