// The calling thread's last Windows error code as one line of text, with the
// operating system's own message for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zeb::strlib {

// The longest line last_error_text writes, terminator included: an
// 11-character code, a space, 255 characters of text, " \n" and the NUL.
inline constexpr std::size_t kErrorLineCapacity = 270;

// Writes "<code> <text> \n" into `out` (kErrorLineCapacity bytes), the code
// as a signed decimal and the system's text with each CR and LF turned into
// a space (a text ending in CR LF thus ends in two spaces). Returns 1 when
// written; 0, with `out` untouched, when the code is 0 or the system has no
// text of at most 255 characters for it. The last-error code may change.
int last_error_text(char* out);

// Writes the same line through diagnostics::debug_log, prefixed "Winsock error : "
// for codes 10000 to 11999 and "System error : " for all others; writes
// nothing for code 0 or a code without text. The thread's last-error code
// is the same afterwards as before.
void log_last_error();

// 1 for the Winsock range, 10000 to 11999 (the code read as signed).
bool is_winsock_error(std::uint32_t code);

// The lines themselves, for a code and its cleaned text.
std::string error_line(std::uint32_t code, const std::string& text);
std::string error_trace_line(std::uint32_t code, const std::string& text);

}  // namespace zeb::strlib
