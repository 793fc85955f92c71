#include "inspect.h"

#include <cstdio>

#include "file_io.h"
#include "quoted.h"

namespace qdrpack {

namespace {

std::string hex32(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

void printMessages(const std::vector<payload::Message>& messages, const char* indent, std::ostream& out) {
    for (const payload::Message& message : messages)
        out << indent << message.id << " = " << quoted(message.text) << "\n";
}

}  // namespace

void printPayload(const payload::InstallerPayload& installer, std::ostream& out) {
    const payload::Contents& contents = installer.contents;
    out << "payload offset: " << installer.offset << "\n"
        << "check flag: " << installer.checkFlag << "\n"
        << "checksum: stored " << hex32(installer.storedChecksum) << ", computed " << hex32(installer.computedChecksum)
        << "\n"
        << "covered length: " << installer.coveredLength << "\n";

    out << "configuration: " << contents.config.size() << " records\n";
    for (const auto& [id, value] : contents.config) out << "  " << id << " = " << quoted(value) << "\n";

    out << "messages: " << contents.messages.size() << " records\n";
    printMessages(contents.messages, "  ", out);

    out << "language blocks: " << contents.languages.size() << "\n";
    for (const payload::LanguageBlock& block : contents.languages) {
        out << "  " << quoted(block.key) << ": " << block.entries.size() << " entries\n";
        printMessages(block.entries, "    ", out);
    }

    out << "included files: " << contents.files.size() << "\n";
    for (const payload::IncludedFile& file : contents.files)
        out << "  " << quoted(file.name) << ": " << file.data.size() << " bytes\n";

    out << "application data: offset " << installer.applicationDataOffset << ", " << contents.applicationData.size()
        << " bytes\n";
    out << (installer.checksumHolds() ? "checksum holds" : "checksum does not hold") << "\n";
}

int inspectCommand(const std::string& path, std::ostream& out, std::ostream& err) {
    try {
        const payload::InstallerPayload installer = payload::readInstaller(readFileBytes(path));
        printPayload(installer, out);
        return installer.checksumHolds() ? 0 : 1;
    } catch (const FileError& error) {
        err << "qdrpack: " << error.what() << "\n";
    } catch (const payload::FormatError& error) {
        err << "qdrpack: " << path << ": " << error.what() << "\n";
    }
    return 1;
}

}  // namespace qdrpack
