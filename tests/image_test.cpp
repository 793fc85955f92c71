// The launcher image itself: what Windows sees before any of its code runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

#include "testsupport.h"

using namespace testing_support;

namespace {

struct Image {
    HMODULE module;
    const IMAGE_NT_HEADERS64* headers;
    const BYTE* base() const { return reinterpret_cast<const BYTE*>(module); }
};

Image mapLauncher() {
    HMODULE module = LoadLibraryExW(launcherStubPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module) return {nullptr, nullptr};
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    return {module, reinterpret_cast<const IMAGE_NT_HEADERS64*>(reinterpret_cast<const BYTE*>(module) + dos->e_lfanew)};
}

TEST(LauncherImage, IsA64BitGuiProgram) {
    const Image image = mapLauncher();
    ASSERT_NE(image.module, nullptr) << GetLastError();
    EXPECT_EQ(image.headers->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(image.headers->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(image.headers->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    FreeLibrary(image.module);
}

// Everything else (the C++ runtime, zlib, comctl32, the JVM) is linked in or bound at run time.
TEST(LauncherImage, ImportsOnlySystemLibrariesAtLinkTime) {
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "advapi32.dll", "ole32.dll",
                                           "oleaut32.dll", "msvcrt.dll", "shell32.dll"};
    const Image image = mapLauncher();
    ASSERT_NE(image.module, nullptr) << GetLastError();
    const IMAGE_DATA_DIRECTORY& directory = image.headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(directory.VirtualAddress, 0u);
    std::set<std::string> imported;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.base() + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(image.base() + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
        imported.insert(name);
    }
    FreeLibrary(image.module);
    EXPECT_TRUE(imported.count("kernel32.dll"));
    for (const std::string& name : imported) EXPECT_TRUE(allowed.count(name)) << name << " is bound at link time";
}

}  // namespace
