// Windows path text by string work alone: anchors, "." and "..", full paths.
#include "platform/portable/path_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeb::platform {
namespace {

using Names = std::vector<std::string>;

TEST(PathText, ParseRecognisesEveryAnchor) {
  struct Case {
    const char* text;
    PathAnchor anchor;
    char drive;
    Names components;
    bool trailing;
  };
  const Case cases[] = {
      {"", PathAnchor::Relative, 0, {}, false},
      {"a\\b", PathAnchor::Relative, 0, {"a", "b"}, false},
      {"a/b/", PathAnchor::Relative, 0, {"a", "b"}, true},
      {"c:a", PathAnchor::DriveRelative, 'c', {"a"}, false},
      {"C:", PathAnchor::DriveRelative, 'C', {}, false},
      {"\\a", PathAnchor::Rooted, 0, {"a"}, false},
      {"/a//b", PathAnchor::Rooted, 0, {"a", "b"}, false},
      {"C:\\", PathAnchor::DriveAbsolute, 'C', {}, false},
      {"d:/x\\y\\", PathAnchor::DriveAbsolute, 'd', {"x", "y"}, true},
      {"\\\\?\\C:\\x", PathAnchor::Device, 0, {}, false},
      {"\\\\.\\pipe\\x", PathAnchor::Device, 0, {}, false},
  };
  for (const Case& c : cases) {
    const ParsedPath parsed = parse_windows_path(c.text);
    EXPECT_EQ(parsed.anchor, c.anchor) << c.text;
    EXPECT_EQ(parsed.drive, c.drive) << c.text;
    EXPECT_EQ(parsed.components, c.components) << c.text;
    EXPECT_EQ(parsed.trailing_separator, c.trailing) << c.text;
  }
}

TEST(PathText, ParseSplitsUncServerAndShare) {
  const ParsedPath parsed = parse_windows_path("\\\\srv/share\\dir\\f.c");
  EXPECT_EQ(parsed.anchor, PathAnchor::Unc);
  EXPECT_EQ(parsed.server, "srv");
  EXPECT_EQ(parsed.share, "share");
  EXPECT_EQ(parsed.components, (Names{"dir", "f.c"}));
}

TEST(PathText, DotComponentsCollapseAndStopAtTheAnchor) {
  struct Case {
    Names in;
    Names out;
  };
  const Case cases[] = {
      {{"a", ".", "b"}, {"a", "b"}},
      {{"a", "b", ".."}, {"a"}},
      {{"..", "..", "a"}, {"a"}},
      {{"a", "..", "..", "b"}, {"b"}},
      {{"...", "a"}, {"...", "a"}},
  };
  for (const Case& c : cases) {
    Names names = c.in;
    collapse_dot_components(names);
    EXPECT_EQ(names, c.out);
  }
}

TEST(PathText, TrailingDotsAndSpacesAreStrippedFromNames) {
  EXPECT_EQ(strip_trailing_dots_and_spaces("a.txt. ."), "a.txt");
  EXPECT_EQ(strip_trailing_dots_and_spaces("a b"), "a b");
  EXPECT_EQ(strip_trailing_dots_and_spaces(".x"), ".x");
  EXPECT_EQ(strip_trailing_dots_and_spaces("..."), "...");
}

TEST(PathText, InvalidNameCharactersAndWildcards) {
  for (const char* bad : {"a*", "a?", "a<b", "a>b", "a|b", "a\"b", "a:b", "a\tb"}) {
    EXPECT_TRUE(has_invalid_name_char(bad)) << bad;
  }
  for (const char* good : {"a b", "a.b", "a;b", "a'b", "a+b", "\xe9t\xe9"}) {
    EXPECT_FALSE(has_invalid_name_char(good)) << good;
  }
  EXPECT_TRUE(has_wildcard("*.c"));
  EXPECT_TRUE(has_wildcard("a?"));
  EXPECT_FALSE(has_wildcard("a.c"));
}

TEST(PathText, CaseFoldingIsAsciiOnly) {
  EXPECT_TRUE(equal_nocase("ReadMe.TXT", "readme.txt"));
  EXPECT_FALSE(equal_nocase("readme", "readme.txt"));
  EXPECT_FALSE(equal_nocase("\xc9", "\xe9"));  // Latin-1 E acute: not folded
}

TEST(PathText, FullPathsAgainstACurrentDirectory) {
  struct Case {
    const char* text;
    const char* current;
    const char* full;
  };
  const Case cases[] = {
      {"f.c", "C:\\work", "C:\\work\\f.c"},
      {"f.c", "C:\\", "C:\\f.c"},
      {"sub/f.c", "C:\\work\\", "C:\\work\\sub\\f.c"},
      {"..\\f.c", "C:\\work\\deep", "C:\\work\\f.c"},
      {"..\\..\\..", "C:\\work", "C:\\"},
      {".", "C:\\work", "C:\\work"},
      {"sub\\", "C:\\work", "C:\\work\\sub\\"},
      {"\\x\\y", "C:\\work", "C:\\x\\y"},
      {"c:rel", "C:\\work", "C:\\work\\rel"},
      {"D:rel", "C:\\work", "D:\\rel"},
      {"C:", "C:\\work", "C:\\work"},
      {"c:\\A\\.\\B", "C:\\work", "c:\\A\\B"},
      {"C:/a//b///c", "C:\\work", "C:\\a\\b\\c"},
      {"C:\\a\\name. . ", "C:\\work", "C:\\a\\name"},
      {"\\\\srv\\share\\a\\..\\..\\b", "C:\\work", "\\\\srv\\share\\b"},
      {"\\x", "\\\\srv\\share\\dir", "\\\\srv\\share\\x"},
      {"\\\\?\\C:\\a\\..\\b", "C:\\work", "\\\\?\\C:\\a\\..\\b"},
      {"", "C:\\work", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(full_windows_path(c.text, c.current), c.full) << c.text << " in " << c.current;
  }
}

TEST(PathText, FinalNameOffset) {
  EXPECT_EQ(final_name_offset("C:\\a\\b.c"), 5u);
  EXPECT_EQ(final_name_offset("C:\\b.c"), 3u);
  EXPECT_EQ(final_name_offset("C:\\a\\"), std::string::npos);
  EXPECT_EQ(final_name_offset("C:\\"), std::string::npos);
}

TEST(PathText, PosixPathsTakeTheCForm) {
  struct Case {
    const char* posix;
    const char* windows;
  };
  const Case cases[] = {
      {"/", "C:\\"},
      {"/tmp", "C:\\tmp"},
      {"/a/b/", "C:\\a\\b\\"},
      {"//a///b", "C:\\a\\b"},
      {"rel/x", "rel\\x"},
  };
  for (const Case& c : cases) EXPECT_EQ(windows_from_posix(c.posix), c.windows) << c.posix;
  EXPECT_EQ(join_drive_path('C', {}), "C:\\");
  EXPECT_EQ(join_drive_path('C', {"a", "b"}), "C:\\a\\b");
}

}  // namespace
}  // namespace zeb::platform
