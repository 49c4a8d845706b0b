// Paths as users type them at each host's command line, turned into the
// Windows form zeb_c works with. Pure text: both tables run on every host.
#include <gtest/gtest.h>

#include "platform/portable/path_text.h"

namespace zeb::platform {
namespace {

TEST(TypedPath, BecomesAWindowsPathByTheHostsSyntax) {
  const struct {
    const char* typed;
    const char* on_windows;
    const char* on_posix;
  } cases[] = {
      {"x.zebc", "x.zebc", "x.zebc"},
      {"sub/x.zebc", "sub\\x.zebc", "sub\\x.zebc"},
      {"sub dir/x.zebc", "sub dir\\x.zebc", "sub dir\\x.zebc"},
      {"sub\\x.zebc", "sub\\x.zebc", "sub\\x.zebc"},
      {"/home/me/x.zebc", "\\home\\me\\x.zebc", "C:\\home\\me\\x.zebc"},
      {"//srv/share/x", "\\\\srv\\share\\x", "C:\\srv\\share\\x"},
      {"a//b/", "a\\\\b\\", "a\\b\\"},
      {"C:/w/X.zebc", "C:\\w\\X.zebc", "C:\\w\\X.zebc"},
      {"./x.zebc", ".\\x.zebc", ".\\x.zebc"},
      {"/", "\\", "C:\\"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(windows_form_of_typed_path(c.typed, TypedPathSyntax::Windows), c.on_windows) << c.typed;
    EXPECT_EQ(windows_form_of_typed_path(c.typed, TypedPathSyntax::Posix), c.on_posix) << c.typed;
  }
}

}  // namespace
}  // namespace zeb::platform
