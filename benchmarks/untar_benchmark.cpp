// Unpacking speed of the bundled-runtime reader: for each installer given, takes its jre.tar.gz,
// writes it to <output dir>\<n>.tar.gz (for the host's tar to unpack the same bytes) and times
// untarGz on it into a fresh directory. Prints the uncompressed size, the seconds and MB/s.
// Arguments: <output dir> <installer>...
#include <windows.h>

#include <cstdio>
#include <string>

#include "jrebundle.h"
#include "reader.h"

namespace {

std::string readFile(const std::string& path) {
    std::string bytes;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        char buffer[1 << 16];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
        fclose(file);
    }
    return bytes;
}

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: untar_benchmark OUTPUT_DIR INSTALLER...\n");
        return 2;
    }
    const std::string output = argv[1];
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        const payload::InstallerPayload installer = payload::readInstaller(readFile(argv[i]));
        std::string archive;
        long long tarSize = 0;
        for (const payload::IncludedFile& file : installer.contents.files)
            if (file.name == "jre.tar.gz") archive = file.data;
        for (const auto& [id, value] : installer.contents.config)
            if (id == 151) tarSize = std::stoll(value);
        const std::string archivePath = output + "\\" + std::to_string(i - 1) + ".tar.gz";
        if (FILE* file = fopen(archivePath.c_str(), "wb")) {
            fwrite(archive.data(), 1, archive.size(), file);
            fclose(file);
        }
        const std::string target = output + "\\" + std::to_string(i - 1) + ".untargz";
        CreateDirectoryA(target.c_str(), nullptr);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const bool unpacked = untarGz(archivePath, target, nullptr, tarSize);
        QueryPerformanceCounter(&end);
        const double elapsed = seconds(start, end);
        printf("%s %lld %.3f %.1f\n", unpacked ? "ok" : "failed", tarSize, elapsed, tarSize / 1e6 / elapsed);
        failures += unpacked ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
