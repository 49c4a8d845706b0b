// Portable: Windows command-line splitting and quoting.
// Pure text work, shared by the POSIX layer (which must hand a child the argv
// a Windows runtime would build) and by callers that compose command lines.
#include "platform/portable/command_line.h"

#include <cstddef>

namespace zeb::platform {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::size_t skip_blanks(std::string_view text, std::size_t at) {
  while (at < text.size() && is_blank(text[at])) ++at;
  return at;
}

// Reads the program name starting at `at`; returns the position after it.
std::size_t read_program_name(std::string_view text, std::size_t at, std::string& out) {
  if (text[at] == '"') {
    const std::size_t close = text.find('"', at + 1);
    const std::size_t end = close == std::string_view::npos ? text.size() : close;
    out.assign(text.substr(at + 1, end - at - 1));
    return close == std::string_view::npos ? end : close + 1;
  }
  std::size_t end = at;
  while (end < text.size() && !is_blank(text[end])) ++end;
  out.assign(text.substr(at, end - at));
  return end;
}

// Reads one later argument starting at `at` (not a blank); returns the
// position after it.
std::size_t read_argument(std::string_view text, std::size_t at, std::string& out) {
  bool quoted = false;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '\\') {
      std::size_t slashes = 0;
      while (at < text.size() && text[at] == '\\') {
        ++slashes;
        ++at;
      }
      if (at < text.size() && text[at] == '"') {
        out.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          out += '"';
          ++at;
        }
        // With an even count the quote is handled by the next round.
      } else {
        out.append(slashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && at + 1 < text.size() && text[at + 1] == '"') {
        // msvcrt.dll: a doubled quote inside quotes is one literal quote,
        // and the quoted part ends with it.
        out += '"';
        quoted = false;
        at += 2;
        continue;
      }
      quoted = !quoted;
      ++at;
      continue;
    }
    if (is_blank(c) && !quoted) break;
    out += c;
    ++at;
  }
  return at;
}

bool needs_quotes(std::string_view argument) {
  if (argument.empty()) return true;
  for (char c : argument) {
    if (is_blank(c) || c == '"' || c == '\n' || c == '\v') return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view command_line) {
  std::vector<std::string> arguments;
  std::size_t at = skip_blanks(command_line, 0);
  if (at >= command_line.size()) return arguments;

  arguments.emplace_back();
  at = read_program_name(command_line, at, arguments.back());

  while (true) {
    at = skip_blanks(command_line, at);
    if (at >= command_line.size()) break;
    arguments.emplace_back();
    at = read_argument(command_line, at, arguments.back());
  }
  return arguments;
}

std::string quote_argument(std::string_view argument) {
  if (!needs_quotes(argument)) return std::string(argument);

  std::string quoted = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"') {
      // Backslashes before a literal quote are doubled, plus one to escape it.
      quoted.append(slashes * 2 + 1, '\\');
      quoted += '"';
    } else {
      quoted.append(slashes, '\\');
      quoted += c;
    }
    slashes = 0;
  }
  // Backslashes before the closing quote must not escape it.
  quoted.append(slashes * 2, '\\');
  quoted += '"';
  return quoted;
}

}  // namespace zeb::platform
