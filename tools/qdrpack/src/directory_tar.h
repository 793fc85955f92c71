// A directory tree as a gzip-compressed ustar archive, in the form the launcher's tar reader
// unpacks: 512-byte headers, long names as "././@LongLink" entries, no prefix field.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qdrpack {

struct TreeEntry {
    std::string name;              // relative, "/"-separated; a directory's ends with "/"
    std::filesystem::path source;  // where a file's bytes are read, symbolic links resolved
    bool directory = false;
    std::uint64_t size = 0;  // of a file
};

// The header block of `entry`, preceded by a long-name entry (header and padded name) when the
// name does not fit the 100-byte name field. Throws FileError for a name longer than the launcher
// reads (5998 bytes) or a size beyond the 11 octal digits of the size field.
std::string entryHeaders(const TreeEntry& entry);

struct CompressedTar {
    std::string gzip;
    std::uint64_t tarSize = 0;  // of the uncompressed stream
};

// The contents of `root` (not `root` itself): directories and regular files sorted by name,
// which puts a directory before its contents. Symbolic links are followed when they lead to
// something inside `root`; every other link and every other kind of file is an error. Modes and
// times are fixed, so the same tree always gives the same bytes. Throws FileError.
CompressedTar packDirectory(const std::filesystem::path& root);

}  // namespace qdrpack
