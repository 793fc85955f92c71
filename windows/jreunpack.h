// Expanding pack200-compressed libraries of a Java runtime with the runtime's own unpack200.exe.
#pragma once

#include <string>

// Expands every "*.jar.pack" in the runtime's lib and lib\ext directories that has no ".jar" yet.
void unpackJarDirs(const std::string& runtimeDir);

// Expands one ".pack" file into the ".jar" beside it and deletes the pack file; ends the process
// with message 1009 and "20" when unpack200.exe cannot be started.
void unpackPackFile(const std::string& runtimeDir, const std::string& packPath);
