#include "reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bytes.h"
#include "format.h"
#include "pe_image.h"

namespace payload {

namespace {

// Reads forward through [pos, end) of the image; every read is checked against `end` first.
class Cursor {
   public:
    // `scope` names the range in messages ("file", "checksum range").
    Cursor(const std::string& image, std::uint64_t pos, std::uint64_t end, const char* scope)
        : image_(image), pos_(pos), end_(end), scope_(scope) {}

    std::uint64_t position() const { return pos_; }
    std::uint64_t left() const { return end_ - pos_; }

    std::uint64_t unsignedField(int size, const std::string& what) {
        require(static_cast<std::uint64_t>(size), what);
        const std::uint64_t value = getLe(image_, static_cast<std::size_t>(pos_), size);
        pos_ += size;
        return value;
    }
    std::int32_t int32(const std::string& what) { return static_cast<std::int32_t>(unsignedField(4, what)); }
    std::int64_t int64(const std::string& what) { return static_cast<std::int64_t>(unsignedField(8, what)); }

    std::string bytes(std::uint64_t count, const std::string& what) {
        require(count, what);
        std::string out = image_.substr(static_cast<std::size_t>(pos_), static_cast<std::size_t>(count));
        pos_ += count;
        return out;
    }

    // An int length followed by that many bytes.
    std::string sizedBytes(const std::string& what) {
        const std::int32_t length = int32(what + " length");
        if (length < 0) throw FormatError(what + " has a negative length (" + std::to_string(length) + ")");
        return bytes(static_cast<std::uint64_t>(length), what);
    }

    // A count of records each at least `minRecordSize` bytes long; zero or less means none.
    std::uint32_t count(std::uint64_t minRecordSize, const std::string& what) {
        const std::int32_t count = int32(what + " count");
        if (count <= 0) return 0;
        if (static_cast<std::uint64_t>(count) * minRecordSize > left())
            throw FormatError(what + " count " + std::to_string(count) + " does not fit in the " +
                              std::to_string(left()) + " bytes left in the " + scope_);
        return static_cast<std::uint32_t>(count);
    }

   private:
    void require(std::uint64_t size, const std::string& what) const {
        if (size > left())
            throw FormatError(what + " at offset " + std::to_string(pos_) + " needs " + std::to_string(size) +
                              " bytes, only " + std::to_string(left()) + " left in the " + scope_);
    }

    const std::string& image_;
    std::uint64_t pos_;
    std::uint64_t end_;
    const char* scope_;
};

Message readMessage(Cursor& in, const std::string& what) {
    Message message;
    message.id = in.int32(what + " id");
    const std::string raw = in.sizedBytes(what + " (id " + std::to_string(message.id) + ") text");
    if (raw.size() % 2 != 0)
        throw FormatError(what + " (id " + std::to_string(message.id) + ") has an odd byte length (" +
                          std::to_string(raw.size()) + ")");
    for (std::size_t i = 0; i < raw.size(); i += 2) message.text.push_back(static_cast<char16_t>(getLe(raw, i, 2)));
    return message;
}

std::vector<Message> readMessages(Cursor& in, const std::string& what) {
    std::vector<Message> messages;
    const std::uint32_t count = in.count(8, what);
    for (std::uint32_t i = 0; i < count; ++i) messages.push_back(readMessage(in, what + " " + std::to_string(i)));
    return messages;
}

// The value the launcher's table ends up with: a later record replaces an earlier one.
std::string configValue(const Contents& contents, int id) {
    std::string value;
    for (const auto& [recordId, recordValue] : contents.config)
        if (recordId == id) value = recordValue;
    return value;
}

// As the launcher's integer accessor: strtol base 10 on at most 5999 bytes, into a 32-bit long.
long configInt(const Contents& contents, int id) {
    const std::string value = configValue(contents, id).substr(0, 5999);
    const long parsed = std::strtol(value.c_str(), nullptr, 10);
    if (parsed > INT32_MAX) return INT32_MAX;
    if (parsed < INT32_MIN) return INT32_MIN;
    return parsed;
}

std::vector<std::string> includedNames(const Contents& contents) {
    std::vector<std::string> names;
    const std::string list = configValue(contents, kIncludedFileNamesId);
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start) names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

void readIncludedFiles(Cursor& in, Contents& contents) {
    const long wanted = configInt(contents, kIncludedFileCountId);
    for (const std::string& name : includedNames(contents)) {
        if (static_cast<long>(contents.files.size()) >= wanted) break;
        const std::string what = "included file \"" + name + "\"";
        const std::int64_t length = in.int64(what + " length");
        IncludedFile file{name, length > 0 ? in.bytes(static_cast<std::uint64_t>(length), what) : std::string()};
        for (char& byte : file.data) byte = static_cast<char>(byte ^ kScrambleKey);
        contents.files.push_back(std::move(file));
    }
}

std::string hex32(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::uint32_t crcOf(std::string_view bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most uInt bytes per call.
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + done), static_cast<uInt>(chunk));
        done += chunk;
    }
    return static_cast<std::uint32_t>(crc);
}

}  // namespace

InstallerPayload readInstaller(const std::string& image) {
    InstallerPayload result;
    result.offset = readPeLayout(image).lastSectionEnd;

    Cursor header(image, result.offset, image.size(), "file");
    const std::uint32_t magic = static_cast<std::uint32_t>(header.unsignedField(4, "payload magic"));
    if (magic != kMagic)
        throw FormatError("no payload at offset " + std::to_string(result.offset) + ": wrong magic " + hex32(magic));
    result.checkFlag = header.int32("payload check flag");
    result.storedChecksum = static_cast<std::uint32_t>(header.unsignedField(4, "payload checksum"));
    const std::int64_t covered = header.int64("payload covered length");
    if (covered < 0 || static_cast<std::uint64_t>(covered) > header.left())
        throw FormatError("payload covered length " + std::to_string(covered) + " runs past the end of the file (" +
                          std::to_string(header.left()) + " bytes after the header)");
    result.coveredLength = static_cast<std::uint64_t>(covered);

    const std::uint64_t coveredStart = header.position();
    result.computedChecksum = crcOf(std::string_view(image).substr(coveredStart, result.coveredLength));

    Contents& contents = result.contents;
    contents.checkFlag = result.checkFlag != 0;
    contents.describeFiles = false;
    Cursor in(image, coveredStart, coveredStart + result.coveredLength, "checksum range");
    const std::uint32_t configCount = in.count(8, "configuration record");
    for (std::uint32_t i = 0; i < configCount; ++i) {
        const std::string what = "configuration record " + std::to_string(i);
        const int id = in.int32(what + " id");
        contents.config.emplace_back(id, in.sizedBytes(what + " (id " + std::to_string(id) + ") value"));
    }
    contents.messages = readMessages(in, "message");
    const std::uint32_t blockCount = in.count(8, "language block");
    for (std::uint32_t i = 0; i < blockCount; ++i) {
        const std::string what = "language block " + std::to_string(i);
        LanguageBlock block;
        block.key = in.sizedBytes(what + " key");
        block.entries = readMessages(in, what + " (\"" + block.key + "\") entry");
        contents.languages.push_back(std::move(block));
    }
    readIncludedFiles(in, contents);
    result.applicationDataOffset = in.position();
    contents.applicationData = in.bytes(in.left(), "application data");
    return result;
}

}  // namespace payload
