#include "javahome.h"

#include <windows.h>

#include <stdexcept>

#include "javaprobe.h"
#include "paths.h"
#include "testsupport.h"

namespace testing_support {

namespace {

std::string testingFile(const char* name) { return narrow(QDR_TESTING_DIR) + "\\" + name; }

void copyDouble(const char* name, const std::string& target) {
    if (!CopyFileA(testingFile(name).c_str(), target.c_str(), FALSE))
        throw std::runtime_error("cannot copy " + std::string(name) + " to " + target);
}

void makeDirectories(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

}  // namespace

std::string lowerFullPath(const std::string& path) { return getFullPath(path, false); }

void deleteProbeCache(const std::string& javaExe) {
    RegDeleteTreeA(HKEY_CURRENT_USER, cacheKeyFor(lowerFullPath(javaExe)).c_str());
}

FakeJavaHome::FakeJavaHome(const std::wstring& home, const JavaHomeLayout& layout)
    : home_(narrow(home)), layout_(layout) {
    makeDirectories(runtimeBin());
    copyDouble("fake_java.exe", runtimeBin() + "\\java.exe");
    if (layout.javaw) copyDouble("fake_java.exe", runtimeBin() + "\\javaw.exe");
    if (layout.developmentKit) {
        makeDirectories(home_ + "\\bin");
        copyDouble("fake_java.exe", home_ + "\\bin\\java.exe");
    }
    for (const std::string& variant : layout.jvmVariants) {
        makeDirectories(runtimeBin() + "\\" + variant);
        copyDouble("recorder_jvm.dll", runtimeBin() + "\\" + variant + "\\jvm.dll");
    }
    if (layout.toolsJar) {
        makeDirectories(home_ + "\\lib");
        writeFileBytes(widen(home_ + "\\lib\\tools.jar"), "PK");
    }
}

FakeJavaHome::~FakeJavaHome() {
    for (const char* name : {"java.exe", "javaw.exe"}) deleteProbeCache(runtimeBin() + "\\" + name);
    deleteProbeCache(home_ + "\\bin\\java.exe");
}

std::string FakeJavaHome::runtimeBin() const { return home_ + (layout_.developmentKit ? "\\jre\\bin" : "\\bin"); }

std::string FakeJavaHome::javaExe() const { return runtimeBin() + "\\java.exe"; }

void FakeJavaHome::behave(const std::string& firstLine, int exitCode, bool hang) const {
    writeFileBytes(widen(runtimeBin() + "\\fake-java.cfg"),
                   firstLine + "\n" + std::to_string(exitCode) + "\n" + (hang ? "hang" : "") + "\n");
}

int FakeJavaHome::starts() const {
    const DWORD attributes = GetFileAttributesA((runtimeBin() + "\\fake-java.calls").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    const std::string calls = readFileBytes(widen(runtimeBin() + "\\fake-java.calls"));
    int lines = 0;
    for (char ch : calls) lines += ch == '\n';
    return lines;
}

}  // namespace testing_support
