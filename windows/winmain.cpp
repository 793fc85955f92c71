// The executable's entry: everything else lives in the launcher library so the tests can call it.
#include <windows.h>

#include "entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    return launcherMain(instance, commandLine, showCommand);
}
