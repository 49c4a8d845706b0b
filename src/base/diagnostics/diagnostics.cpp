#include "base/diagnostics/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/win32.h"

namespace zeb::diagnostics {

std::int32_t debug_switch = 0;

namespace {

constexpr const char* kAlertCaption = "Debug";

int show_message_box(const char* text, const char* caption, unsigned style) {
  return MessageBoxA(nullptr, text, caption, style);
}

AlertPrompt current_prompt = &show_message_box;

// The formatted text, or nothing when it is longer than max_length or the
// format cannot be applied. Measures first, so no buffer is ever too small.
std::optional<std::string> format_bounded(std::size_t max_length, const char* format,
                                          std::va_list arguments) {
  if (format == nullptr) return std::nullopt;
  std::va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length < 0 || static_cast<std::size_t>(length) > max_length) return std::nullopt;
  std::string text(static_cast<std::size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  return text;
}

}  // namespace

AlertPrompt set_alert_prompt(AlertPrompt prompt) {
  const AlertPrompt previous = current_prompt;
  current_prompt = prompt != nullptr ? prompt : &show_message_box;
  return previous;
}

void debug_log(const char* format, ...) {
  const DWORD saved_error = GetLastError();
  std::va_list arguments;
  va_start(arguments, format);
  const std::optional<std::string> text = format_bounded(kDebugLogMaxLength, format, arguments);
  va_end(arguments);
  if (text) {
    OutputDebugStringA(text->c_str());
    // fputs, not printf: a percent sign in the text is text, not a format.
    std::fputs(text->c_str(), stdout);
  }
  SetLastError(saved_error);
}

void alert_box(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::optional<std::string> text = format_bounded(kAlertBoxMaxLength, format, arguments);
  va_end(arguments);
  // A refused text is a box that could not be shown: the person never got
  // the chance to answer OK.
  if (text && current_prompt(text->c_str(), kAlertCaption, MB_OKCANCEL | MB_TOPMOST) == IDOK) return;
  std::exit(1);
}

}  // namespace zeb::diagnostics
