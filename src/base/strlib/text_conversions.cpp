// Octal and binary text conversions. Each int_to_* operation owns one static
// result buffer, cleared before it is written (int_to_binary_fixed rewrites
// every byte of its own instead).
#include "base/strlib/text_conversions.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace zeb::strlib {

namespace {

constexpr std::size_t kTextBufferSize = 254;
constexpr int kBits = 32;

using TextBuffer = std::array<char, kTextBufferSize>;

char digit_of_bit(int value, int bit) {
  return (static_cast<std::uint32_t>(value) >> bit & 1u) != 0 ? '1' : '0';
}

}  // namespace

int octal_text_to_int(const char* text) {
  std::uint32_t result = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == ' ') continue;
    const int digit = static_cast<signed char>(*c) - '0';
    result = result * 8u + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(result);
}

const char* int_to_octal_text(int value, int width) {
  static TextBuffer result;
  result.fill('\0');
  if (width > kOctalTextMaxWidth) return result.data();

  std::array<char, 16> digits{};  // at most 11 octal digits for 32 bits
  const int count = std::snprintf(digits.data(), digits.size(), "%o", static_cast<unsigned>(value));
  const int padding = width > count ? width - count : 0;
  std::memset(result.data(), '0', static_cast<std::size_t>(padding));
  std::memcpy(result.data() + padding, digits.data(), static_cast<std::size_t>(count));
  return result.data();
}

int binary_text_to_int(const char* text) {
  const std::size_t length = std::strlen(text);
  std::uint32_t result = 0;
  std::uint32_t weight = 1;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[length - 1 - i];
    if (c != '0' && c != '1') return 0;
    if (c == '1') {
      // A '1' beyond bit 31 is a value that 32 bits cannot hold.
      if (i >= static_cast<std::size_t>(kBits)) return 0;
      result += weight;
    }
    weight <<= 1;
  }
  return static_cast<std::int32_t>(result);
}

const char* int_to_binary_fixed(int value) {
  static std::array<char, kBits + 1> result;
  for (int i = 0; i < kBits; ++i) result[static_cast<std::size_t>(i)] = digit_of_bit(value, kBits - 1 - i);
  result[kBits] = '\0';
  return result.data();
}

const char* int_to_binary_text(int value) {
  static TextBuffer result;
  result.fill('\0');
  std::size_t length = 0;
  for (int bit = kBits - 1; bit >= 0; --bit) result[length++] = digit_of_bit(value, bit);
  return result.data();
}

const char* int_to_binary_grouped(int value) {
  static TextBuffer result;
  result.fill('\0');
  std::size_t length = 0;
  for (int bit = kBits - 1; bit >= 0; --bit) {
    result[length++] = digit_of_bit(value, bit);
    if (bit % 4 == 0 && bit != 0) result[length++] = '-';
  }
  return result.data();
}

}  // namespace zeb::strlib
