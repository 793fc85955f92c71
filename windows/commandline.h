// The command line: tokenising, the switches that concern the launcher itself, the console.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

using ArgList = std::vector<std::wstring>;

// Appends one element per token of `line`. Blanks (U+0020 only) separate tokens; a token holding a
// double or single quote runs to the matching quote, both quotes dropped.
void tokenizeCommandLine(const std::wstring& line, ArgList& argList);

// Appends the token that starts at `start` and holds the quote `quoteChar` at `quote`; returns
// where scanning resumes (one blank right after the closing quote is skipped).
std::size_t takeQuotedToken(const std::wstring& line, std::size_t start, std::size_t quote, wchar_t quoteChar,
                            ArgList& argList);

// The log switch (position 1 only), the manual temporary directory, the payload, the launcher kind,
// the working directory and the log prompt.
void processArguments(HINSTANCE instance, ArgList& argList);

// Applies the switch table to every element of argList; ends the process when "-c" finds no console.
void applySwitches(const ArgList& argList);

// Attaches to the parent's console, or allocates one; true when the process has a console then.
bool attachConsole();
