// What the launcher takes from a Java runtime: the layout of a Java home, its file names, the
// entry points it resolves and the "-version" line it reads. Everything else about a runtime is
// left to the runtime.
#pragma once

namespace javaruntime {

// Below a Java home.
constexpr const char* kBinJavaExe = "\\bin\\java.exe";         // probed with " -version"
constexpr const char* kEmbeddedJavaExe = "\\jre\\bin\\java.exe";  // the runtime inside a development kit
constexpr const char* kToolsJar = "\\lib\\tools.jar";          // marks a development kit
constexpr const char* kEmbeddedFromBin = "..\\jre\\bin\\java.exe";  // from a kit's bin to its runtime

// In the bin directory.
constexpr const char* kJavaExe = "java.exe";
constexpr const char* kJavawExe = "javaw.exe";  // required beside java.exe for windowed applications
constexpr const char* kJvmDll = "jvm.dll";      // in bin\<variant>
constexpr const char* kSplashDll = "splashscreen.dll";
constexpr const char* kUnpack200Exe = "unpack200.exe";
constexpr const char* kUnpack200Arguments = "-r \"%s\" \"%s\"";  // pack file, jar file

// bin\<variant>\jvm.dll, tried in this order after the configured variant.
constexpr const char* kJvmVariants[] = {"hotspot", "client", "server", "classic", "jrockit"};

// The probe: the first line on standard error starts with one of these prefixes, then the version
// in quotes.
constexpr const char* kVersionArgument = " -version";
constexpr const char* kVersionPrefixes[] = {"java version \"", "openjdk version \""};

// Exports of the runtime's libraries.
constexpr const char* kCreateJavaVmExport = "JNI_CreateJavaVM";
constexpr const char* kSplashExports[] = {"SplashInit", "SplashLoadMemory", "SplashClose"};

// Registry keys of installed runtimes (under HKLM, both registry views).
constexpr const char* kJavaSoftJreKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
constexpr const char* kJavaSoftJdkKey = "SOFTWARE\\JavaSoft\\Java Development Kit";

}  // namespace javaruntime
