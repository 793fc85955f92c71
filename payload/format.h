// The installer container: the one place that fixes its byte layout constants, shared by the
// launcher's reader and by the writer that qdrpack and the tests use.
#pragma once

#include <cstdint>

namespace payload {

// First int of the container (bytes D5 13 E4 E8 on disk).
constexpr std::uint32_t kMagic = 0xE8E413D5u;

// Header: magic, check flag, checksum (ints), covered length (long).
constexpr std::uint32_t kHeaderSize = 20;

// Every byte of an included file is stored XOR-ed with this key; the reader applies it again.
constexpr std::uint8_t kScrambleKey = 0x9D;

// Configuration ids the builder writes for the included files.
constexpr int kIncludedFileCountId = 2002;
constexpr int kIncludedFileNamesId = 2003;

}  // namespace payload
