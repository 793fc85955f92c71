// Reads back an installer image: the container after the stub's last section, as the launcher
// reads it. Portable C++ for qdrpack inspect and the tests; every length and count is checked
// against the bytes present before it is trusted.
#pragma once

#include <cstdint>
#include <string>

#include "writer.h"

namespace payload {

struct InstallerPayload {
    std::uint64_t offset = 0;  // file offset of the magic: end of the stub's last section
    std::int32_t checkFlag = 0;
    std::uint32_t storedChecksum = 0;
    std::uint32_t computedChecksum = 0;  // CRC-32 of the covered range as it is in the file
    std::uint64_t coveredLength = 0;
    // Records as stored. describeFiles is false: 2002/2003 sit in `config` where they were
    // found, so serializeContainer(contents) rebuilds the covered bytes of a well-formed payload.
    Contents contents;
    std::uint64_t applicationDataOffset = 0;  // file offset just after the last included file

    bool checksumHolds() const { return storedChecksum == computedChecksum; }
};

// Parses `image` (a whole installer file). The included files are those of configuration 2003
// (names split at ";", empty names skipped), at most configuration 2002 of them, unscrambled;
// a stored length of zero or less is an empty file, as the launcher treats it. Bytes after the
// covered range (a signature, for example) are not read.
// Throws FormatError naming what is wrong and where; never allocates more than the image holds.
InstallerPayload readInstaller(const std::string& image);

}  // namespace payload
