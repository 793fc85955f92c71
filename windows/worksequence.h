// The installer's main line of work after start-up: verify, extract, choose the Java runtime,
// unpack it, set the markers and launch.
#pragma once

#include <windows.h>

#include "commandline.h"

// The progress bar position reached when the JVM start begins: 100, 200 with an included
// runtime, 300 with a packed one.
extern int progressBase;
// A runtime archive (or, in restart mode, an unpacked "jre") is present and is to be used.
extern bool jreIncluded;

// The whole sequence; `window` is the progress window or null. Returns 0 after the application
// has ended, unless one of its steps ends the process.
DWORD WINAPI runWorkSequence(void* window);

// Starts the Java application with `argList`; when the launch fails, logs it and ends the process
// with message 1005. Returns after the application has ended.
void launchApplication(const ArgList& argList);
