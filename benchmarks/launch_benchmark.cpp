// Time from process start to the first line of main on the real JVM: the launcher with an
// installer without included files and with one of 50 included jars, beside a minimal program that
// only loads the same jvm.dll with the same DLL directories and calls JNI_CreateJavaVM and the
// same main with the same options. The three run in turn; medians are compared.
// Arguments: <launcher stub> <Java home> <qdrruntime.jar> <qdrbench.jar> <launch_minimal.exe>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "includedfiles.h"
#include "messages_en.h"
#include "writer.h"

namespace {

constexpr int kRounds = 15;
constexpr int kIncludedJars = 50;
constexpr std::size_t kJarEntrySize = 64 * 1024;

std::string readFile(const std::string& path) {
    std::string bytes;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
        fclose(file);
    }
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
    if (FILE* file = fopen(path.c_str(), "wb")) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
}

void put16(std::string& out, unsigned value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A valid jar of one stored entry of random bytes, so that the VM can open it on the class path.
std::string fillerJar(int seed) {
    std::string data(kJarEntrySize, '\0');
    std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(seed);
    for (char& byte : data) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    const std::string name = "filler/data" + std::to_string(seed) + ".bin";
    const std::uint32_t crc = crc32End(crc32Update(crc32Begin(), data.data(), data.size()));
    std::string jar;
    put32(jar, 0x04034b50);
    put16(jar, 10), put16(jar, 0), put16(jar, 0), put16(jar, 0), put16(jar, 0x21);
    put32(jar, crc), put32(jar, data.size()), put32(jar, data.size());
    put16(jar, name.size()), put16(jar, 0);
    jar += name + data;
    const std::size_t directory = jar.size();
    put32(jar, 0x02014b50);
    put16(jar, 20), put16(jar, 10), put16(jar, 0), put16(jar, 0), put16(jar, 0), put16(jar, 0x21);
    put32(jar, crc), put32(jar, data.size()), put32(jar, data.size());
    put16(jar, name.size()), put16(jar, 0), put16(jar, 0), put16(jar, 0), put16(jar, 0);
    put32(jar, 0), put32(jar, 0);
    jar += name;
    const std::size_t directorySize = jar.size() - directory;
    put32(jar, 0x06054b50);
    put16(jar, 0), put16(jar, 0), put16(jar, 1), put16(jar, 1);
    put32(jar, directorySize), put32(jar, directory), put16(jar, 0);
    return jar;
}

long long unixMillisNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<long long>((ticks.QuadPart - 116444736000000000ULL) / 10000);
}

