#include "pe_image.h"

#include "bytes.h"
#include "writer.h"

namespace payload {

namespace {

std::uint64_t field(const std::string& image, std::uint64_t at, int size) {
    if (at + size > image.size()) throw FormatError("stub is not a PE image: headers run past the end of the file");
    return getLe(image, static_cast<std::size_t>(at), size);
}

}  // namespace

PeLayout readPeLayout(const std::string& image) {
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') throw FormatError("stub is not a PE image: no MZ header");
    PeLayout layout;
    layout.peOffset = static_cast<std::uint32_t>(field(image, 0x3C, 4));
    if (field(image, layout.peOffset, 4) != 0x00004550) throw FormatError("stub is not a PE image: no PE signature");
    layout.sectionCount = static_cast<std::uint16_t>(field(image, layout.peOffset + 6, 2));
    layout.optionalHeaderSize = static_cast<std::uint16_t>(field(image, layout.peOffset + 20, 2));
    if (layout.sectionCount == 0) throw FormatError("stub is not a PE image: no sections");
    const std::uint64_t optional = layout.peOffset + 24ull;
    const std::uint64_t last = optional + layout.optionalHeaderSize + 40ull * (layout.sectionCount - 1);
    const std::uint64_t end = field(image, last + 16, 4) + field(image, last + 20, 4);
    if (end > image.size()) throw FormatError("stub is not a PE image: last section runs past the end of the file");
    layout.lastSectionEnd = static_cast<std::uint32_t>(end);
    // PE32+ keeps 16 data directories from offset 112 of the optional header; entry 4 is the
    // certificate table.
    if (field(image, optional, 2) == 0x20B && layout.optionalHeaderSize >= 112 + 5 * 8)
        layout.securityDirOffset = static_cast<std::uint32_t>(optional + 112 + 4 * 8);
    return layout;
}

}  // namespace payload
