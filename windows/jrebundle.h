// The Java runtime shipped in the payload as "jre.tar.gz": unpacking it into "jre" and using it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

// How long the unpacking took, and whether the expansion of packed libraries has finished; read by
// the progress window's thread.
extern std::atomic<long> extractMillis;
extern std::atomic<bool> unpackDone;

// Unpacks "jre.tar.gz" of the current directory into "jre", expands packed libraries
// (configuration 153) and continues with useIncludedJre. Returns only with a runtime loaded.
void extractIncludedJre(HWND progressWindow);
// Loads the runtime in "jre" without version bounds, else the one the search finds; otherwise ends
// the process.
void useIncludedJre();
// Unpacks the ustar entries of a gzip-compressed tar archive into `targetDir`. True when the
// archive ended regularly after at least one file. Entry names that would leave `targetDir` fail
// the archive.
bool untarGz(const std::string& archive, const std::string& targetDir, HWND progressWindow, long long total);
// The octal size field of a tar header: leading blanks and zeros skipped, digits up to a blank, a
// zero byte or the field's end.
long long parseTarSize(const char* field, std::size_t length);
