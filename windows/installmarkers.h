// The registry markers that say an installation is being started: one for this process, one for
// the launcher as a whole.
#pragma once

#include <cstdint>
#include <string>

// HKEY_CURRENT_USER key of the markers, and the global marker's value name.
constexpr const char* kInstallMarkerKey = "SOFTWARE\\brenvask\\vantle\\";
constexpr const char* kGlobalInstallMarker = "InstallStarted";

// "InstallStarted_<process id>".
std::string perProcessMarkerName();

// Sets the value `name` to 1, or deletes it; registry failures are ignored.
void writeInstallMarker(bool setMarker, const std::string& name);
// Sets or removes the per-process and the global marker as asked; nothing in restart mode.
void setInstallMarkers(bool setMarker, bool perProcess, bool globalMarker);
// The marker's value; 0 when the key or the value is missing.
std::uint32_t readInstallMarker(bool perProcess);
