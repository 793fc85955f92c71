// Time of a Java runtime search over ten directory locations of which only the last is usable,
// cold (empty probe cache) and warm (cache filled), beside one bare CreateProcess of the same
// fake java.exe. The warm search must start no process: the fake java.exe counts its starts.
// Arguments: the directory that holds fake_java.exe and recorder_jvm.dll.
#include <windows.h>

#include <cstdio>
#include <string>

#include "javaprobe.h"
#include "jresearch.h"
#include "paths.h"
#include "payload.h"

namespace {

constexpr int kLocations = 10;

double millisecondsSince(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter;
}

void writeText(const std::string& path, const std::string& text) {
    if (FILE* file = fopen(path.c_str(), "wb")) {
        fputs(text.c_str(), file);
        fclose(file);
    }
}

int startsIn(const std::string& home) {
    int lines = 0;
    if (FILE* file = fopen((home + "\\bin\\fake-java.calls").c_str(), "r")) {
        for (int ch; (ch = fgetc(file)) != EOF;) lines += ch == '\n';
        fclose(file);
    }
    return lines;
}

std::string makeHome(const std::string& root, int index, const std::string& doubles, bool usable) {
    const std::string home = root + "\\home" + std::to_string(index);
    CreateDirectoryA(home.c_str(), nullptr);
    CreateDirectoryA((home + "\\bin").c_str(), nullptr);
    CopyFileA((doubles + "\\fake_java.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
    writeText(home + "\\bin\\fake-java.cfg", usable ? "java version \"1.8.0_80\"\n0\n" : "java version \"1.6.0_45\"\n0\n");
    if (usable) {
        CreateDirectoryA((home + "\\bin\\server").c_str(), nullptr);
        CopyFileA((doubles + "\\recorder_jvm.dll").c_str(), (home + "\\bin\\server\\jvm.dll").c_str(), FALSE);
    }
    return home;
}

int startsIn(const std::string (&homes)[kLocations]) {
    int starts = 0;
    for (const std::string& home : homes) starts += startsIn(home);
    return starts;
}

void clearProbeCache(const std::string (&homes)[kLocations]) {
    for (const std::string& home : homes)
        RegDeleteTreeA(HKEY_CURRENT_USER, cacheKeyFor(getFullPath(home + "\\bin\\java.exe", false)).c_str());
}

struct TimedSearch {
    double milliseconds;
    int starts;  // java.exe processes started by this search
    bool found;
};

TimedSearch timedSearch(const std::string (&homes)[kLocations]) {
    const int before = startsIn(homes);
    JvmSearchResult result;
    const LARGE_INTEGER start = now();
    const HMODULE library = searchJvm(result);
    const double elapsed = millisecondsSince(start);
    return {elapsed, startsIn(homes) - before, library != nullptr};
}

double bareProcessStart(const std::string& javaExe) {
    std::string commandLine = javaExe + " -version";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // its version line goes nowhere
    PROCESS_INFORMATION process{};
    const LARGE_INTEGER start = now();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    const double elapsed = millisecondsSince(start);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: search_benchmark DOUBLES_DIR\n");
        return 2;
    }
    const std::string doubles = argv[1];
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "qdr_search_benchmark";
    CreateDirectoryA(root.c_str(), nullptr);
    std::string sequence;
    std::string homes[kLocations];
    for (int i = 0; i < kLocations; ++i) {
        homes[i] = makeHome(root, i, doubles, i == kLocations - 1);
        sequence += "A" + homes[i] + ";";
    }
    configTable[128] = sequence;
    configTable[126] = "1.8";
    configTable[10003] = root;

    clearProbeCache(homes);
    const TimedSearch cold = timedSearch(homes);
    const TimedSearch warm = timedSearch(homes);

    const double bareMs = bareProcessStart(homes[0] + "\\bin\\java.exe");
    printf("search over %d locations, the last usable: found %s\n", kLocations,
           cold.found && warm.found ? "yes" : "no");
    printf("cold search (empty cache): %8.1f ms, %d java.exe started\n", cold.milliseconds, cold.starts);
    printf("warm search (cache filled): %8.1f ms, %d java.exe started\n", warm.milliseconds, warm.starts);
    printf("baseline: one bare CreateProcess of the fake java.exe: %.1f ms\n", bareMs);
    printf("cold / warm: %.1f; cold / bare start: %.1f\n", cold.milliseconds / warm.milliseconds,
           cold.milliseconds / bareMs);
    clearProbeCache(homes);
    return warm.starts == 0 && cold.found && warm.found ? 0 : 1;
}
