#include "cache/hex_text.h"

#include <array>
#include <cstdio>

namespace zeb::cache {

std::string hex_text(std::uint64_t value, int digits) {
  std::array<char, 17> text{};
  std::snprintf(text.data(), text.size(), "%0*llx", digits, static_cast<unsigned long long>(value));
  return text.data();
}

std::optional<std::uint64_t> hex_number(std::string_view digits) {
  if (digits.empty() || digits.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return value;
}

}  // namespace zeb::cache
