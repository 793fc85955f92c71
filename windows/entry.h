// The launcher's start-up: hidden run modes, command line, payload, run-mode choice.
#pragma once

#include <windows.h>

// The entry point: `commandLine` is the 8-bit command line without the program name. Returns the
// process exit code.
int launcherMain(HINSTANCE instance, const char* commandLine, int showCommand);

// Limits DLL loading to the system directory and explicitly added directories, except on Vista.
void restrictDllSearch();
// Initialises the common controls from the system's comctl32; failures are ignored.
void loadCommonControls();
// Waits five seconds, then restarts Windows if the shutdown privilege can be enabled.
void runRebootMode();
