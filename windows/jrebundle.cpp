#include "jrebundle.h"

#include <direct.h>
#include <commctrl.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "includedfiles.h"
#include "jresearch.h"
#include "jreunpack.h"
#include "log.h"
#include "payload.h"
#include "textconv.h"
#include "workdirs.h"

std::atomic<long> extractMillis{0};
std::atomic<bool> unpackDone{false};

namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kHeaderRead = 500;
constexpr std::size_t kNameCapacity = 6000;
constexpr unsigned kCopyChunk = 32768;
constexpr DWORD kProgressInterval = 200;
constexpr int kProgressBar = 1001;
constexpr const char* kCorruptedJreText =
    "The bundled JRE is corrupted. If you downloaded the setup file please download it again.";

struct TarReader {
    gzFile stream;
    HWND progressWindow;
    long long total;
    bool extractedFile = false;
    bool regularEnd = false;
    char header[kHeaderRead] = {};

    void showProgress() const {
        if (!progressWindow) return;
        const float share = total > 0 ? static_cast<float>(gztell(stream)) / static_cast<float>(total) : 0.0f;
        SendDlgItemMessageW(progressWindow, kProgressBar, PBM_SETPOS, 100 + static_cast<int>(share * 100.0f), 0);
    }

    bool regularEndOfStream() {
        if (!extractedFile) logError(L"unexpected eof");
        regularEnd = true;
        return false;
    }

    // True when a header was read; false at the regular end or after a failure.
    bool readHeader() {
        if (gzeof(stream)) return regularEndOfStream();
        if (gzread(stream, header, kHeaderRead) != static_cast<int>(kHeaderRead)) {
            // A stream that ended exactly at a block boundary reads nothing: that is its end too.
            if (gzeof(stream) && gztell(stream) % kBlock == 0) return regularEndOfStream();
            logError(L"gzread failed");
            return false;
        }
        if (memcmp(header + 257, "ustar", 5) != 0) {
            if (!extractedFile) logError(L"no magic number");
            regularEnd = true;
            return false;
        }
        if (gzseek(stream, kBlock - kHeaderRead, SEEK_CUR) < 0) {
            logError(L"gzseek 1 failed");
            return false;
        }
        return true;
    }

    // Skips by reading: a forward gzseek past the end of the stream would not notice a truncation.
    bool skip(long long count, const wchar_t* failure) {
        char discard[kBlock * 8];
        while (count > 0) {
            const unsigned want = static_cast<unsigned>(std::min<long long>(sizeof discard, count));
            if (gzread(stream, discard, want) != static_cast<int>(want)) {
                logError(L"%s", failure);
                return false;
            }
            count -= want;
        }
        return true;
    }

    bool extractFile(const std::string& name, long long size) {
        logMessage(L"extracting %S (size %d)", name.c_str(), static_cast<int>(size));
        FILE* out = fopen(name.c_str(), "wb");
        if (!out) {
            char text[kNameCapacity + 32];
            snprintf(text, sizeof text, "Could not open file %s\n", name.c_str());
            logError(L"%S", text);
            fatalText(widenBytes(text).c_str());
        }
        std::vector<char> chunk(kCopyChunk);
        long long copied = 0;
        bool streamError = false;
        DWORD lastProgress = GetTickCount();
        while (copied < size) {
            const unsigned want = static_cast<unsigned>(std::min<long long>(kCopyChunk, size - copied));
            const int got = gzread(stream, chunk.data(), want);
            if (got <= 0) break;
            if (fwrite(chunk.data(), 1, got, out) != static_cast<std::size_t>(got) || ferror(out)) {
                streamError = true;
                break;
            }
            copied += got;
            if (GetTickCount() - lastProgress >= kProgressInterval) {
                lastProgress = GetTickCount();
                showProgress();
            }
        }
        if (fclose(out) != 0) streamError = true;
        if (streamError) {
            logError(L"stream error");
            return false;
        }
        if (copied != size) {
            logError(L"sizes don't match: %d, %d", static_cast<int>(copied), static_cast<int>(size));
            return false;
        }
        return true;
    }

