// Entry of qdrinst.dll, the native services library loaded by JVMs the launcher did not create.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
