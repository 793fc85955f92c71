// Tar streams and gzip files built in the tests, for the reader of the bundled runtime.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct TarEntry {
    TarEntry(std::string name, char type, std::string data, std::string sizeField = "")
        : name(std::move(name)), type(type), data(std::move(data)), sizeField(std::move(sizeField)) {}
    std::string name;
    char type;  // '0' file, '5' directory, anything else as given
    std::string data;
    std::string sizeField;  // as written; empty: eleven octal digits of the data's size
};

// A ustar stream of the entries; names over 100 bytes get a long-name entry first.
std::string tarOf(const std::vector<TarEntry>& entries, bool closingBlocks = true);
std::string gzipOf(const std::string& bytes);

}  // namespace testing_support
