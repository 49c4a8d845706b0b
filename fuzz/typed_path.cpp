// The source path as the user typed it becomes the Windows-form path that
// names the cache entry, so a wrong translation runs (or compiles) the wrong
// program. Checked against what each syntax promises, and, for the "./" and
// "../" forms that the POSIX host resolves, against a resolution written out
// here from the Windows rules.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/portable/path_text.h"
#include "platform/win32.h"

namespace {

using zeb::platform::TypedPathSyntax;
using zeb::platform::windows_form_of_typed_path;

bool separator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> names_of(std::string_view text) {
  std::vector<std::string> names;
  std::string name;
  for (const char c : text) {
    if (separator(c)) {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  if (!name.empty()) names.push_back(name);
  return names;
}

// Everything but the separators, in order: neither syntax may change it.
std::string without_separators(std::string_view text) {
  std::string rest;
  for (const char c : text) {
    if (!separator(c)) rest += c;
  }
  return rest;
}

// How Windows resolves a relative path against the current directory `current`
// ("C:\a\b"): "." dropped, ".." removes the name before it (never the
// drive), a final name loses trailing dots and blanks unless that is all it
// has, a final separator stays.
std::string resolved(const std::string& current, std::string_view relative) {
  std::vector<std::string> names = names_of(current.substr(2));
  for (const std::string& name : names_of(relative)) {
    if (name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  const bool trailing = !relative.empty() && separator(relative.back());
  if (!names.empty() && !trailing) {
    std::string& last = names.back();
    const std::size_t keep = last.find_last_not_of(". ");
    if (keep != std::string::npos) last.resize(keep + 1);
  }
  std::string full = "C:\\";
  for (std::size_t i = 0; i < names.size(); ++i) full += (i == 0 ? "" : "\\") + names[i];
  if (trailing && !names.empty()) full += '\\';
  return full;
}

// The current directory in Windows form, as the host reports it: the "./"
// forms start from wherever the fuzzer runs.
const std::string& current_directory() {
  static const std::string current =
      zeb::platform::windows_path_from_host(std::filesystem::current_path().string());
  return current;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string typed = zeb::fuzz::text_of(data, size);

  const std::string windows = windows_form_of_typed_path(typed, TypedPathSyntax::Windows);
  ZEB_FUZZ_CHECK(windows.find('/') == std::string::npos, "no '/' is left in the Windows syntax's form");
  ZEB_FUZZ_CHECK(windows.size() == typed.size(), "the Windows syntax changes no length");
  ZEB_FUZZ_CHECK(without_separators(windows) == without_separators(typed),
                 "the Windows syntax changes nothing but separators");

  const std::string posix = windows_form_of_typed_path(typed, TypedPathSyntax::Posix);
  const bool rooted = !typed.empty() && typed.front() == '/';
  ZEB_FUZZ_CHECK(posix.find('/') == std::string::npos, "no '/' is left in the POSIX syntax's form");
  ZEB_FUZZ_CHECK(posix.size() <= typed.size() + (rooted ? 2 : 0), "the POSIX form is never longer than the text and C:");
  ZEB_FUZZ_CHECK(!rooted || posix.starts_with("C:\\"), "a leading '/' puts the path on C:");
  ZEB_FUZZ_CHECK(without_separators(posix) == (rooted ? "C:" : "") + without_separators(typed),
                 "the POSIX syntax changes nothing but separators");
  ZEB_FUZZ_CHECK(posix.find("\\\\") == std::string::npos || typed.find('\\') != std::string::npos,
                 "a run of '/' becomes a single '\\'");

  // The host's own translation, as the driver calls it with argv[1] (which
  // holds no NUL).
  const std::string argument = zeb::fuzz::c_text_of(data, size);
  const std::string from_host = zeb::platform::windows_path_from_typed(argument);
  ZEB_FUZZ_CHECK(from_host.find('/') == std::string::npos, "no '/' is left in the host's form");
  if (argument.starts_with("./") || argument.starts_with("../")) {
    const std::string expected = resolved(current_directory(), argument);
    ZEB_FUZZ_CHECK(from_host == expected, "a path from the current directory resolves as Windows resolves it");
  } else {
    ZEB_FUZZ_CHECK(from_host == windows_form_of_typed_path(argument, TypedPathSyntax::Posix),
                   "any other text is taken in the POSIX syntax");
  }
  return 0;
}
