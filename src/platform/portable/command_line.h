// Windows command lines: how a program's single command-line string becomes
// its argv, and how to build one that arrives as intended.
//
// The rules are those of the Microsoft C runtime (msvcrt.dll) that MinGW
// programs start with, so a POSIX child sees exactly the argv a Windows child
// of the same command line would see.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::platform {

// Splits a command line into arguments.
//
// The first argument is the program name, read as CreateProcess reads it:
// when the line starts with a double quote, everything up to the next double
// quote (or the end); otherwise everything up to the first space or tab, all
// characters literal. Backslashes are plain characters here.
// Every later argument is separated by runs of spaces and tabs, and:
//  - 2n backslashes before a double quote give n backslashes, and the quote
//    switches quoting on or off;
//  - 2n+1 backslashes before a double quote give n backslashes and a literal
//    quote;
//  - backslashes not before a double quote are literal;
//  - inside quotes, two double quotes give one literal quote and end the
//    quoted part (the msvcrt.dll rule; later runtimes stay inside quotes).
// An empty or all-blank line gives no arguments. An unterminated quote runs
// to the end of the line.
std::vector<std::string> split_command_line(std::string_view command_line);

// The text that split_command_line reads back as exactly `argument`, for any
// position but the first (the program name follows other rules: quote it only
// by surrounding it with double quotes). Arguments without blanks or quotes
// come back unchanged; empty ones become "".
std::string quote_argument(std::string_view argument);

}  // namespace zeb::platform
