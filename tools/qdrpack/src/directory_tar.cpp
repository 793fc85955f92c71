#include "directory_tar.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

#include "file_io.h"
#include "gzip.h"

namespace qdrpack {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kNameField = 100;
// The launcher reads a long name and its terminating zero into 6000 bytes, refusing 6000 or more.
constexpr std::size_t kMaxTarNameLength = 5998;
constexpr std::uint64_t kSizeLimit = std::uint64_t{1} << 33;  // 11 octal digits
constexpr std::size_t kCopyChunk = 64 * 1024;
constexpr std::string_view kLongLinkName = "././@LongLink";

[[noreturn]] void fail(const std::string& what, const std::string& reason) { throw FileError(what + ": " + reason); }

void putField(std::string& block, std::size_t at, std::string_view text) { block.replace(at, text.size(), text); }

// `digits` octal digits and a zero byte.
std::string octal(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llo", digits, static_cast<unsigned long long>(value));
    return std::string(text) + '\0';
}

std::size_t paddingAfter(std::uint64_t size) { return (kBlock - size % kBlock) % kBlock; }

std::string headerBlock(std::string_view name, char type, std::uint64_t size) {
    std::string block(kBlock, '\0');
    putField(block, 0, name.substr(0, kNameField));
    putField(block, 100, type == '5' ? "0000755" : "0000644");
    putField(block, 108, "0000000");
    putField(block, 116, "0000000");
    putField(block, 124, octal(size, 11));
    putField(block, 136, octal(0, 11));
    block[156] = type;
    putField(block, 257, "ustar");  // the zero byte after it is there already
    putField(block, 263, "00");
    // The checksum is taken with its own field as blanks.
    putField(block, 148, "        ");
    unsigned sum = 0;
    for (const char byte : block) sum += static_cast<unsigned char>(byte);
    putField(block, 148, octal(sum, 6) + ' ');
    return block;
}

// A shortened name for messages: a name near the limit would fill the screen.
std::string shownName(const std::string& name) {
    return name.size() <= kNameField ? name : name.substr(0, kNameField) + "...";
}

bool isInside(const fs::path& path, const fs::path& root) {
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

// Collects the entries below a root, following the symbolic links that stay inside it.
class TreeLister {
   public:
    explicit TreeLister(const fs::path& root) {
        std::error_code error;
        root_ = fs::canonical(root, error);
        if (error) fail(root.string(), error.message());
    }

    std::vector<TreeEntry> list() {
        open_ = {root_};
        addChildren(root_, "");
        std::sort(entries_.begin(), entries_.end(),
                  [](const TreeEntry& a, const TreeEntry& b) { return a.name < b.name; });
        return std::move(entries_);
    }

   private:
    void addChildren(const fs::path& dir, const std::string& prefix) {
        std::error_code error;
        for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
            add(it->path(), prefix + it->path().filename().string());
        if (error) fail(dir.string(), error.message());
    }

    void add(const fs::path& path, const std::string& name) {
        const fs::path source = resolved(path);
        std::error_code error;
        const fs::file_status status = fs::status(source, error);
        if (error) fail(path.string(), error.message());
        if (fs::is_directory(status)) {
            if (std::find(open_.begin(), open_.end(), source) != open_.end())
                fail(path.string(), "leads back to a directory that contains it");
            entries_.push_back({name + "/", source, true, 0});
            open_.push_back(source);
            addChildren(source, name + "/");
            open_.pop_back();
        } else if (fs::is_regular_file(status)) {
            const std::uintmax_t size = fs::file_size(source, error);
            if (error) fail(path.string(), error.message());
            entries_.push_back({name, source, false, size});
        } else {
            fail(path.string(), "is neither a regular file nor a directory");
        }
    }

    // What `path` stands for: itself, or the target of a symbolic link inside the root.
    fs::path resolved(const fs::path& path) const {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        const fs::path target = fs::canonical(path, error);
        if (error) fail(path.string(), "is a symbolic link that leads nowhere");
        if (!isInside(target, root_))
            fail(path.string(), "is a symbolic link to " + target.string() + ", outside " + root_.string());
        return target;
    }

    fs::path root_;
    std::vector<fs::path> open_;  // the directories being listed, outermost first
    std::vector<TreeEntry> entries_;
};

void writeFileData(const TreeEntry& entry, GzipCompressor& gzip) {
    std::ifstream in(entry.source, std::ios::binary);
    if (!in) fail(entry.source.string(), "cannot be read");
    std::vector<char> chunk(kCopyChunk);
    for (std::uint64_t left = entry.size; left > 0;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, left));
        if (!in.read(chunk.data(), static_cast<std::streamsize>(want)))
            fail(entry.source.string(), "cannot be read to its end (did it change while being packed?)");
        gzip.write({chunk.data(), want});
        left -= want;
    }
    gzip.write(std::string(paddingAfter(entry.size), '\0'));
}

}  // namespace

std::string entryHeaders(const TreeEntry& entry) {
    if (entry.name.size() > kMaxTarNameLength)
        fail(shownName(entry.name), "the path of " + std::to_string(entry.name.size()) +
                                        " bytes is longer than the launcher reads (" +
                                        std::to_string(kMaxTarNameLength) + ")");
    if (entry.size >= kSizeLimit)
        fail(shownName(entry.name), "a file of " + std::to_string(entry.size) + " bytes is too large for a tar header");
    const char type = entry.directory ? '5' : '0';
    if (entry.name.size() <= kNameField) return headerBlock(entry.name, type, entry.size);
    const std::uint64_t longNameSize = entry.name.size() + 1;  // with its terminating zero
    std::string longName = entry.name;
    longName.resize(longNameSize + paddingAfter(longNameSize), '\0');
    return headerBlock(kLongLinkName, 'L', longNameSize) + longName + headerBlock(entry.name, type, entry.size);
}

CompressedTar packDirectory(const fs::path& root) {
    GzipCompressor gzip;
    for (const TreeEntry& entry : TreeLister(root).list()) {
        gzip.write(entryHeaders(entry));
        if (!entry.directory) writeFileData(entry, gzip);
    }
    gzip.write(std::string(2 * kBlock, '\0'));
    const std::uint64_t tarSize = gzip.bytesIn();
    return {gzip.finish(), tarSize};
}

}  // namespace qdrpack
