// Throughput of the integrity check plus extraction of 200 MB of included files, beside two
// baselines measured in the same run: CopyFileW of an equally large file, and crc32 over the same
// bytes in memory. Run without arguments; it writes a copy of itself with the payload appended
// and measures inside that copy, as the launcher reads its own image.
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

#include "includedfiles.h"
#include "payload.h"
#include "workdirs.h"
#include "writer.h"

namespace {

constexpr std::size_t kLargeFile = 150u << 20;
constexpr std::size_t kSmallFile = 100u << 10;
constexpr int kSmallFiles = 512;

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter;
}

std::string readAll(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    for (std::size_t at = 0; at < bytes.size(); at += got)
        if (!ReadFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &got, nullptr) || got == 0) break;
    CloseHandle(file);
    return bytes;
}

void writeAll(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    for (std::size_t at = 0; at < bytes.size(); at += wrote)
        if (!WriteFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &wrote, nullptr)) break;
    CloseHandle(file);
}

std::wstring ownPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

int prepareAndRun() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"qdr_extract_benchmark";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::mt19937 generator(42);
    auto randomBytes = [&generator](std::size_t size) {
        std::string bytes(size, '\0');
        for (char& byte : bytes) byte = static_cast<char>(generator());
        return bytes;
    };
    payload::Contents contents;
    contents.files.push_back({"large.bin", randomBytes(kLargeFile)});
    for (int i = 0; i < kSmallFiles; ++i)
        contents.files.push_back({"small\\file" + std::to_string(i) + ".bin", randomBytes(kSmallFile)});
    const std::wstring image = dir + L"\\image.exe";
    writeAll(image, payload::buildInstaller(readAll(ownPath()), contents));
    contents.files.clear();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + image + L"\" --measure";
    SetEnvironmentVariableW(L"QDR_BENCH_DIR", dir.c_str());
    if (!CreateProcessW(image.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileW(image.c_str());
    RemoveDirectoryW(dir.c_str());
    return static_cast<int>(code);
}

int measure() {
    const std::wstring dir = environmentValue(L"QDR_BENCH_DIR");
    loadPayload({ownPath()});
    const std::string work = std::string(dir.begin(), dir.end()) + "\\work";
    CreateDirectoryA(work.c_str(), nullptr);
    workDir = work;

    const LARGE_INTEGER start = now();
    verifyPayloadIntegrity(nullptr);
    const LARGE_INTEGER verified = now();
    const int result = extractIncludedFiles();
    const LARGE_INTEGER extracted = now();
    emptyDirectory(work, true);
    RemoveDirectoryA(work.c_str());
    workDir.clear();
    if (result != kExtractOk) return 1;

    const std::wstring copy = dir + L"\\copy.bin";
    const LARGE_INTEGER copyStart = now();
    CopyFileW(ownPath().c_str(), copy.c_str(), FALSE);
    const LARGE_INTEGER copied = now();
    DeleteFileW(copy.c_str());

    const std::string bytes = readAll(ownPath());
    const LARGE_INTEGER crcStart = now();
    const std::uint32_t crc = crc32End(crc32Update(crc32Begin(), bytes.data(), bytes.size()));
    const LARGE_INTEGER crcEnd = now();

    const double megabytes = static_cast<double>(bytes.size()) / (1 << 20);
    const double checkAndExtract = seconds(start, extracted);
    const double copySeconds = seconds(copyStart, copied);
    const double crcFile = seconds(start, verified);
    const double crcMemory = seconds(crcStart, crcEnd);
    printf("payload: %.1f MB (1 file of 150 MB, %d of 100 KB), crc %08x\n", megabytes, kSmallFiles,
           static_cast<unsigned>(crc));
    printf("integrity check + extraction: %8.1f MB/s (%.2f s; check %.2f s, extraction %.2f s)\n",
           megabytes / checkAndExtract, checkAndExtract, crcFile, seconds(verified, extracted));
    printf("baseline CopyFileW:           %8.1f MB/s (%.2f s)\n", megabytes / copySeconds, copySeconds);
    printf("baseline crc32 in memory:     %8.1f MB/s (%.2f s)\n", megabytes / crcMemory, crcMemory);
    printf("check+extract / copy throughput: %.2f (target >= 0.5)\n", copySeconds / checkAndExtract);
    printf("check over the file / crc32 in memory, time: %.2f (target <= 2)\n", crcFile / crcMemory);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return argc > 1 && std::string(argv[1]) == "--measure" ? measure() : prepareAndRun();
}
