// Last-error codes as text, from the operating system's message table.
#include "base/strlib/system_error_text.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

#include "base/diagnostics/diagnostics.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::strlib {

namespace {

constexpr const char* kLineFormat = "%d %s \n";
constexpr const char* kWinsockTraceFormat = "Winsock error : %d %s \n";
constexpr const char* kSystemTraceFormat = "System error : %d %s \n";

constexpr std::int32_t kFirstWinsockCode = 10000;
constexpr std::int32_t kLastWinsockCode = 11999;

// 255 characters of text and the terminator fit the size we name to the
// system; one byte more is cleaned with the rest.
constexpr DWORD kMessageSize = 256;
using MessageBuffer = std::array<char, kMessageSize + 1>;

// The system's text for `code` with CR and LF made spaces, or nothing when
// it has none (or none that fits) or the code is 0.
std::optional<std::string> cleaned_system_text(DWORD code) {
  MessageBuffer text{};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                      0, text.data(), kMessageSize, nullptr);
  if (length == 0 || code == 0) return std::nullopt;
  replace_char_n(text.data(), '\r', ' ', static_cast<int>(text.size()));
  replace_char_n(text.data(), '\n', ' ', static_cast<int>(text.size()));
  return std::string(text.data());
}

std::string format_line(const char* format, std::uint32_t code, const std::string& text) {
  const auto signed_code = static_cast<std::int32_t>(code);
  const int length = std::snprintf(nullptr, 0, format, signed_code, text.c_str());
  if (length < 0) return std::string();
  std::string line(static_cast<std::size_t>(length), '\0');
  std::snprintf(line.data(), line.size() + 1, format, signed_code, text.c_str());
  return line;
}

}  // namespace

bool is_winsock_error(std::uint32_t code) {
  const auto signed_code = static_cast<std::int32_t>(code);
  return signed_code >= kFirstWinsockCode && signed_code <= kLastWinsockCode;
}

std::string error_line(std::uint32_t code, const std::string& text) { return format_line(kLineFormat, code, text); }

std::string error_trace_line(std::uint32_t code, const std::string& text) {
  return format_line(is_winsock_error(code) ? kWinsockTraceFormat : kSystemTraceFormat, code, text);
}

int last_error_text(char* out) {
  const DWORD code = GetLastError();
  const std::optional<std::string> text = cleaned_system_text(code);
  if (!text) return 0;
  const std::string line = error_line(code, *text);
  // At most 255 characters of text: the line always fits.
  if (line.size() >= kErrorLineCapacity) return 0;
  std::memcpy(out, line.c_str(), line.size() + 1);
  return 1;
}

void log_last_error() {
  const DWORD saved = GetLastError();
  const std::optional<std::string> text = cleaned_system_text(saved);
  if (text) diagnostics::debug_log("%s", error_trace_line(saved, *text).c_str());
  SetLastError(saved);
}

}  // namespace zeb::strlib
