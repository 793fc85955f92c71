#include "installmarkers.h"

#include <windows.h>

#include "runmode.h"

std::string perProcessMarkerName() {
    return std::string(kGlobalInstallMarker) + "_" + std::to_string(GetCurrentProcessId());
}

void writeInstallMarker(bool setMarker, const std::string& name) {
    HKEY key = nullptr;
    if (setMarker) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstallMarkerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        const DWORD started = 1;
        RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&started), sizeof started);
    } else {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstallMarkerKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
        RegDeleteValueA(key, name.c_str());
    }
    RegCloseKey(key);
}

void setInstallMarkers(bool setMarker, bool perProcess, bool globalMarker) {
    if (restartMode) return;
    if (perProcess) writeInstallMarker(setMarker, perProcessMarkerName());
    if (globalMarker) writeInstallMarker(setMarker, kGlobalInstallMarker);
}

std::uint32_t readInstallMarker(bool perProcess) {
    const std::string name = perProcess ? perProcessMarkerName() : kGlobalInstallMarker;
    DWORD value = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstallMarkerKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    DWORD size = sizeof value;
    RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return value;
}
