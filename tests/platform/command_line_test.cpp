// Windows command-line splitting and quoting, as pure text.
#include "platform/portable/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeb::platform {
namespace {

using Args = std::vector<std::string>;

struct SplitCase {
  const char* line;
  Args expected;
};

TEST(CommandLineSplit, FollowsTheRuntimeRules) {
  const SplitCase cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"prog", {"prog"}},
      {"  prog  ", {"prog"}},
      {"prog a b\tc", {"prog", "a", "b", "c"}},
      {"prog   a    b  ", {"prog", "a", "b"}},
      // Quotes group blanks and vanish; a quoted part may sit inside a word.
      {"prog \"a b\" c", {"prog", "a b", "c"}},
      {"prog a\"b c\"d", {"prog", "ab cd"}},
      {"prog \"\"", {"prog", ""}},
      {"prog \"\" \"\"", {"prog", "", ""}},
      {"prog \"unterminated quote", {"prog", "unterminated quote"}},
      // Backslashes are literal unless a quote follows them.
      {"prog C:\\dir\\file.c", {"prog", "C:\\dir\\file.c"}},
      {"prog a\\\\b", {"prog", "a\\\\b"}},
      {"prog \"C:\\dir\\\\\"", {"prog", "C:\\dir\\"}},
      // 2n backslashes and a quote: n backslashes, quote toggles.
      {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
      // 2n+1 backslashes and a quote: n backslashes and a literal quote.
      {"prog a\\\"b", {"prog", "a\"b"}},
      {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
      {"prog \"a\\\"b c\"", {"prog", "a\"b c"}},
      // A doubled quote inside quotes is a literal quote and ends quoting.
      {"prog \"a\"\"b\"", {"prog", "a\"b"}},
      {"prog \"a\"\"b c\"", {"prog", "a\"b", "c"}},
      {"prog \"a\"\" b\"", {"prog", "a\"", "b"}},
      // Outside quotes a doubled quote opens and closes an empty part.
      {"prog a\"\"b", {"prog", "ab"}},
      // The program name: a quoted name ends at its closing quote,
      // an unquoted one at the first blank; backslashes are literal there.
      {"\"C:\\Program Files\\x.exe\" a", {"C:\\Program Files\\x.exe", "a"}},
      {"\"C:\\dir\\\" a", {"C:\\dir\\", "a"}},
      {"\"a b\"c d", {"a b", "c", "d"}},
      {"a\"b c", {"a\"b", "c"}},
      {"\"unterminated name", {"unterminated name"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(split_command_line(c.line), c.expected) << "line: [" << c.line << "]";
  }
}

TEST(CommandLineQuote, LeavesPlainArgumentsAlone) {
  const char* plain[] = {"a", "file.c", "C:\\dir\\file.c", "C:\\dir\\", "-DX=1", "a\\\\b"};
  for (const char* argument : plain) EXPECT_EQ(quote_argument(argument), argument);
}

TEST(CommandLineQuote, QuotesWhatWouldNotSurvive) {
  const struct {
    const char* argument;
    const char* quoted;
  } cases[] = {
      {"", "\"\""},
      {"a b", "\"a b\""},
      {"a\tb", "\"a\tb\""},
      {"a\"b", "\"a\\\"b\""},
      {"C:\\Program Files\\", "\"C:\\Program Files\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"\"", "\"\\\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(quote_argument(c.argument), c.quoted) << "argument: [" << c.argument << "]";
  }
}

TEST(CommandLineQuote, EveryArgumentRoundTrips) {
  const Args arguments = {
      "",       "plain",        "two words",  "tab\there",        "quote\"inside",
      "\"",     "\"\"",         "trailing\\", "trailing two\\\\", "\\\"mixed\\\\\"",
      "a\\b c", "C:\\x y\\z\\", " lead",      "trail ",           "\\\\server\\share",
      "%PATH%", "new\nline",    "*?<>|&^",
  };
  std::string line = "prog";
  for (const std::string& argument : arguments) line += " " + quote_argument(argument);

  Args expected = {"prog"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(split_command_line(line), expected) << line;
}

}  // namespace
}  // namespace zeb::platform
