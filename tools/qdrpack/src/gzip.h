// gzip streams in memory: compressing a stream fed piece by piece, and measuring a ready one.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qdrpack {

// Compresses everything written to it into one gzip member held in memory.
class GzipCompressor {
   public:
    GzipCompressor();
    ~GzipCompressor();
    GzipCompressor(const GzipCompressor&) = delete;
    GzipCompressor& operator=(const GzipCompressor&) = delete;

    void write(std::string_view bytes);
    // Ends the stream and hands over the compressed bytes; nothing may be written afterwards.
    std::string finish();
    // The uncompressed bytes written so far.
    std::uint64_t bytesIn() const { return bytesIn_; }

   private:
    void deflateSlice(std::string_view slice, int flush);

    z_stream stream_{};
    std::string out_;
    std::uint64_t bytesIn_ = 0;
};

// The uncompressed size of `gzip`, members following one another counted as the launcher's
// gzread reads them (bytes after the last member that start no new member are ignored, as there).
// None when the data is damaged or cut short.
std::optional<std::uint64_t> gunzippedSize(std::string_view gzip);

}  // namespace qdrpack
