#include "cache/checksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/scoped.h"

namespace zeb::cache {
namespace {

std::uint32_t crc_of(const std::string& bytes, std::uint32_t previous = 0) {
  return crc32_update(previous, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

TEST(Crc32Update, KnownValuesPiecesAndNullData) {
  EXPECT_EQ(crc_of(""), 0u);
  EXPECT_EQ(crc_of("abc"), 0x352441C2u);
  EXPECT_EQ(crc_of("123456789"), 0xCBF43926u);
  EXPECT_EQ(crc_of("c", crc_of("ab")), 0x352441C2u);
  EXPECT_EQ(crc32_update(0x352441C2u, "x", 0), 0x352441C2u);
  EXPECT_EQ(crc32_update(0x352441C2u, nullptr, 10), 0u);
}

TEST(FileCrc32, WholeFileEqualsTheOneShotChecksumAndAMissingOneLeavesOutUntouched) {
  test::ScopedTempDir dir;
  // Bytes that differ from chunk to chunk, so a chunk read twice or skipped shows.
  std::string large(10000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + i / 4096);
  for (const std::string& bytes : {std::string(), std::string("abc"), large}) {
    test::write_host_file(dir.host("f.bin"), bytes);
    std::uint32_t out = 0xDEADBEEFu;
    ASSERT_EQ(file_crc32(0, (dir / "f.bin").c_str(), &out), 0) << bytes.size();
    EXPECT_EQ(out, crc_of(bytes)) << bytes.size();
  }
  std::uint32_t out = 0xDEADBEEFu;
  EXPECT_EQ(file_crc32(0, (dir / "missing.bin").c_str(), &out), 1);
  EXPECT_EQ(out, 0xDEADBEEFu);
}

}  // namespace
}  // namespace zeb::cache
