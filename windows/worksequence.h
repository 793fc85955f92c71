// The installer's main line of work after start-up.
#pragma once

#include "commandline.h"

// Starts the Java application with `argList`; when the launch fails, logs it and ends the process
// with message 1005. Returns after the application has ended.
void launchApplication(const ArgList& argList);
