#include "gzip.h"

#include <climits>
#include <new>
#include <vector>

namespace qdrpack {

namespace {

constexpr int kGzipWindowBits = 15 + 16;  // the largest window, with a gzip header and trailer
constexpr int kLevel = 6;
constexpr int kMemLevel = 8;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kMaxSlice = UINT_MAX;  // zlib counts its input in unsigned ints

bool startsMember(std::string_view bytes) { return bytes.starts_with("\x1F\x8B"); }

Bytef* inputPointer(std::string_view bytes) { return reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data())); }

class Inflater {
   public:
    Inflater() {
        if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) throw std::bad_alloc();
    }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    z_stream stream{};
};

}  // namespace

GzipCompressor::GzipCompressor() {
    if (deflateInit2(&stream_, kLevel, Z_DEFLATED, kGzipWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
}

GzipCompressor::~GzipCompressor() { deflateEnd(&stream_); }

void GzipCompressor::write(std::string_view bytes) {
    bytesIn_ += bytes.size();
    while (bytes.size() > kMaxSlice) {
        deflateSlice(bytes.substr(0, kMaxSlice), Z_NO_FLUSH);
        bytes.remove_prefix(kMaxSlice);
    }
    deflateSlice(bytes, Z_NO_FLUSH);
}

std::string GzipCompressor::finish() {
    deflateSlice({}, Z_FINISH);
    return std::move(out_);
}

// Runs deflate until it has taken all of `slice` and, for Z_FINISH, written the trailer. The
// output grows by whole chunks, so a long stream costs amortised linear copying.
void GzipCompressor::deflateSlice(std::string_view slice, int flush) {
    stream_.next_in = inputPointer(slice);
    stream_.avail_in = static_cast<uInt>(slice.size());
    do {
        const std::size_t used = out_.size();
        out_.resize(used + kChunk);
        stream_.next_out = reinterpret_cast<Bytef*>(out_.data() + used);
        stream_.avail_out = static_cast<uInt>(kChunk);
        deflate(&stream_, flush);
        out_.resize(used + kChunk - stream_.avail_out);
    } while (stream_.avail_out == 0);
}

std::optional<std::uint64_t> gunzippedSize(std::string_view gzip) {
    Inflater inflater;
    z_stream& stream = inflater.stream;
    std::vector<Bytef> sink(kChunk);
    std::uint64_t total = 0;
    std::size_t fed = 0;  // bytes of `gzip` handed to zlib so far
    for (;;) {
        if (stream.avail_in == 0) {
            if (fed == gzip.size()) return std::nullopt;
            const std::string_view slice = gzip.substr(fed, kMaxSlice);
            stream.next_in = inputPointer(slice);
            stream.avail_in = static_cast<uInt>(slice.size());
            fed += slice.size();
        }
        stream.next_out = sink.data();
        stream.avail_out = static_cast<uInt>(sink.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        total += sink.size() - stream.avail_out;
        if (result == Z_STREAM_END) {
            if (!startsMember(gzip.substr(fed - stream.avail_in))) return total;
            inflateReset(&stream);
        } else if (result != Z_OK) {
            return std::nullopt;
        }
    }
}

}  // namespace qdrpack
