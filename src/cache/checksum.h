// The CRC-32 that names cache entries and stamps cached executables: the
// standard one of zlib, PNG and ZIP (reflected polynomial 0xEDB88320, preset
// and final complement), continued from a previous value.
#pragma once

#include <cstdint>

namespace zeb::cache {

// The checksum of everything fed so far: start with 0, feed pieces in order.
// A length of 0 returns previous; null data returns 0 whatever previous was.
std::uint32_t crc32_update(std::uint32_t previous, const void* data, std::uint32_t length);

// Size of the pieces in which file_crc32 reads a file: large, so that a big
// source costs few reads (a 10 MB file takes 21), straight into one buffer.
inline constexpr std::uint32_t kChecksumChunkSize = 512 * 1024;

// The checksum of a whole file (Windows-form path), continued from
// `initial`. Returns 0 and stores it in *out when the file was read; 1 when
// it could not be opened, *out untouched. A read error part-way through ends
// the reading like the end of the file. A null `out` receives nothing.
int file_crc32(std::uint32_t initial, const char* path, std::uint32_t* out);

}  // namespace zeb::cache
