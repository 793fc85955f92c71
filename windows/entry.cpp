#include "entry.h"

#include <cstring>
#include <string>

#include "JavaVMLauncher.h"
#include "commandline.h"
#include "log.h"
#include "payload.h"
#include "runmode.h"
#include "support.h"
#include "worksequence.h"

namespace {

bool startsWith(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

// The run mode of the start-up's last step. Until the progress window exists, the windowed mode
// runs the work sequence without a window as the other modes do.
void chooseRunMode(int showCommand) {
    if (quietMode && !splashSwitch) {
        logMessage(L"Quiet installer.");
    } else if (getConfigInt(108) != 0 && getConfigInt(10123) == 0) {
        logMessage(L"Showing splash screen.");
        splashScreen(showCommand != 0);
    }
    runWorkSequence(nullptr);
}

}  // namespace

void restrictDllSearch() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    if (version.dwMajorVersion == 6 && version.dwMinorVersion == 0) return;
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto setDefault =
        procAddress<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (!setDefault) return;
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
    logMessage(L"restrict DLL directories");
}

void loadCommonControls() {
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    if (!controls) controls = LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!controls) return;
    using InitFunction = void(WINAPI*)();
    if (auto init = procAddress<InitFunction>(controls, "InitCommonControls")) init();
}

void runRebootMode() {
    Sleep(5000);
    if (setTokenPrivilege(L"SeShutdownPrivilege", true)) ExitWindowsEx(EWX_REBOOT, 0);
}

int launcherMain(HINSTANCE instance, const char* commandLine, int showCommand) {
    restrictDllSearch();
    preloadShellDependencies();
    if (commandLine[0] != '\0' && strcmp(commandLine, "__qdr_reboot") == 0) {
        runRebootMode();
        return 0;
    }
    if (startsWith(commandLine, "__qdr_lang_restart")) {
        logMessage(L"language restart");
        restartMode = true;
        quietMode = true;
    }
    if (startsWith(commandLine, "__qdr_extract_and_exit")) {
        logMessage(L"extract and exit mode");
        extractAndExitMode = true;
    }
    loadCommonControls();

    ArgList argList;
    tokenizeCommandLine(GetCommandLineW(), argList);
    processArguments(instance, argList);
    applySwitches(argList);
    launcherInstance = instance;
    logMessage(L"Init done");
    chooseRunMode(showCommand);
    return 0;
}
