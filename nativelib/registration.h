// Explicit registration of the natives with a virtual machine the host created.
#pragma once

#include <windows.h>

#include <jni.h>

// The host's error logger: a wide printf-style format and its arguments.
using NativeLogFunction = void (*)(const wchar_t* format, ...);

// Registers the natives of the twelve classes, class by class in table order, taking every
// function from the export table of `module`. Stops at the first class that cannot be found, lacks
// an export or is refused, after telling `log`; classes registered before it stay registered.
extern "C" __declspec(dllexport) jboolean registerNatives(JNIEnv* env, HMODULE module, NativeLogFunction log);

// Package of the twelve classes, and the prefix of their natives' export names.
constexpr const char* kNativePackage = "com/quilder/runtime/installer/platform/win32/";
constexpr const char* kNativeExportPrefix = "Java_com_quilder_runtime_installer_platform_win32_";
constexpr int kRegisteredNativeCount = 70;
