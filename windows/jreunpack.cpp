#include "jreunpack.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "javaruntime.h"
#include "log.h"
#include "paths.h"

void unpackJarDirs(const std::string& runtimeDir) {
    bool announced = false;
    for (const char* subdirectory : {"lib", "lib\\ext"}) {
        const std::string directory = runtimeDir + "\\" + subdirectory;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((directory + "\\*.jar.pack").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::string name = found.cFileName;
            const std::string target = directory + "\\" + name.substr(0, name.size() - 5);
            logMessage(L"checking %S", target.c_str());
            if (pathExists(target)) continue;
            if (!announced) {
                logMessage(L"Unpacking JRE");
                fputs("Preparing JRE ...\n", stdout);
                fflush(stdout);
                announced = true;
            }
            unpackPackFile(runtimeDir, directory + "\\" + name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (announced) logMessage(L"Unpacking JRE done");
}

void unpackPackFile(const std::string& runtimeDir, const std::string& packPath) {
    const std::string jarPath = packPath.substr(0, packPath.size() >= 5 ? packPath.size() - 5 : 0);
    if (!pathExists(packPath)) {
        logMessage(L"pack path doesn't exists");
        return;
    }
    const std::string program = runtimeDir + "\\bin\\" + javaruntime::kUnpack200Exe;
    char arguments[3 * 6000];
    _snprintf(arguments, sizeof arguments, javaruntime::kUnpack200Arguments, packPath.c_str(), jarPath.c_str());
    arguments[sizeof arguments - 1] = '\0';
    logMessage(L"%S", program.c_str());
    logMessage(L"%S", arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), arguments, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        logMessage(L"could not create unpack process");
        fatalMessageArg(1009, L"20");
    }
    logMessage(L"waiting for unpack200 to finish");
    WaitForSingleObject(process.hProcess, INFINITE);
    logMessage(L"unpack done");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!DeleteFileA(packPath.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        logMessage(L"could not delete packed file (error %d)", static_cast<int>(GetLastError()));
}