    // Reads the long name entry's data; the header of the entry it names follows.
    bool readLongName(long long size, std::string& name) {
        if (size <= 0 || size >= static_cast<long long>(kNameCapacity)) {
            logError(L"long file name of %d bytes refused", static_cast<int>(size));
            return false;
        }
        char buffer[kNameCapacity];
        if (gzread(stream, buffer, static_cast<unsigned>(size)) != static_cast<int>(size)) {
            logError(L"gzread failed for long file name");
            return false;
        }
        buffer[size] = '\0';
        name = buffer;
        if (size % kBlock != 0 && !skip(kBlock - size % kBlock, L"gzseek 4 failed")) return false;
        return true;
    }

    static bool badSize() {
        logError(L"tar entry size out of range");
        return false;
    }

    // The archive loop; false as soon as a step fails.
    bool run() {
        while (readHeader()) {
            long long size = parseTarSize(header + 124, 12);
            char type = header[156];
            if (size < 0) return badSize();
            std::string name;
            if (type == 'L') {
                if (!readLongName(size, name)) return false;
                if (!readHeader()) return false;
                size = parseTarSize(header + 124, 12);
                type = header[156];
                if (size < 0) return badSize();
            } else {
                name.assign(header, strnlen(header, 100));
                for (char& ch : name)
                    if (ch == '/') ch = '\\';
            }
            if ((type == '0' || type == '5') && !isSafeIncludedName(name)) {
                logError(L"tar entry outside the JRE directory: %S", name.c_str());
                return false;
            }
            if (type == '5') {
                CreateDirectoryA(name.c_str(), nullptr);
            } else if (type == '0') {
                showProgress();
                if (!extractFile(name, size)) {
                    logError(L"extract file failed");
                    return false;
                }
                extractedFile = true;
            } else if (!skip(size, L"gzseek 2 failed")) {
                return false;
            }
            if (size % kBlock != 0 && !skip(kBlock - size % kBlock, L"gzseek 3 failed")) return false;
        }
        return regularEnd;
    }
};

}  // namespace

long long parseTarSize(const char* field, std::size_t length) {
    std::size_t at = 0;
    while (at < length && (field[at] == ' ' || field[at] == '0')) ++at;
    long long size = 0;
    for (; at < length && field[at] != ' ' && field[at] != '\0'; ++at) {
        // More digits than a 12-byte field can hold only come from damage; stop before overflowing.
        if (size > (1LL << 40)) return -1;
        size = size * 8 + (field[at] - '0');
    }
    return size;
}

bool untarGz(const std::string& archive, const std::string& targetDir, HWND progressWindow, long long total) {
    char previous[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    gzFile stream = gzopen(archive.c_str(), "rb");
    if (!stream) {
        logError(L"Could not open gz-file");
        return false;
    }
    _chdir(targetDir.c_str());
    TarReader reader{stream, progressWindow, total};
    const bool ended = reader.run();
    _chdir(previous);
    gzclose_r(stream);  // the read side only: gzclose would link the whole compressor
    const bool success = ended && reader.extractedFile;
    if (success)
        logMessage(L"untaring JRE was successful");
    else
        logError(L"untaring JRE was unsuccessful");
    return success;
}

void extractIncludedJre(HWND progressWindow) {
    const DWORD started = GetTickCount();
    logMessage(L"extracting JRE");
    if (!CreateDirectoryA("jre", nullptr)) logError(L"Could not create JRE dir");
    if (!untarGz("jre.tar.gz", "jre", progressWindow, getConfigInt(151))) {
        logError(L"Could not untar JRE");
        fatalText(widenBytes(kCorruptedJreText).c_str());
    }
    DeleteFileA("jre.tar.gz");
    extractMillis = static_cast<long>(GetTickCount() - started);
    if (getConfigInt(153) != 0) {
        logMessage(L"JRE is packed");
        unpackJarDirs("jre");
        unpackJarDirs("jre\\jre");
        unpackDone = true;
    }
    useIncludedJre();
}

void useIncludedJre() {
    char full[2000] = {};
    const std::string dir = _fullpath(full, "jre", sizeof full) ? full : "jre";
    logMessage(L"JRE dir: %S", dir.c_str());
    if (LoadDLL(false, dir.c_str(), false)) return;
    logError(L"Could not load bundled JRE. Trying to find another JRE.");
    if (LoadDLL(false, nullptr, false)) return;
    logError(L"Could not find another JRE.");
    if (tempPathDegraded) fatalMessageArg(1015, nullptr);
    fatalText(L"Could not use bundled JRE. Please send this log file to your software vendor:");
}
