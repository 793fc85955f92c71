#include "JavaVMLauncher.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "javaruntime.h"
#include "includedfiles.h"
#include "launchervars.h"
#include "log.h"
#include "payload.h"
#include "paths.h"
#include "registration.h"
#include "runmode.h"
#include "support.h"
#include "textconv.h"
#include "vmoptions.h"
#include "winapi_twins.h"
#include "workdirs.h"

CreateJavaVmFunction createJavaVmEntry = nullptr;
JavaVM* javaVm = nullptr;
JNIEnv* mainEnv = nullptr;
std::atomic<bool> jvmCreated{false};

namespace {

constexpr const char* kInstallerMainClass = "com.quilder.runtime.launcher.WinLauncher";
constexpr const char* kApplicationMainClass = "com.vantle.runtime.WinLauncher";
constexpr const char* kSplashClass = "com/vantle/runtime/WinLauncher";
constexpr const char* kCommonClass = "com/quilder/runtime/installer/platform/win32/Common";
constexpr const char* kWinDelClass = "com/vantle/runtime/util/WinDel";
constexpr const char* kFirstRunClass = "com/quilder/runtime/launcher/FirstRun";
constexpr const char* kMainSignature = "([Ljava/lang/String;)V";
constexpr const char* kSplashSignature =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

constexpr std::size_t kPropertyCapacity = 6000;
constexpr std::size_t kLibraryPathCapacity = 12000;
constexpr std::size_t kNativePathCapacity = 48000;
constexpr int kSplashTextCapacity = 2000;
constexpr int kSplashResource = 10000;

bool splashShown = false;
struct SplashEntryPoints {
    void(__cdecl* init)() = nullptr;
    int(__cdecl* loadMemory)(void*, int) = nullptr;
    void(__cdecl* close)() = nullptr;
} splash;

bool installerKind() { return launcherKind == 'q'; }

template <typename... Args>
std::string formatProperty(const char* format, Args... args) {
    char buffer[kPropertyCapacity];
    snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// An assertion failure the launch cannot recover from, such as an out-of-memory VM.
[[noreturn]] void assertionFailed(const char* expression, const char* file, int line) {
    wchar_t text[1024];
    _snwprintf(text, 1024, L"Assertion failed: %S, file %S, line %d", expression, file, line);
    text[1023] = L'\0';
    logError(L"%s", text);
    showFatalMessage(text);
    exitLauncher(3);
}
#define QDR_ASSERT(expression) \
    ((expression) ? static_cast<void>(0) : assertionFailed(#expression, "JavaVMLauncher.cpp", __LINE__))

std::string libraryPathProperty() {
    const std::string prefix = "-Djava.library.path=";
    const DWORD room = static_cast<DWORD>(kLibraryPathCapacity - prefix.size());
    std::string value(room, '\0');
    const DWORD length = GetEnvironmentVariableA("PATH", value.data(), room);
    if (length == 0 || length >= room) return prefix;
    value.resize(length);
    return prefix + value;
}

// A log file element of main: the expanded configuration text, made a full path unless it
// begins with "$"; empty when `enabledId` is zero.
std::wstring logFileArgument(int enabledId, int nameId) {
    if (getConfigInt(enabledId) == 0) return L"";
    std::wstring name = expandLauncherVariablesW(getConfigStringW(nameId).substr(0, kPathCapacity - 1), false, kPathCapacity);
    if (!name.empty() && name[0] == L'$') return name;
    return getFullPathW(name, true, false);
}

bool startsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

// The local references made from configuration strings for the splash call.
jstring splashString(int id) {
    char text[kSplashTextCapacity];
    getConfigString(id, text, kSplashTextCapacity);
    return mainEnv->NewStringUTF(text);
}

// The class, or nullptr after clearing the failed lookup's exception and logging `missing`.
jclass findClassOrLog(const char* name, const std::wstring& missing) {
    jclass type = mainEnv->FindClass(name);
    if (!type) {
        mainEnv->ExceptionClear();
        logError(L"%s", missing.c_str());
    }
    return type;
}

void passSplashSettings() {
    jclass launcher = findClassOrLog(kSplashClass, L"could not find main class for splash properties");
    if (!launcher) return;
    jmethodID method = mainEnv->GetStaticMethodID(launcher, "initAwtSplashConfig", kSplashSignature);
    if (!method) {
        mainEnv->ExceptionClear();
        logError(L"could not find method for splash properties");
        mainEnv->DeleteLocalRef(launcher);
        return;
    }
    jstring texts[] = {splashString(10111), splashString(10114), splashString(10118), splashString(10121)};
    mainEnv->CallStaticVoidMethod(launcher, method, JNI_TRUE, getConfigInt(163) != 0 ? JNI_TRUE : JNI_FALSE,
                                  texts[0], getConfigInt(10109), getConfigInt(10110), texts[1], getConfigInt(10113),
                                  getConfigInt(10115), texts[2], getConfigInt(10116), getConfigInt(10117), texts[3],
                                  getConfigInt(10120), getConfigInt(10122));
    reportJavaException(mainEnv, true);
    for (jstring text : texts)
        if (text) mainEnv->DeleteLocalRef(text);
    mainEnv->DeleteLocalRef(launcher);
}

std::string mainClassPath() {
    std::string name = installerKind() ? kInstallerMainClass : kApplicationMainClass;
    for (char& ch : name)
        if (ch == '.') ch = '/';
    return name;
}

jobjectArray newArgumentArray(const std::vector<std::wstring>& arguments) {
    jclass stringClass = mainEnv->FindClass("java/lang/String");
    jobjectArray paramArray =
        stringClass ? mainEnv->NewObjectArray(static_cast<jsize>(arguments.size()), stringClass, nullptr) : nullptr;
    QDR_ASSERT(paramArray);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        logMessage(L"param %d: %s", static_cast<int>(i), arguments[i].c_str());
        jstring jstr = mainEnv->NewString(reinterpret_cast<const jchar*>(arguments[i].c_str()),
                                          static_cast<jsize>(arguments[i].size()));
        QDR_ASSERT(jstr);
        mainEnv->SetObjectArrayElement(paramArray, static_cast<jsize>(i), jstr);
        mainEnv->DeleteLocalRef(jstr);
    }
    mainEnv->DeleteLocalRef(stringClass);
    return paramArray;
}

}  // namespace

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

void setupNativeLibraryPath() {
    char configured[kPathCapacity];
    getConfigString(10004, configured, kPathCapacity);
    logMessage(L"native lib dir is %S", configured);
    expandLauncherVariablesA(configured, kPathCapacity);
    std::string path = makeAbsolutePathList(configured, [](const std::string& piece) {
        if (!piece.empty()) addDllSearchDirectory(piece.c_str());
    }).substr(0, kNativePathCapacity - 1);
    if (!path.empty() && path.back() != ';') path += ';';
    const DWORD room = static_cast<DWORD>(kNativePathCapacity - path.size());
    std::string current(room, '\0');
    const DWORD length = GetEnvironmentVariableA("PATH", current.data(), room);
    if (length > 0 && length < room) path.append(current.c_str(), length);
    if (SetEnvironmentVariableA("PATH", path.c_str()))
        logMessage(L"Setting PATH (native libs) %S", path.c_str());
    else
        logMessage(L"Setting PATH (native libs) %S failed with error %d", path.c_str(), static_cast<int>(GetLastError()));
    _putenv(("PATH=" + path).c_str());
}

std::vector<std::string> buildSystemProperties() {
    std::vector<std::string> properties;
    if (!semaphoreName.empty())
        properties.push_back(formatProperty("-D%s=%s", "vantle.semaphoreName", semaphoreName.c_str()));
    if (manualJreSelection) properties.push_back(formatProperty("-D%s=true", "vantle.manualJre"));
    if (installerKind()) properties.push_back(formatProperty("-D%s=true", "vantle.isQuilder"));
    const char* exePath = getExePath().c_str();
    properties.push_back(formatProperty("-D%s=%s", "vantle.moduleName", exePath));
    properties.push_back(formatProperty("-D%s=%s", "sun.java.command", exePath));
    properties.push_back(formatProperty("-D%s=%s", "vantle.tempDir", workDir.c_str()));
    // A 64-bit offset: payloads past 2 GB must not come out negative.
    const long long position = restartMode && !restartFilesMissing ? -1 : unextractedPosition;
    properties.push_back(formatProperty("-D%s=%lld", "vantle.unextractedPosition", position));
    properties.push_back(libraryPathProperty());
    if (!getenv("MANPATH"))
        properties.push_back(formatProperty("-D%s=cp%d", "vantle.consoleCodepage", static_cast<int>(GetConsoleOutputCP())));
    return properties;
}

std::vector<std::wstring> buildMainArguments(const ArgList& argList) {
    std::vector<std::wstring> arguments;
    arguments.push_back(getConfigInt(107) == 1 ? L"true" : L"false");
    arguments.push_back(getConfigStringW(122).substr(0, kPathCapacity - 1));
    arguments.push_back(logFileArgument(102, 103));
    arguments.push_back(logFileArgument(104, 105));
    arguments.push_back(getConfigInt(106) != 0 ? L"true" : L"false");
    if (!argList.empty()) arguments.push_back(argList[0]);
    constexpr std::size_t kConfiguredArgumentsCapacity = 2000;
    const std::wstring configured = expandLauncherVariablesW(
        getConfigStringW(124).substr(0, kConfiguredArgumentsCapacity - 1), false, kConfiguredArgumentsCapacity);
    tokenizeCommandLine(configured, arguments);
    const bool dropVmArguments = getConfigInt(125) != 0;
    for (std::size_t i = 1; i < argList.size(); ++i) {
        const std::wstring& argument = argList[i];
        if (startsWith(argument, L"-Dsun.locale.formatasdefault=")) continue;
        if (dropVmArguments && startsWith(argument, L"-J")) continue;
        arguments.push_back(argument);
    }
    return arguments;
}

bool createJvm(const ArgList& argList, const std::vector<std::string>& systemProperties) {
    std::vector<const char*> slots;
    for (const std::string& property : systemProperties) slots.push_back(property.c_str());
    slots.push_back(nullptr);
    JavaVMInitArgs initArgs{};
    buildJvmInitArgs(initArgs, slots.data(), argList);
    logMessage(L"Creating JVM");
    if (!createJavaVmEntry) return false;
    JavaVM* created = nullptr;
    if (createJavaVmEntry(&created, reinterpret_cast<void**>(&mainEnv), &initArgs) != 0) return false;
    javaVm = created;
    return true;
}

bool launchJvm(const ArgList& argList, bool destroyWhenDone) {
    logMessage(L"launching program");
    if (!createJvm(argList, buildSystemProperties())) {
        logError(L"could not initialize JVM");
        return false;
    }
    logMessage(L"JVM created");
    jvmCreated = true;
    if (getConfigInt(108) != 0 && getConfigInt(10123) != 0) passSplashSettings();
    registerLauncherNatives();
    setWinDelExecutable();
    if (!invokeMain(argList)) {
        logError(L"could not call main");
        return false;
    }
    if (destroyWhenDone) {
        logMessage(L"dest JVM");
        javaVm->DestroyJavaVM();
    }
    logMessage(L"launch done");
    return true;
}

void registerLauncherNatives() {
    if (!installerKind()) return;
    logMessage(L"load helper dll");
    HMODULE self = GetModuleHandleA(nullptr);
    logMessage(L"helper dll (in-module) %p", self);
    using RegisterFunction = jboolean (*)(JNIEnv*, HMODULE, NativeLogFunction);
    auto registerEntry = procAddress<RegisterFunction>(self, "registerNatives");
    if (!registerEntry) {
        logError(L"did not find register natives in helper dll");
        return;
    }
    if (!callInitFromLauncher(true)) return;
    if (!registerEntry(mainEnv, self, logError)) {
        logError(L"registering helper dll failed");
        callInitFromLauncher(false);
    }
}

bool callInitFromLauncher(bool registered) {
    jclass common = findClassOrLog(kCommonClass, L"did not find " + widenBytes(kCommonClass));
    if (!common) return false;
    jmethodID init = mainEnv->GetStaticMethodID(common, "initFromLauncher", "(Z)V");
    if (!init) {
        mainEnv->ExceptionClear();
        logError(L"did not find initMethod");
        mainEnv->DeleteLocalRef(common);
        return false;
    }
    mainEnv->CallStaticVoidMethod(common, init, registered ? JNI_TRUE : JNI_FALSE);
    reportJavaException(mainEnv, true);
    mainEnv->DeleteLocalRef(common);
    return true;
}

void setWinDelExecutable() {
    jclass winDel = findClassOrLog(kWinDelClass, L"did not find WinDel class");
    if (!winDel) return;
    wchar_t module[kPathCapacity];
    jstring path = nullptr;
    DWORD length = 0;
    jfieldID field = mainEnv->GetStaticFieldID(winDel, "externalExecutable", "Ljava/lang/String;");
    if (!field) {
        mainEnv->ExceptionClear();
        logError(L"did not find WinDel field");
    } else if ((length = GetModuleFileNameW(nullptr, module, kPathCapacity)) == 0 || length >= kPathCapacity) {
        logError(L"could not get module name for WinDel");
    } else if (!(path = mainEnv->NewString(reinterpret_cast<const jchar*>(module), static_cast<jsize>(length)))) {
        mainEnv->ExceptionClear();
        logError(L"could not create string for WinDel");
    } else {
        mainEnv->SetStaticObjectField(winDel, field, path);
        mainEnv->DeleteLocalRef(path);
    }
    mainEnv->DeleteLocalRef(winDel);
}

bool checkFirstRun() {
    char directory[2000];
    getConfigString(10003, directory, sizeof directory);
    const std::string marker = getFullPath(directory, true) + "\\.quilder\\firstrun";
    if (!pathExists(marker)) return true;
    jclass firstRun = mainEnv->FindClass(kFirstRunClass);
    if (!firstRun) {
        mainEnv->ExceptionClear();
        fatalMessageArg(1009, L"14");
    }
    jmethodID method = mainEnv->GetStaticMethodID(firstRun, "firstRun", "()Z");
    if (!method) {
        mainEnv->ExceptionClear();
        fatalMessageArg(1009, L"15");
    }
    const jboolean goOn = mainEnv->CallStaticBooleanMethod(firstRun, method);
    const bool clean = reportJavaException(mainEnv, true);
    mainEnv->DeleteLocalRef(firstRun);
    return clean && goOn;
}

bool invokeMain(const ArgList& argList) {
    if (installerKind() && !checkFirstRun()) {
        logMessage(L"checkFirstRun stopped further execution");
        return true;
    }
    const std::string className = mainClassPath();
    logMessage(L"main class: %S", className.c_str());
    jclass mainClass = mainEnv->FindClass(className.c_str());
    if (!mainClass) {
        reportJavaException(mainEnv, false);
        logError(L"could not find main class");
        fatalMessage(1010);
    }
    jmethodID main = mainEnv->GetStaticMethodID(mainClass, "main", kMainSignature);
    if (!main) {
        reportJavaException(mainEnv, false);
        logError(L"could not find main method");
        fatalMessage(1011);
    }
    const std::vector<std::wstring> arguments = buildMainArguments(argList);
    logMessage(L"param count: %d", static_cast<int>(arguments.size()));
    jobjectArray paramArray = newArgumentArray(arguments);
    logMessage(L"calling main");
    mainEnv->CallStaticVoidMethod(mainClass, main, paramArray);
    logMessage(L"main returned");
    return reportJavaException(mainEnv, true);
}

JNIEnv* getThreadJniEnv() {
    if (!jvmCreated || !javaVm) return nullptr;
    JNIEnv* env = nullptr;
    return javaVm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) == 0 ? env : nullptr;
}

void splashScreen(bool show) {
    if (getConfigInt(10123) == 0) return;
    if (!show) {
        if (splashShown) splash.close();
        return;
    }
    if (splashShown) return;
    char library[kPathCapacity];
    snprintf(library, sizeof library, "%s\\bin\\splashscreen.dll", jvmHome.c_str());
    logMessage(L"loading splashscreen dll from %S", library);
    HMODULE module = LoadLibraryA(library);
    if (!module) {
        logError(L"Could not load splashscreen.dll");
        return;
    }
    splash.close = procAddress<decltype(splash.close)>(module, "SplashClose");
    splash.init = procAddress<decltype(splash.init)>(module, "SplashInit");
    splash.loadMemory = procAddress<decltype(splash.loadMemory)>(module, "SplashLoadMemory");
    if (!splash.close || !splash.init || !splash.loadMemory) {
        logError(L"Could not find functions in splashscreen.dll");
        return;
    }
    splash.init();
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(self, MAKEINTRESOURCEA(kSplashResource), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = resource ? LoadResource(self, resource) : nullptr;
    void* data = loaded ? LockResource(loaded) : nullptr;
    const int size = resource ? static_cast<int>(SizeofResource(self, resource)) : 0;
    if (!data) {
        logError(L"no splash image in the executable");
        return;
    }
    const int result = splash.loadMemory(data, size);
    logMessage(L"splash load memory returned %d (%p, %p, %d)", result, resource, data, size);
    splashShown = true;
}
