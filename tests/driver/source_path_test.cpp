#include "driver/source_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "driver/result_codes.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

namespace fs = std::filesystem;
using test::ScopedCurrentDir;
using test::ScopedTempDir;
using test::write_host_file;

std::string upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// ------------------------------------------------------------ exe_directory

TEST(ExeDirectoryTest, IsTheRunningProgramsDirectoryComputedOnce) {
  const char* first = exe_directory();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(std::string(first), test::test_binary_dir());
  EXPECT_EQ(std::string(first).back(), '\\');
  const char* second = exe_directory();
  EXPECT_EQ(second, first);  // the same static text, not a fresh look-up
  EXPECT_STREQ(second, test::test_binary_dir().c_str());
}

// --------------------------------------------------------------- split_path

TEST(SplitPathTest, SplitsAtTheLastBackslash) {
  const struct {
    const char* path;
    const char* directory;
    const char* name;
  } cases[] = {
      {"C:\\a\\b.c", "C:\\a\\", "b.c"},
      {"b.c", "", "b.c"},
      {"C:\\a\\", "C:\\a\\", ""},
      {"", "", ""},
      {"\\", "\\", ""},
      {"\\\\srv\\share\\f.zebc", "\\\\srv\\share\\", "f.zebc"},
      {"C:/a/b.c", "", "C:/a/b.c"},  // a forward slash does not split
      {"C:\\a/b\\c/d", "C:\\a/b\\", "c/d"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string directory = "junk", name = "junk";
    EXPECT_EQ(split_path(c.path, &directory, &name), 0);
    EXPECT_EQ(directory, c.directory);
    EXPECT_EQ(name, c.name);
  }
}

TEST(SplitPathTest, AbsentOutputsAreNotWritten) {
  std::string directory, name;
  EXPECT_EQ(split_path("C:\\a\\b.c", &directory, nullptr), 0);
  EXPECT_EQ(directory, "C:\\a\\");
  EXPECT_EQ(split_path("C:\\a\\b.c", nullptr, &name), 0);
  EXPECT_EQ(name, "b.c");
  EXPECT_EQ(split_path("C:\\a\\b.c", nullptr, nullptr), 0);
}

TEST(SplitPathTest, AbsentAndOverlongPathsAreRefusedWithEmptyOutputs) {
  const std::string longest = "C:\\" + std::string(kMaxSplitLength - 3 - 2, 'd') + "\\f";
  ASSERT_EQ(longest.size(), kMaxSplitLength);
  std::string directory = "junk", name = "junk";
  EXPECT_EQ(split_path(longest.c_str(), &directory, &name), 0);
  EXPECT_EQ(directory + name, longest);
  EXPECT_EQ(name, "f");

  const std::string too_long = longest + "g";
  const char* refused[] = {nullptr, too_long.c_str()};
  for (const char* path : refused) {
    SCOPED_TRACE(path ? "overlong" : "null");
    directory = "junk";
    name = "junk";
    EXPECT_EQ(split_path(path, &directory, &name), 1);
    EXPECT_EQ(directory, "");
    EXPECT_EQ(name, "");
  }
}

// ------------------------------------------------------ resolve_source_path

TEST(ResolveSourcePathTest, AbsolutePathsAreKeptAsTyped) {
  for (const char* typed : {"\\\\server\\share\\f.zebc", "D:\\x\\f.zebc", "c:\\Mixed\\CASE.zebc",
                            "C:relative.zebc", "\\\\"}) {
    SCOPED_TRACE(typed);
    std::string out = "before";
    EXPECT_EQ(resolve_source_path(out, typed), Success);
    EXPECT_EQ(out, typed);
  }
}

TEST(ResolveSourcePathTest, LeadingBackslashOrDotIsRefusedAndOutIsUntouched) {
  const struct {
    const char* typed;
    int expected;
  } cases[] = {
      {"\\", LeadingBackslash},         {"\\f.zebc", LeadingBackslash},
      {"\\dir\\f.zebc", LeadingBackslash}, {".", LeadingDot},
      {".f.zebc", LeadingDot},          {".\\f.zebc", LeadingDot},
      {"..\\f.zebc", LeadingDot},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    std::string out = "before";
    EXPECT_EQ(resolve_source_path(out, c.typed), c.expected);
    EXPECT_EQ(out, "before");
  }
}

TEST(ResolveSourcePathTest, RelativeNamesJoinTheCurrentDirectory) {
  ScopedTempDir dir;
  {
    ScopedCurrentDir here(dir.path());
    std::string out;
    EXPECT_EQ(resolve_source_path(out, "f.zebc"), Success);
    EXPECT_EQ(out, dir.path() + "\\f.zebc");
    EXPECT_EQ(resolve_source_path(out, "sub\\g.zebc"), Success);
    EXPECT_EQ(out, dir.path() + "\\sub\\g.zebc");
  }
  {
    // A drive root already ends in a backslash: it is not doubled.
    const std::string root = dir.path().substr(0, 3);
    ScopedCurrentDir here(root);
    std::string out;
    EXPECT_EQ(resolve_source_path(out, "f.zebc"), Success);
    EXPECT_EQ(out, root + "f.zebc");
  }
}

TEST(ResolveSourcePathTest, ResultLongerThanAPathSlotIsRefused) {
  const std::string exact = "C:\\" + std::string(kMaxPathLength - 3, 'a');
  std::string out;
  EXPECT_EQ(resolve_source_path(out, exact.c_str()), Success);
  EXPECT_EQ(out, exact);

  const std::string over = exact + "b";
  out = "before";
  EXPECT_EQ(resolve_source_path(out, over.c_str()), ArgumentTooLong);
  EXPECT_EQ(out, "before");

  // A relative name that is short by itself but too long once joined.
  ScopedTempDir dir;
  ScopedCurrentDir here(dir.path());
  const std::size_t fits = kMaxPathLength - dir.path().size() - 1;
  const std::string just_fits(fits, 'n');
  EXPECT_EQ(resolve_source_path(out, just_fits.c_str()), Success);
  EXPECT_EQ(out.size(), kMaxPathLength);
  out = "before";
  EXPECT_EQ(resolve_source_path(out, (just_fits + "n").c_str()), ArgumentTooLong);
  EXPECT_EQ(out, "before");
}

// ------------------------------------------------------ normalize_path_case

class NormalizePathCaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.host("Projects") / "demo");
    write_host_file(dir.host("Projects") / "demo" / "test.zebc", "int main(){return 0;}");
  }
  ScopedTempDir dir;
};

