#include "payload.h"

#include <cstdlib>
#include <cstring>

#include "../payload/format.h"
#include "language.h"
#include "log.h"
#include "paths.h"
#include "textconv.h"
#include "winapi_twins.h"

std::map<int, std::string> configTable;
std::map<int, std::wstring> messageTable;
long long includedFilesOffset = 0;
bool guiMessages = true;

namespace {

bool readExactly(HANDLE file, void* buffer, DWORD size, DWORD& got) {
    got = 0;
    return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

long long filePosition(HANDLE file) {
    LARGE_INTEGER zero{}, position{};
    SetFilePointerEx(file, zero, &position, FILE_CURRENT);
    return position.QuadPart;
}

// Bytes between the current position and the end of the file.
long long bytesLeft(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return 0;
    return size.QuadPart - filePosition(file);
}

void seekTo(HANDLE file, long offset) { SetFilePointer(file, offset, nullptr, FILE_BEGIN); }

// Reads a length-prefixed block of `length` bytes, refusing lengths the file cannot hold.
bool readBlock(HANDLE file, std::string& bytes) {
    const int length = readInt(file);
    if (length < 0 || length > bytesLeft(file)) return false;
    bytes.resize(length);
    DWORD got = 0;
    return length == 0 || readExactly(file, bytes.data(), length, got);
}

// One little-endian value; a failed or short read logs and ends the process with `fatal`.
template <typename Value>
Value readPrimitive(HANDLE file, const wchar_t* fatal, bool logBytesRead) {
    Value value = 0;
    DWORD got = 0;
    if (!readExactly(file, &value, sizeof value, got)) {
        if (logBytesRead)
            logMessage(L"error %d %d\n", static_cast<int>(GetLastError()), static_cast<int>(got));
        else
            logMessage(L"error %d\n", static_cast<int>(GetLastError()));
        fatalText(fatal);
    }
    return value;
}

void readMessageRecord(HANDLE file, int& id, std::wstring& text) {
    id = readInt(file);
    text = readWString(file);
}

}  // namespace

HANDLE openPayloadFile() {
    const std::wstring& path = getExePathW();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        logError(L"Could not open %p %d %s", file, static_cast<int>(GetLastError()), path.c_str());
        fatalText(L"Error opening media file.");
    }
    return file;
}

void seekPayloadStart(HANDLE file) {
    seekTo(file, 0x3C);
    const int peOffset = readInt(file);
    seekTo(file, peOffset + 6);
    const int sections = readShort(file);
    logMessage(L"number of sections: %d", sections);
    seekTo(file, peOffset + 20);
    const int optionalHeaderSize = readShort(file);
    logMessage(L"size of optional headers: %d", optionalHeaderSize);
    const int lastSection = peOffset + optionalHeaderSize + 40 * sections - 16;
    logMessage(L"resSectionTableStart: %d", lastSection);
    seekTo(file, lastSection + 16);
    const int rawSize = readInt(file);
    seekTo(file, lastSection + 20);
    const int rawOffset = readInt(file);
    logMessage(L"rawDataSize: %d, rawDataOffset: %d", rawSize, rawOffset);
    seekTo(file, rawSize + rawOffset);
}

long long readLong(HANDLE file) { return readPrimitive<long long>(file, L"Internal Error: readLong", false); }
int readInt(HANDLE file) { return readPrimitive<int>(file, L"Internal Error: readInt", true); }
short readShort(HANDLE file) { return readPrimitive<short>(file, L"Internal Error: readShort", false); }

std::string readString(HANDLE file) {
    std::string bytes;
    if (!readBlock(file, bytes)) fatalText(L"Internal Error: readString");
    return bytes;
}

std::wstring readWString(HANDLE file) {
    std::string bytes;
    if (!readBlock(file, bytes)) fatalText(L"Internal Error: readWString");
    std::wstring text(bytes.size() / 2, L'\0');
    if (!text.empty()) memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
}

void loadPayload(const std::vector<std::wstring>& argList) {
    HANDLE file = openPayloadFile();
    seekPayloadStart(file);
    if (static_cast<unsigned>(readInt(file)) != payload::kMagic) fatalText(L"Internal Error: magic");
    readInt(file);   // check flag, for the integrity check
    readInt(file);   // checksum
    readLong(file);  // covered length

    const int configCount = readInt(file);
    for (int i = 0; i < configCount; ++i) {
        const int id = readInt(file);
        configTable[id] = readString(file);
    }
    const int messageCount = readInt(file);
    for (int i = 0; i < messageCount; ++i) {
        int id = 0;
        std::wstring text;
        readMessageRecord(file, id, text);
        messageTable[id] = text;
    }

    localeName = selectLocaleName(argList);

    const int blockCount = readInt(file);
    for (int block = 0; block < blockCount; ++block) {
        const std::string key = readString(file);
        const bool applies = localeName.compare(0, key.size(), key) == 0 && key.size() <= localeName.size();
        const int entries = readInt(file);
        for (int i = 0; i < entries; ++i) {
            int id = 0;
            std::wstring text;
            readMessageRecord(file, id, text);
            if (applies) messageTable[id] = text;
        }
    }

    includedFilesOffset = filePosition(file);
    CloseHandle(file);
    const int launcherType = getConfigInt(107);
    if (launcherType != 1 && launcherType != 5) guiMessages = false;
}

int getConfigString(int id, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    const auto entry = configTable.find(id);
    if (entry == configTable.end()) return 0;
    const char* value = entry->second.c_str();
    const int length = static_cast<int>(strlen(value));
    const int copied = length < size - 1 ? length : size - 1;
    memcpy(buffer, value, copied);
    buffer[copied] = '\0';
    if (copied < length) logError(L"config string %d truncated (%d %d)", id, size, length);
    return copied;
}

void getConfigStringW(int id, wchar_t* buffer, int size) {
    if (size <= 0) return;
    const std::wstring value = getConfigStringW(id);
    const std::size_t copied = value.size() < static_cast<std::size_t>(size - 1) ? value.size() : size - 1;
    wmemcpy(buffer, value.data(), copied);
    buffer[copied] = L'\0';
}

std::wstring getConfigStringW(int id) { return widenBytes(dupConfigString(id)); }

std::string dupConfigString(int id) {
    const auto entry = configTable.find(id);
    return entry == configTable.end() ? std::string() : std::string(entry->second.c_str());
}

int getConfigInt(int id) {
    char buffer[kPathCapacity];
    getConfigString(id, buffer, kPathCapacity);
    return static_cast<int>(strtol(buffer, nullptr, 10));
}

std::wstring getMessage(int id) {
    const auto entry = messageTable.find(id);
    if (entry == messageTable.end()) return {};
    // Callers hold 6000 units; longer texts are cut as a copy into such a buffer would be.
    return std::wstring(entry->second.c_str()).substr(0, kPathCapacity - 1);
}

std::wstring getMessageText(int id) {
    std::wstring text = getMessage(id);
    if (text.empty()) {
        wchar_t buffer[kPathCapacity];
        getConfigStringW(id, buffer, kPathCapacity);
        text = buffer;
    }
    return text;
}
