// The little of the PE format the container needs: where the raw data of the last section ends.
#pragma once

#include <cstdint>
#include <string>

namespace payload {

struct PeLayout {
    std::uint32_t peOffset = 0;           // offset of "PE\0\0"
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalHeaderSize = 0;
    std::uint32_t lastSectionEnd = 0;     // PointerToRawData + SizeOfRawData of the last entry
    std::uint32_t securityDirOffset = 0;  // file offset of the certificate table directory entry, 0 if none
};

// Reads the headers, checking every offset against the image size. Throws FormatError.
PeLayout readPeLayout(const std::string& image);

}  // namespace payload
