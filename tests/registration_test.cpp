#include "registration.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "JavaVMLauncher.h"
#include "support.h"
#include "child_roles.h"
#include "javaprobe.h"
#include "launcher_roles.h"
#include "testsupport.h"

using namespace testing_support;

namespace {

// Child role: creates the real virtual machine on the class path QDR_CLASS_PATH, registers the
// natives of the module QDR_NATIVES and prints the result, what was logged, and which classes'
// natives can be called.
std::wstring logged;

void recordLog(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    wchar_t line[1024];
    _vsnwprintf(line, 1024, format, args);
    line[1023] = L'\0';
    va_end(args);
    logged += line;
    logged += L"\n";
}

std::string environmentValue(const char* name) {
    char value[MAX_PATH] = {};
    GetEnvironmentVariableA(name, value, MAX_PATH);
    return value;
}

// Whether calling `method` (no arguments, any result) of `className` works or throws
// UnsatisfiedLinkError because it is not bound.
bool callable(JNIEnv* env, const char* className, const char* method, const char* signature) {
    jclass type = env->FindClass((std::string(kNativePackage) + className).c_str());
    if (!type) {
        env->ExceptionClear();
        return false;
    }
    jmethodID id = env->GetStaticMethodID(type, method, signature);
    if (!id) {
        env->ExceptionClear();
        return false;
    }
    env->CallStaticVoidMethod(type, id);
    const bool failed = env->ExceptionCheck();
    env->ExceptionClear();
    return !failed;
}

// The real virtual machine of the tests, on QDR_CLASS_PATH, with every JNI call checked.
JNIEnv* createTestJvm() {
    const std::string javaExe = narrow(QDR_JRE_HOME) + "\\bin\\java.exe";
    if (!bindCreateJavaVm(loadJvmLibrary(javaExe))) return nullptr;
    static std::string classPath = "-Djava.class.path=" + environmentValue("QDR_CLASS_PATH");
    JavaVMOption options[] = {{classPath.data(), nullptr}, {const_cast<char*>("-Xcheck:jni"), nullptr}};
    JavaVMInitArgs initArgs{JNI_VERSION_1_2, 2, options, JNI_TRUE};
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    return createJavaVmEntry(&vm, reinterpret_cast<void**>(&env), &initArgs) == JNI_OK ? env : nullptr;
}

int registerRole() {
    JNIEnv* env = createTestJvm();
    if (!env) return 11;
    HMODULE natives = LoadLibraryA(environmentValue("QDR_NATIVES").c_str());
    if (!natives) return 12;
    const bool registered = registerNatives(env, natives, recordLog);
    env->ExceptionClear();
    printf("registered %d\n", registered ? 1 : 0);
    printf("log %s", narrow(logged).c_str());
    printf("FolderInfo.getWindowsDirectory0 %d\n",
           callable(env, "FolderInfo", "getWindowsDirectory0", "()Ljava/lang/String;") ? 1 : 0);
    printf("Misc.reboot0 %d\n", callable(env, "Misc", "reboot0", "()V") ? 1 : 0);
    printf("Registry.changeNotifyAssociations0 %d\n",
           callable(env, "Registry", "changeNotifyAssociations0", "()V") ? 1 : 0);
    printf("Win32UserInfo.getUserSid0 %d\n",
           callable(env, "Win32UserInfo", "getUserSid0", "()Ljava/lang/String;") ? 1 : 0);
    printf("ShellLink.initialize0 %d\n", callable(env, "ShellLink", "initialize0", "()Z") ? 1 : 0);
    fflush(stdout);
    ExitProcess(0);  // the virtual machine's threads need not be waited for
}

// Child role: the string helpers of the natives on real Java strings.
int stringHelpersRole() {
    JNIEnv* env = createTestJvm();
    if (!env) return 11;
    auto show = [](const wchar_t* text) { return text ? "[" + narrow(text) + "]" : std::string("null"); };
    const jchar withNul[] = {'a', 'b', 0, 'c'};
    const wchar_t surrogates[] = {L'x', 0xD83D, 0xDE00, L'y', 0};
    wchar_t* fromNull = jstringToWide(env, nullptr);
    wchar_t* fromEmpty = jstringToWide(env, env->NewStringUTF(""));
    wchar_t* fromNul = jstringToWide(env, env->NewString(withNul, 4));
    wchar_t* roundTrip = jstringToWide(env, wideToJstring(env, surrogates));
    printf("null %s\nempty %s\nnul %s\nsurrogates %d\n", show(fromNull).c_str(), show(fromEmpty).c_str(),
           show(fromNul).c_str(), wcscmp(roundTrip, surrogates) == 0 ? 1 : 0);
    delete[] fromEmpty;
    delete[] fromNul;
    delete[] roundTrip;
    jobjectArray array = newStringArray(env, {env->NewStringUTF("one"), nullptr, env->NewStringUTF("two")});
    jobjectArray empty = newStringArray(env, {});
    printf("array %d %d\n", static_cast<int>(env->GetArrayLength(array)), static_cast<int>(env->GetArrayLength(empty)));
    fflush(stdout);
    ExitProcess(0);
}

const bool registered =
    registerChildRole("register", registerRole) && registerChildRole("string-helpers", stringHelpersRole);

struct Registration {
    ChildResult result;
    bool has(const std::string& line) const { return result.out.find(line + "\r\n") != std::string::npos; }
};

Registration registerWith(const std::wstring& classPath, const wchar_t* natives) {
    TempDir dir;
    ChildOptions options;
    options.arguments = childArgument("register");
    options.environment = logInDirEnvironment(dir.path());
    options.environment[L"QDR_CLASS_PATH"] = classPath;
    options.environment[L"QDR_NATIVES"] = std::wstring(QDR_TESTING_DIR) + L"\\" + natives;
    options.timeoutMs = 60000;
    return {runChild(ownExecutablePath(), options)};
}

TEST(NativeHelpers, StringsAndStringArrays) {
    TempDir dir;
    ChildOptions options;
    options.arguments = childArgument("string-helpers");
    options.environment = logInDirEnvironment(dir.path());
    options.environment[L"QDR_CLASS_PATH"] = std::wstring(QDR_RUNTIME_JAR);
    options.timeoutMs = 60000;
    const ChildResult result = runChild(ownExecutablePath(), options);
    ASSERT_EQ(result.exitCode, 0u) << result.out << result.err;
    EXPECT_EQ(result.out, "null null\r\nempty []\r\nnul [ab]\r\nsurrogates 1\r\narray 2 0\r\n");
}

TEST(RegisterNatives, AllTwelveClassesWithEveryExport) {
    const Registration run = registerWith(QDR_RUNTIME_JAR, L"all_natives.dll");
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.out << run.result.err;
    EXPECT_TRUE(run.has("registered 1")) << run.result.out;
    EXPECT_FALSE(run.has("log ")) << "nothing logged on success";
    for (const char* native : {"FolderInfo.getWindowsDirectory0", "Misc.reboot0", "Registry.changeNotifyAssociations0",
                               "Win32UserInfo.getUserSid0", "ShellLink.initialize0"})
        EXPECT_TRUE(run.has(std::string(native) + " 1")) << native << "\n" << run.result.out;
}

TEST(RegisterNatives, AMissingExportStopsAtItsClass) {
    const Registration run = registerWith(QDR_RUNTIME_JAR, L"natives_without_launch0.dll");
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.out << run.result.err;
    EXPECT_TRUE(run.has("registered 0"));
    EXPECT_TRUE(run.has("log did not find Java_com_quilder_runtime_installer_platform_win32_Misc_launch0"))
        << run.result.out;
    EXPECT_TRUE(run.has("FolderInfo.getWindowsDirectory0 1")) << "classes before it stay registered";
    EXPECT_TRUE(run.has("Misc.reboot0 0")) << "its own class is not registered";
    EXPECT_TRUE(run.has("Registry.changeNotifyAssociations0 0")) << "later classes are not attempted";
}

TEST(RegisterNatives, AMissingClassStopsTheRegistration) {
    const Registration run =
        registerWith(std::wstring(QDR_TESTING_DIR) + L"\\qdrruntime-without-picker.jar", L"all_natives.dll");
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.out << run.result.err;
    EXPECT_TRUE(run.has("registered 0"));
    EXPECT_TRUE(run.has("log could not load class com/quilder/runtime/installer/platform/win32/ObjectPicker"))
        << run.result.out;
    EXPECT_TRUE(run.has("Misc.reboot0 1"));
    EXPECT_TRUE(run.has("Registry.changeNotifyAssociations0 0"));
}

}  // namespace
