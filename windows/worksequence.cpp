#include "worksequence.h"

#include <commctrl.h>
#include <direct.h>

#include <cstdio>
#include <cstdlib>

#include "../payload/format.h"
#include "JavaVMLauncher.h"
#include "includedfiles.h"
#include "installmarkers.h"
#include "jrebundle.h"
#include "jresearch.h"
#include "jreunpack.h"
#include "launchervars.h"
#include "lists.h"
#include "log.h"
#include "paths.h"
#include "payload.h"
#include "runmode.h"
#include "workdirs.h"

int progressBase = 100;
bool jreIncluded = false;

namespace {

constexpr int kProgressBar = 1001;
constexpr const char* kBundledJreArchive = "jre.tar.gz";
constexpr const char* kBundledJreDir = "jre";

bool restartWithFiles() { return restartMode && !restartFilesMissing; }

void changeToWorkDir() {
    if (_chdir(workDir.c_str()) != 0)
        logError(L"Could not change working dir to %S (%d)", workDir.c_str(), static_cast<int>(GetLastError()));
}

std::string fullPathOf(const char* name) {
    char full[2000] = {};
    return _fullpath(full, name, sizeof full) ? full : name;
}

// Restart mode: the current directory is the work directory of the run that restarted this one,
// unless it lacks the files that run left.
void adoptRestartDirectory() {
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    workDir = current;
    if (!pathExists(workDir + "\\qdrruntime.jar")) {
        logMessage(L"could not find qdrruntime.jar");
        restartFilesMissing = true;
    } else if (!pathExists(workDir + "\\qdrparams.conf")) {
        logMessage(L"could not find qdrparams.conf");
        restartFilesMissing = true;
    }
    if (restartFilesMissing) workDir.clear();
}

void createExtractDirectory() {
    workDir = getExePath() + ".test";
    logMessage(L"Extracted dir: %S", workDir.c_str());
    if (!CreateDirectoryA(workDir.c_str(), nullptr) &&
        (GetLastError() != ERROR_ALREADY_EXISTS || !(GetFileAttributesA(workDir.c_str()) & FILE_ATTRIBUTE_DIRECTORY))) {
        logMessage(L"Could not create dir %S (%d)", workDir.c_str(), static_cast<int>(GetLastError()));
        fatalMessageArg(1009, L"70");
    }
}

void extractOrExit(HWND window) {
    const int result = extractIncludedFiles();
    if (result == kExtractOk) return;
    if (!quietMode)
        MessageBoxW(window, getMessageText(result == kExtractWriteFailed ? 20018 : 20016).c_str(),
                    getMessageText(20013).c_str(), MB_ICONERROR | MB_OK);
    exitLauncher(1);
}

void detectIncludedJre() {
    std::string path = fullPathOf(kBundledJreArchive);
    logMessage(L"Full JRE path: %S", path.c_str());
    jreIncluded = pathExists(path);
    if (!jreIncluded && restartWithFiles()) {
        logMessage(L"Checking restart JRE: %S", path.c_str());
        path = fullPathOf(kBundledJreDir);
        logMessage(L"Checking extracted JRE: %S", path.c_str());
        jreIncluded = pathExists(path);
    }
    logMessage(jreIncluded ? L"JRE included" : L"No JRE included");
    if (manualJreSelection && jreIncluded) {
        logMessage(L"Included JRE not used because of manual switch");
        jreIncluded = false;
    }
}

void setMarkers(HWND window) { setInstallMarkers(true, window != nullptr, true); }
void clearMarkers() { setInstallMarkers(false, true, true); }

// No runtime was found or searched. A quiet run ends here unless configuration 157 allows the
// download. The download and the windowed branches come with the progress window; until then
// they end the run as the quiet abort does.
[[noreturn]] void endWithoutRuntime() {
    if (quietMode && getConfigInt(157) != 0) {
        fputs("No JRE found. Trying to download.\n", stdout);
        fflush(stdout);
        logError(L"No JRE found and no download in this launcher");
    } else {
        logError(L"No JRE found");
        fputs("No JRE found. Aborting.\n", stdout);
        fflush(stdout);
    }
    clearMarkers();
    exit(83);
}

void chooseJavaRuntime(HWND window) {
    if (jreIncluded) {
        if (getConfigInt(161) == 0) return;
        setMarkers(window);
        if (LoadDLL(false, nullptr, false))
            jreIncluded = false;
        else
            clearMarkers();
        return;
    }
    setMarkers(window);
    if (!manualJreSelection && LoadDLL(false, nullptr, false)) return;
    endWithoutRuntime();
}

int progressBaseFor(bool included) {
    if (!included) return 100;
    return getConfigInt(153) != 0 ? 300 : 200;
}

void expandPackedIncludedFiles() {
    const std::vector<std::string> names = splitList(dupConfigString(payload::kIncludedFileNamesId));
    const std::size_t count = std::min<std::size_t>(names.size(), std::max(getConfigInt(payload::kIncludedFileCountId), 0));
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& name = names[i];
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".pack") != 0) continue;
        logMessage(L"unpacking %S", name.c_str());
        unpackPackFile(jvmHome, workDir + "\\" + name);
    }
}

[[noreturn]] void writeUnextractedPositionAndExit() {
    FILE* file = fopen("unextracted.txt", "w");
    if (!file) {
        logError(L"Could not write file with unextracted position");
        fatalMessageArg(1009, L"71");
    }
    fprintf(file, "%lld", unextractedPosition);
    fclose(file);
    ExitProcess(0);
}

}  // namespace

DWORD WINAPI runWorkSequence(void* parameter) {
    HWND window = static_cast<HWND>(parameter);
    logMessage(L"Starting work");
    if (window) {
        SendDlgItemMessageW(window, kProgressBar, PBM_SETPOS, 1, 0);
        SendDlgItemMessageW(window, kProgressBar, PBM_SETRANGE32, 0, 400);
    }
    if (!restartMode) verifyPayloadIntegrity(window);
    if (restartMode) adoptRestartDirectory();
    if (!restartWithFiles()) {
        if (extractAndExitMode)
            createExtractDirectory();
        else
            createWorkDir();
        setupNativeLibraryPath();
        changeToWorkDir();
        extractOrExit(window);
    }
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    logMessage(L"Current working dir: %S", current);
    detectIncludedJre();
    chooseJavaRuntime(window);
    changeToWorkDir();
    if (restartWithFiles()) {
        if (jreIncluded) useIncludedJre();
    } else {
        progressBase = progressBaseFor(jreIncluded);
        if (jreIncluded) extractIncludedJre(window);
        expandPackedIncludedFiles();
    }
    if (extractAndExitMode) writeUnextractedPositionAndExit();
    setMarkers(window);
    ArgList argList;
    tokenizeCommandLine(GetCommandLineW(), argList);
    launchApplication(argList);
    return 0;
}

void launchApplication(const ArgList& argList) {
    if (launchJvm(argList, true)) return;
    logError(L"Could not start JVM");
    fatalMessage(1005);
}
