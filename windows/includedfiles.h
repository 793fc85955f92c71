// The payload's integrity check and the extraction of the included files into the work directory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// File offset just after the last included file; 0 until an extraction has finished.
extern long long unextractedPosition;

// Result codes of the extraction routines.
constexpr int kExtractOk = 0;
constexpr int kExtractReadFailed = 1;
constexpr int kExtractWriteFailed = 2;

// The standard CRC-32 (zlib's crc32) in three steps.
std::uint32_t crc32Begin();
std::uint32_t crc32Update(std::uint32_t state, const void* bytes, std::size_t size);
std::uint32_t crc32End(std::uint32_t state);

// Checks the payload's CRC-32 over its covered range (unless switched off by "-nocheck" or the
// header's check flag), moving the progress bar (control 1001) of `progressWindow` when given.
// Returns only when the payload is intact or the check is off; otherwise shows message 20016 in a
// box owned by `progressWindow` and ends the process with exit code 1. A read error ends it with
// message 1009 and "34".
void verifyPayloadIntegrity(HWND progressWindow);

// Writes the included files (configuration 2002 and 2003) into workDir; a name that would land
// outside the work directory fails the extraction like a damaged payload.
int extractIncludedFiles();

// One file record at the handle's position, to `target`; zero-length files are not created.
int extractFile(HANDLE payload, const std::string& target);

// Copies `count` bytes, unscrambling them; 1 when the source ends early, 2 when a write fails.
int copyPayloadBytes(HANDLE source, HANDLE target, long long count);

// Whether an included file name stays inside the work directory: relative, no drive, no "..".
bool isSafeIncludedName(const std::string& name);
