// Windows command lines: a program's arguments are quoted into one line by
// zeb_c and split back by the child's runtime, so every argument list must
// survive the trip byte for byte, and a line from anywhere must split into
// arguments that survive it again.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/portable/command_line.h"

namespace {

using zeb::platform::quote_argument;
using zeb::platform::split_command_line;

std::string line_of(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = "\"" + program + "\"";
  for (const std::string& argument : arguments) line += " " + quote_argument(argument);
  return line;
}

bool plain(const std::string& argument) {
  if (argument.empty()) return false;
  for (const char c : argument) {
    if (c == ' ' || c == '\t' || c == '"' || c == '\n' || c == '\v') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);

  // The input taken as a line of its own: whatever it splits into, quoting
  // those arguments again gives a line that splits into the same.
  const std::string raw = provider.ConsumeRandomLengthString(size);
  const std::vector<std::string> split = split_command_line(raw);
  if (!split.empty() && split[0].find('"') == std::string::npos) {
    const std::vector<std::string> rest(split.begin() + 1, split.end());
    ZEB_FUZZ_CHECK(split_command_line(line_of(split[0], rest)) == split,
                   "a split line, quoted again, splits into the same arguments");
  }

  // The input taken as an argument list: quoting then splitting gives it back,
  // whatever it holds (trailing backslashes, quotes, blanks, empty ones).
  // The program name cannot hold a double quote: it is quoted only by
  // surrounding it with them.
  const std::string program = zeb::fuzz::without(provider.ConsumeRandomLengthString(64), "\"");
  std::vector<std::string> arguments;
  while (provider.remaining_bytes() > 0 && arguments.size() < 16) {
    arguments.push_back(provider.ConsumeRandomLengthString(size));
  }
  std::vector<std::string> expected = {program};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  ZEB_FUZZ_CHECK(split_command_line(line_of(program, arguments)) == expected,
                 "quoting an argument list and splitting the line gives the list back");

  // Nothing to escape: the argument stands as it is.
  for (const std::string& argument : arguments) {
    if (plain(argument)) ZEB_FUZZ_CHECK(quote_argument(argument) == argument, "a plain argument is not quoted");
  }
  return 0;
}
