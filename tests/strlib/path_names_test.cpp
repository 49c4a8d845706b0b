// Paths taken apart by text: directory and final name.
#include "base/strlib/path_names.h"

#include <gtest/gtest.h>

#include <string>

namespace zeb::strlib {
namespace {

TEST(SplitPathTest, SplitsAtTheLastBackslashUpToTheLimit) {
  const std::string longest = "C:\\" + std::string(kMaxSplitLength - 5, 'd') + "\\f";
  ASSERT_EQ(longest.size(), 255u);
  const std::string too_long = longest + "g";
  const struct {
    const char* path;
    int result;
    std::string directory, name;
  } cases[] = {
      {"C:\\a\\b.c", 0, "C:\\a\\", "b.c"},
      {"b.c", 0, "", "b.c"},
      {"C:\\a\\", 0, "C:\\a\\", ""},
      {"C:/a/b.c", 0, "", "C:/a/b.c"},  // a forward slash does not split
      {longest.c_str(), 0, longest.substr(0, longest.size() - 1), "f"},
      {too_long.c_str(), 1, "", ""},
      {nullptr, 1, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path ? c.path : "(null)");
    std::string directory = "junk", name = "junk";
    EXPECT_EQ(split_path(c.path, &directory, &name), c.result);
    EXPECT_EQ(directory, c.directory);
    EXPECT_EQ(name, c.name);
  }
}

}  // namespace
}  // namespace zeb::strlib