// Runs the command and returns the milliseconds from just before its start to the time main's
// first line noted, or a negative number when the run failed.
double timeToFirstLine(const std::string& commandLine, const std::string& firstLineFile, std::string* workDir) {
    DeleteFileA(firstLineFile.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    const long long started = unixMillisNow();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string noted = readFile(firstLineFile);
    if (exitCode != 0 || noted.empty()) return -1;
    const std::size_t newline = noted.find('\n');
    if (workDir) *workDir = noted.substr(newline + 1, noted.find('\n', newline + 1) - newline - 1);
    return static_cast<double>(std::stoll(noted.substr(0, newline)) - started);
}

void removeWorkDir(const std::string& dir) {
    if (dir.find(".tmp_dir") == std::string::npos) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The texts of the numbered log lines "<prefix><n>: <text>", in order.
std::vector<std::string> loggedValues(const std::string& log, const std::string& prefix) {
    std::vector<std::string> values;
    for (std::size_t at = log.find("] " + prefix); at != std::string::npos; at = log.find("] " + prefix, at + 1)) {
        std::size_t digits = at + 2 + prefix.size();
        const std::size_t number = digits;
        while (digits < log.size() && isdigit(static_cast<unsigned char>(log[digits]))) ++digits;
        if (digits == number || log.compare(digits, 2, ": ") != 0) continue;
        const std::size_t end = log.find("\r\n", digits);
        values.push_back(log.substr(digits + 2, end - digits - 2));
    }
    return values;
}

// Milliseconds since the log started at the first line that holds `text`; -1 when none does.
long loggedAt(const std::string& log, const std::string& text) {
    const std::size_t at = log.find("] " + text);
    if (at == std::string::npos) return -1;
    const std::size_t open = log.rfind('[', at);
    const std::size_t colon = log.find(':', open);
    return std::stol(log.substr(open + 1, colon - open - 1)) * 1000 + std::stol(log.substr(colon + 1, at - colon - 1));
}

// Where the launcher's time went in the warm-up run, by its own log.
void printLoggedPhases(const std::string& log) {
    const struct {
        const char* name;
        const char* from;
        const char* to;
    } phases[] = {
        {"common controls and payload (start-up)", "restrict DLL directories", "Init done"},
        {"work sequence up to the VM", "Starting work", "Creating JVM"},
        {"JNI_CreateJavaVM", "Creating JVM", "JVM created"},
        {"natives registration and WinDel", "JVM created", "main class:"},
        {"main up to its call", "main class:", "calling main"},
    };
    printf("phases of the warm-up run by the launcher's log:\n");
    for (const auto& phase : phases)
        printf("  %-40s %5ld ms\n", phase.name, loggedAt(log, phase.to) - loggedAt(log, phase.from));
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        fprintf(stderr, "usage: launch_benchmark STUB JAVA_HOME QDRRUNTIME_JAR BENCH_JAR MINIMAL_EXE\n");
        return 2;
    }
    const std::string stub = readFile(argv[1]), javaHome = argv[2], runtimeJar = argv[3], benchJar = argv[4];
    const std::string minimalExe = argv[5];
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "qdr_launch_benchmark";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string firstLine = root + "\\first-line.txt";
    SetEnvironmentVariableA("QDR_FIRST_LINE", firstLine.c_str());
    SetEnvironmentVariableA("JAVA_HOME", javaHome.c_str());
    SetEnvironmentVariableA("TMP", root.c_str());
    SetEnvironmentVariableA("TEMP", root.c_str());

    payload::Contents bare;
    bare.config = {{2001, "q"}, {122, "qdrbench.FirstLine"}, {128, "EJAVA_HOME;"}, {126, "1.8"},
                   {121, "A1" + runtimeJar + ";A1" + benchJar + ";"}};
    bare.messages = payload::defaultMessages("Launch Benchmark");
    payload::Contents withJars = bare;
    withJars.config.pop_back();
    withJars.files = {{"qdrruntime.jar", readFile(runtimeJar)}, {"qdrbench.jar", readFile(benchJar)}};
    for (int i = 0; i < kIncludedJars; ++i) withJars.files.push_back({"lib" + std::to_string(i) + ".jar", fillerJar(i)});
    const std::string bareExe = root + "\\bare-setup.exe", jarsExe = root + "\\jars-setup.exe";
    writeFile(bareExe, payload::buildInstaller(stub, bare));
    writeFile(jarsExe, payload::buildInstaller(stub, withJars));

    // A first run with the log kept fills the probe cache and gives the options and arguments.
    SetEnvironmentVariableA("QUILDER_LOG", "yes");
    std::string workDir;
    if (timeToFirstLine(quoted(bareExe) + " -q", firstLine, &workDir) < 0) {
        fprintf(stderr, "the launcher did not reach main\n");
        return 1;
    }
    SetEnvironmentVariableA("QUILDER_LOG", nullptr);
    std::string log;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "\\qdr_nlog_*.log").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string path = root + "\\" + found.cFileName;
            log += readFile(path);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    removeWorkDir(workDir);
    printLoggedPhases(log);
    std::string options;
    for (const std::string& option : loggedValues(log, "vmoption ")) options += option + "\n";
    writeFile(root + "\\options.txt", options);
    std::string minimalCommand = quoted(minimalExe) + " " + quoted(javaHome) + " " + quoted(root + "\\options.txt") +
                                 " com/quilder/runtime/launcher/WinLauncher";
    for (const std::string& parameter : loggedValues(log, "param ")) minimalCommand += " " + quoted(parameter);

    std::vector<double> bareTimes, jarsTimes, minimalTimes;
    for (int round = 0; round < kRounds; ++round) {
        const double bareMs = timeToFirstLine(quoted(bareExe) + " -q", firstLine, &workDir);
        removeWorkDir(workDir);
        const double minimalMs = timeToFirstLine(minimalCommand, firstLine, nullptr);
        const double jarsMs = timeToFirstLine(quoted(jarsExe) + " -q", firstLine, &workDir);
        removeWorkDir(workDir);
        if (bareMs < 0 || minimalMs < 0 || jarsMs < 0) {
            fprintf(stderr, "round %d failed: %.0f %.0f %.0f\n", round, bareMs, minimalMs, jarsMs);
            return 1;
        }
        bareTimes.push_back(bareMs), minimalTimes.push_back(minimalMs), jarsTimes.push_back(jarsMs);
    }
    const double minimal = median(minimalTimes), bareMedian = median(bareTimes), jars = median(jarsTimes);
    printf("time from process start to main's first line, median of %d alternating rounds\n", kRounds);
    printf("baseline: minimal loader (same jvm.dll, options and main): %7.0f ms\n", minimal);
    printf("launcher, no included files:                             %7.0f ms (+%.0f ms, ratio %.3f)\n", bareMedian,
           bareMedian - minimal, bareMedian / minimal);
    printf("launcher, %d included jars of %zu KB:                     %7.0f ms (+%.0f ms, ratio %.3f)\n",
           kIncludedJars, kJarEntrySize / 1024, jars, jars - minimal, jars / minimal);
    printf("launcher's own overhead without extraction: %.1f%% of the minimal loader (target < 10%%)\n",
           100.0 * (bareMedian - minimal) / minimal);
    printf("extraction and class path per included jar: %.2f ms\n", (jars - bareMedian) / kIncludedJars);
    return 0;
}
