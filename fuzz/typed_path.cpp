// The source path as the user typed it becomes the Windows-form path that
// names the cache entry, so a wrong translation runs (or compiles) the wrong
// program. Checked against what each syntax promises, and, for the "./" and
// "../" forms that the POSIX host resolves, against std::filesystem's
// resolution of them, held to the Windows rules.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "platform/portable/path_text.h"
#include "platform/win32.h"

namespace {

using zeb::platform::TypedPathSyntax;
using zeb::platform::windows_form_of_typed_path;

bool separator(char c) { return c == '/' || c == '\\'; }

// Everything but the separators, in order: neither syntax may change it.
std::string without_separators(std::string text) {
  std::erase_if(text, separator);
  return text;
}

// How Windows resolves a path relative to the current directory (the
// fuzzer's own): "." dropped, ".." removes the name before it (never the
// drive), a final separator stays, and a final name loses trailing dots and
// blanks unless that is all it has.
std::string resolved(std::string relative) {
  const bool trailing = separator(relative.back());
  std::replace(relative.begin(), relative.end(), '\\', '/');
  std::string full = (std::filesystem::current_path() / relative).lexically_normal().string();
  if (full.size() > 1 && full.ends_with('/') && !trailing) full.pop_back();
  const std::size_t keep = full.find_last_not_of(". ");
  if (!trailing && keep > full.rfind('/')) full.resize(keep + 1);
  return zeb::platform::windows_path_from_host(full);
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
  const std::string argument = zeb::fuzz::c_text_of(typed);
  const std::string from_host = zeb::platform::windows_path_from_typed(argument);
  ZEB_FUZZ_CHECK(from_host.find('/') == std::string::npos, "no '/' is left in the host's form");
  if (argument.starts_with("./") || argument.starts_with("../")) {
    const std::string expected = resolved(argument);
    ZEB_FUZZ_CHECK(from_host == expected, "a path from the current directory resolves as Windows resolves it");
  } else {
    ZEB_FUZZ_CHECK(from_host == windows_form_of_typed_path(argument, TypedPathSyntax::Posix),
                   "any other text is taken in the POSIX syntax");
  }
  return 0;
}
