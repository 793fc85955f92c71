#include "includedfiles.h"

#include <commctrl.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "../payload/format.h"
#include "lists.h"
#include "log.h"
#include "payload.h"
#include "runmode.h"
#include "workdirs.h"

long long unextractedPosition = 0;

namespace {

constexpr DWORD kCheckBlock = 12000;
constexpr DWORD kCopyBlock = 6000;

long long filePosition(HANDLE file) {
    LARGE_INTEGER zero{}, position{};
    SetFilePointerEx(file, zero, &position, FILE_CURRENT);
    return position.QuadPart;
}

void setProgress(HWND window, WPARAM position) {
    if (window) SendDlgItemMessageA(window, 1001, PBM_SETPOS, position, 0);
}

// CRC-32 of the covered range that follows the header, with progress as whole percentages.
std::uint32_t checksumCoveredRange(HANDLE file, long long covered, HWND window) {
    std::vector<unsigned char> block(kCheckBlock);
    std::uint32_t crc = crc32Begin();
    long long done = 0;
    long long lastPercent = 0;
    while (done < covered) {
        const DWORD wanted = covered - done < kCheckBlock ? static_cast<DWORD>(covered - done) : kCheckBlock;
        DWORD got = 0;
        if (!ReadFile(file, block.data(), wanted, &got, nullptr) || got == 0) {
            logError(L"check ReadFile failed %d %d %I64d", static_cast<int>(got), static_cast<int>(GetLastError()),
                     done);
            fatalMessageArg(1009, L"34");
        }
        crc = crc32Update(crc, block.data(), got);
        done += got;
        const long long percent = done * 100 / covered;
        if (window && percent > lastPercent) {
            setProgress(window, static_cast<WPARAM>(percent));
            lastPercent = percent;
        }
    }
    return crc32End(crc);
}

void createFirstLevelDirectory(const std::string& target, const std::string& name) {
    const std::size_t slash = name.find('\\');
    if (slash == std::string::npos) return;
    const std::string directory = target.substr(0, target.size() - name.size() + slash);
    logMessage(L"creating directory %S", directory.c_str());
    if (!CreateDirectoryA(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        logError(L"failed to create directory %S", directory.c_str());
}

// XOR with the key, eight bytes at a time where the block allows.
void unscramble(unsigned char* bytes, DWORD size) {
    constexpr std::uint64_t wideKey = 0x0101010101010101ull * payload::kScrambleKey;
    DWORD i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        memcpy(&word, bytes + i, 8);
        word ^= wideKey;
        memcpy(bytes + i, &word, 8);
    }
    for (; i < size; ++i) bytes[i] ^= payload::kScrambleKey;
}

}  // namespace

std::uint32_t crc32Begin() { return static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0)); }

std::uint32_t crc32Update(std::uint32_t state, const void* bytes, std::size_t size) {
    return static_cast<std::uint32_t>(crc32(state, static_cast<const Bytef*>(bytes), static_cast<uInt>(size)));
}

// zlib keeps the state complemented already, so its running value is the final one.
std::uint32_t crc32End(std::uint32_t state) { return state; }

void verifyPayloadIntegrity(HWND progressWindow) {
    HANDLE file = openPayloadFile();
    seekPayloadStart(file);
    logMessage(L"starting at %d", static_cast<int>(filePosition(file)));
    std::uint32_t expected = 1;
    std::uint32_t computed = 0;
    if (static_cast<std::uint32_t>(readInt(file)) == payload::kMagic) {
        expected = 0;
        if (integrityCheckEnabled && readInt(file) != 0) {
            expected = static_cast<std::uint32_t>(readInt(file));
            const long long covered = readLong(file);
            logMessage(L"verifying integrity length %I64d", covered);
            computed = checksumCoveredRange(file, covered, progressWindow);
            logMessage(L"checksums: %u %u %d %d", computed, expected, computed, expected);
        } else if (progressWindow) {
            SendDlgItemMessageA(progressWindow, 1001, PBM_SETRANGE, 0, MAKELPARAM(100, 400));
            setProgress(progressWindow, 101);
        }
    }
    CloseHandle(file);
    if (computed != expected) {
        MessageBoxW(progressWindow, getMessage(20016).c_str(), getMessage(20013).c_str(), MB_ICONERROR | MB_OK);
        exitLauncher(1);
    }
}

bool isSafeIncludedName(const std::string& name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) return false;
    std::size_t at = 0;
    while (at <= name.size()) {
        const std::size_t end = name.find_first_of("\\/", at);
        const std::size_t stop = end == std::string::npos ? name.size() : end;
        std::string segment = name.substr(at, stop - at);
        // Windows drops trailing dots and blanks, so ". ." and ".. " also climb.
        while (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) segment.pop_back();
        if (segment.empty() && stop > at) return false;
        at = stop + 1;
    }
    return true;
}

int extractIncludedFiles() {
    logMessage(L"extracting files");
    const int count = getConfigInt(payload::kIncludedFileCountId);
    logMessage(L"Included files: %d", count);
    if (count == 0) return kExtractOk;
    HANDLE file = openPayloadFile();
    LARGE_INTEGER offset;
    offset.QuadPart = includedFilesOffset;
    SetFilePointerEx(file, offset, nullptr, FILE_BEGIN);
    int written = 0;
    for (const std::string& name : splitList(dupConfigString(payload::kIncludedFileNamesId))) {
        if (written >= count) break;
        if (!isSafeIncludedName(name)) {
            logError(L"included file name outside the work directory: %S", name.c_str());
            CloseHandle(file);
            return kExtractReadFailed;
        }
        const std::string target = workDir + "\\" + name;
        createFirstLevelDirectory(target, name);
        const int result = extractFile(file, target);
        if (result != kExtractOk) {
            logError(L"Failed to extract %S", target.c_str());
            CloseHandle(file);
            return result;
        }
        ++written;
    }
    unextractedPosition = filePosition(file);
    CloseHandle(file);
    logMessage(L"extracting files done");
    return kExtractOk;
}

int extractFile(HANDLE payloadFile, const std::string& target) {
    const long long length = readLong(payloadFile);
    logMessage(L"extracting %S (size: %I64d)", target.c_str(), length);
    if (length <= 0) return kExtractOk;
    HANDLE output =
        CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) fatalMessageArg(1009, L"11");
    const int result = copyPayloadBytes(payloadFile, output, length);
    CloseHandle(output);
    return result;
}

int copyPayloadBytes(HANDLE source, HANDLE target, long long count) {
    unsigned char block[kCopyBlock];
    long long copied = 0;
    DWORD got = 0;
    while (copied < count) {
        const DWORD wanted = count - copied < kCopyBlock ? static_cast<DWORD>(count - copied) : kCopyBlock;
        if (!ReadFile(source, block, wanted, &got, nullptr) || got == 0) break;
        unscramble(block, got);
        DWORD left = got;
        while (left > 0) {
            DWORD wrote = 0;
            if (!WriteFile(target, block + (got - left), left, &wrote, nullptr) || wrote == 0) {
                logError(L"WriteFile failed %d %d", static_cast<int>(left), static_cast<int>(GetLastError()));
                return kExtractWriteFailed;
            }
            left -= wrote;
        }
        copied += got;
    }
    if (copied == count) return kExtractOk;
    logError(L"ReadFile failed %d %d %I64d", static_cast<int>(got), static_cast<int>(GetLastError()), copied);
    return kExtractReadFailed;
}
