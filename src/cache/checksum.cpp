#include "cache/checksum.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <memory>

#include "platform/win32.h"

namespace zeb::cache {

namespace {

struct StreamCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};

}  // namespace

std::uint32_t crc32_update(std::uint32_t previous, const void* data, std::uint32_t length) {
  if (data == nullptr) return 0;
  return static_cast<std::uint32_t>(
      crc32(previous, static_cast<const Bytef*>(data), static_cast<uInt>(length)));
}

int file_crc32(std::uint32_t initial, const char* path, std::uint32_t* out) {
  if (path == nullptr) return 1;
  // Not a counted stream: checksums are taken of files the caller already holds.
  const std::unique_ptr<std::FILE, StreamCloser> stream(platform::open_stream(path, "rb"));
  if (!stream) return 1;
  // Unbuffered: each read goes from the file straight into the chunk.
  std::setvbuf(stream.get(), nullptr, _IONBF, 0);
  // Static: no allocation (and no mapping of fresh memory) per checksum.
  static std::array<unsigned char, kChecksumChunkSize> chunk;
  std::uint32_t checksum = initial;
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), stream.get());
    if (got == 0) break;
    checksum = crc32_update(checksum, chunk.data(), static_cast<std::uint32_t>(got));
    // A short piece is the end (or a read error, which ends it as well).
    if (got < chunk.size()) break;
  }
  if (out != nullptr) *out = checksum;
  return 0;
}

}  // namespace zeb::cache
