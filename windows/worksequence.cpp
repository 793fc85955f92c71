#include "worksequence.h"

#include "JavaVMLauncher.h"
#include "log.h"

void launchApplication(const ArgList& argList) {
    if (launchJvm(argList, true)) return;
    logError(L"Could not start JVM");
    fatalMessage(1005);
}
