// The installation markers in the user's registry.
#include "installmarkers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "runmode.h"

namespace {

class Markers : public ::testing::Test {
   protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kInstallMarkerKey); }
    void TearDown() override {
        restartMode = false;
        RegDeleteTreeA(HKEY_CURRENT_USER, kInstallMarkerKey);
    }
};

TEST_F(Markers, SetReadAndRemoveBothKinds) {
    setInstallMarkers(true, true, true);
    EXPECT_EQ(readInstallMarker(true), 1u);
    EXPECT_EQ(readInstallMarker(false), 1u);
    setInstallMarkers(false, true, false);
    EXPECT_EQ(readInstallMarker(true), 0u);
    EXPECT_EQ(readInstallMarker(false), 1u) << "the global marker stays for the Java side";
    setInstallMarkers(false, true, true);
    EXPECT_EQ(readInstallMarker(false), 0u);
}

TEST_F(Markers, ValueTheJavaSideWroteIsReadBack) {
    const DWORD javaSideUp = 2;
    RegSetKeyValueA(HKEY_CURRENT_USER, kInstallMarkerKey, perProcessMarkerName().c_str(), REG_DWORD, &javaSideUp,
                    sizeof javaSideUp);
    EXPECT_EQ(readInstallMarker(true), 2u);
    EXPECT_EQ(perProcessMarkerName(), "InstallStarted_" + std::to_string(GetCurrentProcessId()));
}

TEST_F(Markers, RestartModeTouchesNothing) {
    restartMode = true;
    setInstallMarkers(true, true, true);
    EXPECT_EQ(readInstallMarker(false), 0u);
    restartMode = false;
    setInstallMarkers(true, false, true);
    restartMode = true;
    setInstallMarkers(false, true, true);
    EXPECT_EQ(readInstallMarker(false), 1u);
}

TEST_F(Markers, RemovingWithoutTheKeyIsHarmless) {
    setInstallMarkers(false, true, true);
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kInstallMarkerKey, 0, KEY_READ, &key), ERROR_SUCCESS)
        << "removing creates no key";
    EXPECT_EQ(readInstallMarker(true), 0u);
}

}  // namespace
