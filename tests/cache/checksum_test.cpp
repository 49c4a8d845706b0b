// CRC-32 of buffers and of whole files.
#include "cache/checksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/scoped.h"

namespace zeb::cache {
namespace {

// A bit-at-a-time CRC-32 written from the definition, to check the library
// against something that shares no code with it.
std::uint32_t reference_crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) != 0 ? 0xEDB88320u : 0u);
  }
  return ~crc;
}

std::uint32_t crc_of(const std::string& bytes, std::uint32_t previous = 0) {
  return crc32_update(previous, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Bytes that differ from chunk to chunk, so a chunk read twice or skipped shows.
std::string patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
  return bytes;
}

TEST(Crc32Update, KnownValues) {
  struct Case {
    std::string bytes;
    std::uint32_t crc;
  };
  const Case cases[] = {
      {"", 0u},
      {"abc", 0x352441C2u},
      {"123456789", 0xCBF43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
  };
  for (const Case& c : cases) EXPECT_EQ(crc_of(c.bytes), c.crc) << c.bytes;
}

TEST(Crc32Update, AgreesWithTheDefinition) {
  const std::string inputs[] = {std::string(1, '\0'), "a", std::string(300, '\xFF'), patterned(5000)};
  for (const std::string& bytes : inputs) EXPECT_EQ(crc_of(bytes), reference_crc32(bytes)) << bytes.size();
}

TEST(Crc32Update, FeedingInPiecesEqualsFeedingAtOnce) {
  EXPECT_EQ(crc_of("c", crc_of("ab")), crc_of("abc"));
  const std::string text = patterned(1000);
  for (const std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{500}, std::size_t{999}}) {
    EXPECT_EQ(crc_of(text.substr(split), crc_of(text.substr(0, split))), crc_of(text)) << split;
  }
}

TEST(Crc32Update, ZeroLengthKeepsPreviousAndNullDataGivesZero) {
  const std::uint32_t previous_values[] = {0u, 1u, 0x352441C2u, 0xFFFFFFFFu};
  for (const std::uint32_t previous : previous_values) {
    EXPECT_EQ(crc32_update(previous, "x", 0), previous);
    EXPECT_EQ(crc32_update(previous, nullptr, 0), 0u);
    EXPECT_EQ(crc32_update(previous, nullptr, 10), 0u);
  }
}

class FileCrc32 : public testing::Test {
 protected:
  std::string file_with(const std::string& bytes) {
    test::write_host_file(dir_.host("f.bin"), bytes);
    return dir_ / "f.bin";
  }
  test::ScopedTempDir dir_;
};

TEST_F(FileCrc32, ChecksumOfContentsAtEveryChunkBoundary) {
  const std::size_t sizes[] = {0, 1, 3, 4095, 4096, 4097, 8192, 10000, 3 * 4096 + 1};
  for (const std::size_t size : sizes) {
    const std::string bytes = patterned(size);
    std::uint32_t out = 0xDEADBEEFu;
    ASSERT_EQ(file_crc32(0, file_with(bytes).c_str(), &out), 0) << size;
    EXPECT_EQ(out, reference_crc32(bytes)) << size;
    EXPECT_EQ(out, crc_of(bytes)) << size;
  }
}

TEST_F(FileCrc32, AbcFileMatchesTheBufferChecksum) {
  std::uint32_t out = 1;
  ASSERT_EQ(file_crc32(0, file_with("abc").c_str(), &out), 0);
  EXPECT_EQ(out, 0x352441C2u);
}

TEST_F(FileCrc32, EmptyFileGivesZero) {
  std::uint32_t out = 0xDEADBEEFu;
  ASSERT_EQ(file_crc32(0, file_with("").c_str(), &out), 0);
  EXPECT_EQ(out, 0u);
}

TEST_F(FileCrc32, ContinuesFromTheInitialValue) {
  std::uint32_t out = 0;
  ASSERT_EQ(file_crc32(crc_of("ab"), file_with("c").c_str(), &out), 0);
  EXPECT_EQ(out, crc_of("abc"));
}

TEST_F(FileCrc32, UnopenableFileLeavesOutUntouched) {
  const std::string paths[] = {dir_ / "missing.bin", dir_ / "no\\dir\\f.bin", ""};
  for (const std::string& path : paths) {
    std::uint32_t out = 0xDEADBEEFu;
    EXPECT_EQ(file_crc32(0, path.c_str(), &out), 1) << path;
    EXPECT_EQ(out, 0xDEADBEEFu) << path;
  }
  std::uint32_t out = 7;
  EXPECT_EQ(file_crc32(0, nullptr, &out), 1);
  EXPECT_EQ(out, 7u);
}

}  // namespace
}  // namespace zeb::cache
