#include "tararchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace testing_support {

namespace {

std::string block(std::string bytes) {
    bytes.resize((bytes.size() + 511) / 512 * 512, '\0');
    return bytes;
}

std::string header(const std::string& name, char type, std::size_t size, const std::string& sizeField) {
    std::string h(512, '\0');
    memcpy(h.data(), name.data(), std::min<std::size_t>(name.size(), 100));
    char octal[16];
    snprintf(octal, sizeof octal, "%011o", static_cast<unsigned>(size));
    const std::string field = sizeField.empty() ? octal : sizeField;
    memcpy(h.data() + 124, field.data(), std::min<std::size_t>(field.size(), 12));
    h[156] = type;
    memcpy(h.data() + 257, "ustar", 5);
    return h;
}

}  // namespace

std::string tarOf(const std::vector<TarEntry>& entries, bool closingBlocks) {
    std::string tar;
    for (const TarEntry& entry : entries) {
        if (entry.name.size() > 100) tar += header("././@LongLink", 'L', entry.name.size() + 1, "") + block(entry.name + '\0');
        tar += header(entry.name, entry.type, entry.data.size(), entry.sizeField) + block(entry.data);
    }
    if (closingBlocks) tar += std::string(1024, '\0');
    return tar;
}

std::string gzipOf(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace testing_support
