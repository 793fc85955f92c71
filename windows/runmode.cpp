#include "runmode.h"

bool restartMode = false;
bool extractAndExitMode = false;
bool quietMode = false;
bool splashSwitch = false;
bool integrityCheckEnabled = true;
bool manualJreSelection = false;
char launcherKind = 0;
std::string productName;
std::wstring productNameW;
HINSTANCE launcherInstance = nullptr;
bool restartFilesMissing = false;
std::string semaphoreName;
