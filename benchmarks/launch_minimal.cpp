// The baseline of the launch benchmark: the least a program must do to run the same main on the
// same runtime. It restricts and extends the DLL search as the launcher does, loads jvm.dll, creates
// the VM with the options of a file (one per line) and calls main of a class with the remaining
// arguments. Arguments: <Java home> <options file> <main class, "/"-separated> [main arguments...]
#include <windows.h>

#include <jni.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> readLines(const wchar_t* path) {
    std::vector<std::string> lines;
    FILE* file = _wfopen(path, L"rb");
    if (!file) return lines;
    std::string line;
    for (int ch; (ch = fgetc(file)) != EOF;) {
        if (ch == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(ch));
        }
    }
    if (!line.empty()) lines.push_back(line);
    fclose(file);
    return lines;
}

// The command line split at blanks outside double quotes, quotes dropped.
std::vector<std::wstring> commandLineArguments() {
    std::vector<std::wstring> arguments;
    std::wstring current;
    bool quoted = false, inArgument = false;
    for (const wchar_t* at = GetCommandLineW(); *at; ++at) {
        if (*at == L'"') {
            quoted = !quoted;
            inArgument = true;
        } else if (*at == L' ' && !quoted) {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current.push_back(*at);
            inArgument = true;
        }
    }
    if (inArgument) arguments.push_back(current);
    return arguments;
}

}  // namespace

int main() {
    const std::vector<std::wstring> argv = commandLineArguments();
    const int argc = static_cast<int>(argv.size());
    if (argc < 4) return 2;
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
    const std::wstring bin = std::wstring(argv[1]) + L"\\bin";
    AddDllDirectory(bin.c_str());
    HMODULE jvm = LoadLibraryW((bin + L"\\server\\jvm.dll").c_str());
    if (!jvm) return 3;
    using CreateFunction = jint(JNICALL*)(JavaVM**, void**, void*);
    auto create = reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_CreateJavaVM")));
    if (!create) return 4;
    std::vector<std::string> texts = readLines(argv[2].c_str());
    std::vector<JavaVMOption> options;
    for (std::string& text : texts) options.push_back({text.data(), nullptr});
    JavaVMInitArgs initArgs{JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(), JNI_TRUE};
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &initArgs) != JNI_OK) return 5;
    const std::string className(argv[3].begin(), argv[3].end());
    jclass mainClass = env->FindClass(className.c_str());
    jmethodID main = mainClass ? env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V") : nullptr;
    if (!main) return 6;
    jobjectArray arguments = env->NewObjectArray(argc - 4, env->FindClass("java/lang/String"), nullptr);
    for (int i = 4; i < argc; ++i)
        env->SetObjectArrayElement(arguments, i - 4,
                                   env->NewString(reinterpret_cast<const jchar*>(argv[i].c_str()), static_cast<jsize>(argv[i].size())));
    env->CallStaticVoidMethod(mainClass, main, arguments);
    const bool failed = env->ExceptionCheck();
    if (failed) env->ExceptionDescribe();
    vm->DestroyJavaVM();
    return failed ? 7 : 0;
}
