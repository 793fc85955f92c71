// The payload appended to the launcher's image: finding it, its primitive readers, the
// configuration and message tables loaded at start-up, and their accessors.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Loaded once by loadPayload, read-only afterwards. A later record with the same id wins.
extern std::map<int, std::string> configTable;
extern std::map<int, std::wstring> messageTable;
// File offset just after the last language block, where the included files start.
extern long long includedFilesOffset;
// Fatal messages as message boxes (true) or on standard error (false).
extern bool guiMessages;

// Opens the launcher's own executable for reading; ends the process when it cannot.
HANDLE openPayloadFile();
// Moves the file pointer to the end of the raw data of the last section in the PE section table.
void seekPayloadStart(HANDLE file);

// Read at the current position; a failed or short read ends the process with the reader's fatal
// text. A length larger than what is left of the file counts as a short read.
long long readLong(HANDLE file);
int readInt(HANDLE file);
short readShort(HANDLE file);
std::string readString(HANDLE file);
std::wstring readWString(HANDLE file);

// Reads the container up to the included files, chooses the locale (argList may carry the
// format-locale switch), applies the matching language blocks and sets guiMessages.
void loadPayload(const std::vector<std::wstring>& argList);

// Copies at most size - 1 bytes of the value and terminates it; returns the bytes copied (0 for an
// absent id). A longer value is cut and logged.
int getConfigString(int id, char* buffer, int size);
// The value widened byte by byte into `size` units, cut to size - 1 units when longer.
void getConfigStringW(int id, wchar_t* buffer, int size);
std::wstring getConfigStringW(int id);
// A copy of the value; empty for an absent id.
std::string dupConfigString(int id);
// The value as strtol base 10 would read it; 0 when absent or not numeric.
int getConfigInt(int id);

// The message text, empty for an absent id.
std::wstring getMessage(int id);
// getMessage, falling back to the configuration value of the same id when empty.
std::wstring getMessageText(int id);
