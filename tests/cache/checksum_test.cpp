#include "cache/checksum.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "support/scoped.h"

namespace zeb::cache {

TEST(Checksum, WholeFilesContinueFromTheChecksumGiven) {
  const auto crc = [](const std::string& bytes, std::uint32_t previous) {
    return crc32_update(previous, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  };
  // crc32_update itself is the stamp of every cached program, checked end to
  // end, and the include scan's checksum, checked by fuzz/include_scan.cpp.
  // Bytes that differ from chunk to chunk, so that a chunk read twice or skipped shows.
  std::string large(2 * kChecksumChunkSize + 7, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + i / kChecksumChunkSize);
  test::ScopedTempDir dir;
  const std::string path = dir / "f.bin";
  // A file's checksum continues from the one given.
  for (const auto& [bytes, initial] : {std::tuple(std::string(), 0u), std::tuple(std::string("c"), crc("ab", 0)),
                                       std::tuple(large, 0u)}) {
    test::write_host_file(dir.host("f.bin"), bytes);
    std::uint32_t out = 0xDEADBEEFu;
    ASSERT_EQ(file_crc32(initial, path.c_str(), &out), 0) << bytes.size();
    EXPECT_EQ(out, crc(bytes, initial)) << bytes.size();
  }
  std::uint32_t out = 0xDEADBEEFu;
  EXPECT_EQ((std::pair{file_crc32(0, (dir / "missing.bin").c_str(), &out), out}), std::pair(1, 0xDEADBEEFu));
}

}  // namespace zeb::cache
