// Paths taken apart by text: directory and final name.
#include "base/strlib/path_names.h"

#include <gtest/gtest.h>

namespace zeb::strlib {

TEST(SplitPathTest, SplitsAtTheLastBackslashUpToTheLimit) {
  const std::string longest = "C:\\" + std::string(kMaxSplitLength - 5, 'd') + "\\f", too_long = longest + "g";
  // A forward slash does not split.
  const struct { const char* path; int result; std::string directory, name; } cases[] = {
      {"C:\\a\\b.c", 0, "C:\\a\\", "b.c"}, {"b.c", 0, "", "b.c"}, {"C:\\a\\", 0, "C:\\a\\", ""},
      {"C:/a/b.c", 0, "", "C:/a/b.c"}, {longest.c_str(), 0, longest.substr(0, longest.size() - 1), "f"},
      {too_long.c_str(), 1, "", ""}, {nullptr, 1, "", ""}};
  for (const auto& c : cases) {
    std::string directory = "junk", name = "junk";
    EXPECT_EQ(split_path(c.path, &directory, &name), c.result) << (c.path ? c.path : "(null)");
    EXPECT_EQ(directory + "|" + name, c.directory + "|" + c.name) << (c.path ? c.path : "(null)");
  }
}

}  // namespace zeb::strlib
