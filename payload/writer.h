// Builds installer images: a stub executable cut at the end of its last section, followed by the
// container the launcher reads. Portable C++ so that qdrpack (Linux) and the Windows tests share it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace payload {

struct Message {
    int id = 0;
    std::u16string text;  // UTF-16 text, stored little-endian without terminator
};

struct LanguageBlock {
    std::string key;  // locale name or prefix, e.g. "de" or "pt_BR"
    std::vector<Message> entries;
};

struct IncludedFile {
    std::string name;  // relative name in the work directory, "\" as separator
    std::string data;  // plain bytes; the writer scrambles them
};

struct Contents {
    bool checkFlag = true;
    std::vector<std::pair<int, std::string>> config;  // written in this order, duplicates kept
    std::vector<Message> messages;
    std::vector<LanguageBlock> languages;
    std::vector<IncludedFile> files;
    // When set, records 2002 (count) and 2003 (names, each followed by ";") are appended to the
    // configuration for `files`; tests that need inconsistent records clear it and write their own.
    bool describeFiles = true;
    std::string applicationData;
};

class FormatError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

// The container bytes (header with CRC-32 over everything after it, then all records).
std::string serializeContainer(const Contents& contents);

// The stub image without whatever followed its last section; the certificate directory and the
// COFF symbol table pointer are cleared because what they point at is gone. Throws FormatError.
std::string stubImage(const std::string& exeBytes);

// stubImage(exe) + serializeContainer(contents).
std::string buildInstaller(const std::string& exeBytes, const Contents& contents);

// UTF-8 to UTF-16; throws FormatError on malformed input.
std::u16string utf16FromUtf8(const std::string& text);

}  // namespace payload
