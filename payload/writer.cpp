#include "writer.h"

#include <zlib.h>

#include "bytes.h"
#include "format.h"
#include "pe_image.h"

namespace payload {

namespace {

void putString(std::string& out, const std::string& text) {
    putLe(out, text.size(), 4);
    out += text;
}

void putMessage(std::string& out, const Message& message) {
    putLe(out, static_cast<std::uint32_t>(message.id), 4);
    putLe(out, message.text.size() * 2, 4);
    for (char16_t unit : message.text) putLe(out, unit, 2);
}

std::string fileNameList(const std::vector<IncludedFile>& files) {
    std::string names;
    for (const IncludedFile& file : files) names += file.name + ";";
    return names;
}

}  // namespace

std::string serializeContainer(const Contents& contents) {
    std::vector<std::pair<int, std::string>> config = contents.config;
    if (contents.describeFiles && !contents.files.empty()) {
        config.emplace_back(kIncludedFileCountId, std::to_string(contents.files.size()));
        config.emplace_back(kIncludedFileNamesId, fileNameList(contents.files));
    }

    std::string covered;
    putLe(covered, config.size(), 4);
    for (const auto& [id, value] : config) {
        putLe(covered, static_cast<std::uint32_t>(id), 4);
        putString(covered, value);
    }
    putLe(covered, contents.messages.size(), 4);
    for (const Message& message : contents.messages) putMessage(covered, message);
    putLe(covered, contents.languages.size(), 4);
    for (const LanguageBlock& block : contents.languages) {
        putString(covered, block.key);
        putLe(covered, block.entries.size(), 4);
        for (const Message& message : block.entries) putMessage(covered, message);
    }
    for (const IncludedFile& file : contents.files) {
        putLe(covered, file.data.size(), 8);
        for (char byte : file.data) covered.push_back(static_cast<char>(byte ^ kScrambleKey));
    }
    covered += contents.applicationData;

    std::string out;
    putLe(out, kMagic, 4);
    putLe(out, contents.checkFlag ? 1 : 0, 4);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(covered.data()),
                            static_cast<uInt>(covered.size()));
    putLe(out, crc, 4);
    putLe(out, covered.size(), 8);
    return out + covered;
}

std::string stubImage(const std::string& exeBytes) {
    const PeLayout layout = readPeLayout(exeBytes);
    std::string stub = exeBytes.substr(0, layout.lastSectionEnd);
    auto clear = [&stub](std::size_t at, std::size_t size) {
        if (at + size <= stub.size()) stub.replace(at, size, size, '\0');
    };
    if (layout.securityDirOffset != 0) clear(layout.securityDirOffset, 8);
    clear(layout.peOffset + 12, 8);  // PointerToSymbolTable, NumberOfSymbols
    return stub;
}

std::string buildInstaller(const std::string& exeBytes, const Contents& contents) {
    return stubImage(exeBytes) + serializeContainer(contents);
}

std::u16string utf16FromUtf8(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) throw FormatError("text is not valid UTF-8");
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) throw FormatError("text is not valid UTF-8");
            code = (code << 6) | (next & 0x3F);
        }
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

}  // namespace payload
