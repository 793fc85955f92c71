// Java homes assembled in a temporary folder from the test doubles: java.exe/javaw.exe that print a
// configured version line, jvm.dll variants that load, development-kit layouts and tools.jar.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct JavaHomeLayout {
    bool javaw = false;
    std::vector<std::string> jvmVariants;  // bin\<variant>\jvm.dll
    bool developmentKit = false;           // executables and libraries under jre\bin, bin\java.exe too
    bool toolsJar = false;
};

class FakeJavaHome {
   public:
    FakeJavaHome(const std::wstring& home, const JavaHomeLayout& layout);
    ~FakeJavaHome();  // removes the probe cache entries of its executables
    FakeJavaHome(const FakeJavaHome&) = delete;
    FakeJavaHome& operator=(const FakeJavaHome&) = delete;

    const std::string& home() const { return home_; }
    // The executable the probe runs (jre\bin\java.exe of a development kit).
    std::string javaExe() const;
    // What the fake java.exe prints first on standard error, its exit code, and whether it hangs.
    void behave(const std::string& firstLine, int exitCode = 0, bool hang = false) const;
    // How often an executable of this home was started.
    int starts() const;

   private:
    std::string runtimeBin() const;
    std::string home_;
    JavaHomeLayout layout_;
};

// Lower-cased full path, as the probe names its cache keys.
std::string lowerFullPath(const std::string& path);
void deleteProbeCache(const std::string& javaExe);

}  // namespace testing_support