TEST_F(NormalizePathCaseTest, StoredNamesReplaceTypedOnesButNotTheDriveLetter) {
  const std::string stored = dir.path() + "\\Projects\\demo\\test.zebc";
  const std::string typed_tail = upper(stored.substr(2));
  for (const std::string& drive : {std::string("c:"), std::string("C:")}) {
    SCOPED_TRACE(drive);
    std::string path = drive + typed_tail;
    EXPECT_EQ(normalize_path_case(path), 1);
    EXPECT_EQ(path, drive + stored.substr(2));
    std::string lowered = drive + lower(stored.substr(2));
    EXPECT_EQ(normalize_path_case(lowered), 1);
    EXPECT_EQ(lowered, drive + stored.substr(2));
  }
}

TEST_F(NormalizePathCaseTest, PathsThatCannotBeRebuiltAreLeftAlone) {
  const std::string base = upper(dir.path());
  const std::string first_level = upper(dir.path().substr(0, dir.path().find('\\', 3)));
  const std::string cases[] = {
      base + "\\PROJECTS\\DEMO\\MISSING.ZEBC",  // no such file
      base + "\\NOWHERE\\DEMO\\TEST.ZEBC",      // no such directory
      base + "\\PROJECTS\\DEMO\\TEST.*",        // a wildcard
      base + "\\PROJECTS\\DEMO\\TEST.ZEB?",
      first_level,                               // only a drive-root entry
      "C:\\ZEB_NO_SUCH_ROOT_ENTRY.ZEBC",
      "\\\\SERVER\\SHARE\\PROJECTS\\TEST.ZEBC",  // UNC paths are not touched
      "RELATIVE\\TEST.ZEBC",
      "",
      "C",
  };
  for (const std::string& typed : cases) {
    SCOPED_TRACE(typed);
    std::string path = typed;
    EXPECT_EQ(normalize_path_case(path), 0);
    EXPECT_EQ(path, typed);
  }
}

