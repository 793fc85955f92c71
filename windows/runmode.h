// Run-mode flags, settled on the main thread during start-up and read-only afterwards.
#pragma once

#include <windows.h>

#include <string>

extern bool restartMode;          // restarted in its own work directory: reuse it, never remove it
extern bool extractAndExitMode;   // extract the included files into a fixed directory and exit
extern bool quietMode;            // no windows; prompts end the run instead
extern bool splashSwitch;         // "-splash": a quiet run still takes the windowed run modes
extern bool integrityCheckEnabled;
extern bool manualJreSelection;
extern char launcherKind;         // first character of configuration 2001, 0 when absent
extern std::string productName;   // "vantle" for launcher kind "v", else "quilder"
extern std::wstring productNameW;
extern HINSTANCE launcherInstance;
// A restart whose directory lacks its files runs like a first run (set by the work sequence).
extern bool restartFilesMissing;
// Name of the single-instance semaphore; empty while no guard holds one.
extern std::string semaphoreName;
