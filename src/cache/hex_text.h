// Numbers in the kept answers' text: lower-case hexadecimal, of a fixed width
// when written, so that each number has one spelling.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeb::cache {

// `value` in `digits` lower-case hexadecimal digits (at most 16), zero-padded.
std::string hex_text(std::uint64_t value, int digits);

// The value of 1 to 16 lower-case hexadecimal digits; nothing for any other
// text (upper case included).
std::optional<std::uint64_t> hex_number(std::string_view digits);

}  // namespace zeb::cache