TEST_F(NormalizePathCaseTest, ADirectoryIsNormalisedLikeAFile) {
  std::string path = upper(dir.path()) + "\\PROJECTS\\DEMO";
  EXPECT_EQ(normalize_path_case(path), 1);
  EXPECT_EQ(path, upper(dir.path()).substr(0, 2) + dir.path().substr(2) + "\\Projects\\demo");
}

// A look-up that reports stored names from a table, to reach what real file
// systems rarely show: a stored name longer than the typed one, or a name
// that leads to another file.
class FakeLookup {
 public:
  explicit FakeLookup(std::map<std::string, std::string> names) : names_(std::move(names)) {}
  bool operator()(const std::string& path, std::string& stored) const {
    const auto it = names_.find(path);
    if (it == names_.end()) return false;
    stored = it->second;
    return true;
  }

 private:
  std::map<std::string, std::string> names_;
};

TEST(NormalizePathCaseWithTest, RebuiltPathMayReachButNotPassTheLimit) {
  // Short names such as LONGNA~1 grow into their long forms.
  const std::string typed = "C:\\LONGNA~1\\F";
  for (const std::size_t long_length : {kMaxPathLength - 5, kMaxPathLength - 4}) {
    SCOPED_TRACE(long_length);
    const std::string long_name(long_length, 'L');
    FakeLookup lookup({{"C:\\LONGNA~1", long_name}, {typed, "f"}});
    std::string path = typed;
    const std::string expected = "C:\\" + long_name + "\\f";
    const int rewritten = normalize_path_case_with(path, lookup);
    if (expected.size() <= kMaxPathLength) {
      EXPECT_EQ(rewritten, 1);
      EXPECT_EQ(path, expected);
    } else {
      EXPECT_EQ(rewritten, 0);
      EXPECT_EQ(path, typed);
    }
  }
}

TEST(NormalizePathCaseWithTest, TypedPathLongerThanTheLimitIsLeftAlone) {
  // Named so that it cannot exist: both sizes read 0 and would agree.
  for (const std::size_t length : {kMaxPathLength, kMaxPathLength + 1}) {
    SCOPED_TRACE(length);
    const std::string directory = "ZEB_MISSING_" + std::string(length - 3 - 12 - 7, 'D');
    const std::string typed = "C:\\" + directory + "\\FILE.C";
    ASSERT_EQ(typed.size(), length);
    FakeLookup lookup({{"C:\\" + directory, lower(directory)}, {typed, "file.c"}});
    std::string path = typed;
    const int rewritten = normalize_path_case_with(path, lookup);
    if (length <= kMaxPathLength) {
      EXPECT_EQ(rewritten, 1);
      EXPECT_EQ(path, "C:\\" + lower(directory) + "\\file.c");
    } else {
      EXPECT_EQ(rewritten, 0);
      EXPECT_EQ(path, typed);
    }
  }
}

TEST(NormalizePathCaseWithTest, AFileOfAnotherSizeIsNotTakenForTheTypedOne) {
  ScopedTempDir dir;
  write_host_file(dir.host("a.txt"), "abc");
  write_host_file(dir.host("b.txt"), "abcde");
  write_host_file(dir.host("c.txt"), "xyz");
  const std::string leaf = dir.path().substr(dir.path().rfind('\\') + 1);
  std::map<std::string, std::string> names;
  // Every directory above reports its own name unchanged.
  for (std::size_t at = dir.path().find('\\', 3); at != std::string::npos;
       at = dir.path().find('\\', at + 1)) {
    const std::string prefix = dir.path().substr(0, at);
    names[prefix] = prefix.substr(prefix.rfind('\\') + 1);
  }
  names[dir.path()] = leaf;
  const std::string typed = dir / "a.txt";

  names[typed] = "b.txt";  // 5 bytes against 3
  std::string path = typed;
  EXPECT_EQ(normalize_path_case_with(path, FakeLookup(names)), 0);
  EXPECT_EQ(path, typed);

  names[typed] = "c.txt";  // the same size: taken
  EXPECT_EQ(normalize_path_case_with(path, FakeLookup(names)), 1);
  EXPECT_EQ(path, dir / "c.txt");
}

}  // namespace
}  // namespace zeb::driver
